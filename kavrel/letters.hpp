// The letter sets of the unit reader, derived from the rows of the ISO
// 15919 dialect at compile time, and the index over the characters below
// lonemax made from them.
#pragma once

#include "convert.hpp"
#include "schemes.hpp"

#include <array>
#include <cstdint>
#include <string_view>

namespace kavrel {

// The second letter of a diphthong after a or A, in any case or accent, and
// the plain lower-case letter that the records list in its place. Made
// from the rows: a diphthong's second letter is the second letter of a
// spelling that starts with a, and its forms are the one-letter spellings
// of the vowel written with it, with their capitals (i, I, i grave, i
// acute and their capitals, for the i of ai).
struct secondletters {
    lchar plain = 0;
    lchar forms[6] = {};
};

constexpr int maxseconds = 4;

constexpr std::array<secondletters, maxseconds> makeseconds()
{
    std::array<secondletters, maxseconds> x{};
    int used = 0;
    for (const schemes::row& r : schemes::isorows) {
        std::u32string_view s = schemes::written(r);
        if (r.k != schemes::kind::vowel || s.size() != 2 || s[0] != U'a')
            continue;
        secondletters& d = x[static_cast<std::size_t>(used++)];
        d.plain = static_cast<lchar>(s[1]);
        int n = 0;
        for (const schemes::row& v : schemes::isorows)
            if (schemes::written(v) == s.substr(1))
                for (int i = 0; i < schemes::spellingcount(v); ++i)
                    if (std::u32string_view f = schemes::spelling(v, i); f.size() == 1) {
                        d.forms[n++] = static_cast<lchar>(f[0]);
                        d.forms[n++] = schemes::capital(static_cast<lchar>(f[0]));
                    }
    }
    return x;
}
inline constexpr std::array<secondletters, maxseconds> diphthongseconds = makeseconds();

// Whether `text` is the first spelling of a consonant.
constexpr bool consonantspelt(std::u32string_view text)
{
    for (const schemes::row& r : schemes::isorows)
        if (r.k == schemes::kind::consonant && schemes::written(r) == text)
            return true;
    return false;
}

// Consonants that a following h or H turns into their aspirate: the
// one-letter consonants whose letter followed by h is another consonant,
// in both cases.
constexpr std::array<lchar, 32> makeaspirables()
{
    std::array<lchar, 32> x{};
    std::size_t n = 0;
    for (const schemes::row& r : schemes::isorows) {
        std::u32string_view s = schemes::written(r);
        const char32_t aspirate[2] = {s.empty() ? U'\0' : s[0], U'h'};
        if (r.k == schemes::kind::consonant && s.size() == 1 && consonantspelt({aspirate, 2})) {
            x[n++] = static_cast<lchar>(s[0]);
            x[n++] = schemes::capital(static_cast<lchar>(s[0]));
        }
    }
    return x;
}
inline constexpr std::array<lchar, 32> aspirables = makeaspirables();

// The characters that the unit reader and the syllable writer treat apart,
// and the signs the writer adds of its own.
using vocab::virama;
constexpr lchar colon = ':';
constexpr lchar space = ' ';
constexpr lchar apostrophe = '\'';
constexpr lchar anusvaradot = 0x1E41;       // m dot above
constexpr lchar doublemacronbelow = 0x035F; // joins the letters either side into one unit
// The apostrophe, or the right single quotation mark that stands for it.
constexpr bool isapostrophe(lchar c) { return c == apostrophe || c == 0x2019; }
// m dot above, small or capital.
constexpr bool isanusvara(lchar c) { return c == anusvaradot || c == 0x1E40; }

// Combining diacritical marks, with the Greek and Coptic block after them.
constexpr bool ismark(lchar c) { return c >= 0x0300 && c <= 0x03FF; }
constexpr bool ishletter(lchar c) { return c == 'h' || c == 'H'; }

// What one character below lonemax is to the unit reader: the position
// (1 to 4) of its diphthong set, or 0; and whether it is aspirable.
struct letterclass {
    std::uint8_t second = 0;
    bool aspirable = false;
};

constexpr std::array<letterclass, lonemax> makeletterclasses()
{
    std::array<letterclass, lonemax> x{};
    for (std::size_t s = 0; s < std::size(diphthongseconds); ++s)
        for (lchar c : diphthongseconds[s].forms)
            if (c != 0)
                x[static_cast<std::size_t>(c)].second = static_cast<std::uint8_t>(s + 1);
    for (lchar c : aspirables)
        if (c != 0)
            x[static_cast<std::size_t>(c)].aspirable = true;
    return x;
}

inline constexpr std::array<letterclass, lonemax> letterclasses = makeletterclasses();

constexpr bool indexed(lchar c) { return c >= 0 && c < lonemax; }

// The plain second letter of a diphthong that c stands for, or 0.
constexpr lchar diphthongsecond(lchar c)
{
    int s = indexed(c) ? letterclasses[static_cast<std::size_t>(c)].second : 0;
    return s ? diphthongseconds[s - 1].plain : 0;
}

constexpr bool aspirable(lchar c) { return indexed(c) && letterclasses[static_cast<std::size_t>(c)].aspirable; }

// What c1 adds to the unit that c0 begins in the ISO 15919 dialect: the
// plain second letter of a diphthong after a or A, the h of an aspirate
// after an aspirable consonant, or 0 when c1 begins a unit of its own (or
// is a mark, which the reader gathers apart). The unit reader and the fast
// lane both cut units by it.
constexpr lchar joined(lchar c0, lchar c1)
{
    if (c0 == 'a' || c0 == 'A')
        return diphthongsecond(c1);
    return ishletter(c1) && aspirable(c0) ? 'h' : 0;
}

// No letter that begins a two-letter unit (a diphthong's a, an aspirable
// consonant) can be its second letter: so a unit is settled by a letter
// and the one after it, whatever came before.
static_assert([] {
    for (lchar c = 0; c < lonemax; ++c) {
        bool begins = c == 'a' || c == 'A' || aspirable(c);
        bool ends = diphthongsecond(c) != 0 || ishletter(c);
        if (begins && ends)
            return false;
    }
    return true;
}());

} // namespace kavrel
