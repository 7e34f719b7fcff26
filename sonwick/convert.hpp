// Unicode Devanagari (UTF-8) to ISO 15919 Roman (UTF-8), in one pass over a
// stream of any length.
#pragma once

#include "codec.hpp"
#include "tables.hpp"

#include <cstddef>
#include <cstdio>

namespace sonwick {

// One conversion's state: the streams and the context the transliterator
// keeps between two characters.
struct state {
    codec::input in;
    codec::output out;
    context ctx = neutral;
    // Runs of ASCII and of the Devanagari block go through the fast lane,
    // which writes what the general way writes, straight from the byte
    // buffers. Off, every character takes the general way.
    bool fastlane = true;
};

// Fresh state reading from `in` (at most `chunk` bytes a read) and writing
// to `out`.
void start(state& st, std::FILE* in, std::FILE* out, std::size_t chunk = codec::bufsize);

// Converts the whole input. Stops early only when a write fails; a failed
// read ends the input. The errors are left in st.in.bytes and st.out.bytes.
void process(state& st);

// Converts characters straight from the input buffer while each one is
// ASCII or a whole three-byte character of the block, and stops before the
// first that is not, with the context where the general way goes on. Called
// with no character held back, and leaves none. Never reads: what is left
// in the buffer is left to the general way.
void fastlane(state& st);

// Writes the Roman text of one character and moves the context on.
void puttch(state& st, codec::lchar c);

// Ends the text: a consonant still pending gets its inherent vowel.
void puttend(state& st);

// The row of convlist holding c, or -1; the first match, by linear search.
int finddchar(codec::lchar c);

// Whether c is one of the first `count` elements of `list`.
bool isinarray(codec::lchar c, const codec::lchar* list, int count);

} // namespace sonwick
