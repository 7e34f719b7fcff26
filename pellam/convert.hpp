// ISCII Devanagari to UTF-8, in one pass over a stream of any length.
#pragma once

#include "codec.hpp"

#include <cstdio>

namespace pellam {

// One conversion's state. The input is cut into blocks only for reading;
// the nukta look-ahead and the byte dropped after ATR or EXT carry over
// from one block to the next.
struct state {
    codec::bytein in;
    codec::byteout out;
    std::FILE* msgs = nullptr; // where the messages about dropped bytes go
    long line = 1;             // 1 + the line feeds read so far
    int held = -1;             // a nukta key byte at a block's end, waiting
    bool skip = false;         // the next byte follows ATR or EXT: drop it
};

// Fresh state reading from `in`, writing to `out` and messages to `msgs`.
void start(state& st, std::FILE* in, std::FILE* out, std::FILE* msgs);

// Converts the whole input. Stops early only when a read or write fails;
// the errors are left in st.in and st.out.
void process(state& st);

} // namespace pellam
