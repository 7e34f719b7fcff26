#!/usr/bin/env python3
"""Turns table.tsv, the spellings of each romanisation scheme, into a C++
header of constant row tables, one per scheme, in the shape of the
project's own ISO 15919 table (romanisation.hpp).

    generate.py TABLE.tsv OUT.hpp

Every row of the table is kept in every scheme, with no spellings where the
scheme has none, so that the writer knows the consonants a scheme cannot
spell. Spellings are written as escapes: the header stays ASCII."""

import sys
import unicodedata

SCHEMES = ["iast", "hk", "itrans", "slp1", "velthuis", "wx"]
KINDS = {"vowel", "consonant", "cluster", "sign", "punctuation"}


def codepoints(field):
    """'U+0915 U+094D' -> [0x915, 0x94D]"""
    return [int(u[2:], 16) for u in field.split()] if field else []


def literal(text):
    out = []
    for ch in text:
        c = ord(ch)
        if 0x20 <= c < 0x7F and ch not in '"\\?':
            out.append(ch)
        elif c <= 0xFFFF:
            out.append("\\u%04X" % c)
        else:
            out.append("\\U%08X" % c)
    return 'U"' + "".join(out) + '"'


def braced(values):
    return "{" + ", ".join("0x%04X" % v for v in values) + "}"


def readtable(table):
    """The rows of table.tsv: (unit, sign, kind, name, spellings), where
    unit and sign are lists of code points and spellings maps each scheme
    to its spellings, one space between two (empty: none). Exits with a
    message at the first bad row."""
    with open(table, encoding="utf-8") as f:
        lines = f.read().splitlines()
    header = lines[0].lstrip("# ").split("\t")
    if header[:4] != ["unit", "sign", "kind", "name"] or header[4:] != SCHEMES:
        sys.exit(f"{table}: unexpected columns {header}")
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        fields = line.split("\t")
        if len(fields) != len(header):
            sys.exit(f"{table}:{number}: {len(fields)} columns, not {len(header)}")
        unit, sign, kind, name = codepoints(fields[0]), codepoints(fields[1]), fields[2], fields[3]
        if kind not in KINDS or not 1 <= len(unit) <= 3 or len(sign) > 2:
            sys.exit(f"{table}:{number}: bad row")
        spellings = {}
        for scheme, field in zip(SCHEMES, fields[4:]):
            words = field.split(" ") if field else []
            for w in words:
                if not w or unicodedata.normalize("NFC", w) != w:
                    sys.exit(f"{table}:{number}: spelling {w!r} of {scheme} is empty or not in NFC")
            spellings[scheme] = " ".join(words)
        rows.append((unit, sign, kind, name, spellings))
    return rows


def main():
    table, target = sys.argv[1], sys.argv[2]
    rows = readtable(table)
    out = [
        "// Made by schemes/generate.py from schemes/table.tsv: do not edit.",
        "#pragma once",
        "",
        '#include "romanisation.hpp"',
        "",
        "namespace schemes {",
    ]
    for scheme in SCHEMES:
        out.append("")
        out.append(f"inline constexpr row {scheme}rows[] = {{")
        for unit, sign, kind, name, spellings in rows:
            out.append(f"    {{{braced(unit)}, {braced(sign)}, kind::{kind}, {literal(spellings[scheme])}}}, // {name}")
        out.append("};")
    out.append("")
    out.append("} // namespace schemes")
    with open(target, "w", encoding="ascii") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
