// The letter sets of the unit reader, as listed, and the index over the
// characters below lonemax derived from them at compile time.
#pragma once

#include "convert.hpp"

#include <array>
#include <cstdint>

namespace kavrel {

// The second letter of a diphthong after a or A, in any case or accent, and
// the plain lower-case letter that the tables list in its place.
struct secondletters {
    lchar plain;
    lchar forms[6];
};
constexpr secondletters diphthongseconds[] = {
    {0x0069, {0x0069, 0x0049, 0x00EC, 0x00ED, 0x00CC, 0x00CD}}, // i: i I, grave, acute
    {0x0129, {0x0129, 0x0128}},                                 // i tilde
    {0x0075, {0x0075, 0x0055, 0x00F9, 0x00FA, 0x00D9, 0x00DA}}, // u: u U, grave, acute
    {0x0169, {0x0169, 0x0168}},                                 // u tilde
};

// Consonants that a following h or H turns into their aspirate.
constexpr lchar aspirables[] = {
    'k', 'K', 'g', 'G', 'c', 'C', 'j', 'J', 't', 'T', 'd', 'D', 'p', 'P', 'b', 'B',
    0x1E6C, 0x1E6D, // t dot below
    0x1E0C, 0x1E0D, // d dot below
    0x1E5A, 0x1E5B, // r dot below
};

// The characters that the unit reader and the syllable writer treat apart,
// and the signs the writer adds of its own.
constexpr lchar virama = 0x094D;
constexpr lchar avagrahasign = 0x093D;
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

} // namespace kavrel
