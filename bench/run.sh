#!/usr/bin/env bash
# Runs every benchmark in bench/, one after another: each NAME.sh but
# lib.sh, run.sh and memory.sh, then memory.sh (the longest), and ends with
# the lines that check a target, gathered. Settings in the environment
# (RUNS, KAVREL, ...; see lib.sh) reach every script; SIZE_MB is each
# script's own input size, so leave it unset here unless that is meant.
#
# To compare two builds, run it once with each, in the same session:
#   KAVREL=old/kavrel SONWICK=old/sonwick PELLAM=old/pellam bench/run.sh
#
# Run from anywhere: bench/run.sh
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh" || exit 1 # and into the repository's top

bench_build
log=$(mktemp)
trap 'rm -f "$log"' EXIT

{
    echo "=== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "    $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)${bench_mhz:+, cpu MHz $bench_mhz}"
    for b in "$KAVREL" "$SONWICK" "$PELLAM"; do
        if [ -f "$b" ]; then
            echo "    $b: sha256 $(bench_sum "$b"), $(date -u -r "$b" '+built %Y-%m-%d %H:%M UTC')"
        else
            echo "    $b: missing"
        fi
    done
    echo
} | tee "$log"

all() {
    local status=0 script
    for script in bench/*.sh; do
        case ${script##*/} in lib.sh | run.sh | memory.sh) continue ;; esac
        echo "=== ${script##*/}"
        bash "$script" || { echo "${script##*/} failed"; status=1; }
        echo
    done
    echo "=== memory.sh"
    bash bench/memory.sh || { echo "memory.sh failed"; status=1; }
    return $status
}
all 2>&1 | tee -a "$log"
status=${PIPESTATUS[0]}

echo
echo "=== targets"
grep -E 'target [<>]=? [0-9.]+x?:' "$log" || echo "(no speed target was checked)"
# Peak memory: one line when every figure is under the target.
checks=$(grep -cE 'target < 4096 KB: (PASS|OVER)|  (PASS|OVER)  ' "$log")
if grep -qE 'target < 4096 KB: OVER|  OVER  ' "$log"; then
    grep -E 'target < 4096 KB: OVER|  OVER  ' "$log"
else
    echo "peak memory under 4096 KB in all $checks lines that measure it (PASS)"
fi
exit "$status"
