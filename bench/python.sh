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

python=${PYTHON:-/usr/bin/python3}
bench_start --size 4 "$KAVREL" "$python"
module_dir=${MODULE:-build/python}
# The module as a package (lipisetu/__init__...so), or as one file in older builds.
module=$(compgen -G "$module_dir/lipisetu/__init__.cpython-*.so" || compgen -G "$module_dir/lipisetu.cpython-*.so" || true)
if [ -z "$module" ]; then
    echo "the Python module is not built (needs python3-dev and pybind11-dev): no comparison"
    exit 0
fi
if ! "$python" -c 'import icu' 2>/dev/null; then
    echo "PyICU is not installed for $python (Debian package python3-icu): no comparison"
    exit 0
fi

bench_text roman
"$KAVREL" "$in" >"$tmp/text.dev"
echo "python: $(bench_mb "$in") MB of Roman (sha256 $(bench_sum "$in")),"
echo "        $(bench_mb "$tmp/text.dev") MB of Devanagari from kavrel (sha256 $(bench_sum "$tmp/text.dev"))"
PYTHONPATH=$module_dir "$python" bench/python.py "$in" "$tmp/text.dev" "$RUNS"
