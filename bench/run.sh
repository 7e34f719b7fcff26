#!/usr/bin/env bash
# Runs every benchmark in bench/, one after another: each NAME.sh but
# lib.sh, run.sh and memory.sh, then memory.sh (the longest). Settings in
# the environment (RUNS, PELLAM, ...) reach every script; SIZE_MB is each
# script's own input size, so leave it unset here unless that is meant.
#
# Run from anywhere: bench/run.sh
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

status=0
for script in bench/*.sh; do
    case ${script##*/} in lib.sh | run.sh | memory.sh) continue ;; esac
    echo "=== ${script##*/}"
    bash "$script" || { echo "${script##*/} failed"; status=1; }
    echo
done
echo "=== memory.sh"
bash bench/memory.sh || { echo "memory.sh failed"; status=1; }
exit $status
