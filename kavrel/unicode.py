#!/usr/bin/env python3
"""Writes the Unicode tables kavrel composes with where utf8proc itself is
not linked (the WebAssembly module), read at build time from the system's
utf8proc through ctypes, so that both give the same compositions:

- the canonical combining class of every character that has one;
- the full canonical decomposition of every letter kavrel composes
  (Basic Latin, Latin-1 to the IPA block, Latin Extended Additional) and of
  every mark (class not 0) that has one;
- the pairs that compose: a starter, a mark after it, and what the two make,
  for every starter that a letter's run can reach.

    unicode.py OUTPUT
"""
import ctypes
import ctypes.util
import sys

# utf8proc's option bits (utf8proc.h).
STABLE, COMPOSE, DECOMPOSE = 1 << 1, 1 << 3, 1 << 4

lib = ctypes.CDLL(ctypes.util.find_library("utf8proc") or "libutf8proc.so.2")
lib.utf8proc_get_property.restype = ctypes.POINTER(ctypes.c_int16)
lib.utf8proc_get_property.argtypes = [ctypes.c_int32]
lib.utf8proc_decompose_char.restype = ctypes.c_ssize_t
lib.utf8proc_decompose_char.argtypes = [ctypes.c_int32, ctypes.POINTER(ctypes.c_int32), ctypes.c_ssize_t,
                                        ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
lib.utf8proc_decompose.restype = ctypes.c_ssize_t
lib.utf8proc_decompose.argtypes = [ctypes.c_char_p, ctypes.c_ssize_t, ctypes.POINTER(ctypes.c_int32),
                                   ctypes.c_ssize_t, ctypes.c_int]
lib.utf8proc_normalize_utf32.restype = ctypes.c_ssize_t
lib.utf8proc_normalize_utf32.argtypes = [ctypes.POINTER(ctypes.c_int32), ctypes.c_ssize_t, ctypes.c_int]
lib.utf8proc_version.restype = ctypes.c_char_p
lib.utf8proc_unicode_version.restype = ctypes.c_char_p

LAST = 0x10FFFF


def combining_class(c):
    # The class is the second field of utf8proc's property record.
    return lib.utf8proc_get_property(c)[1]


def decomposition(c):
    buf = (ctypes.c_int32 * 8)()
    boundclass = ctypes.c_int(0)
    n = lib.utf8proc_decompose_char(c, buf, 8, STABLE | DECOMPOSE, ctypes.byref(boundclass))
    return list(buf[:n]) if 0 < n <= 8 else [c]


def nfc(chars):
    """What kavrel's nfc() makes of the run, through utf8proc as it calls it."""
    text = "".join(map(chr, chars)).encode("utf-8", "surrogatepass")
    buf = (ctypes.c_int32 * (4 * len(chars) + 8))()
    n = lib.utf8proc_decompose(text, len(text), buf, len(buf), STABLE | COMPOSE)
    n = lib.utf8proc_normalize_utf32(buf, n, STABLE | COMPOSE)
    return list(buf[:n])


def latin_letter(c):
    return ord("a") <= (c | 0x20) <= ord("z") or 0xC0 <= c < 0x2B0 or 0x1E00 <= c < 0x1F00


def surrogate(c):
    return 0xD800 <= c <= 0xDFFF


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
        "// Made by kavrel/unicode.py from utf8proc %s (Unicode %s); not to be edited."
        % (lib.utf8proc_version().decode(), lib.utf8proc_unicode_version().decode()),
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        "namespace kavrel::unicode {",
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
        "} // namespace kavrel::unicode",
        "",
    ]
    with open(sys.argv[1], "w", encoding="utf-8") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
