// Random well-formed Devanagari words made of what the transliteration
// covers, for the round trip sonwick then kavrel. The choices come from a
// seeded generator (property tests) or from fuzz bytes (fuzz targets).
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace devwords {

// Where the choices come from: the bytes when `rng` is null, else `rng`.
struct chooser {
    const unsigned char* p = nullptr;
    std::size_t n = 0;
    std::mt19937* rng = nullptr;
};

// One of `count` choices; 0 once the bytes are used up.
unsigned pick(chooser& ch, unsigned count);
// Whether choices remain (always, with a generator).
bool more(const chooser& ch);

// Text as written, and as it must come back: a consonant written with the
// separate nukta sign comes back as its precomposed letter.
struct text {
    std::u32string written;
    std::u32string expected;
};

// Adds one word and the space or line feed after it.
void addword(chooser& ch, text& t);

} // namespace devwords
