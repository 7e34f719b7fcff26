// kavrel as the library drives it: Roman text to Devanagari, the input
// handed over in pieces of any size, the output written to a sink.
#pragma once

#include "vocabulary.hpp"

#include <cstddef>
#include <span>

namespace kavrel {

struct state;

// A conversion's state (about half a megabyte); null when there is no
// memory for it.
state* newstate();
void freestate(state* st);

// Starts a conversion with the options, its output going to `out`; false,
// and nothing will be converted, when the options name no scheme.
bool start(state& st, const vocab::romanoptions& opt, vocab::sink out);
// Where the next piece goes: read or copy it there, then hand it over
// with fed(); `last` ends the input. What a piece cannot settle yet (the
// last few characters, which what follows may change) waits for the next.
std::span<unsigned char> room(state& st);
void fed(state& st, std::size_t n, bool last);
// Writes what is converted so far to the sink now.
void flush(state& st);
vocab::outcome outcome(const state& st);

// What a text is written in, as detect finds it: the romanisation it is
// most likely in, or the Devanagari script itself, or neither (no letters,
// or Latin text that no scheme reads well, such as English).
struct guess {
    int scheme = -1; // a vocab::scheme, or -1 when no romanisation fits
    bool devanagari = false;
    double score = 0; // 0 to 1: the share of the evidence for the answer
};

// detect reads at most the first detectblock bytes of a text.
constexpr std::size_t detectblock = 4096;

// The writing of the text's first block, in the input form (`detect`: from
// a byte-order mark, else UTF-8).
guess detect(std::span<const unsigned char> text, vocab::form input);

} // namespace kavrel
