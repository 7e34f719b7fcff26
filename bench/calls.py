#!/usr/bin/python3
"""Calls a second on single words: the library's one-shot calls in C++ (their figures read
from the C++ program bench/calls.cpp), the Python module's functions called once a word,
its batch calls, and PyICU's transliterators called once a word, on the same words.

    calls.py ROMAN_WORDS DEVANAGARI_WORDS ISCII_WORDS RUNS CPP_FIGURES

The word files hold one word a line; CPP_FIGURES holds the C++ program's lines ("NAME
WORDS SECONDS BYTES"), or is empty. Each one-word Python call (PyICU's too) is timed over
the list with each result dropped as it comes, `deque(map(f, words), maxlen=0)`: the cost
of the call. The batch calls are timed on 10,000 words a call (a chunk of a column, a
partition of a Dask bag), the results of each dropped before the next, and as one call
on all the words, which returns a list of results for every word. The best of RUNS
(PyICU of half as many) counts, each run on fresh copies of the words, made before the
clock starts (a str keeps the UTF-8 it was once asked for). Two rows time str.upper on
the results of each direction, kept in a list: as many new str of the same text, what
the results of one call on all the words cost alone (mostly their memory: so many new
str take fresh pages from the system, and each page's first touch is a page fault;
smaller batches reuse the memory of the last one's results). Prints the table and the
target lines, the batch targets checked on 10,000 words a call.
"""
import collections
import sys
import time

import lipisetu

try:
    import icu
except ImportError:
    icu = None

# Millions of words a second; and times PyICU for the one-word Python calls.
TARGETS = {
    "C++ todevanagari": 5.0, "C++ toroman": 5.0,
    "python to_devanagari": 3.0, "python to_roman": 3.0,
    "python to_devanagari_batch": 8.0, "python to_roman_batch": 8.0,
}
TIMES_PYICU = 10
# Words a batch call: a chunk of a column, or a partition of a Dask bag.
BATCH = 10000


def fresh(words):
    return [(w + w[:1])[:-1] if w else w for w in words]


def best(runs, words, convert):
    """The best time of `runs` runs of convert(words), on fresh copies each run."""
    times = []
    for _ in range(runs):
        copies = fresh(words)
        start = time.perf_counter()
        convert(copies)
        times.append(time.perf_counter() - start)
    return min(times)


def calls_of(f):
    """A call of f on each word, each result dropped as it comes."""
    return lambda words: collections.deque(map(f, words), maxlen=0)


def batches_of(f):
    """Calls of f on BATCH words at a time, the results of each dropped before the next."""
    return lambda words: collections.deque(map(f, (words[i:i + BATCH] for i in range(0, len(words), BATCH))),
                                           maxlen=0)


def read_words(path, binary=False):
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    if lines and not lines[-1]:
        lines.pop()
    return lines if binary else [line.decode("utf-8") for line in lines]


def main():
    roman_path, deva_path, iscii_path, runs, cpp_path = sys.argv[1:6]
    runs = int(runs)
    roman, deva, iscii = read_words(roman_path), read_words(deva_path), read_words(iscii_path, binary=True)
    # name -> (words, seconds)
    rows = {}
    with open(cpp_path) as f:
        for line in f:
            name, count, seconds, _ = line.split()
            rows["C++ " + name] = (int(count), float(seconds))
    calls = [("to_devanagari", roman), ("to_roman", deva), ("from_iscii", iscii)]
    for name, words in calls:
        f = getattr(lipisetu, name)
        rows["python " + name] = (len(words), best(runs, words, calls_of(f)))
    for name, words in calls:
        f = getattr(lipisetu, name + "_batch", None)
        if f is None:
            print(f"(lipisetu.{name}_batch: not in this module)")
            continue
        rows[f"python {name}_batch"] = (len(words), best(runs, words, batches_of(f)))
        rows[f"  {name}_batch, all at once"] = (len(words), best(runs, words, f))
    peers = {}
    if icu is None:
        print("(PyICU is not installed, Debian package python3-icu: no comparison)")
    else:
        for ours, words, icu_id in [("to_devanagari", roman, "Latin-Devanagari"),
                                    ("to_roman", deva, "Devanagari-Latin")]:
            t = icu.Transliterator.createInstance(icu_id).transliterate
            rows["PyICU " + icu_id] = (len(words), best(max(1, runs // 2), words, calls_of(t)))
            peers["python " + ours] = "PyICU " + icu_id
    # What a batch's results cost alone: as many new str of the same text, kept in a list.
    for name, words in [("to_devanagari", roman), ("to_roman", deva)]:
        results = list(map(getattr(lipisetu, name), words))
        rows[f"  new str of {name}'s"] = (len(words), best(runs, results, lambda ws: list(map(str.upper, ws))))

    def rate(name):
        count, seconds = rows[name]
        return count / seconds

    print(f"{'':36} {'words':>8} {'words/s':>12} {'ns/word':>8}   {'ratio to PyICU':>14}")
    for name, (count, seconds) in rows.items():
        peer = peers.get(name.removesuffix("_batch"))
        ratio = f"{rate(name) / rate(peer):13.1f}x" if peer else ""
        print(f"{name:36} {count:8} {rate(name):12,.0f} {seconds / count * 1e9:8.0f}   {ratio:>14}")
    print(f"lipisetu {lipisetu.__file__}" + (f"; PyICU {icu.VERSION}, ICU {icu.ICU_VERSION}" if icu else "")
          + f"; best of {runs} (PyICU of {max(1, runs // 2)})")
    status = 0
    for name, target in TARGETS.items():
        if name not in rows:
            print(f"calls {name}: not measured (target >= {target} million words/s not checked)")
            continue
        millions = rate(name) / 1e6
        ok = millions >= target
        verdict = "OK" if ok else "BELOW TARGET"
        line = f"calls {name} {millions:.2f} million words/s (target >= {target}: {verdict})"
        if name in peers:
            ratio = rate(name) / rate(peers[name])
            ok &= ratio >= TIMES_PYICU
            line += (f", {ratio:.1f}x {peers[name]} (target >= {TIMES_PYICU}x: "
                     f"{'OK' if ratio >= TIMES_PYICU else 'BELOW TARGET'})")
        status |= not ok
        print(line)
    return status


if __name__ == "__main__":
    sys.exit(main())
