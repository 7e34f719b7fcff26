#!/usr/bin/env bash
# Throughput of kavrel (ISO 15919 Roman to Devanagari) in each of its modes,
# in one run on one generated Roman text: by default, with -s, with -n, with
# the text as UCS-2 input (UTF-16LE with its byte-order mark), with UCS-2
# output (-ol), and with the text in Unicode normal form D. Each is set
# against cat on the same file and against the other tools that make the
# same conversion: ICU's uconv Latin-Devanagari transliterator and
# sanscript.js (iso to devanagari, in node). Then instructions and cycles
# per input byte, and kavrel's peak memory.
#
# Run from anywhere: bench/kavrel.sh
#   SIZE_MB=20     size of the generated text (1 MB = 10^6 bytes)
#   RUNS=5         runs of kavrel and cat (more for fast ones); the best counts
#   KAVREL=path    the binary (default build/cli/kavrel, built by make)
#   and UCONV_RUNS, SANSCRIPT_RUNS, SLOW_LIMIT, SANSCRIPT, COUNTER, IR_MB:
#   see lib.sh
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

bench_start --size 20 --count "$KAVREL"
bench_text roman

# The same texts in Unicode normal form D (every accented letter spelt as
# its base letter and combining marks, as macOS and many input methods
# write it), and as UCS-2: UTF-16LE after the mark 0xFF 0xFE.
for f in text sample base; do
    python3 - "$tmp/$f" <<'EOF'
import sys, unicodedata
text = open(sys.argv[1] + '.txt', encoding='utf-8').read()
open(sys.argv[1] + '.nfd.txt', 'w', encoding='utf-8').write(unicodedata.normalize('NFD', text))
open(sys.argv[1] + '.ucs2.txt', 'wb').write(b'\xff\xfe' + text.encode('utf-16-le'))
EOF
done

# The rows: a name, kavrel's options, and the input ("" for the text,
# else the stem of the other form).
names=(kavrel "kavrel -s" "kavrel -n" "kavrel, UCS-2 input" "kavrel -ol (UCS-2 output)"
    "kavrel, the text in NFD")
opts=("" -s -n "" -ol "")
forms=("" "" "" .ucs2 "" .nfd)
labels=(default -s -n "UCS-2 input" -ol NFD) # for the memory line

echo "kavrel: $(bench_mb "$in") MB of ISO 15919 Roman (UTF-8, NFC; sha256 $(bench_sum "$in")), the same"
echo "        text as UCS-2 ($(bench_mb "$tmp/text.ucs2.txt") MB) and in NFD ($(bench_mb "$tmp/text.nfd.txt") MB);"
echo "        best of $RUNS or more runs, output to /dev/null"
if ! grep -q '[0-9]' "$in"; then
    echo "        (the text has no digits: -n converts none)"
fi
declare -A t_cat
t=()
for i in "${!names[@]}"; do
    file=$tmp/text${forms[i]}.txt
    cat "$file" >/dev/null # into the page cache
    # shellcheck disable=SC2086 # an empty option is no argument
    t[i]=$(bench_time "$RUNS" "$KAVREL" ${opts[i]} "$file")
    [ -n "${t_cat[$file]:-}" ] || t_cat[$file]=$(bench_time "$RUNS" cat "$file")
done

# The other tools, on the UTF-8 NFC text (or its first 2 MB when the whole
# would take too long).
bench_peers Latin-Devanagari iso devanagari "$in" "$prefix"

bench_head
for i in "${!names[@]}"; do
    file=$tmp/text${forms[i]}.txt
    # shellcheck disable=SC2086
    bench_prog_row "${names[i]}" "${t[i]}" "$file" "${t_cat[$file]}" "$tmp/sample${forms[i]}.txt" \
        "$tmp/base${forms[i]}.txt" "$KAVREL" ${opts[i]} {}
done
printf '%-27s %8s  (the UCS-2 file %s, the NFD file %s MB/s)\n' cat "$(bench_mbps "$bytes" "${t_cat[$in]}")" \
    "$(bench_mbps "$(bench_size "$tmp/text.ucs2.txt")" "${t_cat[$tmp/text.ucs2.txt]}")" \
    "$(bench_mbps "$(bench_size "$tmp/text.nfd.txt")" "${t_cat[$tmp/text.nfd.txt]}")"
bench_peer_rows "uconv Latin-Devanagari" "sanscript.js iso-devanagari"
echo "x cat: speed against cat on the same file; x uconv, x sanscript: times as fast on the same"
echo "text (theirs on the UTF-8 NFC text)"
bench_counts_legend

# The targets: kavrel (and kavrel -s) at 250 MB/s or more, and at least 70
# times as fast as the fastest other tool; the NFD text in at most 2.5
# times the time of the NFC text.
for i in 0 1; do
    bench_target "${names[i]}" "$bytes" "${t[i]}" 250 70
done
echo "NFD text: time $(bench_div "${t[5]}" "${t[0]}" 2)x that of NFC (target <= 2.5x: $( ((t[5] * 10 <= 25 * t[0])) && echo OK || echo "OVER TARGET"))"

line="kavrel peak memory (KB):"
worst=n/a
for i in "${!names[@]}"; do
    # shellcheck disable=SC2086
    kb=$(bench_rss "$KAVREL" ${opts[i]} "$tmp/text${forms[i]}.txt")
    line+=" ${labels[i]} $kb,"
    if [ "$kb" != n/a ] && { [ "$worst" = n/a ] || ((kb > worst)); }; then worst=$kb; fi
done
echo "${line%,} $(bench_kb_verdict "$worst")"
