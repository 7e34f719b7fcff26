#!/usr/bin/env python3
"""Writes the Unicode facts the converters are built with, read at build
time from the system's utf8proc through ctypes:

    unicode.py COMPOSE.hpp NUKTA.hpp

COMPOSE.hpp holds the tables kavrel composes with where utf8proc itself is
not linked (the WebAssembly module), so that both give the same
compositions:

- the canonical combining class of every character that has one;
- the full canonical decomposition of every letter kavrel composes
  (Basic Latin, Latin-1 to the IPA block, Latin Extended Additional) and of
  every mark (class not 0) that has one;
- the pairs that compose: a starter, a mark after it, and what the two make,
  for every starter that a letter's run can reach.

NUKTA.hpp holds the Devanagari letters that are a letter and the nukta
sign, which sonwick reads as one letter.
"""
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from utf8proc import LAST, combining_class, decomposition, lib, nfc  # noqa: E402


def latin_letter(c):
    return ord("a") <= (c | 0x20) <= ord("z") or 0xC0 <= c < 0x2B0 or 0x1E00 <= c < 0x1F00


def surrogate(c):
    return 0xD800 <= c <= 0xDFFF


def opening(namespace):
    """The lines that begin a generated header, to its namespace."""
    return [
        "// Made by common/unicode.py from utf8proc %s (Unicode %s); not to be edited."
        % (lib.utf8proc_version().decode(), lib.utf8proc_unicode_version().decode()),
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        "namespace %s {" % namespace,
    ]


def nuktaheader():
    """The Devanagari letters whose canonical decomposition is a letter and
    the nukta sign, with that letter."""
    nukta = 0x093C
    pairs = [(d[0], c, "true" if nfc(d) == [c] else "false")
             for c in range(0x0900, 0x0980) if len(d := decomposition(c)) == 2 and d[1] == nukta]
    return [
        *opening("vocab"),
        "",
        "// A Devanagari consonant followed by the nukta sign, and the one letter",
        "// the pair stands for (its canonical decomposition); whether Unicode's",
        "// normal form C composes the pair into the letter (it does not for the",
        "// letters excluded from composition, U+0958..095F).",
        "struct nuktapair {",
        "    std::int32_t plain, joined;",
        "    bool composes;",
        "};",
        "inline constexpr nuktapair nuktapairs[] = {",
        *["    {0x%04X, 0x%04X, %s}," % p for p in sorted(pairs)],
        "};",
        "",
        "} // namespace vocab",
        "",
    ]


def main():
    classes = {c: k for c in range(LAST + 1) if not surrogate(c) and (k := combining_class(c))}
    decomposed = {}
    for c in list(range(0x41, 0x2B0)) + list(range(0x1E00, 0x1F00)) + sorted(classes):
        if latin_letter(c) or c in classes:
            d = decomposition(c)
            if d != [c]:
                decomposed[c] = d
    # The marks that any character decomposes into: no other mark composes.
    composing = sorted({m for c in range(LAST + 1) if not surrogate(c)
                        for m in decomposition(c)[1:] if m in classes})
    # The starters a letter's run can reach: the first characters of the
    # letters' decompositions, then whatever they compose into.
    starters = {decomposed.get(c, [c])[0] for c in range(0x41, 0x1F00) if latin_letter(c)}
    pairs = {}
    todo = sorted(starters)
    while todo:
        s = todo.pop()
        for m in composing:
            made = nfc([s, m])
            if len(made) == 1 and made[0] != s:
                pairs[(s, m)] = made[0]
                if made[0] not in starters:
                    starters.add(made[0])
                    todo.append(made[0])

    ranges = []
    for c in sorted(classes):
        if ranges and ranges[-1][1] == c - 1 and ranges[-1][2] == classes[c]:
            ranges[-1][1] = c
        else:
            ranges.append([c, c, classes[c]])
    flat, index = [], []
    for c in sorted(decomposed):
        index.append((c, len(flat), len(decomposed[c])))
        flat += decomposed[c]

    def rows(items, per):
        return "\n".join("    " + " ".join(items[i:i + per]) for i in range(0, len(items), per))

    out = [
        *opening("compose::tables"),
        "",
        "// Runs of characters with one canonical combining class: first, last, class.",
        "struct classrange {",
        "    std::int32_t first, last;",
        "    std::uint8_t ccc;",
        "};",
        "inline constexpr classrange classes[] = {",
        rows(["{0x%04X, 0x%04X, %d}," % tuple(r) for r in ranges], 4),
        "};",
        "",
        "// Full canonical decompositions: the character, where its characters",
        "// start in `decompositionchars`, and how many there are.",
        "struct decompositionrow {",
        "    std::int32_t c;",
        "    std::uint16_t at;",
        "    std::uint8_t n;",
        "};",
        "inline constexpr std::int32_t decompositionchars[] = {",
        rows(["0x%04X," % c for c in flat], 8),
        "};",
        "inline constexpr decompositionrow decompositions[] = {",
        rows(["{0x%04X, %d, %d}," % r for r in index], 4),
        "};",
        "",
        "// The pairs that compose, in order of starter and mark.",
        "struct compositionrow {",
        "    std::int32_t starter, mark, made;",
        "};",
        "inline constexpr compositionrow compositions[] = {",
        rows(["{0x%04X, 0x%04X, 0x%04X}," % (s, m, pairs[(s, m)]) for (s, m) in sorted(pairs)], 3),
        "};",
        "",
        "} // namespace compose::tables",
        "",
    ]
    with open(sys.argv[1], "w", encoding="utf-8") as f:
        f.write("\n".join(out))
    with open(sys.argv[2], "w", encoding="ascii") as f:
        f.write("\n".join(nuktaheader()))


if __name__ == "__main__":
    main()
