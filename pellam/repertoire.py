#!/usr/bin/env python3
"""Writes the repertoire that ISCII text is read against when its ATR code
switches the script: the code points of the nine blocks U+0900..U+0D7F
that Unicode 3.2 assigns, from Python's own copy of that version's data
(unicodedata.ucd_3_2_0).

    repertoire.py OUT.hpp

The header holds one bit for each code point of the nine blocks; the few
places where ISCII's script tables differ from it are rows in
atrtables.hpp. A character added to a block since (such as Telugu's
nukta, or a letter Unicode later placed where an ISCII byte of another
script would land, as Malayalam's archaic ii where Devanagari has yya) is
no character of ISCII text."""

import sys
import unicodedata

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

FIRST, END = 0x0900, 0x0D80


def main():
    unicode32 = unicodedata.ucd_3_2_0
    words = [0] * ((END - FIRST) // 64)
    for c in range(FIRST, END):
        if unicode32.category(chr(c)) != "Cn":
            words[(c - FIRST) // 64] |= 1 << ((c - FIRST) % 64)
    out = [
        "// Made by pellam/repertoire.py from Unicode %s: do not edit." % unicode32.unidata_version,
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        "namespace pellam {",
        "",
        "// The code points of the nine blocks that Unicode %s assigns, a bit each" % unicode32.unidata_version,
        "// from U+%04X on." % FIRST,
        "inline constexpr char32_t assignedfirst = 0x%04X, assignedend = 0x%04X;" % (FIRST, END),
        "inline constexpr std::uint64_t assigned[] = {",
    ]
    out += ["    0x%016XULL," % w for w in words]
    out += ["};", "", "} // namespace pellam", ""]
    with open(sys.argv[1], "w", encoding="ascii") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
