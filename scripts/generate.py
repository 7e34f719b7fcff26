#!/usr/bin/env python3
"""Turns table.tsv, what each of the other eight scripts writes for every
Devanagari character, into a C++ header of constant tables, read at build
time with the system's utf8proc through ctypes for the few Unicode facts the
conversions need (canonical decompositions, which characters are marks, the
digit a superscript stands for).

    generate.py TABLE.tsv OUT.hpp LIST.hpp PUBLIC.hpp

LIST.hpp is the engines' enumeration of the scripts with their names (in
the vocabulary they share), PUBLIC.hpp the library's, which its public
header includes. OUT.hpp holds:
- the scripts, an enumeration and its names: devanagari first, then the
  table's columns, with assamese after bengali (the Bengali column with its
  own ra and va);
- the rows: each Devanagari character, its kind, and each script's cell
  (its counterpart, a substitute, or nothing: the character is copied);
- the canonical decompositions of the characters of the nine blocks, and a
  bit for each that is a combining mark;
- the few characters the conventions add beyond the table (khanda ta, the
  chillus, addak and tippi, Oriya wa, superscript one) and the pairs
  derived from the table's Tamil column (each stop's row and place in it).
Every code point is written as a number: the header stays ASCII."""

import os
import sys
import unicodedata

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from utf8proc import COMPAT, DECOMPOSE, STABLE, lib  # noqa: E402
from utf8proc import decomposition as canonical  # noqa: E402
from headers import enumheader, write  # noqa: E402

MAKER = "scripts/generate.py from scripts/table.tsv"

# The scripts' columns, as the table's header names them (see readtable).
COLUMNS = []
# Assamese is written with the Bengali column but for two letters of its own.
ASSAMESE_AFTER = "bengali"
ASSAMESE = {0x0930: 0x09F0, 0x0935: 0x09F1}  # ra: RA WITH MIDDLE DIAGONAL, va: RA WITH LOWER DIAGONAL

# Bengali: ta + virama is khanda ta, but before these letters it joins them.
KHANDA_TA, KHANDA_TA_DEV = 0x09CE, 0x0924  # written for ta
KHANDA_TA_JOINS = [0x0924, 0x0925, 0x0928, 0x092C, 0x092E, 0x092F, 0x0930, 0x0935]  # ta tha na ba ma ya ra va
# Malayalam: the five consonants written as a chillu when the virama ends
# them, and the letters each still joins as a conjunct: itself, ya, and
# for na and nna the stops of their own row.
CHILLUS = [(0x0923, 0x0D7A), (0x0928, 0x0D7B), (0x0930, 0x0D7C), (0x0932, 0x0D7D), (0x0933, 0x0D7E)]
YA = 0x092F
CHILLU_JOINS = {dev: [dev, YA] for dev, _ in CHILLUS}
CHILLU_JOINS[0x0928] += [0x0924, 0x0925, 0x0926, 0x0927, 0x0931]  # na: ta tha da dha rra
CHILLU_JOINS[0x0923] += [0x091F, 0x0920, 0x0921, 0x0922]  # nna: tta ttha dda ddha
# Chillus that are only read: k, m, y, lll.
CHILLUS_READ = [(0x0915, 0x0D7F), (0x092E, 0x0D54), (0x092F, 0x0D55), (0x0934, 0x0D56)]
# Gurmukhi: addak doubles the consonant after it; tippi is the nasal after
# a bare consonant and after these (i u uu, a i).
ADDAK, TIPPI = 0x0A71, 0x0A70
TIPPI_AFTER = [0x093F, 0x0941, 0x0942, 0x0905, 0x0907]
ORIYA_WA = (0x0935, 0x0B71)  # read as va, beside the table's VA
SUPERSCRIPT_ONE = 0x00B9  # the stop's own letter, read but never written

# utf8proc's categories of combining marks (utf8proc.h): Mn, Mc, Me.
MARKS = {6, 7, 8}
BLOCKS = range(0x0900, 0x0D80)


def decomposition(c, options=STABLE | DECOMPOSE):
    return canonical(c, options)


def codepoints(field):
    """'U+0915 U+094D' -> [0x915, 0x94D]"""
    return [int(u[2:], 16) for u in field.split()] if field else []


def kind(dev, name):
    """What the conventions need to know of a Devanagari character."""
    words = name.split()
    if "VOWEL SIGN" in name:
        return "vowelsign"
    if words[-1] in ("VIRAMA", "NUKTA"):
        return words[-1].lower()
    if words[1] == "LETTER":
        # A consonant's name ends in its inherent a after a consonant letter.
        last = words[-1]
        return "consonant" if len(last) > 1 and last[-1] == "A" and last[-2] not in "AEIOU" else "vowel"
    if words[1] == "DIGIT":
        return "digit"
    return "mark" if lib.utf8proc_category(dev) in MARKS else "other"


def readtable(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    header = lines[0].lstrip("# ").split("\t")
    if header[:2] != ["devanagari", "name"] or ASSAMESE_AFTER not in header[2:] or \
            not all(c.isidentifier() and c.islower() for c in header[2:]):
        sys.exit(f"{path}: unexpected columns {header}")
    COLUMNS[:] = header[2:]
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        fields = line.split("\t")
        if len(fields) != len(header):
            sys.exit(f"{path}:{number}: {len(fields)} columns, not {len(header)}")
        dev = codepoints(fields[0])
        if len(dev) != 1 or dev[0] != 0x0900 + len(rows):
            sys.exit(f"{path}:{number}: rows must be U+0900..U+097F in order")
        cells = {}
        for script, field in zip(COLUMNS, fields[2:]):
            how = "substitute" if field.startswith("~") else "counterpart" if field else "copied"
            cps = codepoints(field.lstrip("~"))
            text = "".join(map(chr, cps))
            if len(cps) > 4 or unicodedata.normalize("NFC", text) != text:
                sys.exit(f"{path}:{number}: {script} cell {field!r} is too long or not in NFC")
            cells[script] = (how, cps)
        cells["assamese"] = cells[ASSAMESE_AFTER]
        if dev[0] in ASSAMESE:
            cells["assamese"] = ("counterpart", [ASSAMESE[dev[0]]])
        rows.append((dev[0], fields[1], kind(dev[0], fields[1]), cells))
    if len(rows) != 128:
        sys.exit(f"{path}: {len(rows)} rows, not 128")
    return rows


def scriptnames():
    names = ["devanagari"]
    for s in COLUMNS:
        names.append(s)
        if s == ASSAMESE_AFTER:
            names.append("assamese")
    return names


def tamilstops(rows):
    """The Tamil stops: (letter, superscript digit, Devanagari) for every
    counterpart cell that is a stop letter with its superscript, or the bare
    letter that takes one; then the rest of each letter's row, which a
    superscript also selects: Devanagari lays each row of stops out as five
    letters in a row (unvoiced, aspirated, voiced, voiced aspirated, nasal),
    and a superscript n after a letter selects the n-th of its row (JA + 2
    is the table's jha; JA + 4 is jha too, JA + 3 ja)."""
    supers = {}
    for dev, name, k, cells in rows:
        how, cps = cells["tamil"]
        if k == "consonant" and how == "counterpart" and len(cps) == 2:
            supers[cps[1]] = int(chr(decomposition(cps[1], STABLE | COMPAT | DECOMPOSE)[0]))
    stops = {}
    for dev, name, k, cells in rows:
        how, cps = cells["tamil"]
        if k == "consonant" and how == "counterpart" and len(cps) == 2 and cps[1] in supers:
            stops[(cps[0], supers[cps[1]])] = dev
    bases = {b for b, _ in stops}
    for dev, name, k, cells in rows:
        how, cps = cells["tamil"]
        if k == "consonant" and how == "counterpart" and cps and cps[0] in bases and len(cps) == 1:
            stops[(cps[0], 1)] = dev
    # A letter whose reading is the voiced stop of another letter's row (ja,
    # two after ca) stands third in that row.
    bare = {stops[(b, 1)]: b for b in bases}
    table = dict(stops)
    for b in bases:
        first = stops[(b, 1)] - 2 if stops[(b, 1)] - 2 in bare else stops[(b, 1)]
        for n in range(1, 5):
            table.setdefault((b, n), first + n - 1)
    return supers, stops, table


def aspirates(stops):
    """Each aspirated stop with its unaspirated partner: the Tamil column
    writes them with the same letter, the aspirate one place later in the
    row (superscript 2 after the bare letter, 4 after 3)."""
    pairs = []
    for (b, n), dev in sorted(stops.items()):
        if n in (2, 4) and (b, n - 1) in stops:
            pairs.append((stops[(b, n - 1)], dev))
    for plain, aspirate in pairs:
        assert aspirate == plain + 1, (plain, aspirate)
    return pairs


def hexes(values):
    return ", ".join("0x%04X" % v for v in values)


def main():
    table, target, listpath, publicpath = sys.argv[1:5]
    rows = readtable(table)
    names = scriptnames()
    write(listpath, enumheader(MAKER, "script", "vocab", names,
                               ["// The scripts kavrel writes: Devanagari, then the table's columns."], True))
    write(publicpath, enumheader(MAKER, "script", "lipisetu", names, [
        "// The scripts kavrel writes its Devanagari in (sonwick reads them all):",
        "// Devanagari, the default, then the other eight blocks of ISCII and",
        "// Unicode, Assamese beside Bengali. The names, as nameof gives them, are",
        "// the enumerators'.",
    ]))
    for cps in ([c for _, c in CHILLUS] + [c for _, c in CHILLUS_READ]):
        assert unicodedata.name(chr(cps)).startswith("MALAYALAM LETTER CHILLU"), hex(cps)
    supers, stops, stoptable = tamilstops(rows)
    pairs = aspirates(stops)
    out = [
        "// Made by scripts/generate.py from scripts/table.tsv and utf8proc %s (Unicode %s): do not edit."
        % (lib.utf8proc_version().decode(), lib.utf8proc_unicode_version().decode()),
        "#pragma once",
        "",
        "#include <cstddef>",
        "#include <cstdint>",
        "#include <string_view>",
        "",
        "namespace scripts {",
        "",
        "// The scripts, in the order of their names.",
        "enum class script : std::uint8_t {",
        "".join(f"    {n},\n" for n in names).rstrip("\n"),
        "};",
        "inline constexpr std::string_view names[] = {%s};" % ", ".join(f'"{n}"' for n in names),
        f"inline constexpr std::size_t count = {len(names)};",
        "",
        "// What a Devanagari character is, as far as the conventions ask.",
        "enum class kind : std::uint8_t { consonant, vowel, vowelsign, virama, nukta, mark, digit, other };",
        "// How a script writes it: copied as it is, its counterpart (read back as",
        "// the character), or a substitute (read back as the substitute's letters).",
        "enum class way : std::uint8_t { copied, counterpart, substitute };",
        "struct cell {",
        "    way how;",
        "    std::uint8_t n;",
        "    char32_t cp[4];",
        "};",
        "// One row per Devanagari character U+0900..U+097F: its kind and the cell",
        "// of each script after Devanagari, in the order of the enumeration.",
        "struct row {",
        "    char32_t dev;",
        "    kind k;",
        f"    cell cells[{len(names) - 1}];",
        "};",
        "inline constexpr row rows[] = {",
    ]
    for dev, name, k, cells in rows:
        parts = []
        for s in names[1:]:
            how, cps = cells[s]
            parts.append("{way::%s, %d, {%s}}" % (how, len(cps), hexes(cps)))
        out.append("    {0x%04X, kind::%s, {%s}}, // %s" % (dev, k, ", ".join(parts), name))
    out.append("};")

    decomposed = [(c, decomposition(c)) for c in BLOCKS if decomposition(c) != [c]]
    marks = [0] * (len(BLOCKS) // 64)
    for c in BLOCKS:
        if lib.utf8proc_category(c) in MARKS:
            marks[(c - BLOCKS.start) // 64] |= 1 << ((c - BLOCKS.start) % 64)
    out += [
        "",
        "// The canonical decompositions of the characters of the nine blocks.",
        "struct decomposition {",
        "    char32_t c;",
        "    std::uint8_t n;",
        "    char32_t to[3];",
        "};",
        "inline constexpr decomposition decompositions[] = {",
    ]
    out += ["    {0x%04X, %d, {%s}}," % (c, len(d), hexes(d)) for c, d in decomposed]
    out += [
        "};",
        "// The combining marks of the nine blocks, a bit for each code point from U+0900.",
        f"inline constexpr char32_t blocksfirst = 0x{BLOCKS.start:04X}, blocksend = 0x{BLOCKS.stop:04X};",
        "inline constexpr std::uint64_t markbits[] = {",
    ]
    out += ["    0x%016XULL," % m for m in marks]
    out += [
        "};",
        "",
        "// What the conventions add to the table.",
        "namespace added {",
        "inline constexpr char32_t anusvara = 0x%04X; // the nasal Gurmukhi writes as tippi or bindi"
        % next(dev for dev, name, _, _ in rows if name == "DEVANAGARI SIGN ANUSVARA"),
        f"inline constexpr char32_t khandata = 0x{KHANDA_TA:04X}, khandatadev = 0x{KHANDA_TA_DEV:04X}; // ta + virama",
        f"inline constexpr char32_t khandatajoins[] = {{{hexes(KHANDA_TA_JOINS)}}}; // ta tha na ba ma ya ra va",
        "struct chillu {",
        "    char32_t dev, chillu;",
        "};",
        "inline constexpr chillu chillus[] = {%s};" % ", ".join("{0x%04X, 0x%04X}" % p for p in CHILLUS),
        "inline constexpr chillu chillusread[] = {%s};" % ", ".join("{0x%04X, 0x%04X}" % p for p in CHILLUS_READ),
        "struct join {",
        "    char32_t dev, next;",
        "};",
        "inline constexpr join chillujoins[] = {%s};"
        % ", ".join("{0x%04X, 0x%04X}" % (d, n) for d in sorted(CHILLU_JOINS) for n in CHILLU_JOINS[d]),
        f"inline constexpr char32_t addak = 0x{ADDAK:04X}, tippi = 0x{TIPPI:04X}; // GURMUKHI ADDAK, TIPPI",
        f"inline constexpr char32_t tippiafter[] = {{{hexes(TIPPI_AFTER)}}}; // i u uu signs, a i letters",
        f"inline constexpr char32_t oriyawa = 0x{ORIYA_WA[1]:04X}, oriyawadev = 0x{ORIYA_WA[0]:04X}; // ORIYA LETTER WA",
        "",
        "// The superscripts the Tamil column writes after a stop, and the digit each stands for.",
        "struct superscript {",
        "    char32_t c;",
        "    std::uint8_t n;",
        "};",
        "inline constexpr superscript superscripts[] = {%s};"
        % ", ".join("{0x%04X, %d}" % (c, n) for c, n in sorted(supers.items(), key=lambda x: x[1])
                    + [(SUPERSCRIPT_ONE, 1)]),
        "// A Tamil stop letter and a superscript digit after it (or after its",
        "// vowel sign or virama): the Devanagari letter they read as.",
        "struct stop {",
        "    char32_t letter;",
        "    std::uint8_t n;",
        "    char32_t dev;",
        "};",
        "inline constexpr stop tamilstops[] = {",
    ]
    out += ["    {0x%04X, %d, 0x%04X}," % (b, n, d) for (b, n), d in sorted(stoptable.items())]
    out += [
        "};",
        "// Each unaspirated stop and its aspirate, from the Tamil column.",
        "inline constexpr join aspirates[] = {%s};" % ", ".join("{0x%04X, 0x%04X}" % p for p in pairs),
        "} // namespace added",
        "",
        "} // namespace scripts",
    ]
    write(target, out)


if __name__ == "__main__":
    main()
