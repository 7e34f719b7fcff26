// The Roman-to-Devanagari vocabulary: every unit that is converted, with its
// independent and dependent renderings. A unit in no table is copied.
#pragma once

#include "convert.hpp"

#include <array>

namespace kavrel {

constexpr lchar C = SYL_CONSONANT; // `dep` of a consonant

// The rows in their lower-case form. Each stands for two records of
// `convlist`: itself, then the same with its first letter in capital.
constexpr convrec rows[] = {
    {{0x0061}, {0x0905}, {}},                         //  1 a
    {{0x0069}, {0x0907}, {0x093F}},                   //  2 i
    {{0x0075}, {0x0909}, {0x0941}},                   //  3 u
    {{0x0065}, {0x090F}, {0x0947}},                   //  4 e
    {{0x006F}, {0x0913}, {0x094B}},                   //  5 o
    {{0x0061, 0x0069}, {0x0910}, {0x0948}},           //  6 ai
    {{0x0061, 0x0075}, {0x0914}, {0x094C}},           //  7 au
    {{0x006B}, {0x0915}, {C}},                        //  8 k
    {{0x0071}, {0x0958}, {C}},                        //  9 q
    {{0x006B, 0x0068}, {0x0916}, {C}},                // 10 kh
    {{0x0067}, {0x0917}, {C}},                        // 11 g
    {{0x0067, 0x0068}, {0x0918}, {C}},                // 12 gh
    {{0x0063}, {0x091A}, {C}},                        // 13 c
    {{0x0063, 0x0068}, {0x091B}, {C}},                // 14 ch
    {{0x006A}, {0x091C}, {C}},                        // 15 j
    {{0x007A}, {0x095B}, {C}},                        // 16 z
    {{0x006A, 0x0068}, {0x091D}, {C}},                // 17 jh
    {{0x0074}, {0x0924}, {C}},                        // 18 t
    {{0x0074, 0x0068}, {0x0925}, {C}},                // 19 th
    {{0x0064}, {0x0926}, {C}},                        // 20 d
    {{0x0064, 0x0068}, {0x0927}, {C}},                // 21 dh
    {{0x006E}, {0x0928}, {C}},                        // 22 n
    {{0x0070}, {0x092A}, {C}},                        // 23 p
    {{0x0070, 0x0068}, {0x092B}, {C}},                // 24 ph
    {{0x0066}, {0x095E}, {C}},                        // 25 f
    {{0x0062}, {0x092C}, {C}},                        // 26 b
    {{0x0062, 0x0068}, {0x092D}, {C}},                // 27 bh
    {{0x006D}, {0x092E}, {C}},                        // 28 m
    {{0x0079}, {0x092F}, {C}},                        // 29 y
    {{0x0072}, {0x0930}, {C}},                        // 30 r
    {{0x006C}, {0x0932}, {C}},                        // 31 l
    {{0x0076}, {0x0935}, {C}},                        // 32 v
    {{0x0073}, {0x0938}, {C}},                        // 33 s
    {{0x0068}, {0x0939}, {C}},                        // 34 h
    {{0x00E0}, {0x0905}, {}},                         // 35 a grave
    {{0x00E1}, {0x0905}, {}},                         // 36 a acute
    {{0x00EC}, {0x0907}, {0x093F}},                   // 37 i grave
    {{0x00ED}, {0x0907}, {0x093F}},                   // 38 i acute
    {{0x00F9}, {0x0909}, {0x0941}},                   // 39 u grave
    {{0x00FA}, {0x0909}, {0x0941}},                   // 40 u acute
    {{0x00E8}, {0x090F}, {0x0947}},                   // 41 e grave
    {{0x00E9}, {0x090F}, {0x0947}},                   // 42 e acute
    {{0x00F2}, {0x0913}, {0x094B}},                   // 43 o grave
    {{0x00F3}, {0x0913}, {0x094B}},                   // 44 o acute
    {{0x00EA}, {0x090D}, {0x0945}},                   // 45 e circumflex: candra e
    {{0x00F4}, {0x0911}, {0x0949}},                   // 46 o circumflex: candra o
    {{0x00E3}, {0x0905, 0x0901}, {0x0901}},           // 47 a tilde
    {{0x00F5}, {0x0913, 0x0902}, {0x094B, 0x0902}},   // 48 o tilde
    {{0x00F1}, {0x091E}, {C}},                        // 49 n tilde
    {{0x0101}, {0x0906}, {0x093E}},                   // 50 a macron
    {{0x1EBD}, {0x090F, 0x0901}, {0x0947, 0x0902}},   // 51 e tilde
    {{0x012B}, {0x0908}, {0x0940}},                   // 52 i macron
    {{0x016B}, {0x090A}, {0x0942}},                   // 53 u macron
    {{0x0129}, {0x0907, 0x0901}, {0x093F, 0x0902}},   // 54 i tilde
    {{0x0169}, {0x0909, 0x0901}, {0x0941, 0x0901}},   // 55 u tilde
    {{0x1E41}, {0x0902}, {}},                         // 56 m dot above: anusvara
    {{0x1E25}, {0x0903}, {}},                         // 57 h dot below: visarga
    {{0x0121}, {0x095A}, {C}},                        // 58 g dot above
    {{0x1E45}, {0x0919}, {C}},                        // 59 n dot above
    {{0x1E6D}, {0x091F}, {C}},                        // 60 t dot below
    {{0x1E6D, 0x0068}, {0x0920}, {C}},                // 61 t dot below, h
    {{0x1E0D}, {0x0921}, {C}},                        // 62 d dot below
    {{0x1E0D, 0x0068}, {0x0922}, {C}},                // 63 d dot below, h
    {{0x1E5B}, {0x095C}, {C}},                        // 64 r dot below
    {{0x1E5B, 0x0068}, {0x095D}, {C}},                // 65 r dot below, h
    {{0x1E47}, {0x0923}, {C}},                        // 66 n dot below
    {{0x1E49}, {0x0929}, {C}},                        // 67 n line below
    {{0x1E37}, {0x0933}, {C}},                        // 68 l dot below
    {{0x1E3B}, {0x0934}, {C}},                        // 69 l line below
    {{0x015B}, {0x0936}, {C}},                        // 70 s acute
    {{0x1E63}, {0x0937}, {C}},                        // 71 s dot below
    {{0x1E8F}, {0x095F}, {C}},                        // 72 y dot above
    {{0x0061, 0x0129}, {0x0910, 0x0902}, {0x0948, 0x0902}}, // 73 a, i tilde
    {{0x0061, 0x0169}, {0x0914, 0x0902}, {0x094C, 0x0902}}, // 74 a, u tilde
    {{0x0101, 0x0303}, {0x0906, 0x0901}, {0x093E, 0x0901}}, // 75 a macron, tilde
    {{0x012B, 0x0303}, {0x0908, 0x0902}, {0x0940, 0x0902}}, // 76 i macron, tilde
    {{0x016B, 0x0303}, {0x090A, 0x0901}, {0x0942, 0x0901}}, // 77 u macron, tilde
    {{0x0101, 0x0300}, {0x0906}, {0x093E}},           // 78 a macron, grave
    {{0x0101, 0x0301}, {0x0906}, {0x093E}},           // 79 a macron, acute
    {{0x012B, 0x0300}, {0x0908}, {0x0940}},           // 80 i macron, grave
    {{0x012B, 0x0301}, {0x0908}, {0x0940}},           // 81 i macron, acute
    {{0x016B, 0x0300}, {0x090A}, {0x0942}},           // 82 u macron, grave
    {{0x016B, 0x0301}, {0x090A}, {0x0942}},           // 83 u macron, acute
    {{0x006C, 0x0325}, {0x090C}, {0x0962}},           // 84 l ring below: vocalic l
    {{0x0072, 0x0325}, {0x090B}, {0x0943}},           // 85 r ring below: vocalic r
    {{0x006D, 0x0310}, {0x0901}, {}},                 // 86 m candrabindu
    {{0x0072, 0x0306}, {0x0931}, {C}},                // 87 r breve: rra
    {{0x006C, 0x0325, 0x0304}, {0x0961}, {0x0963}},   // 88 vocalic ll
    {{0x0072, 0x0325, 0x0304}, {0x0960}, {0x0944}},   // 89 vocalic rr
    {{0x006C, 0x0325, 0x0300}, {0x090C}, {0x0962}},   // 90
    {{0x006C, 0x0325, 0x0301}, {0x090C}, {0x0962}},   // 91
    {{0x0072, 0x0325, 0x0300}, {0x090B}, {0x0943}},   // 92
    {{0x0072, 0x0325, 0x0301}, {0x090B}, {0x0943}},   // 93
    {{0x006B, 0x035F, 0x0068}, {0x0959}, {C}},        // 94 k double macron below h
    {{0x006B, 0x035F, 0x0048}, {0x0959}, {C}},        // 95 k double macron below H
    {{0x006C, 0x0325, 0x0304, 0x0300}, {0x0961}, {0x0963}}, // 96
    {{0x006C, 0x0325, 0x0304, 0x0301}, {0x0961}, {0x0963}}, // 97
    {{0x0072, 0x0325, 0x0304, 0x0300}, {0x0960}, {0x0944}}, // 98
    {{0x0072, 0x0325, 0x0304, 0x0301}, {0x0960}, {0x0944}}, // 99
};

// The capital of a table row's first letter: Basic Latin and Latin-1 lower
// case sit 0x20 above their capitals, Latin Extended-A and Additional keep
// each capital just before its small letter.
constexpr lchar capital(lchar c)
{
    if ((c >= 0x61 && c <= 0x7A) || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    if (((c >= 0x100 && c <= 0x17F) || (c >= 0x1E00 && c <= 0x1EFF)) && (c & 1))
        return c - 1;
    return c;
}

constexpr std::size_t nrows = std::size(rows);

constexpr std::array<convrec, 2 * nrows> makeconvlist()
{
    std::array<convrec, 2 * nrows> list{};
    for (std::size_t i = 0; i < nrows; ++i) {
        list[2 * i] = rows[i];
        list[2 * i + 1] = rows[i];
        list[2 * i + 1].roman[0] = capital(rows[i].roman[0]);
    }
    return list;
}

// Installed always, in this order.
constexpr std::array<convrec, 198> convlist = makeconvlist();

// Installed with -n. After a consonant a digit closes it with the virama.
constexpr convrec numlist[] = {
    {{0x0030}, {0x0966}, {0x094D, 0x0966}},
    {{0x0031}, {0x0967}, {0x094D, 0x0967}},
    {{0x0032}, {0x0968}, {0x094D, 0x0968}},
    {{0x0033}, {0x0969}, {0x094D, 0x0969}},
    {{0x0034}, {0x096A}, {0x094D, 0x096A}},
    {{0x0035}, {0x096B}, {0x094D, 0x096B}},
    {{0x0036}, {0x096C}, {0x094D, 0x096C}},
    {{0x0037}, {0x096D}, {0x094D, 0x096D}},
    {{0x0038}, {0x096E}, {0x094D, 0x096E}},
    {{0x0039}, {0x096F}, {0x094D, 0x096F}},
};

// Installed with -s: both apostrophes are the avagraha.
constexpr convrec avagraha[] = {
    {{0x0027}, {0x093D}, {}},
    {{0x2019}, {0x093D}, {}},
};

static_assert(std::size(convlist) + std::size(numlist) + std::size(avagraha) == maxnodes);

} // namespace kavrel
