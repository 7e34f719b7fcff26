// ISCII Devanagari to Unicode: the two tables of rows (a byte and its
// character, a byte before the nukta byte and the character of the pair),
// and the 256-entry byte index derived from them at compile time.
#pragma once

#include "codec.hpp"

#include <array>
#include <cstdint>

namespace pellam {

// One ISCII byte and the character it stands for by itself.
struct isciirow {
    std::uint8_t iscii;
    std::uint16_t udev;
};

// Every byte that has a character, keys ascending: 0xA1 to 0xEA and 0xF1 to
// 0xFA. The other bytes from 0x80 up are dropped (or are ATR and EXT).
constexpr auto iscii = std::to_array<isciirow>({
    // signs
    {0xA1, 0x0901}, // candrabindu
    {0xA2, 0x0902}, // anusvara
    {0xA3, 0x0903}, // visarga
    // independent vowels
    {0xA4, 0x0905}, // a
    {0xA5, 0x0906}, // aa
    {0xA6, 0x0907}, // i
    {0xA7, 0x0908}, // ii
    {0xA8, 0x0909}, // u
    {0xA9, 0x090A}, // uu
    {0xAA, 0x090B}, // vocalic r
    {0xAB, 0x090E}, // short e
    {0xAC, 0x090F}, // e
    {0xAD, 0x0910}, // ai
    {0xAE, 0x090D}, // candra e
    {0xAF, 0x0912}, // short o
    {0xB0, 0x0913}, // o
    {0xB1, 0x0914}, // au
    {0xB2, 0x0911}, // candra o
    // consonants
    {0xB3, 0x0915}, // ka
    {0xB4, 0x0916}, // kha
    {0xB5, 0x0917}, // ga
    {0xB6, 0x0918}, // gha
    {0xB7, 0x0919}, // nga
    {0xB8, 0x091A}, // ca
    {0xB9, 0x091B}, // cha
    {0xBA, 0x091C}, // ja
    {0xBB, 0x091D}, // jha
    {0xBC, 0x091E}, // nya
    {0xBD, 0x091F}, // tta
    {0xBE, 0x0920}, // ttha
    {0xBF, 0x0921}, // dda
    {0xC0, 0x0922}, // ddha
    {0xC1, 0x0923}, // nna
    {0xC2, 0x0924}, // ta
    {0xC3, 0x0925}, // tha
    {0xC4, 0x0926}, // da
    {0xC5, 0x0927}, // dha
    {0xC6, 0x0928}, // na
    {0xC7, 0x0929}, // nnna
    {0xC8, 0x092A}, // pa
    {0xC9, 0x092B}, // pha
    {0xCA, 0x092C}, // ba
    {0xCB, 0x092D}, // bha
    {0xCC, 0x092E}, // ma
    {0xCD, 0x092F}, // ya
    {0xCE, 0x095F}, // yya
    {0xCF, 0x0930}, // ra
    {0xD0, 0x0931}, // rra
    {0xD1, 0x0932}, // la
    {0xD2, 0x0933}, // lla
    {0xD3, 0x0934}, // llla
    {0xD4, 0x0935}, // va
    {0xD5, 0x0936}, // sha
    {0xD6, 0x0937}, // ssa
    {0xD7, 0x0938}, // sa
    {0xD8, 0x0939}, // ha
    {0xD9, 0x200D}, // zero width joiner
    // vowel signs
    {0xDA, 0x093E}, // vowel sign aa
    {0xDB, 0x093F}, // vowel sign i
    {0xDC, 0x0940}, // vowel sign ii
    {0xDD, 0x0941}, // vowel sign u
    {0xDE, 0x0942}, // vowel sign uu
    {0xDF, 0x0943}, // vowel sign vocalic r
    {0xE0, 0x0946}, // vowel sign short e
    {0xE1, 0x0947}, // vowel sign e
    {0xE2, 0x0948}, // vowel sign ai
    {0xE3, 0x0945}, // vowel sign candra e
    {0xE4, 0x094A}, // vowel sign short o
    {0xE5, 0x094B}, // vowel sign o
    {0xE6, 0x094C}, // vowel sign au
    {0xE7, 0x0949}, // vowel sign candra o
    // virama, nukta, danda
    {0xE8, 0x094D}, // virama
    {0xE9, 0x093C}, // nukta
    {0xEA, 0x0964}, // danda
    // digits
    {0xF1, 0x0966}, // digit zero
    {0xF2, 0x0967}, // digit one
    {0xF3, 0x0968}, // digit two
    {0xF4, 0x0969}, // digit three
    {0xF5, 0x096A}, // digit four
    {0xF6, 0x096B}, // digit five
    {0xF7, 0x096C}, // digit six
    {0xF8, 0x096D}, // digit seven
    {0xF9, 0x096E}, // digit eight
    {0xFA, 0x096F}, // digit nine
});

// A byte directly followed by the nukta byte 0xE9, and the one character
// that the pair stands for.
constexpr std::uint8_t nuktabyte = 0xE9;

struct nuktarow {
    std::uint8_t nukta;
    std::uint16_t unukta;
};

// Keys ascending; each comment names the key's own character, then the
// pair's.
constexpr auto nukta = std::to_array<nuktarow>({
    {0xA1, 0x0950}, // candrabindu + nukta: om
    {0xA6, 0x090C}, // i + nukta: vocalic l
    {0xA7, 0x0961}, // ii + nukta: vocalic ll
    {0xAA, 0x0960}, // vocalic r + nukta: vocalic rr
    {0xB3, 0x0958}, // ka + nukta: qa
    {0xB4, 0x0959}, // kha + nukta: khha
    {0xB5, 0x095A}, // ga + nukta: ghha
    {0xBA, 0x095B}, // ja + nukta: za
    {0xBF, 0x095C}, // dda + nukta: dddha
    {0xC0, 0x095D}, // ddha + nukta: rha
    {0xC9, 0x095E}, // pha + nukta: fa
    {0xDB, 0x0962}, // vowel sign i + nukta: vowel sign vocalic l
    {0xDC, 0x0963}, // vowel sign ii + nukta: vowel sign vocalic ll
    {0xDF, 0x0944}, // vowel sign vocalic r + nukta: vowel sign vocalic rr
    {0xEA, 0x093D}, // danda + nukta: avagraha
});

constexpr std::uint8_t atrbyte = 0xEF; // attribute code, not supported
constexpr std::uint8_t extbyte = 0xF0; // extension code, not supported

// Keys strictly ascending: no byte has two rows, and each row stands where
// the byte's place in the code chart puts it.
template <typename Row, std::size_t N, typename Key>
constexpr bool ascending(const std::array<Row, N>& rows, Key Row::*key)
{
    for (std::size_t i = 1; i < N; ++i)
        if (!(rows[i - 1].*key < rows[i].*key))
            return false;
    return true;
}

// The index writes every character of the tables as three UTF-8 bytes.
constexpr bool threebytes(std::uint16_t c) { return c >= 0x800 && (c < 0xD800 || c > 0xDFFF); }

// The bytes with a character are exactly 0xA1 to 0xEA and 0xF1 to 0xFA, so
// a row left out is found too.
constexpr bool checksingle()
{
    unsigned want = 0xA1;
    for (const isciirow& r : iscii) {
        if (r.iscii != want || !threebytes(r.udev))
            return false;
        want = want == 0xEA ? 0xF1 : want + 1;
    }
    return want == 0xFB;
}

// A key writes its own character when no nukta byte follows it, so it has
// a row in iscii; the nukta byte itself is no key.
constexpr bool checknukta()
{
    for (const nuktarow& n : nukta) {
        bool single = false;
        for (const isciirow& r : iscii)
            single = single || r.iscii == n.nukta;
        if (!single || n.nukta == nuktabyte || !threebytes(n.unukta))
            return false;
    }
    return true;
}

static_assert(ascending(iscii, &isciirow::iscii) && ascending(nukta, &nuktarow::nukta), "keys not ascending");
static_assert(checksingle(), "iscii: a byte from 0xA1 to 0xEA or 0xF1 to 0xFA missing, or a character not of three bytes");
static_assert(checknukta(), "a key of nukta with no row in iscii, the nukta byte, or a character not of three bytes");

// What a byte does, by itself. The first two write their character at
// once; the rest take the converter's slow path.
enum class kind : std::uint8_t {
    plain,  // copied (below 0x80) or one character of udev
    key,    // one character of udev, replaced by one of unukta when 0xE9 follows
    nukta,  // 0xE9: the nukta sign, unless it completes a key before it
    ignore, // no character: dropped with a message
    atr,    // ATR: dropped with the byte after it
    ext,    // EXT: dropped with the byte after it
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
    x.bytes[atrbyte].k = kind::atr;
    x.bytes[extbyte].k = kind::ext;
    for (const isciirow& r : iscii)
        x.bytes[r.iscii] = {encode(r.udev), 3, kind::plain};
    x.bytes[nuktabyte].k = kind::nukta;
    for (const nuktarow& n : nukta) {
        x.bytes[n.nukta].k = kind::key;
        x.joined[n.nukta] = encode(n.unukta);
    }
    return x;
}

constexpr byteindex index = makeindex();

} // namespace pellam
