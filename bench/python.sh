#!/usr/bin/env bash
# Throughput of the Python module (lipisetu) against PyICU's transliterators
# on the same generated texts, in one run: Roman to Devanagari and
# Devanagari to Roman, MB/s and ratios, with the target of 20 times PyICU.
# The Devanagari text is the Roman one converted by kavrel.
#
# Run from anywhere: bench/python.sh
#   SIZE_MB=4    size of the Roman text (PyICU takes about a second a MB)
#   RUNS=5       runs of each conversion in the module; PyICU gets half
#   PYTHON=/usr/bin/python3   the interpreter the module is built for
#   MODULE=dir   the folder of the module (default build/python), to time another build
# Needs the module built (python3-dev, pybind11-dev) and PyICU (python3-icu).
set -euo pipefail
case ${MODULE:-} in */*) MODULE=$(realpath -m "$MODULE") ;; esac
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

size_mb=${SIZE_MB:-4}
python=${PYTHON:-/usr/bin/python3}
bench_build
bench_need "$KAVREL" "$python"
module_dir=${MODULE:-build/python}
module=$(ls "$module_dir"/lipisetu.cpython-*.so 2>/dev/null | head -n 1)
if [ -z "$module" ]; then
    echo "the Python module is not built (needs python3-dev and pybind11-dev): no comparison"
    exit 0
fi
if ! "$python" -c 'import icu' 2>/dev/null; then
    echo "PyICU is not installed for $python (Debian package python3-icu): no comparison"
    exit 0
fi
bench_tmp

python3 bench/gen.py roman $((size_mb * 1000000)) "$tmp/text.roman"
"$KAVREL" "$tmp/text.roman" >"$tmp/text.dev"
echo "python: $(bench_div "$(bench_size "$tmp/text.roman")" 1000000) MB of Roman (sha256 $(bench_sum "$tmp/text.roman")),"
echo "        $(bench_div "$(bench_size "$tmp/text.dev")" 1000000) MB of Devanagari from kavrel (sha256 $(bench_sum "$tmp/text.dev"))"
PYTHONPATH=$module_dir "$python" bench/python.py "$tmp/text.roman" "$tmp/text.dev" "$RUNS"
