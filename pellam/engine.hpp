// pellam as the library drives it: ISCII to UTF-8, the input handed over in
// pieces of any size, the output written to a sink and each dropped byte
// reported as it is found.
#pragma once

#include "vocabulary.hpp"

#include <cstddef>
#include <span>
#include <string_view>

namespace pellam {

struct state;

// A conversion's state; null when there is no memory for it.
state* newstate();
void freestate(state* st);

// What a conversion reports to, the line it starts on, and whether the
// ATR code switches the script (else it is dropped with a message).
struct options {
    vocab::reportfn report = nullptr;
    void* context = nullptr;
    long line = 1;
    bool atr = false;
};

// Starts a conversion, its output going to `out`. Always true.
bool start(state& st, const options& opt, vocab::sink out);
// Where the next piece goes: read or copy it there, then hand it over
// with fed(); `last` ends the input. A byte that may join the next piece
// (a letter before the nukta byte), and an ATR or EXT code whose next byte
// has not come, wait for it; with the ATR code read, up to three bytes of
// a unit cut by the piece's end.
std::span<unsigned char> room(state& st);
void fed(state& st, std::size_t n, bool last);
// Writes what is converted so far to the sink now.
void flush(state& st);
vocab::outcome outcome(const state& st);

// The bytes kept back for the next piece (none or one; up to three with
// the ATR code read), and the line the conversion is on.
std::string_view kept(const state& st);
long line(const state& st);

// The message as pellam writes it, with its line feed, into `buf`; its
// length.
int format(const vocab::message& m, char* buf, std::size_t size);

} // namespace pellam
