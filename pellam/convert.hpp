// ISCII Devanagari to UTF-8, in one pass over a stream of any length, or
// piece by piece from memory.
#pragma once

#include "codec.hpp"
#include "engine.hpp"

#include <cstdint>
#include <cstdio>

namespace pellam {

using vocab::drop;
using vocab::message;
using vocab::reportfn;

// What the conversion carries from one piece of input to the next: the
// nukta look-ahead and the byte dropped after ATR or EXT; with `atr`, the
// script the ATR code switched to and the bytes whose unit the next piece
// settles.
struct decoder {
    long line = 1;             // 1 + the line feeds read so far
    int held = -1;             // a nukta key byte at a piece's end, waiting
    // The next byte follows ATR or EXT: it is dropped, and `pending` waits
    // to learn whether one follows.
    bool deferred = false;
    message pending;           // an ATR or EXT at the end of a piece
    std::uint64_t offset = 0;  // input bytes before the next piece (with atr: before `tail`)
    std::uint64_t written = 0; // output bytes before the next piece
    reportfn report = nullptr;
    void* context = nullptr;
    bool atr = false;          // the ATR code switches the script
    std::uint8_t block = 0;    // the script's block: 0 Devanagari, 1 Bengali, ..., 8 Malayalam
    bool tippi = false;        // Gurmukhi: the anusvara after the last unit is tippi
    unsigned char tail[3]{};   // the start of a unit cut by the piece's end
    std::uint8_t ntail = 0;
};

// A fresh decoder whose messages go to `report`, counting lines from
// `line`; `atr`: reading the ATR code's switches of script.
void startdecoder(decoder& d, reportfn report, void* context, long line, bool atr = false);

// Converts the piece p..end to o, which has room for 3 * (end - p) + 4
// bytes, and returns the new end of the output.
unsigned char* convert(decoder& d, const unsigned char* p, const unsigned char* end, unsigned char* o);

// Ends the input: a key still held is written by itself, and a pending
// ATR or EXT is reported with nothing after it. Room for 4 bytes at o.
unsigned char* endinput(decoder& d, unsigned char* o);

// The same two with the ATR code's switches of script read: a piece needs
// room for atrroom(end - p) bytes at o, the end of the input for
// atrroom(0).
constexpr std::size_t atrroom(std::size_t n) { return 5 * n + 32; }
unsigned char* convertatr(decoder& d, const unsigned char* p, const unsigned char* end, unsigned char* o);
unsigned char* endatr(decoder& d, unsigned char* o);

// One conversion: the input's pieces, the output to the sink, and what the
// decoder carries from one piece to the next.
struct state {
    codec::bytein in;
    codec::byteout out;
    decoder dec;
    unsigned char kept = 0; // the byte kept() shows
    bool flushed = false;   // the input has ended and the sink has been flushed
};

} // namespace pellam
