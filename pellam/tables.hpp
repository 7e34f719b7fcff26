// ISCII Devanagari to Unicode: the two table pairs as listed, and the
// 256-entry byte index derived from them at compile time.
#pragma once

#include "codec.hpp"

#include <array>
#include <cstdint>

namespace pellam {

// Single bytes, keys ascending: 0xA1 to 0xEA and 0xF1 to 0xFA.
constexpr std::array<std::uint8_t, 84> iscii = {
    0xA1, 0xA2, 0xA3,                                           // signs
    0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA,                   // a .. vocalic r
    0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1, 0xB2,             // e, o letters
    0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, // ka .. nya
    0xBD, 0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, // tta .. nnna
    0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE,             // pa .. yya
    0xCF, 0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, // ra .. ha
    0xD9,                                                       // zwj
    0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,                         // vowel signs
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
    0xE8, 0xE9, 0xEA,                                           // virama, nukta, danda
    0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, // digits
};

constexpr std::array<std::uint16_t, 84> udev = {
    0x0901, 0x0902, 0x0903,
    0x0905, 0x0906, 0x0907, 0x0908, 0x0909, 0x090A, 0x090B,
    0x090E, 0x090F, 0x0910, 0x090D, 0x0912, 0x0913, 0x0914, 0x0911,
    0x0915, 0x0916, 0x0917, 0x0918, 0x0919, 0x091A, 0x091B, 0x091C, 0x091D, 0x091E,
    0x091F, 0x0920, 0x0921, 0x0922, 0x0923, 0x0924, 0x0925, 0x0926, 0x0927, 0x0928,
    0x0929, 0x092A, 0x092B, 0x092C, 0x092D, 0x092E, 0x092F, 0x095F,
    0x0930, 0x0931, 0x0932, 0x0933, 0x0934, 0x0935, 0x0936, 0x0937, 0x0938, 0x0939,
    0x200D,
    0x093E, 0x093F, 0x0940, 0x0941, 0x0942, 0x0943,
    0x0946, 0x0947, 0x0948, 0x0945, 0x094A, 0x094B, 0x094C, 0x0949,
    0x094D, 0x093C, 0x0964,
    0x0966, 0x0967, 0x0968, 0x0969, 0x096A, 0x096B, 0x096C, 0x096D, 0x096E, 0x096F,
};

// A byte directly followed by the nukta byte 0xE9, and the one character
// that the pair stands for.
constexpr std::uint8_t nuktabyte = 0xE9;

constexpr std::array<std::uint8_t, 15> nukta = {
    0xB3, 0xB4, 0xB5, 0xBA, 0xBF, 0xC0, 0xC9, 0xAA,
    0xDF, 0xA6, 0xDB, 0xA7, 0xDC, 0xA1, 0xEA,
};

constexpr std::array<std::uint16_t, 15> unukta = {
    0x0958, // qa
    0x0959, // khha
    0x095A, // ghha
    0x095B, // za
    0x095C, // dddha
    0x095D, // rha
    0x095E, // fa
    0x0960, // vocalic rr
    0x0944, // vowel sign vocalic rr
    0x090C, // vocalic l
    0x0962, // vowel sign vocalic l
    0x0961, // vocalic ll
    0x0963, // vowel sign vocalic ll
    0x0950, // om
    0x093D, // avagraha
};

constexpr std::uint8_t atr = 0xEF; // attribute code, not supported
constexpr std::uint8_t ext = 0xF0; // extension code, not supported

// What a byte does, by itself. The first two write their character at
// once; the rest take the converter's slow path.
enum class kind : std::uint8_t {
    plain,  // copied (below 0x80) or one character of udev
    key,    // one character of udev, replaced by one of unukta when 0xE9 follows
    nukta,  // 0xE9: the nukta sign, unless it completes a key before it
    ignore, // no character: dropped with a message
    attr,   // ATR: dropped with the byte after it
    extn,   // EXT: dropped with the byte after it
};

// A character's UTF-8 bytes, padded to four so a copy is one fixed move.
struct utf8char {
    unsigned char b[4];
};

// What one byte writes when nothing joins it to its neighbour.
struct entry {
    utf8char out;
    std::uint8_t len;
    kind k;
};

struct byteindex {
    entry bytes[256];
    utf8char joined[256]; // for key bytes followed by 0xE9
};

constexpr utf8char encode(std::uint16_t code)
{
    utf8char u{};
    codec::utf8encode(code, u.b);
    return u;
}

constexpr byteindex makeindex()
{
    byteindex x{};
    for (int b = 0; b < 256; ++b) {
        x.bytes[b].k = b < 0x80 ? kind::plain : kind::ignore;
        x.bytes[b].out.b[0] = static_cast<unsigned char>(b);
        x.bytes[b].len = 1;
    }
    x.bytes[atr].k = kind::attr;
    x.bytes[ext].k = kind::extn;
    for (std::size_t i = 0; i < iscii.size(); ++i)
        x.bytes[iscii[i]] = {encode(udev[i]), 3, kind::plain};
    x.bytes[nuktabyte].k = kind::nukta;
    for (std::size_t k = 0; k < nukta.size(); ++k) {
        x.bytes[nukta[k]].k = kind::key;
        x.joined[nukta[k]] = encode(unukta[k]);
    }
    return x;
}

constexpr byteindex index = makeindex();

} // namespace pellam
