#!/usr/bin/env python3
"""Deterministic benchmark inputs for the bench/*.sh scripts.

    gen.py iscii  BYTES OUT [--one-line]   8-bit ISCII Devanagari
    gen.py roman  BYTES OUT [--one-line]   ISO 15919 Roman, UTF-8
    gen.py repeat BYTES OUT CHUNK          CHUNK repeated to BYTES

Text is made of words drawn (with Zipf-like weights) from a vocabulary that
is built from syllables with a fixed seed, so every run writes the same
bytes. Lines are 40 to 120 bytes long; with --one-line the whole output is
one line of words separated by spaces, with no line feed. Past UNIQUE bytes
the generated text is repeated, so gigabyte inputs cost no more to make
than disk writes. The output always ends after a whole word (and its space
or line feed), so no character is ever cut in two.
"""
import random
import sys

UNIQUE = 24 * 1000 * 1000  # bytes generated before repeating


def pick(rnd, weighted):
    items, weights = zip(*weighted)
    return lambda: rnd.choices(items, weights)[0]


# ---------------------------------------------------------------- ISCII ---

def iscii_vocab(rnd):
    cons = pick(rnd, [
        (0xB3, 9), (0xC2, 9), (0xC6, 9), (0xCF, 10), (0xCC, 7), (0xD7, 7),
        (0xD1, 6), (0xC8, 6), (0xC4, 6), (0xD4, 5), (0xCD, 5), (0xD8, 5),
        (0xBA, 4), (0xB5, 4), (0xCA, 4), (0xCB, 3), (0xB8, 3), (0xB4, 2),
        (0xD5, 2), (0xBD, 2), (0xBF, 2), (0xC5, 2), (0xC3, 2), (0xB6, 1),
        (0xBB, 1), (0xBE, 1), (0xC0, 1), (0xC1, 2), (0xB7, 1), (0xBC, 1),
        (0xC9, 1), (0xD6, 2), (0xB9, 1), (0xC7, 0.1), (0xCE, 0.1),
        (0xD0, 0.1), (0xD2, 0.3), (0xD3, 0.1)])
    sign = pick(rnd, [
        (0xDA, 10), (0xDB, 7), (0xDC, 5), (0xDD, 4), (0xDE, 2), (0xDF, 1),
        (0xE0, 0.2), (0xE1, 7), (0xE2, 3), (0xE3, 0.3), (0xE4, 0.2),
        (0xE5, 4), (0xE6, 1), (0xE7, 0.2)])
    vowel = pick(rnd, [
        (0xA4, 6), (0xA5, 3), (0xA6, 3), (0xA7, 1), (0xA8, 3), (0xA9, 1),
        (0xAA, 0.5), (0xAB, 0.2), (0xAC, 3), (0xAD, 1), (0xAE, 0.2),
        (0xAF, 0.2), (0xB0, 2), (0xB1, 2), (0xB2, 0.2)])
    nuktas = [0xB3, 0xB4, 0xB5, 0xBA, 0xBF, 0xC0, 0xC9]  # + 0xE9: qa .. fa

    def consonant():
        if rnd.random() < 0.03:
            return bytes([rnd.choice(nuktas), 0xE9])
        return bytes([cons()])

    def syllable():
        s = consonant()
        if rnd.random() < 0.12:
            s += b'\xE8' + consonant()  # conjunct
        if rnd.random() < 0.6:
            s += bytes([sign()])
        if rnd.random() < 0.06:
            s += b'\xA2'  # anusvara
        return s

    def word():
        w = bytes([vowel()]) if rnd.random() < 0.1 else b''
        return w + b''.join(syllable() for _ in range(rnd.randint(1, 4)))

    def number():
        return bytes(rnd.choice(range(0xF1, 0xFB)) for _ in range(rnd.randint(1, 4)))

    words = [word() for _ in range(20000)]
    words += [number() for _ in range(400)]
    words += [w + b'\xEA' for w in words[:2000]]  # danda ends a sentence
    words += [w + b',' for w in words[:500]]
    return words


# ---------------------------------------------------------------- Roman ---

def roman_vocab(rnd):
    cons = pick(rnd, [
        ('k', 9), ('kh', 2), ('g', 4), ('gh', 1), ('c', 3), ('ch', 1),
        ('j', 4), ('jh', 0.5), ('\u1E6D', 2), ('\u1E6Dh', 1), ('\u1E0D', 2),
        ('\u1E0Dh', 1), ('\u1E47', 2), ('t', 10), ('th', 2), ('d', 6),
        ('dh', 3), ('n', 10), ('p', 6), ('ph', 1), ('b', 3), ('bh', 3),
        ('m', 8), ('y', 6), ('r', 10), ('l', 5), ('v', 7), ('\u015B', 3),
        ('\u1E63', 3), ('s', 8), ('h', 4)])
    vowel = pick(rnd, [
        ('a', 30), ('\u0101', 12), ('i', 10), ('\u012B', 4), ('u', 6),
        ('\u016B', 2), ('e', 6), ('ai', 2), ('o', 4), ('au', 1),
        ('r\u0325', 1)])
    final = pick(rnd, [('\u1E41', 6), ('\u1E25', 3), ('m', 2), ('t', 2),
                       ('n', 1), ('s', 1)])

    def syllable():
        s = cons()
        if rnd.random() < 0.15:
            s += cons()  # conjunct
        s += vowel()
        r = rnd.random()
        if r < 0.05:
            s += '\u1E41'  # anusvara
        elif r < 0.07:
            s += '\u1E25'  # visarga
        return s

    def word():
        w = vowel() if rnd.random() < 0.1 else ''
        w += ''.join(syllable() for _ in range(rnd.randint(1, 4)))
        if rnd.random() < 0.1:
            w += final()
        return w

    def number():
        return ''.join(rnd.choice('0123456789') for _ in range(rnd.randint(1, 4)))

    words = [word() for _ in range(20000)]
    words += [w + p for w in words[:3000]
              for p in rnd.choices([',', '.', ';', '?', '!', ' |', "'"], k=1)]
    words += [number() for _ in range(100)]  # years, verses, pages: -n has digits to convert
    return [w.encode('utf-8') for w in words]


# ------------------------------------------------------------------ text ---

def text(words, rnd, limit, one_line):
    weights = [1 / (rank + 1) ** 0.9 for rank in range(len(words))]
    rnd.shuffle(words)
    words.sort(key=lambda w: len(w) + 16 * rnd.random())  # short ones: common
    cum, total = [], 0.0
    for w in weights:
        total += w
        cum.append(total)
    out, n = [], 0
    while n < limit:
        line = rnd.choices(words, cum_weights=cum, k=24)
        target = rnd.randint(40, 120)
        length = k = 0  # bytes and words taken, with a space or LF each
        while k < len(line) and length < target and length + len(line[k]) < 120:
            length += len(line[k]) + 1
            k += 1
        b = b' '.join(line[:k]) + (b' ' if one_line else b'\n')
        out.append(b)
        n += len(b)
    return b''.join(out)


def write(out_path, chunk, size, sep):
    with open(out_path, 'wb') as f:
        left = size
        while left >= len(chunk):
            f.write(chunk)
            left -= len(chunk)
        if left:
            cut = chunk.rfind(sep, 0, left) + 1  # end after a whole word or line
            f.write(chunk[:cut])


def main():
    kind, size, out_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    if kind == 'repeat':
        with open(sys.argv[4], 'rb') as f:
            chunk = f.read()
        sep = b'\n' if chunk.endswith(b'\n') else b' '
        write(out_path, chunk, size, sep)
        return
    one_line = '--one-line' in sys.argv[4:]
    rnd = random.Random({'iscii': 91, 'roman': 15919}[kind])
    words = iscii_vocab(rnd) if kind == 'iscii' else roman_vocab(rnd)
    chunk = text(words, rnd, min(size, UNIQUE), one_line)
    write(out_path, chunk, max(size, len(chunk)), b' ' if one_line else b'\n')


if __name__ == '__main__':
    main()
