#!/usr/bin/env bash
# pellam --atr, ISCII read with the ATR code's switches of script, against
# ICU's ISCII decoder (uconv -f ISCII,version=0 --from-callback skip): on
# the benchmark's ISCII text with script codes put in (every script in
# turn at the start of each line, another in the middle of every third),
# and on random bytes; every difference must be one of ICU's known faults
# (bench/atr.py tells which, with a count of each). Then the speed of
# pellam --atr and of pellam without it on that text.
#
# Run from anywhere: bench/atr.sh
#   SIZE_MB=2    size of the benchmark's ISCII text (1 MB = 10^6 bytes)
#   RANDOM_INPUTS=1000   random inputs of each kind
#   RUNS=5       runs of each timed command (more for fast ones); the best counts
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

bench_start --size 2 "$PELLAM"
bench_need uconv
python3 bench/gen.py iscii $((size_mb * 1000000)) "$tmp/plain.iscii"
python3 bench/atr.py codes "$tmp/plain.iscii" "$tmp/text.iscii"
in=$tmp/text.iscii

echo "pellam --atr against $(uconv --version | sed 's/  */ /g'),"
echo "on $(bench_mb "$in") MB of ISCII with script codes (sha256 $(bench_sum "$in")) and random inputs:"
status=0
python3 bench/atr.py compare "$PELLAM" "$in" "${RANDOM_INPUTS:-1000}" || status=$?

# The messages (a letter a script lacks) go to /dev/null too.
quiet() { "$@" 2>/dev/null; }
cat "$in" >/dev/null # into the page cache
t_atr=$(bench_time "$RUNS" quiet "$PELLAM" --atr "$in")
t_plain=$(bench_time "$RUNS" quiet "$PELLAM" "$in")
echo "speed on that text, best of $RUNS or more runs, output and messages to /dev/null:"
printf '  %-14s %8s MB/s\n' "pellam --atr" "$(bench_mbps "$(bench_size "$in")" "$t_atr")" \
    pellam "$(bench_mbps "$(bench_size "$in")" "$t_plain")"
exit "$status"
