#!/usr/bin/python3
"""A column of words converted to Devanagari: one batch call on the column held as a list, a
pandas Series and a NumPy array of objects, against the single call a word through pandas.

    columns.py ROMAN_WORDS [COUNT] [RUNS]

ROMAN_WORDS holds one word a line; the first COUNT (100,000) are the column. Each row is the
best of RUNS (7) runs. Beside the batch calls: the same calls on as many empty str, whose
results cost nothing (what taking the column in costs, item by item or from the array's
memory); list(series), the copy a caller made before a batch call took the column itself;
Series.map of to_devanagari; and the assignment of a new column of a DataFrame from each. The memory of a batch call is the peak resident size during
the call less the resident size before it (Linux's /proc/self/status, the peak set back
first), each column in a process of its own: the results (a new str a word), the call's
buffers and whatever copy of the column it makes.
"""
import re
import subprocess
import sys
import time

import lipisetu


def columns(words):
    """The column as a list, and where NumPy and pandas are installed as an array of objects
    and a Series."""
    found = {"list": list(words)}
    try:
        import numpy
        import pandas
    except ImportError as e:
        print(f"(NumPy or pandas is not installed: {e})")
        return found
    array = numpy.empty(len(words), dtype=object)
    array[:] = words
    found["numpy"] = array
    found["series"] = pandas.Series(array, name="roman")
    return found


def best(runs, f):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        f()
        times.append(time.perf_counter() - start)
    return min(times)


def status_kib(field):
    with open("/proc/self/status") as f:
        return int(re.search(rf"^{field}:\s+(\d+) kB", f.read(), re.M).group(1))


def memory(kind, path, count):
    """In a process of its own: the KiB one batch call adds to the resident size at its peak."""
    col = columns(read_words(path, count))[kind]
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")  # the peak set back to the resident size now
    before = status_kib("VmRSS")
    lipisetu.to_devanagari_batch(col)
    return status_kib("VmHWM") - before


def read_words(path, count):
    with open(path, encoding="utf-8") as f:
        return f.read().split()[:count]


def main():
    if sys.argv[1] == "--memory":
        print(memory(sys.argv[2], sys.argv[3], int(sys.argv[4])))
        return
    path = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    words = read_words(path, count)
    print(f"columns: {len(words)} words; lipisetu {getattr(lipisetu, '__version__', '(no version)')} "
          f"from {lipisetu.__file__}; best of {runs}")
    rows = []
    cols = columns(words)
    for kind, col in cols.items():
        rows.append((f"to_devanagari_batch({kind})", best(runs, lambda: lipisetu.to_devanagari_batch(col)),
                     subprocess.run([sys.executable, __file__, "--memory", kind, path, str(count)],
                                    capture_output=True, text=True, check=True).stdout.strip()))
    # The same calls on as many empty str, whose results cost nothing: what taking the
    # column in costs.
    for kind, col in columns([""] * len(words)).items():
        rows.append((f"  the same on empty str ({kind})", best(runs, lambda: lipisetu.to_devanagari_batch(col)), ""))
    if "series" in cols:
        series = cols["series"]
        frame = series.to_frame()

        def assign(f):
            frame["deva"] = f()

        rows.append(("list(series)", best(runs, lambda: list(series)), ""))
        rows.append(("series.map(to_devanagari)", best(runs, lambda: series.map(lipisetu.to_devanagari)), ""))
        rows.append(("df['deva'] = batch(df['roman'])",
                     best(runs, lambda: assign(lambda: lipisetu.to_devanagari_batch(frame["roman"]))), ""))
        rows.append(("df['deva'] = df['roman'].map(...)",
                     best(runs, lambda: assign(lambda: frame["roman"].map(lipisetu.to_devanagari))), ""))
    print(f"{'':34} {'ms':>7} {'ns/word':>8} {'peak KiB':>9}")
    for name, seconds, kib in rows:
        print(f"{name:34} {seconds * 1e3:7.1f} {seconds / len(words) * 1e9:8.0f} {kib:>9}")


if __name__ == "__main__":
    main()
