#!/usr/bin/env python3
"""The table of the romanisation schemes for the documentation, made from
the same rows as the converters' tables (table.tsv): the spelling the
project's ISO 15919 dialect writes, and beside it, for comparison, the
spellings of the other schemes.

    doc.py markdown|roff              print the table in that format
    doc.py --check FILE...            check that each file holds the table
    doc.py --update FILE...           put the table into each file

A file holds the table between two marker lines, in Markdown for a file
ending in .md and in roff (for tbl) otherwise:

    <!-- scheme table: made by schemes/doc.py -->     .\\" scheme table: made by schemes/doc.py
    ...                                               ...
    <!-- end of scheme table -->                      .\\" end of scheme table

In roff, the line after each line

    .\\" scheme list: made by schemes/doc.py

names the schemes in the table's order, `.BR "iso, iast, ..."` and what
punctuation follows; after each line

    .\\" script list: made by schemes/doc.py

the line names the scripts as kavrel's --script takes them, from the
scripts' table (scripts/table.tsv, read as scripts/generate.py reads it),
in the same form.

--check exits 1 and shows the difference when a file's table or a list is
not the one the rows make now; --update rewrites them."""

import difflib
import importlib.util
import os
import re
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from generate import FLAGS, readtable  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
TABLE = os.path.join(HERE, "table.tsv")

DOTTED = "\u25CC"  # the dotted circle that carries a combining sign

MARKERS = {
    "markdown": ("<!-- scheme table: made by schemes/doc.py -->", "<!-- end of scheme table -->"),
    "roff": ('.\\" scheme table: made by schemes/doc.py', '.\\" end of scheme table'),
}

LISTMARK = '.\\" scheme list: made by schemes/doc.py'
SCRIPTMARK = '.\\" script list: made by schemes/doc.py'
LISTLINE = re.compile(r'^\.BR "[^"]*"(.*)$')

# The project's own dialect, which the table shows by the spelling it
# writes, beside the other schemes' spellings for comparison.
DIALECT = "iso"


def columns():
    schemes, _, _ = readtable(TABLE)
    return schemes


def rows():
    """The table's rows: the Devanagari text of the unit and the spellings
    of each column (a list, the written one first; the dialect's written
    one alone). The nasalised vowels, which the dialect reads in one piece
    but writes as a vowel and a sign, are left out."""
    _, _, table = readtable(TABLE)
    out = []
    for unit, _, kind, _, spellings in table:
        if kind == "vowel" and len(unit) > 1:
            continue
        cells = {s: [w[1:] if w[:1] in FLAGS else w for w in words] for s, words in spellings.items()}
        cells[DIALECT] = cells[DIALECT][:1]
        out.append((shown(unit), cells))
    return out


def shown(unit):
    """A unit as the table shows it: a sign that joins the letter before
    it (anusvara, candrabindu, visarga) on a dotted circle."""
    text = "".join(chr(c) for c in unit)
    return DOTTED + text if unit[0] in (0x0901, 0x0902, 0x0903) else text


def markdown():
    def code(word):
        return "`" + word.replace("|", "\\|") + "`"

    cols = columns()
    lines = ["| Devanagari | " + " | ".join(cols) + " |", "|---" * (len(cols) + 1) + "|"]
    for unit, cells in rows():
        lines.append("| " + unit + " | " + " | ".join(" ".join(code(w) for w in cells[c]) for c in cols) + " |")
    return lines


ROFF = {"\\": "\\e", "-": "\\-", "'": "\\(aq", "~": "\\(ti", "^": "\\(ha", "`": "\\(ga"}


def roff():
    def cell(words):
        if any("\t" in w for w in words):
            sys.exit(f"a spelling of {words} holds tbl's column separator")
        out = " ".join("".join(ROFF.get(ch, ch) for ch in w) for w in words)
        return "\\&" + out if out.startswith(".") else out

    # A terminal's page holds five columns: the schemes go in tables of four.
    lines = []
    allcols = columns()
    for at in range(0, len(allcols), 4):
        cols = allcols[at : at + 4]
        if lines:
            lines.append(".sp")
        lines += [
            ".TS",
            "nokeep;",
            " ".join(["lB"] * (len(cols) + 1)),
            " ".join(["l"] * (len(cols) + 1)) + ".",
            "\t".join(["Devanagari"] + cols),
            "_",
        ]
        for unit, cells in rows():
            lines.append("\t".join([unit] + [cell(cells[c]) for c in cols]))
        lines.append(".TE")
    return lines


FORMATS = {"markdown": markdown, "roff": roff}


def formatof(path):
    return "markdown" if path.endswith(".md") else "roff"


def block(path, lines):
    """Where the table lies in a file's lines: the indices of its two
    markers."""
    begin, end = MARKERS[formatof(path)]
    if lines.count(begin) != 1 or lines.count(end) != 1 or lines.index(begin) > lines.index(end):
        sys.exit(f"{path}: no table between one line {begin!r} and one line {end!r}")
    return lines.index(begin), lines.index(end)


def scripts():
    """The scripts' names in the order of the library's enumeration, made by
    the scripts' own generator from their table."""
    where = os.path.join(HERE, "..", "scripts")
    found = importlib.util.spec_from_file_location("scriptsgenerate", os.path.join(where, "generate.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    module.readtable(os.path.join(where, "table.tsv"))
    return module.scriptnames()


def withlists(path, lines):
    """The lines with each scheme list and script list after its marker
    made anew."""
    schemes, _, _ = readtable(TABLE)
    lines = list(lines)
    for mark, names in ((LISTMARK, schemes), (SCRIPTMARK, None)):
        for i in [i for i, line in enumerate(lines) if line == mark]:
            m = LISTLINE.match(lines[i + 1]) if i + 1 < len(lines) else None
            if not m:
                sys.exit(f"{path}:{i + 2}: no line .BR \"...\" after {mark!r}")
            names = names or scripts()
            lines[i + 1] = f'.BR "{", ".join(names)}"{m.group(1)}'
    return lines


def main():
    args = sys.argv[1:]
    if len(args) == 1 and args[0] in FORMATS:
        print("\n".join(FORMATS[args[0]]()))
        return 0
    if len(args) < 2 or args[0] not in ("--check", "--update"):
        sys.exit(__doc__)
    status = 0
    for path in args[1:]:
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        begin, end = block(path, lines)
        made = lines[: begin + 1] + FORMATS[formatof(path)]() + lines[end:]
        if formatof(path) == "roff":
            made = withlists(path, made)
        if lines == made:
            continue
        if args[0] == "--update":
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(made))
            print(f"{path}: table and lists updated")
        else:
            status = 1
            print(f"{path}: the table or a list is not the one schemes/doc.py makes (doc.py --update {path}):")
            sys.stdout.writelines(line + "\n" for line in difflib.unified_diff(lines, made, path, "doc.py", lineterm=""))
    return status


if __name__ == "__main__":
    sys.exit(main())
