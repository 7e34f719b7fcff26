#!/usr/bin/env bash
# Throughput of pellam (ISCII to UTF-8) against cat and ICU's uconv on one
# generated ISCII text, pellam's peak memory, and whether pellam and uconv
# write the same bytes for it.
#
# Run from anywhere: bench/pellam.sh
#   SIZE_MB=20   size of the generated text (1 MB = 10^6 bytes)
#   RUNS=5       runs of each command (more for fast ones); the best counts
#   PELLAM=path  the binary (default build/pellam/pellam, built by make)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

size_mb=${SIZE_MB:-20}
bench_build
bench_need "$PELLAM"
bench_tmp
in=$tmp/text.iscii

# Words of consonants (some with nukta, some joined by the virama), vowel
# signs, anusvara, independent vowels at word starts, dandas, numbers;
# spaces and lines of 40 to 120 bytes. Every byte is one pellam converts.
python3 bench/gen.py iscii $((size_mb * 1000000)) "$in"
bytes=$(bench_size "$in")
have_uconv=1
command -v uconv >/dev/null || have_uconv=

echo "pellam: $(bench_div "$bytes" 1000000) MB of ISCII, best of $RUNS or more runs, output to /dev/null"
cat "$in" >/dev/null # into the page cache
t_pellam=$(bench_time "$RUNS" "$PELLAM" "$in")
t_cat=$(bench_time "$RUNS" cat "$in")
bench_row pellam "$(bench_mbps "$bytes" "$t_pellam")"
bench_row cat "$(bench_mbps "$bytes" "$t_cat")" "pellam/cat   $(bench_div "$t_cat" "$t_pellam" 2)x"
if [ -n "$have_uconv" ]; then
    t_uconv=$(bench_time "$RUNS" uconv -f ISCII,version=0 -t utf-8 "$in")
    ratio=$(bench_div "$t_uconv" "$t_pellam")
    verdict=OK
    ((t_uconv >= 10 * t_pellam)) || verdict="BELOW TARGET"
    bench_row "uconv -f ISCII,version=0" "$(bench_mbps "$bytes" "$t_uconv")" \
        "pellam/uconv ${ratio}x (target >= 10x: $verdict)"
else
    echo "uconv: not installed (Debian package icu-devtools); no comparison"
fi

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
