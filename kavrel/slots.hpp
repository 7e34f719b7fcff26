// The fast lane's slots: the characters that the tables know, each with a
// place of its own in the lane's index, derived from the tables at compile
// time. The decoder notes each character's slot beside it.
#pragma once

#include "convert.hpp"
#include "letters.hpp"
#include "schemes.hpp"
#include "tables.hpp"

#include <algorithm>
#include <cstdint>

namespace kavrel::lane {

// The slots of the characters below lonemax, and one more for all from
// lonemax up: 0 for a character that no table knows, 1 for the marks, and
// one of its own for every ASCII character, every first letter of a listed
// unit, every second letter of a diphthong, and the first letter of every
// spelling of every scheme (with its capital where the scheme reads
// capitals). Made at compile time from the tables.
struct slotindex {
    std::uint8_t of[lonemax + 1] = {};
    lchar chars[slots] = {}; // the character of each slot from 2
    int used = 2;
};

constexpr slotindex makeslots()
{
    slotindex x;
    auto add = [&x](lchar c) {
        if (c >= 0 && c < lonemax && x.of[c] == 0) {
            x.chars[x.used] = c;
            x.of[c] = static_cast<std::uint8_t>(x.used++);
        }
    };
    for (lchar c = 0x0300; c <= 0x03FF; ++c)
        x.of[c] = 1;
    for (lchar c = 0; c < 128; ++c)
        add(c);
    for (const convrec& r : convlist)
        add(r.roman[0]);
    for (const convrec& r : numlist)
        add(r.roman[0]);
    for (const convrec& r : avagraha)
        add(r.roman[0]);
    for (const secondletters& s : diphthongseconds)
        for (lchar c : s.forms)
            add(c);
    for (const schemes::scheme& s : schemes::all)
        for (const schemes::row& r : s.rows)
            for (int i = 0; i < schemes::spellingcount(r); ++i) {
                lchar c = static_cast<lchar>(schemes::spelling(r, i)[0]);
                add(c);
                if (s.caps != schemes::capitals::none)
                    add(schemes::capital(c));
            }
    return x;
}

inline constexpr slotindex slotsof = makeslots();
static_assert(slotsof.used <= slots, "every slot fits");

// The slot of any character: from lonemax up (and -1) it is 0.
inline std::uint8_t slotof(lchar c)
{
    return slotsof.of[std::min(static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(lonemax))];
}

// Every ASCII character c has slot c + 2.
static_assert([] {
    for (lchar c = 0; c < 128; ++c)
        if (slotsof.of[c] != c + 2)
            return false;
    return true;
}());

} // namespace kavrel::lane
