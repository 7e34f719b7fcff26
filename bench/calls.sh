#!/usr/bin/env bash
# Calls a second on single words, as a program converting a column of names
# or titles makes them: the library's one-shot calls in C++ (bench/calls.cpp),
# the Python module's functions called once a word and its batch calls, and
# PyICU's transliterators once a word, on the same words in one run. The
# words are those of the Roman benchmark text (bench/gen.py), the
# Devanagari words kavrel makes of them, and the words of the ISCII text.
# Targets: the C++ calls at least 5 million words a second each way, the
# Python calls 3 million and 10 times PyICU's, the batch calls 8 million.
# Then a column of 100,000 of the Roman words converted by one batch call,
# the column a list, a pandas Series and a NumPy array (bench/columns.py).
#
# Run from anywhere: bench/calls.sh
#   SIZE_MB=1      size of the texts the words come from (about 150,000 words a MB)
#   RUNS=5         passes over the words; the best counts (PyICU gets half)
#   CALLS=path     the C++ program (default build/bench/calls, built by make)
#   MODULE=dir     the folder of the Python module (default build/python)
#   PYTHON=/usr/bin/python3   the interpreter the module is built for
# To time an older build, give CALLS and MODULE (and KAVREL: see lib.sh).
set -euo pipefail
for v in CALLS MODULE; do
    case ${!v:-} in */*) declare "$v=$(realpath -m "${!v}")" ;; esac
done
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

size_mb=${SIZE_MB:-1}
python=${PYTHON:-/usr/bin/python3}
calls=${CALLS:-build/bench/calls}
module=${MODULE:-build/python}
bench_build
bench_need "$KAVREL" "$python" "$calls"
# The module as a package (lipisetu/__init__...so), or as one file in older builds.
if ! compgen -G "$module/lipisetu/__init__.cpython-*.so" >/dev/null && ! compgen -G "$module/lipisetu.cpython-*.so" >/dev/null; then
    echo "the Python module is not built in $module (needs python3-dev and pybind11-dev): no comparison"
    exit 0
fi
bench_tmp

python3 bench/gen.py roman $((size_mb * 1000000)) "$tmp/text.roman"
python3 bench/gen.py iscii $((size_mb * 1000000)) "$tmp/text.iscii"
tr -s ' \n' '\n\n' <"$tmp/text.roman" | sed '/^$/d' >"$tmp/words.roman"
tr -s ' \n' '\n\n' <"$tmp/text.iscii" | sed '/^$/d' >"$tmp/words.iscii"
"$KAVREL" "$tmp/words.roman" >"$tmp/words.dev"
echo "calls: $(wc -l <"$tmp/words.roman") Roman words (sha256 $(bench_sum "$tmp/words.roman")),"
echo "       the Devanagari words kavrel makes of them (sha256 $(bench_sum "$tmp/words.dev")),"
echo "       $(wc -l <"$tmp/words.iscii") ISCII words (sha256 $(bench_sum "$tmp/words.iscii"))"
"$calls" "$tmp/words.roman" "$tmp/words.dev" "$tmp/words.iscii" "$RUNS" >"$tmp/cpp"
PYTHONPATH=$module "$python" bench/calls.py "$tmp/words.roman" "$tmp/words.dev" "$tmp/words.iscii" "$RUNS" "$tmp/cpp"
# A column of the first 100,000 Roman words, one batch call on it held as a
# list, a pandas Series and a NumPy array, against Series.map (bench/columns.py).
PYTHONPATH=$module "$python" bench/columns.py "$tmp/words.roman" 100000 "$RUNS"
