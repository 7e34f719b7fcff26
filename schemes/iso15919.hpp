// The project's own romanisation: ISO 15919 as kavrel reads it and sonwick
// writes it. Vowels carry their Vedic accents as further spellings, which
// read as the plain vowel; the nasalised vowels of Hindi are read in one
// piece, as their letter or sign with the candrabindu or anusvara listed.
#pragma once

#include "romanisation.hpp"

namespace schemes {

inline constexpr row isorows[] = {
    // Vowels: a plain vowel, then its grave and acute.
    {{0x0905}, {}, kind::vowel, U"a \u00E0 \u00E1"},                                    // a
    {{0x0906}, {0x093E}, kind::vowel, U"\u0101 \u0101\u0300 \u0101\u0301"},             // a macron
    {{0x0907}, {0x093F}, kind::vowel, U"i \u00EC \u00ED"},                              // i
    {{0x0908}, {0x0940}, kind::vowel, U"\u012B \u012B\u0300 \u012B\u0301"},             // i macron
    {{0x0909}, {0x0941}, kind::vowel, U"u \u00F9 \u00FA"},                              // u
    {{0x090A}, {0x0942}, kind::vowel, U"\u016B \u016B\u0300 \u016B\u0301"},             // u macron
    {{0x090B}, {0x0943}, kind::vowel, U"r\u0325 r\u0325\u0300 r\u0325\u0301"},          // vocalic r: r ring below
    {{0x0960}, {0x0944}, kind::vowel, U"r\u0325\u0304 r\u0325\u0304\u0300 r\u0325\u0304\u0301"}, // vocalic rr
    {{0x090C}, {0x0962}, kind::vowel, U"l\u0325 l\u0325\u0300 l\u0325\u0301"},          // vocalic l
    {{0x0961}, {0x0963}, kind::vowel, U"l\u0325\u0304 l\u0325\u0304\u0300 l\u0325\u0304\u0301"}, // vocalic ll
    {{0x090F}, {0x0947}, kind::vowel, U"e \u00E8 \u00E9"},                              // e
    {{0x0913}, {0x094B}, kind::vowel, U"o \u00F2 \u00F3"},                              // o
    {{0x0910}, {0x0948}, kind::vowel, U"ai"},                                           // ai
    {{0x0914}, {0x094C}, kind::vowel, U"au"},                                           // au
    {{0x090D}, {0x0945}, kind::vowel, U"\u00EA"},                                       // candra e: e circumflex
    {{0x0911}, {0x0949}, kind::vowel, U"\u00F4"},                                       // candra o: o circumflex
    // Nasalised vowels, read only: each is written as its vowel and sign.
    {{0x0905, 0x0901}, {0x0901}, kind::vowel, U"\u00E3"},                  // a tilde
    {{0x0913, 0x0902}, {0x094B, 0x0902}, kind::vowel, U"\u00F5"},          // o tilde
    {{0x090F, 0x0901}, {0x0947, 0x0902}, kind::vowel, U"\u1EBD"},          // e tilde
    {{0x0907, 0x0901}, {0x093F, 0x0902}, kind::vowel, U"\u0129"},          // i tilde
    {{0x0909, 0x0901}, {0x0941, 0x0901}, kind::vowel, U"\u0169"},          // u tilde
    {{0x0910, 0x0902}, {0x0948, 0x0902}, kind::vowel, U"a\u0129"},         // a, i tilde
    {{0x0914, 0x0902}, {0x094C, 0x0902}, kind::vowel, U"a\u0169"},         // a, u tilde
    {{0x0906, 0x0901}, {0x093E, 0x0901}, kind::vowel, U"\u0101\u0303"},    // a macron, tilde
    {{0x0908, 0x0902}, {0x0940, 0x0902}, kind::vowel, U"\u012B\u0303"},    // i macron, tilde
    {{0x090A, 0x0901}, {0x0942, 0x0901}, kind::vowel, U"\u016B\u0303"},    // u macron, tilde
    // Signs.
    {{0x0901}, {}, kind::sign, U"m\u0310"},                  // candrabindu: m, combining candrabindu
    {{0x0902}, {}, kind::sign, U"\u1E41"},                   // anusvara: m dot above
    {{0x0903}, {}, kind::sign, U"\u1E25"},                   // visarga: h dot below
    {{0x093D}, {}, kind::sign, U"\u2019 '", reading::sanskrit}, // avagraha: the apostrophes, with -s
    // Consonants.
    {{0x0915}, {}, kind::consonant, U"k"},
    {{0x0916}, {}, kind::consonant, U"kh"},
    {{0x0917}, {}, kind::consonant, U"g"},
    {{0x0918}, {}, kind::consonant, U"gh"},
    {{0x0919}, {}, kind::consonant, U"\u1E45"},              // nga: n dot above
    {{0x091A}, {}, kind::consonant, U"c"},
    {{0x091B}, {}, kind::consonant, U"ch"},
    {{0x091C}, {}, kind::consonant, U"j"},
    {{0x091D}, {}, kind::consonant, U"jh"},
    {{0x091E}, {}, kind::consonant, U"\u00F1"},              // nya: n tilde
    {{0x091F}, {}, kind::consonant, U"\u1E6D"},              // tta: t dot below
    {{0x0920}, {}, kind::consonant, U"\u1E6Dh"},
    {{0x0921}, {}, kind::consonant, U"\u1E0D"},              // dda: d dot below
    {{0x0922}, {}, kind::consonant, U"\u1E0Dh"},
    {{0x0923}, {}, kind::consonant, U"\u1E47"},              // nna: n dot below
    {{0x0924}, {}, kind::consonant, U"t"},
    {{0x0925}, {}, kind::consonant, U"th"},
    {{0x0926}, {}, kind::consonant, U"d"},
    {{0x0927}, {}, kind::consonant, U"dh"},
    {{0x0928}, {}, kind::consonant, U"n"},
    {{0x092A}, {}, kind::consonant, U"p"},
    {{0x092B}, {}, kind::consonant, U"ph"},
    {{0x092C}, {}, kind::consonant, U"b"},
    {{0x092D}, {}, kind::consonant, U"bh"},
    {{0x092E}, {}, kind::consonant, U"m"},
    {{0x092F}, {}, kind::consonant, U"y"},
    {{0x0930}, {}, kind::consonant, U"r"},
    {{0x0932}, {}, kind::consonant, U"l"},
    {{0x0935}, {}, kind::consonant, U"v"},
    {{0x0936}, {}, kind::consonant, U"\u015B"},              // sha: s acute
    {{0x0937}, {}, kind::consonant, U"\u1E63"},              // ssa: s dot below
    {{0x0938}, {}, kind::consonant, U"s"},
    {{0x0939}, {}, kind::consonant, U"h"},
    {{0x095C}, {}, kind::consonant, U"\u1E5B"},              // dddha: r dot below
    {{0x095D}, {}, kind::consonant, U"\u1E5Bh"},             // rha
    {{0x0933}, {}, kind::consonant, U"\u1E37"},              // lla: l dot below
    {{0x0958}, {}, kind::consonant, U"q"},
    {{0x0959}, {}, kind::consonant, U"k\u035Fh k\u035FH"},   // khha: k, double macron below, h
    {{0x095A}, {}, kind::consonant, U"\u0121"},              // ghha: g dot above
    {{0x095E}, {}, kind::consonant, U"f"},
    {{0x095B}, {}, kind::consonant, U"z"},
    // The Dravidian consonants and the yya of Hindi.
    {{0x0929}, {}, kind::consonant, U"\u1E49"},              // nnna: n line below
    {{0x0931}, {}, kind::consonant, U"r\u0306"},             // rra: r, combining breve
    {{0x0934}, {}, kind::consonant, U"\u1E3B"},              // llla: l line below
    {{0x095F}, {}, kind::consonant, U"\u1E8F"},              // yya: y dot above
};

} // namespace schemes
