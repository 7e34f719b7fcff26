#!/usr/bin/env python3
"""pellam --atr against ICU's ISCII decoder, for bench/atr.sh.

    atr.py codes IN.iscii OUT.iscii
    atr.py compare PELLAM TEXT.iscii RANDOM

`codes` puts ATR codes into ISCII text (the benchmark's): at the start of
each line the code of a script, every script in turn, and in every third
line another in the middle.

`compare` reads the ISCII text and makes RANDOM inputs of random bytes and
RANDOM more of bytes that begin units and ATR codes; converts each with
`pellam --atr` and with
`uconv -f ISCII,version=0 -t UTF-8 --from-callback skip`, and tells
whether every difference is one of ICU's known faults.

For that it runs a model of ISCII read with its ATR code, in which each of
those faults can be switched on, made from the same data as pellam (its
Devanagari characters, read from pellam itself; the rows of
pellam/atrtables.hpp; the scripts' table; Unicode 3.2's repertoire) but
written apart from pellam's code. With every fault on it must write what
uconv writes, and with none what pellam --atr writes, messages included,
on every input: then each difference between the two is one of the faults,
and the model counts, for each fault, the inputs (lines of the text,
random inputs) that it alone changes."""

import os
import random
import re
import subprocess
import sys
import unicodedata

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import generate as scripts  # noqa: E402

LF, CR, ATR, EXT, INV, VIRAMA, NUKTA, DANDA, ANUSVARA = 0x0A, 0x0D, 0xEF, 0xF0, 0xD9, 0xE8, 0xE9, 0xEA, 0xA2
ZWNJ, ZWJ = 0x200C, 0x200D

# How ICU differs, each a change to what the model writes: the first four
# are the faults the scripts' README lists, the next seven faults found
# beside them, the last pellam's own rule.
FAULTS = {
    "danda": "a single danda is refused outside Devanagari",
    "la": "la and lla take neither addak nor tippi",
    "halantend": "a Gurmukhi consonant before a virama that ends the input is lost",
    "ext": "after EXT and a byte it does not know, the bytes 0xA1..0xEE after it are dropped, and one more",
    "extshared": "anudatta (EXT 0xB8) is refused outside Devanagari, as the danda is",
    "exttippi": "the abbreviation sign (EXT 0xBF) is written in Gurmukhi as tippi",
    "avagraha": "the avagraha (danda and nukta) is formed only in Devanagari: Gujarati and Oriya lose it",
    "addaknukta": "addak before a consonant that the nukta makes another letter, which it then writes again",
    "nuktatippi": "bindi, not tippi, after a consonant with the nukta",
    "addaktippi": "bindi, not tippi, after a consonant doubled by addak",
    "invend": "INV at the end of the input is lost",
    "c1": "bytes 0x80..0xA0, no character of ISCII, are copied as U+0080..U+00A0 (pellam drops them, "
          "with its message, as without --atr)",
}


def rows(name, pattern, text):
    """The rows of the C++ array `name` in atrtables.hpp that match `pattern`."""
    block = re.search(r"\b%s = std::to_array<\w+>\(\{(.*?)\}\);" % name, text, re.S).group(1)
    return re.findall(pattern, block)


class Model:
    def __init__(self, pellam):
        with open(os.path.join(ROOT, "pellam", "atrtables.hpp"), encoding="ascii") as f:
            cpp = f.read()
        table = scripts.readtable(os.path.join(ROOT, "scripts", "table.tsv"))
        self.cells = {(s, dev): cells[s] for dev, _, _, cells in table for s in cells}
        self.consonants = {dev for dev, _, kind, _ in table if kind == "consonant"}
        # Each script's block: where its counterpart of ka lies.
        names = scripts.scriptnames()
        ka = 0x0915
        self.blockof = {s: 0 if s == "devanagari" else (self.cells[(s, ka)][1][0] - 0x0900) // 0x80 for s in names}
        self.scriptof = {}
        for s in names:
            self.scriptof.setdefault(self.blockof[s], s)
        self.gurmukhi = self.blockof["gurmukhi"]
        self.codes = {int(c, 16): self.blockof[s] for c, s in rows("codes", r"\{0x(\w\w), script::(\w+)\}", cpp)}
        first = re.search(r"displayfirst = 0x(\w\w), displaylast = 0x(\w\w)", cpp)
        self.display = range(int(first.group(1), 16), int(first.group(2), 16) + 1)
        self.ext = {int(b, 16): int(c, 16) for b, c in rows("extended", r"\{0x(\w\w), 0x(\w{4})\}", cpp)}
        # pellam's own Devanagari characters, byte by byte and pair by pair.
        keys = [b for b in range(0xA1, 0xFB) if b not in (ATR, EXT)]
        out = subprocess.run([pellam], input=b" ".join(bytes([b]) for b in keys), capture_output=True).stdout
        self.single = {b: ord(c) for b, c in zip(keys, out.decode().split(" ")) if len(c) == 1}
        out = subprocess.run([pellam], input=b" ".join(bytes([b, NUKTA]) for b in keys), capture_output=True).stdout
        self.pairs = {(b, NUKTA): ord(c) for b, c in zip(keys, out.decode().split(" "))
                      if len(c) == 1 and b in self.single}
        for a, b, c in rows("vowelpairs", r"\{0x(\w\w), 0x(\w\w), 0x(\w{4})\}", cpp):
            self.pairs[(int(a, 16), int(b, 16))] = int(c, 16)
        self.places = {}
        for s, a, b, has in rows("places", r"\{script::(\w+), 0x(\w\w), (0|0x\w\w), (true|false)\}", cpp):
            key = (int(a, 16), int(b, 16)) if b != "0" else (int(a, 16),)
            k = self.blockof[s]
            self.places[self.moved(self.char(key), k)] = has == "true"

    def char(self, key):
        return self.pairs[key] if len(key) == 2 else self.single[key[0]]

    @staticmethod
    def moved(dev, k):
        return dev + 0x80 * k

    def has(self, k, c):
        if c in self.places:
            return self.places[c]
        return unicodedata.ucd_3_2_0.category(chr(c)) != "Cn"

    def write(self, k, dev, twobytes=False):
        """The characters `dev` is written as in block k, or None."""
        if k == 0 or not 0x0900 <= dev < 0x0980:
            return [dev]
        how, cell = self.cells[(self.scriptof[k], dev)]
        if how != "counterpart":
            return None
        if cell == [dev]:
            return [dev]
        c = self.moved(dev, k)
        nfd = lambda cps: unicodedata.normalize("NFD", "".join(map(chr, cps)))
        if self.has(k, c) and nfd([c]) == nfd(cell):
            return [c]
        inblock = lambda c: self.moved(0x0900, k) <= c < self.moved(0x0980, k) and self.has(k, c)
        if twobytes and all(map(inblock, cell)):
            return cell
        return None

    def decode(self, data, faults=()):
        """The text and the messages (kind, offset, byte) of data."""
        out, msgs = [], []
        n, k, i, tippi = len(data), 0, 0, False
        at = lambda j: data[j] if j < n else -1
        gurmukhi = lambda: k == self.gurmukhi
        isconsonant = lambda b: b in self.single and self.single[b] in self.consonants
        while i < n:
            b, was, tippi = data[i], tippi, False
            if 0x80 <= b <= 0xA0 and "c1" in faults:
                out.append(b)
                i += 1
            elif b < 0x80:
                out.append(b)
                i += 1
                k = 0 if b in (LF, CR) else k
            elif b in (ATR, EXT):
                kind = "ATR" if b == ATR else "EXT"
                if i + 1 >= n:
                    msgs.append((kind, i, b))
                    i += 1
                    continue
                x = data[i + 1]
                w = self.extchar(k, x, faults) if b == EXT else None
                if b == ATR and x in self.codes:
                    k = self.codes[x]
                elif b == EXT and w:
                    out += w
                elif b == EXT or x not in self.display:
                    msgs.append((kind, i, b))
                i += 2
                if b == EXT and not w and "ext" in faults and 0xA1 <= x <= 0xEE:
                    while i < n:
                        i += 1
                        if not 0xA1 <= data[i - 1] <= 0xEE:
                            break
                        w = self.extchar(k, data[i - 1], faults)
                        if w:
                            out += w
                            break
            elif b == INV:
                if at(i + 1) == VIRAMA:
                    out.append(0x20)
                elif i + 1 < n or "invend" not in faults:
                    out.append(ZWJ)
                i += 1
            elif (b, at(i + 1)) in self.pairs and self.pair(k, b, at(i + 1), faults) is not None:
                out += self.pair(k, b, at(i + 1), faults)
                tippi = gurmukhi() and isconsonant(b) and "nuktatippi" not in faults
                i += 2
            elif b == VIRAMA and at(i + 1) in (VIRAMA, NUKTA):
                out += [self.moved(0x094D, k), ZWNJ if at(i + 1) == VIRAMA else ZWJ]
                i += 2
            elif b == DANDA and at(i + 1) == DANDA:
                out += self.write(k, 0x0965)
                i += 2
            elif b == DANDA and k and "danda" in faults:
                i += 1
            elif gurmukhi() and isconsonant(b) and self.write(k, self.single[b]):
                la = self.single[b] in (0x0932, 0x0933) and "la" in faults
                c = self.write(k, self.single[b])
                if at(i + 1) == VIRAMA and at(i + 2) == b and not la and \
                        (at(i + 3) != NUKTA or "addaknukta" in faults):
                    out += [scripts.ADDAK] + c
                    i += 3
                    if "addaknukta" in faults and at(i) == NUKTA and (b, NUKTA) in self.pairs:
                        p = self.pair(k, b, NUKTA, faults)
                        if p and p != c + self.write(k, 0x093C):
                            out += p
                            i += 1
                    tippi = "addaktippi" not in faults
                elif i + 2 == n and at(i + 1) == VIRAMA and "halantend" in faults and not la:
                    i += 1
                else:
                    out += c
                    i += 1
                    tippi = not la
            elif b == ANUSVARA and gurmukhi() and was:
                out.append(scripts.TIPPI)
                i += 1
            else:
                w = self.write(k, self.single[b]) if b in self.single else None
                if w is None:
                    msgs.append(("Ignoring", i, b))
                else:
                    out += w
                    tippi = (was and "nuktatippi" not in faults) if b == NUKTA else \
                        gurmukhi() and self.single[b] in scripts.TIPPI_AFTER
                i += 1
        return "".join(map(chr, out)), msgs

    def pair(self, k, first, second, faults):
        if (first, second) == (DANDA, NUKTA) and k and "avagraha" in faults:
            return None
        return self.write(k, self.pairs[(first, second)], True)

    def extchar(self, k, x, faults):
        if x not in self.ext:
            return None
        if k == self.gurmukhi and self.ext[x] == 0x0970 and "exttippi" in faults:
            return [scripts.TIPPI]
        w = self.write(k, self.ext[x])
        return None if w and k and "extshared" in faults else w


def messages(data, msgs):
    """The messages as pellam writes them."""
    text = []
    for kind, at, byte in msgs:
        line = 1 + data.count(b"\n", 0, at)
        if kind == "Ignoring":
            text.append("Ignoring character 0x%x at line %d\n" % (byte, line))
        else:
            text.append("Use of %s not supported at line %d\n" % (kind, line))
    return "".join(text)


def run(args, data):
    r = subprocess.run(args, input=data, capture_output=True)
    return r.stdout.decode("utf-8", "surrogateescape"), r.stderr.decode("utf-8", "surrogateescape")


def randominputs(count, seed):
    """Random bytes, then bytes that begin units with ATR codes among them."""
    rnd = random.Random(seed)
    units = [ATR, EXT, INV, VIRAMA, NUKTA, DANDA, ANUSVARA, 0xA4, 0xA6, 0xB3, 0xB4, 0xB6, 0xBF, 0xC0, 0xD1, 0xD2,
             0xDB, 0xE0, LF, CR, 0x20]
    plain = [bytes(rnd.randrange(256) for _ in range(rnd.randrange(1, 200))) for _ in range(count)]
    biased = []
    for _ in range(count):
        data = bytearray()
        for _ in range(rnd.randrange(1, 60)):
            r = rnd.random()
            if r < 0.12:
                data += bytes([ATR, rnd.choice(list(range(0x40, 0x4C)) + [0x21, 0x50, LF])])
            else:
                data.append(rnd.choice(units) if r < 0.75 else rnd.randrange(256))
        biased.append(bytes(data))
    return [("random bytes", plain), ("unit bytes and codes", biased)]


def compare(model, name, inputs, pellam, uconv, msgs=None):
    """Checks the model on each input against pellam's text (and its
    messages, when given) and uconv's; counts the differences by fault."""
    everyfault = tuple(FAULTS)
    differ, unexplained, byfault = 0, 0, dict.fromkeys(FAULTS, 0)
    for j, (data, text, theirs) in enumerate(zip(inputs, pellam, uconv)):
        mine, mymsgs = model.decode(data)
        icu = model.decode(data, everyfault)[0]
        if mine != text or icu != theirs or (msgs and messages(data, mymsgs) != msgs[j]):
            unexplained += 1
            if unexplained <= 3:
                show = lambda t: t.encode("utf-8", "surrogateescape").hex(" ")
                print("    not as the model has it: %s" % data.hex(" "))
                print("      pellam %s\n      model  %s\n      uconv  %s\n      model  %s" % (
                    show(text), show(mine), show(theirs), show(icu)))
            continue
        if text != theirs:
            differ += 1
            for f in FAULTS:
                byfault[f] += model.decode(data, (f,))[0] != mine
    print("  %-22s %7d inputs, %6d differ, %d not as the model has it" % (name, len(inputs), differ, unexplained))
    for f, count in byfault.items():
        if count:
            print("      %6d  %s" % (count, FAULTS[f]))
    return unexplained


def withcodes(text):
    codes = [0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x40]
    lines = text.split(b"\n")
    for i, line in enumerate(lines[:-1]):
        if i % 3 == 1 and b" " in line:
            cut = line.index(b" ", len(line) // 2) if b" " in line[len(line) // 2:] else line.index(b" ")
            line = line[:cut] + bytes([ATR, codes[i // 3 % len(codes)]]) + line[cut:]
        lines[i] = bytes([ATR, codes[i % len(codes)]]) + line
    return b"\n".join(lines)


def main():
    if sys.argv[1] == "codes":
        with open(sys.argv[2], "rb") as f, open(sys.argv[3], "wb") as out:
            out.write(withcodes(f.read()))
        return
    pellam, textpath, count = sys.argv[2], sys.argv[3], int(sys.argv[4])
    model = Model(pellam)
    uconv = ["uconv", "-f", "ISCII,version=0", "-t", "UTF-8", "--from-callback", "skip"]
    # The text, converted whole and compared line by line: each line starts
    # in Devanagari, and no code in the text takes a line feed with it.
    with open(textpath, "rb") as f:
        text = f.read()
    mine, theirs = run([pellam, "--atr"], text), run(uconv, text)[0]
    mytext, mymsgs = model.decode(text)
    unexplained = (mytext, messages(text, mymsgs)) != mine
    if unexplained:
        print("  the text: pellam --atr does not write what the model writes")
    lines, mylines, theirlines = text.split(b"\n"), mine[0].split("\n"), theirs.split("\n")
    if len(mylines) == len(lines) == len(theirlines):
        unexplained += compare(model, "text, by line", lines, mylines, theirlines)
    else:
        print("  the text: pellam --atr or uconv wrote another count of lines")
        unexplained += 1
    # One input for each difference, to see each one made.
    witnesses = ["ef 43 b3 ea", "ef 4b d1 e8 d1 a2", "ef 4b b3 e8", "f0 b3 b3 41 b3", "ef 43 f0 b8", "ef 4b f0 bf",
                 "ef 47 ea e9", "ef 4b c0 e8 c0 e9", "ef 4b b4 e9 a2", "ef 4b b3 e8 b3 a2", "d9", "41 a0 42"]
    for name, inputs in [("one for each", [bytes.fromhex(w) for w in witnesses])] + randominputs(count, 15919):
        results = [run([pellam, "--atr"], d) for d in inputs]
        unexplained += compare(model, name, inputs, [r[0] for r in results], [run(uconv, d)[0] for d in inputs],
                               [r[1] for r in results])
    sys.exit(1 if unexplained else 0)


if __name__ == "__main__":
    main()
