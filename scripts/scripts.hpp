// The eight other scripts of ISCII and Unicode: Devanagari written in any of
// them, and text in any of the nine blocks read back as Devanagari, through
// the rows of table.tsv and the conventions their readers expect.
//
// Both directions stream code points: start a state, then hand it blocks of
// any size, cut anywhere; the result is the one a single call on the whole
// text gives. A call keeps back only the few code points that what follows
// may still change (a consonant waiting for its nukta or virama, a Tamil
// stop for its superscript) and writes them once the text has ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scriptrows.hpp" // made from table.tsv: script, names, count

namespace scripts {

// The script named `name` (one of `names`), or false.
bool find(std::string_view name, script& s);

// ---------------------------------------------------------------- Writing

// Devanagari as kavrel writes it (nukta letters precomposed, or a consonant
// and the nukta sign) in script `s`; any other character passes unchanged.
struct writer {
    script s = script::devanagari;
    char32_t held = 0;   // a consonant that a nukta may still join
    char32_t q[12] = {}; // letters after nukta and substitutes, not yet written
    std::uint8_t nq = 0;
    bool doubled = false; // q[0] is the second consonant of a Gurmukhi addak
    char32_t last = 0;    // the last character written, for the Gurmukhi nasal
};

void start(writer& w, script s);
// Reduces what w holds to what decides what it writes from here on: the
// characters it keeps back, and of the last one it wrote only what the
// Gurmukhi nasal asks of it. Two writers that will write alike whatever
// follows are then equal.
void settle(writer& w);
bool operator==(const writer& a, const writer& b);
// Whether what w keeps back may be written otherwise because `next`
// follows it than it is written before a character the conventions do not
// look at (a space, or the end of the text): false lets a caller write it
// ahead of time, as the end would.
bool waitsfor(const writer& w, char32_t next);
// The room `write` needs at `out` for n code points.
constexpr std::size_t writeroom(std::size_t n) { return 4 * (n + 8); }
// Converts in[0..n) and returns how many code points it wrote at `out`;
// `last` says that the text ends with this block.
std::size_t write(writer& w, const char32_t* in, std::size_t n, bool last, char32_t* out);

// ---------------------------------------------------------------- Reading

// Devanagari characters that the caller cannot write: a letter of another
// script that reads as one of them stays as it stood, with its signs.
struct keepset {
    std::uint64_t bits[2] = {};
};
void keep(keepset& k, char32_t dev);
bool kept(const keepset& k, char32_t dev);

// Text in any of the nine blocks read back as Devanagari, each character
// by its block; Devanagari and any other character pass unchanged.
struct reader {
    keepset keep;
    char32_t q[16] = {}; // code points whose reading what follows may change
    std::uint8_t nq = 0;
};

void start(reader& r, const keepset& keep);
// The room `read` needs at `out` for n code points.
constexpr std::size_t readroom(std::size_t n) { return 2 * (n + 16); }
// Converts in[0..n) and returns how many code points it wrote at `out`.
std::size_t read(reader& r, const char32_t* in, std::size_t n, bool last, char32_t* out);

} // namespace scripts
