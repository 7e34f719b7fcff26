// ISCII Devanagari to UTF-8, in one pass over a stream of any length, or
// piece by piece from memory.
#pragma once

#include "codec.hpp"
#include "lipisetu.hpp"

#include <cstdint>
#include <cstdio>

namespace pellam {

// Why a byte was dropped, and one dropped byte (or an ATR or EXT code with
// the byte after it): the library's own records, which the converter fills.
using drop = lipisetu::drop;
using message = lipisetu::isciimessage;

// Where the messages go, one call each, in input order.
using reportfn = lipisetu::messagefn;

// The message as the program writes it, with its line feed, into `buf`;
// its length.
int format(const message& m, char* buf, std::size_t size);

// What the conversion carries from one piece of input to the next: the
// nukta look-ahead and the byte dropped after ATR or EXT.
struct decoder {
    long line = 1;             // 1 + the line feeds read so far
    int held = -1;             // a nukta key byte at a piece's end, waiting
    // The next byte follows ATR or EXT: it is dropped, and `pending` waits
    // to learn whether one follows.
    bool deferred = false;
    message pending;           // an ATR or EXT at the end of a piece
    std::uint64_t offset = 0;  // input bytes before the next piece
    std::uint64_t written = 0; // output bytes before the next piece
    reportfn report = nullptr;
    void* context = nullptr;
};

// A fresh decoder whose messages go to `report`, counting lines from
// `line`.
void startdecoder(decoder& d, reportfn report, void* context, long line = 1);

// Converts the piece p..end to o, which has room for 3 * (end - p) + 4
// bytes, and returns the new end of the output.
unsigned char* convert(decoder& d, const unsigned char* p, const unsigned char* end, unsigned char* o);

// Ends the input: a key still held is written by itself, and a pending
// ATR or EXT is reported with nothing after it. Room for 4 bytes at o.
unsigned char* endinput(decoder& d, unsigned char* o);

// One conversion from a byte source to a byte sink.
struct state {
    codec::bytein in;
    codec::byteout out;
    decoder dec;
};

// Fresh state reading from `in`, writing to `out` and reporting each
// dropped byte to `report`.
void start(state& st, codec::source in, codec::sink out, reportfn report, void* context);

// Converts the whole input. Stops early only when a read or write fails;
// the errors are left in st.in and st.out.
void process(state& st);

} // namespace pellam
