#!/usr/bin/python3
"""The Python module against PyICU on the same texts, in one run.

    python.py ROMAN_FILE DEVANAGARI_FILE RUNS

Times lipisetu.to_devanagari against ICU's "Latin-Devanagari" transliterator on the
Roman text, and lipisetu.to_roman against "Devanagari-Latin" on the Devanagari text,
the text already read into a str, the best of RUNS. The module converts the whole
text in one call; PyICU a line at a time, its faster way (one call on a whole text
of megabytes takes several times as long, growing faster than the text). Prints MB/s
of UTF-8 input (1 MB = 10^6 bytes), the ratio, and whether it meets the target of
20 times PyICU. ICU's romanisation is its own, not ISO 15919: the outputs differ, the
work is the same.
"""
import sys
import time

import icu
import lipisetu

TARGET = 20


def best(runs, convert, text):
    times = []
    for _ in range(runs):
        # A fresh str each run, made before the clock starts: a str keeps the
        # UTF-8 it was once asked for, and a text is converted once.
        fresh = (text + "\n")[:-1]
        start = time.perf_counter()
        convert(fresh)
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    roman_path, deva_path, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    rows = []
    status = 0
    for name, path, ours, icu_id in [
        ("to_devanagari", roman_path, lipisetu.to_devanagari, "Latin-Devanagari"),
        ("to_roman", deva_path, lipisetu.to_roman, "Devanagari-Latin"),
    ]:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        size = len(text.encode("utf-8"))
        icu_t = icu.Transliterator.createInstance(icu_id)
        t_ours = best(runs, ours, text)
        lines = text.splitlines(keepends=True)
        t_icu = best(max(1, runs // 2), lambda _: "".join(map(icu_t.transliterate, lines)), text)
        ratio = t_icu / t_ours
        rows.append((name, size, size / t_ours / 1e6, icu_id, size / t_icu / 1e6, ratio))
        status |= ratio < TARGET
    print(f"{'':16} {'MB':>6} {'MB/s':>8}   {'PyICU transliterator':<22} {'MB/s':>7} {'ratio':>7}")
    for name, size, mbps, icu_id, icu_mbps, ratio in rows:
        print(f"{name:16} {size / 1e6:6.1f} {mbps:8.1f}   {icu_id:<22} {icu_mbps:7.2f} {ratio:6.1f}x")
    print(f"lipisetu {lipisetu.__file__}; PyICU {icu.VERSION}, ICU {icu.ICU_VERSION}; best of {runs} "
          f"(PyICU of {max(1, runs // 2)}, a line a call), text already in a str")
    for name, _, mbps, _, _, ratio in rows:
        verdict = "OK" if ratio >= TARGET else "BELOW TARGET"
        print(f"python {name} {mbps:.1f} MB/s, {ratio:.1f}x PyICU (target >= {TARGET}x: {verdict})")
    return status


if __name__ == "__main__":
    sys.exit(main())
