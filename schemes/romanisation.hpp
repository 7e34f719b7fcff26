// A romanisation of Devanagari as one table of rows: each Devanagari unit
// (a letter, a sign, a danda, or a conjunct read in one piece), its kind,
// and the Roman spellings that stand for it. The first spelling is the one
// written; every spelling is read. Both directions, and every list the
// converters derive (vowel signs, consonants, aspirable consonants, the
// second letters of diphthongs), come from these rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace schemes {

using lchar = std::int32_t;

enum class kind : std::uint8_t {
    vowel,       // its letter at the start of a syllable, its sign after a consonant
    consonant,   // a letter with the inherent a
    cluster,     // a conjunct spelt in one piece: read as a consonant, never written
    sign,        // anusvara, candrabindu, visarga, avagraha, om: the virama first after a consonant
    punctuation, // dandas and digits: after a consonant, the virama first
    accent,      // the Vedic accents: written at the end of the syllable
    virama,      // the virama (or virama and joiner) spelt: closes a consonant, copied elsewhere
    nukta,       // the nukta spelt: joins the consonant before it, never written alone
};

// When a row is read: always, or only with Devanagari numerals (-n). Rows
// are written always.
enum class reading : std::uint8_t { always, numerals };

struct row {
    lchar unit[3];                 // the Devanagari code points, zero-filled
    lchar sign[2];                 // a vowel's dependent sign; none for a
    kind k;
    std::u32string_view spellings; // in NFC, one space between two, each may start with a flag
    reading when = reading::always;
};

// A spelling may start with one flag, which is not part of the spelling.
constexpr char32_t writtenonly = U'>'; // written, never read
constexpr char32_t beforevowel = U'<'; // read only where the text after it begins with a vowel's spelling
constexpr char32_t wordalone = U'=';   // read only as a word of its own, between white space
constexpr char32_t sanskritonly = U'!'; // read only in Sanskrit mode (the dialect's apostrophes)
constexpr bool isflag(char32_t c) { return c == writtenonly || c == beforevowel || c == wordalone || c == sanskritonly; }

// How capitals are read: not at all, as the lower-case first letter of a
// spelling (the project's ISO 15919 dialect: Kh, not KH), or as the
// lower-case letter wherever they stand (IAST: Kṛṣṇa, KṚṢṆA).
enum class capitals : std::uint8_t { none, first, every };

// How two spellings are kept apart when written side by side: not at all;
// by the colon rules of the ISO 15919 dialect (ka:i, k:ha); or by the
// scheme's separator, written where the two spellings together begin a
// longer one, and read as a vanishing mark either always (ITRANS ka_i) or
// only before a spelling (ISO 15919's colon: ka:i, but a: b).
enum class separation : std::uint8_t { none, colon, always, before };

struct scheme {
    std::string_view name;
    std::span<const row> rows;
    capitals caps;
    separation sep;
    std::u32string_view separator; // read and written; vanishes when read
    std::u32string_view escape;    // before any character: that character, copied (ITRANS \)
    std::u32string_view verbatim;  // around a passage copied as it stands (ITRANS ##)
};

constexpr std::size_t maxspelling = 4; // characters in one spelling

// The number of spellings of a row, and one of them.
constexpr int spellingcount(const row& r)
{
    if (r.spellings.empty())
        return 0;
    int n = 1;
    for (char32_t c : r.spellings)
        n += c == U' ';
    return n;
}

// The i-th spelling with its flag, if it has one.
constexpr std::u32string_view token(const row& r, int i)
{
    std::u32string_view s = r.spellings;
    for (; i > 0; --i)
        s.remove_prefix(s.find(U' ') + 1);
    return s.substr(0, s.find(U' '));
}

// The flag of the i-th spelling, or 0.
constexpr char32_t flagof(const row& r, int i)
{
    std::u32string_view t = token(r, i);
    return !t.empty() && isflag(t[0]) ? t[0] : 0;
}

// The i-th spelling, without its flag.
constexpr std::u32string_view spelling(const row& r, int i) { return token(r, i).substr(flagof(r, i) ? 1 : 0); }

// Whether the i-th spelling is read (in Sanskrit mode or not): all but the
// written-only ones, and the Sanskrit-only ones in that mode alone.
constexpr bool read(const row& r, int i, bool sanskrit)
{
    char32_t f = flagof(r, i);
    return f != writtenonly && (f != sanskritonly || sanskrit);
}

// The spelling a row is written with; empty when the scheme has none.
constexpr std::u32string_view written(const row& r) { return spelling(r, 0); }

constexpr int unitlength(const row& r) { return r.unit[2] ? 3 : r.unit[1] ? 2 : r.unit[0] ? 1 : 0; }

// The capital of a Latin letter that the schemes use: Basic Latin and
// Latin-1 keep their small letters 0x20 above the capitals, Latin
// Extended-A and Additional keep each capital just before its small letter.
constexpr lchar capital(lchar c)
{
    if ((c >= 0x61 && c <= 0x7A) || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    bool odd = c & 1;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x1E00 && c <= 0x1E95) ||
        (c >= 0x1EA0 && c <= 0x1EFF))
        return odd ? c - 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return odd ? c : c - 1;
    return c;
}

// The Devanagari digits, read with -n in every scheme and written as ASCII
// digits: U+0966 + k is the digit k.
constexpr std::array<row, 10> makedigits()
{
    std::array<row, 10> d{};
    for (int k = 0; k < 10; ++k)
        d[static_cast<std::size_t>(k)] = {{0x0966 + k}, {}, kind::punctuation,
                                          std::u32string_view(U"0123456789").substr(static_cast<std::size_t>(k), 1),
                                          reading::numerals};
    return d;
}
inline constexpr std::array<row, 10> digits = makedigits();

} // namespace schemes
