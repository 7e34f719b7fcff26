// ISCII Devanagari to UTF-8, in one pass over a stream of any length, or
// piece by piece from memory.
#pragma once

#include "codec.hpp"

#include <cstdint>
#include <cstdio>

namespace pellam {

// Why a byte was dropped.
enum class drop : std::uint8_t {
    ignored, // no character: "Ignoring character 0x%x at line %ld"
    atr,     // ATR, with the byte after it: "Use of ATR not supported ..."
    ext,     // EXT, with the byte after it: "Use of EXT not supported ..."
};

// One dropped byte, or an ATR or EXT code with the byte after it.
struct message {
    std::uint64_t offset = 0;  // of the byte in the input
    std::uint64_t written = 0; // output bytes written before it
    long line = 0;             // 1 + the line feeds before it
    std::uint8_t byte = 0;
    drop kind = drop::ignored;
    std::uint8_t span = 1; // input bytes dropped: 2 for ATR or EXT and the byte after
};

// Where the messages go, one call each, in input order.
using reportfn = void (*)(void* context, const message& m);

// The message as the program writes it, with its line feed, into `buf`;
// its length.
int format(const message& m, char* buf, std::size_t size);

// Writes the message as the program writes it: a reportfn whose context
// is a FILE*.
void print(void* file, const message& m);

// What the conversion carries from one piece of input to the next: the
// nukta look-ahead and the byte dropped after ATR or EXT.
struct decoder {
    long line = 1;             // 1 + the line feeds read so far
    int held = -1;             // a nukta key byte at a piece's end, waiting
    bool skip = false;         // the next byte follows ATR or EXT: drop it
    bool deferred = false;     // `pending` waits to learn whether a byte follows
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
unsigned char* finish(decoder& d, unsigned char* o);

// One conversion from a byte source to a byte sink.
struct state {
    codec::bytein in;
    codec::byteout out;
    decoder dec;
};

// Fresh state reading from `in`, writing to `out` and reporting each
// dropped byte to `report`.
void start(state& st, std::FILE* in, std::FILE* out, reportfn report, void* context);

// Converts the whole input. Stops early only when a read or write fails;
// the errors are left in st.in and st.out.
void process(state& st);

} // namespace pellam
