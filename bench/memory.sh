#!/usr/bin/env bash
# Peak memory (max RSS) of pellam, kavrel and sonwick on a large input of
# ordinary lines and on one long line with no line feed. The target is
# under 4 MB (4096 KB) for every program on every input, however large.
#
# Run from anywhere: bench/memory.sh
#   SIZE_MB=1024   size of the large inputs (1 MB = 10^6 bytes); made
#                  smaller, with a warning, when the disk has too little room
#   LINE_MB=50     size of the single-line inputs
#   PELLAM, KAVREL, SONWICK   the binaries (default build/cli/NAME)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

bench_start --size 1024 "$PELLAM" "$KAVREL"
line_mb=${LINE_MB:-50}
[ -x /usr/bin/time ] || echo "WARNING: /usr/bin/time is missing (Debian package: time); memory is n/a"

# Inputs are made one program at a time and removed after use, but keep to
# the rule of room for all three large ones at once.
read -r _ _ _ avail_kb _ < <(df -Pk "$tmp" | tail -n 1)
avail_mb=$((avail_kb / 1000))
if ((avail_mb < 3 * size_mb + 3 * line_mb)); then
    size_mb=$(((avail_mb - 3 * line_mb) / 3))
    if ((size_mb < 50)); then
        echo "not enough free disk space for the inputs (${avail_mb} MB free)"
        exit 1
    fi
    echo "WARNING: only ${avail_mb} MB free on the scratch disk; large inputs cut to ${size_mb} MB"
fi

size=$((size_mb * 1000000))
line=$((line_mb * 1000000))

# measure NAME WHAT FILE CMD...: one line with the peak memory of CMD FILE.
measure() {
    local name=$1 what=$2 file=$3 t0 t1 kb verdict
    shift 3
    t0=${EPOCHREALTIME/./}
    kb=$(bench_rss "$@" "$file")
    t1=${EPOCHREALTIME/./}
    verdict=PASS
    case $kb in n/a) verdict= ;; *) ((kb < 4096)) || verdict=OVER ;; esac
    printf '%-10s %-41s %6s KB  %-4s  (%s s)\n' "$name" "$what" "$kb" "$verdict" \
        "$(bench_div $((t1 - t0)) 1000000)"
}

big="$size_mb MB, lines of 40-120 bytes"
one="$line_mb MB, one line, no line feed"
echo "peak memory (max RSS); target under 4096 KB"

python3 bench/gen.py iscii "$size" "$tmp/big"
measure pellam "ISCII $big" "$tmp/big" "$PELLAM"
python3 bench/gen.py iscii "$line" "$tmp/line" --one-line
measure pellam "ISCII $one" "$tmp/line" "$PELLAM"
rm -f "$tmp/big" "$tmp/line"

python3 bench/gen.py roman "$size" "$tmp/big"
measure kavrel "Roman $big" "$tmp/big" "$KAVREL"
measure "kavrel -s" "Roman $big" "$tmp/big" "$KAVREL" -s
python3 bench/gen.py roman "$line" "$tmp/line" --one-line
measure kavrel "Roman $one" "$tmp/line" "$KAVREL"
measure "kavrel -s" "Roman $one" "$tmp/line" "$KAVREL" -s
rm -f "$tmp/big" "$tmp/line"

# sonwick may not be written yet: a placeholder exits 0 with no output.
printf '\xe0\xa4\x95\xe0\xa4\xbe \xe0\xa4\xae\n' >"$tmp/probe" # "का म"
if [ ! -x "$SONWICK" ]; then
    echo "sonwick    skipped: $SONWICK is missing"
elif "$SONWICK" "$tmp/probe" >"$tmp/probe.out" 2>/dev/null && [ ! -s "$tmp/probe.out" ]; then
    echo "sonwick    skipped: $SONWICK is a placeholder (no output)"
else
    # Devanagari UTF-8: pellam's conversion of generated ISCII, repeated.
    python3 bench/gen.py iscii 8000000 "$tmp/chunk.iscii"
    "$PELLAM" "$tmp/chunk.iscii" >"$tmp/chunk"
    python3 bench/gen.py repeat "$size" "$tmp/big" "$tmp/chunk"
    measure sonwick "Devanagari $big" "$tmp/big" "$SONWICK"
    rm -f "$tmp/big"
    python3 bench/gen.py iscii 20000000 "$tmp/chunk.iscii" --one-line
    "$PELLAM" "$tmp/chunk.iscii" >"$tmp/chunk"
    python3 bench/gen.py repeat "$line" "$tmp/line" "$tmp/chunk"
    measure sonwick "Devanagari $one" "$tmp/line" "$SONWICK"
fi
