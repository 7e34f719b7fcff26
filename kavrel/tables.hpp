// The Roman-to-Devanagari records of the project's ISO 15919 dialect, made
// at compile time from its table of rows: each spelling of a row is a
// record, with its independent and dependent renderings. A unit in no
// record is copied.
#pragma once

#include "convert.hpp"
#include "schemes.hpp"

#include <array>

namespace kavrel {

constexpr lchar C = SYL_CONSONANT; // `dep` of a consonant

// The record of one spelling of a row. When no consonant is pending, the
// row's unit (a spelt virama has none: it is copied); right after a
// consonant, a vowel's sign (nothing for a), the consonant marker for a
// consonant, and the virama and the unit for a sign, a danda, a digit, an
// accent or a spelt virama with its joiner, so that nothing is dropped
// (`kṁ` is क्ं). The dialect's apostrophes, read as the avagraha in
// Sanskrit mode alone (flag `!`), close the syllable after a consonant
// with no sign, as they always have.
constexpr convrec recordof(const schemes::row& r, std::u32string_view key, char32_t flag = 0)
{
    convrec c{};
    c.kind = r.k;
    for (std::size_t i = 0; i < key.size() && i < 4; ++i)
        c.roman[i] = static_cast<lchar>(key[i]);
    for (int i = 0; i < 3; ++i)
        c.indep[i] = r.unit[i];
    switch (r.k) {
    case schemes::kind::vowel:
        c.dep[0] = r.sign[0];
        c.dep[1] = r.sign[1];
        break;
    case schemes::kind::consonant:
    case schemes::kind::cluster:
        c.dep[0] = C;
        break;
    case schemes::kind::sign:
        if (flag == schemes::sanskritonly)
            break;
        [[fallthrough]];
    case schemes::kind::punctuation:
    case schemes::kind::accent:
        c.dep[0] = vocab::virama;
        c.dep[1] = r.unit[0];
        break;
    case schemes::kind::virama:
        c.indep[0] = c.indep[1] = 0;
        c.dep[0] = r.unit[0];
        c.dep[1] = r.unit[1];
        break;
    case schemes::kind::nukta:
        break;
    }
    return c;
}

// Which spellings a list takes: those read always, or only in Sanskrit
// mode (flag `!`).
constexpr bool taken(const schemes::row& r, int i, bool sanskrit)
{
    return schemes::read(r, i, true) && (schemes::flagof(r, i) == schemes::sanskritonly) == sanskrit;
}

// The number of spellings of the rows that a list takes.
constexpr std::size_t spellingsof(std::span<const schemes::row> rows, bool sanskrit)
{
    std::size_t n = 0;
    for (const schemes::row& r : rows)
        for (int i = 0; i < schemes::spellingcount(r); ++i)
            n += taken(r, i, sanskrit);
    return n;
}

// The records of the spellings a list takes, each followed by the same with
// its first letter in capital when `capitals` is set.
template <std::size_t N>
constexpr std::array<convrec, N> recordsof(std::span<const schemes::row> rows, bool sanskrit, bool capitals)
{
    std::array<convrec, N> list{};
    std::size_t k = 0;
    for (const schemes::row& r : rows) {
        for (int i = 0; i < schemes::spellingcount(r); ++i) {
            if (!taken(r, i, sanskrit))
                continue;
            list[k] = recordof(r, schemes::spelling(r, i), schemes::flagof(r, i));
            if (capitals) {
                list[k + 1] = list[k];
                list[k + 1].roman[0] = schemes::capital(list[k].roman[0]);
                ++k;
            }
            ++k;
        }
    }
    return list;
}

// Installed always, in this order: each spelling in lower case, then with
// its first letter in capital (kh and Kh, not KH).
inline constexpr auto convlist =
    recordsof<2 * spellingsof(schemes::isorows, false)>(schemes::isorows, false, true);

// Installed with -n. After a consonant a digit closes it with the virama.
inline constexpr auto numlist = recordsof<spellingsof(schemes::digits, false)>(schemes::digits, false, false);

// Installed with -s: both apostrophes are the avagraha.
inline constexpr auto avagraha = recordsof<spellingsof(schemes::isorows, true)>(schemes::isorows, true, false);

static_assert(std::size(convlist) + std::size(numlist) + std::size(avagraha) <= maxnodes);

// Every first letter of the dialect has a capital of its own.
static_assert([] {
    for (std::size_t i = 0; i < convlist.size(); i += 2)
        if (convlist[i + 1].roman[0] == convlist[i].roman[0])
            return false;
    return true;
}());

} // namespace kavrel
