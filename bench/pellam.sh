#!/usr/bin/env bash
# Throughput of pellam (ISCII to UTF-8) against cat and ICU's uconv on one
# generated ISCII text (sanscript.js, the other tool compared elsewhere,
# has no ISCII), its instructions and cycles per input byte, pellam's peak
# memory, and whether pellam and uconv write the same bytes for it.
#
# Run from anywhere: bench/pellam.sh
#   SIZE_MB=20   size of the generated text (1 MB = 10^6 bytes)
#   RUNS=5       runs of each command (more for fast ones); the best counts
#   PELLAM=path  the binary (default build/pellam/pellam, built by make)
#   and UCONV_RUNS, SLOW_LIMIT, COUNTER, IR_MB: see lib.sh
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

size_mb=${SIZE_MB:-20}
bench_build
bench_need "$PELLAM"
bench_counter_pick
bench_tmp
in=$tmp/text.iscii

# Words of consonants (some with nukta, some joined by the virama), vowel
# signs, anusvara, independent vowels at word starts, dandas, numbers;
# spaces and lines of 40 to 120 bytes. Every byte is one pellam converts.
python3 bench/gen.py iscii $((size_mb * 1000000)) "$in"
bytes=$(bench_size "$in")
bench_prefix "$in" 2000000 "$tmp/prefix.iscii" # for uconv, if slow
bench_sample "$in" "$tmp/sample.iscii" "$tmp/base.iscii"
have_uconv=1
command -v uconv >/dev/null || have_uconv=

echo "pellam: $(bench_div "$bytes" 1000000) MB of ISCII (sha256 $(bench_sum "$in")),"
echo "        best of $RUNS or more runs, output to /dev/null"
cat "$in" >/dev/null # into the page cache
t_pellam=$(bench_time "$RUNS" "$PELLAM" "$in")
t_cat=$(bench_time "$RUNS" cat "$in")
uconv_p() { bench_time "$1" uconv -f ISCII,version=0 -t utf-8 "$2"; }
if [ -n "$have_uconv" ]; then
    bench_slow uconv_p "${UCONV_RUNS:-3}" "$in" "$tmp/prefix.iscii" || have_uconv=
fi

row() { printf '%-27s %8s %8s %8s %8s %7s\n' "$@"; }
row "" MB/s "x cat" "x uconv" instr/B "$(bench_cyc_head)"
read -r ir cyc < <(bench_counts "$t_pellam" "$in" "$tmp/sample.iscii" "$tmp/base.iscii" "$PELLAM" {})
x_uconv=-
[ -z "$have_uconv" ] || x_uconv="$(bench_div "$slow_t" "$t_pellam")x"
row pellam "$(bench_mbps "$bytes" "$t_pellam")" "$(bench_div "$t_cat" "$t_pellam" 3)x" "$x_uconv" "$ir" "$cyc"
printf '%-27s %8s\n' cat "$(bench_mbps "$bytes" "$t_cat")"
if [ -n "$have_uconv" ]; then
    printf '%-27s %8s  (%s)\n' "uconv -f ISCII,version=0" "$slow_mbps" \
        "$(uconv --version | sed 's/  */ /g'); $slow_note"
else
    echo "uconv: not installed (Debian package icu-devtools) or failed; no comparison"
fi
echo "x cat, x uconv: times as fast as that tool on the same file; sanscript.js has no ISCII"
bench_counts_legend

# The target: pellam at 850 MB/s or more.
line="pellam $(bench_mbps "$bytes" "$t_pellam") MB/s (target >= 850: $( ((bytes >= 850 * t_pellam)) && echo OK || echo "BELOW TARGET"))"
[ -z "$have_uconv" ] || line+=", $x_uconv the best other tool, uconv"
echo "$line"

kb=$(bench_rss "$PELLAM" "$in")
echo "pellam peak memory: $kb KB $(bench_kb_verdict "$kb")"

# Same output as uconv? Messages on standard error mean dropped bytes.
[ -n "$have_uconv" ] || exit 0
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
