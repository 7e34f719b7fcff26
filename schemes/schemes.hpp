// Every romanisation the converters know, in the order of the library's
// scheme enumeration: the project's ISO 15919 dialect, then the six made
// from table.tsv at build time.
#pragma once

#include "iso15919.hpp"
#include "romanisation.hpp"
#include "generated.hpp" // made from table.tsv by generate.py

namespace schemes {

inline constexpr scheme all[] = {
    {"iso", isorows, capitals::first, separation::colon, U":"},
    {"iast", iastrows, capitals::every, separation::none, U""},
    {"hk", hkrows, capitals::none, separation::none, U""},
    {"itrans", itransrows, capitals::none, separation::prefix, U"_"},
    {"slp1", slp1rows, capitals::none, separation::none, U""},
    {"velthuis", velthuisrows, capitals::none, separation::prefix, U"{}"},
    {"wx", wxrows, capitals::none, separation::none, U""},
};
constexpr std::size_t count = std::size(all);

} // namespace schemes
