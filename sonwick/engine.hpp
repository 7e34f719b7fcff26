// sonwick as the library drives it: Devanagari (UTF-8) to Roman, the input
// handed over in pieces of any size, the output written to a sink.
#pragma once

#include "vocabulary.hpp"

#include <cstddef>
#include <span>

namespace sonwick {

struct state;

// A conversion's state; null when there is no memory for it.
state* newstate();
void freestate(state* st);

// Starts a conversion writing the scheme, its output going to `out`; false,
// and nothing will be converted, when there is no such scheme.
bool start(state& st, vocab::scheme s, vocab::sink out);
// Where the next piece goes: read or copy it there, then hand it over
// with fed(); `last` ends the input. What a piece cannot settle yet (a
// character cut by its end, a consonant a nukta sign may join) waits.
std::span<unsigned char> room(state& st);
void fed(state& st, std::size_t n, bool last);
// Writes what is converted so far to the sink now.
void flush(state& st);
vocab::outcome outcome(const state& st);

} // namespace sonwick
