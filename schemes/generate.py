#!/usr/bin/env python3
"""Turns table.tsv, the spellings of each romanisation scheme, into the C++
the converters and the library are built from:

    generate.py TABLE.tsv ROWS.hpp NAMES.hpp PUBLIC.hpp

- ROWS.hpp: a constant row table per scheme, in the shape of romanisation.hpp,
  and the list of all schemes with their properties, in the table's order;
- NAMES.hpp: the converters' enumeration of the schemes;
- PUBLIC.hpp: the library's enumeration of the schemes, which its public
  header includes.

The table's header names the schemes: the columns after `unit sign kind
name`. Rows of kind `scheme` give each scheme's properties (how capitals
are read, its separator); every other row is a Devanagari unit with each
scheme's spellings. Every row is kept in every scheme, with no spellings
where the scheme has none, so that the writer knows the consonants a scheme
cannot spell. Spellings are written as escapes: the headers stay ASCII."""

import os
import sys
import unicodedata

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from headers import enumheader, write  # noqa: E402

MAKER = "schemes/generate.py from schemes/table.tsv"

KINDS = {"vowel", "consonant", "cluster", "sign", "punctuation", "accent", "virama", "nukta"}
# The properties each scheme has a value for, and the values each takes
# (None: any text).
PROPERTIES = {
    "capitals": {"none", "first", "every"},
    "separator": None,
    "separation": {"none", "colon", "always", "before"},
    "escape": None,
    "verbatim": None,
}
# A spelling may start with one of these flags (romanisation.hpp): written
# only; read only before a vowel's spelling; read only as a word of its own;
# read only in Sanskrit mode. Only the first spelling may be written-only,
# and the first spelling is never read-only otherwise.
FLAGS = ">" "<" "=" "!"
WRITTEN, READONLY = ">", "<="


def codepoints(field):
    """'U+0915 U+094D' -> [0x915, 0x94D]"""
    return [int(u[2:], 16) for u in field.split()] if field else []


def literal(text):
    out = []
    for ch in text:
        c = ord(ch)
        if ch in '"\\':
            out.append("\\" + ch)
        elif 0x20 <= c < 0x7F and ch != "?":
            out.append(ch)
        elif c <= 0xFFFF:
            out.append("\\u%04X" % c)
        else:
            out.append("\\U%08X" % c)
    return 'U"' + "".join(out) + '"'


def braced(values):
    return "{" + ", ".join("0x%04X" % v for v in values) + "}"


def readtable(table):
    """The schemes (names, in order), their properties, and the rows of
    table.tsv: (unit, sign, kind, name, spellings), where unit and sign are
    lists of code points and spellings maps each scheme to its spellings,
    one space between two (empty: none). Exits with a message at the first
    bad row."""
    with open(table, encoding="utf-8") as f:
        lines = f.read().splitlines()
    header = lines[0].lstrip("# ").split("\t")
    if header[:4] != ["unit", "sign", "kind", "name"] or len(header) < 5:
        sys.exit(f"{table}: unexpected columns {header}")
    schemes = header[4:]
    if len(set(schemes)) != len(schemes) or not all(s.isidentifier() and s.islower() for s in schemes):
        sys.exit(f"{table}: scheme names must be distinct lower-case identifiers: {schemes}")
    properties = {s: {} for s in schemes}
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        fields = line.split("\t")
        if len(fields) != len(header):
            sys.exit(f"{table}:{number}: {len(fields)} columns, not {len(header)}")
        unit, sign, kind, name = codepoints(fields[0]), codepoints(fields[1]), fields[2], fields[3]
        if kind == "scheme":
            allowed = PROPERTIES.get(name, False)
            for scheme, value in zip(schemes, fields[4:]):
                if allowed is False or (allowed and value not in allowed):
                    sys.exit(f"{table}:{number}: {scheme} has no property {name} = {value!r}")
                properties[scheme][name] = value
            continue
        if kind not in KINDS or not 1 <= len(unit) <= 3 or len(sign) > 2:
            sys.exit(f"{table}:{number}: bad row")
        spellings = {}
        for scheme, field in zip(schemes, fields[4:]):
            words = field.split(" ") if field else []
            for i, w in enumerate(words):
                bare = w[1:] if w[:1] in FLAGS else w
                if not bare or unicodedata.normalize("NFC", bare) != bare or len(bare) > 4:
                    sys.exit(f"{table}:{number}: spelling {w!r} of {scheme} is empty, long or not in NFC")
                if (w[:1] == WRITTEN and i > 0) or (w[:1] and w[0] in READONLY and i == 0):
                    sys.exit(f"{table}:{number}: spelling {w!r} of {scheme} has its flag in the wrong place")
            spellings[scheme] = words
        rows.append((unit, sign, kind, name, spellings))
    for scheme in schemes:
        missing = set(PROPERTIES) - set(properties[scheme])
        if missing:
            sys.exit(f"{table}: {scheme} lacks the properties {sorted(missing)}")
    return schemes, properties, rows


def rowline(unit, sign, kind, name, words):
    """One row of a scheme, its spellings with their flags."""
    return f"    {{{braced(unit)}, {braced(sign)}, kind::{kind}, {literal(' '.join(words))}}}, // {name}"


def rowsheader(schemes, properties, rows):
    out = [
        "// Made by schemes/generate.py from schemes/table.tsv: do not edit.",
        "#pragma once",
        "",
        '#include "romanisation.hpp"',
        "",
        "namespace schemes {",
    ]
    for scheme in schemes:
        out.append("")
        out.append(f"inline constexpr row {scheme}rows[] = {{")
        for unit, sign, kind, name, spellings in rows:
            out.append(rowline(unit, sign, kind, name, spellings[scheme]))
        out.append("};")
    out.append("")
    out.append("// Every scheme, in the order of the table's columns.")
    out.append("inline constexpr scheme all[] = {")
    for scheme in schemes:
        p = properties[scheme]
        out.append(f'    {{"{scheme}", {scheme}rows, capitals::{p["capitals"]}, separation::{p["separation"]}, '
                   f'{literal(p["separator"])}, {literal(p["escape"])}, {literal(p["verbatim"])}}},')
    out.append("};")
    out.append("constexpr std::size_t count = std::size(all);")
    out.append("")
    out.append("} // namespace schemes")
    return out


def main():
    table, rows_hpp, names_hpp, public_hpp = sys.argv[1:5]
    schemes, properties, rows = readtable(table)
    write(rows_hpp, rowsheader(schemes, properties, rows))
    write(names_hpp, enumheader(MAKER, "scheme", "vocab", schemes, ["// The romanisations, in the order of the rows' table."], True))
    write(public_hpp, enumheader(MAKER, "scheme", "lipisetu", schemes, [
        "// The romanisations the conversions read and write: the ISO 15919",
        "// dialect of kavrel and sonwick (the default), then the others. The",
        "// names, as nameof gives them, are the enumerators'.",
    ]))


if __name__ == "__main__":
    main()
