#!/usr/bin/env bash
# Throughput of pellam (ISCII to UTF-8) against cat and ICU's uconv on one
# generated ISCII text (sanscript.js, the other tool compared elsewhere,
# has no ISCII), its instructions and cycles per input byte, pellam's peak
# memory, and whether pellam and uconv write the same bytes for it.
#
# Run from anywhere: bench/pellam.sh
#   SIZE_MB=20   size of the generated text (1 MB = 10^6 bytes)
#   RUNS=5       runs of each command (more for fast ones); the best counts
#   PELLAM=path  the binary (default build/cli/pellam, built by make)
#   and UCONV_RUNS, SLOW_LIMIT, COUNTER, IR_MB: see lib.sh
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

bench_start --size 20 --count "$PELLAM"
bench_text iscii

echo "pellam: $(bench_mb "$in") MB of ISCII (sha256 $(bench_sum "$in")),"
echo "        best of $RUNS or more runs, output to /dev/null"
cat "$in" >/dev/null # into the page cache
t_pellam=$(bench_time "$RUNS" "$PELLAM" "$in")
t_cat=$(bench_time "$RUNS" cat "$in")
bench_peers_start
bench_peer_uconv "$in" "$prefix" -f ISCII,version=0 -t utf-8

row() { printf '%-27s %8s %8s %8s %8s %7s\n' "$@"; }
row "" MB/s "x cat" "x uconv" instr/B "$(bench_cyc_head)"
read -r ir cyc < <(bench_counts "$t_pellam" "$in" "$sample" "$base" "$PELLAM" {})
row pellam "$(bench_mbps "$bytes" "$t_pellam")" "$(bench_div "$t_cat" "$t_pellam" 3)x" \
    "$(bench_ratio "${peer_t[uconv]:-}" "$t_pellam")" "$ir" "$cyc"
printf '%-27s %8s\n' cat "$(bench_mbps "$bytes" "$t_cat")"
bench_peer_rows "uconv -f ISCII,version=0" ""
echo "x cat, x uconv: times as fast as that tool on the same file; sanscript.js has no ISCII"
bench_counts_legend

# The target: pellam at 850 MB/s or more; its ratio to uconv is shown.
bench_target pellam "$bytes" "$t_pellam" 850

bench_memory pellam "$PELLAM" "$in"

# Same output as uconv? Messages on standard error mean dropped bytes.
[ -n "${peer_t[uconv]:-}" ] || exit 0
"$PELLAM" "$in" >"$tmp/pellam.out" 2>"$tmp/pellam.err"
uconv -f ISCII,version=0 -t utf-8 "$in" >"$tmp/uconv.out"
if [ -s "$tmp/pellam.err" ]; then
    echo "pellam wrote messages (dropped bytes):"
    head -n 5 "$tmp/pellam.err"
fi
if cmp -s "$tmp/pellam.out" "$tmp/uconv.out"; then
    echo "output: pellam and uconv agree ($(bench_size "$tmp/pellam.out") bytes)"
else
    echo "output: pellam and uconv DIFFER"
    python3 - "$in" "$tmp/pellam.out" "$tmp/uconv.out" <<'EOF'
import sys
src, a, b = (open(p, 'rb').read() for p in sys.argv[1:])
i = next((k for k in range(min(len(a), len(b))) if a[k] != b[k]), min(len(a), len(b)))
line = a.count(b'\n', 0, i)
print(f'  first difference at output byte {i}, line {line + 1}'
      f' (pellam {len(a)} bytes, uconv {len(b)} bytes)')
print('  pellam:', a[max(0, i - 12):i + 12].hex(' '))
print('  uconv: ', b[max(0, i - 12):i + 12].hex(' '))
print('  ISCII line:', src.split(b'\n')[line].hex(' '))
EOF
fi
