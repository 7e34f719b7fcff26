#!/usr/bin/env bash
# Throughput of kavrel (ISO 15919 Roman to Devanagari), with and without
# -s, against cat and ICU's uconv Latin-Devanagari transliterator on one
# generated Roman text, and kavrel's peak memory.
#
# Run from anywhere: bench/kavrel.sh
#   SIZE_MB=20     size of the generated text (1 MB = 10^6 bytes)
#   RUNS=5         runs of kavrel and cat (more for fast ones); the best counts
#   UCONV_RUNS=3   runs of uconv, which is slow
#   KAVREL=path    the binary (default build/kavrel/kavrel, built by make)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

size_mb=${SIZE_MB:-20}
uconv_runs=${UCONV_RUNS:-3}
uconv_limit=60 # seconds one uconv run may take on the whole text
bench_build
bench_need "$KAVREL"
bench_tmp
in=$tmp/text.txt

# Words of one to four syllables (consonant, sometimes a conjunct, vowel,
# now and then anusvara or visarga), independent vowels at word starts,
# some final consonants and punctuation; lines of 40 to 120 bytes.
python3 bench/gen.py roman $((size_mb * 1000000)) "$in"
bytes=$(bench_size "$in")
# The same text in Unicode normal form D: every accented letter spelt as
# its base letter and combining marks, as macOS and many input methods
# write it.
nfd=$tmp/text.nfd.txt
python3 -c 'import sys, unicodedata; sys.stdout.write(unicodedata.normalize("NFD", sys.stdin.read()))' \
    <"$in" >"$nfd"
nfd_bytes=$(bench_size "$nfd")

echo "kavrel: $(bench_div "$bytes" 1000000) MB of ISO 15919 Roman, best of $RUNS or more runs, output to /dev/null"
cat "$in" >/dev/null # into the page cache
t_kavrel=$(bench_time "$RUNS" "$KAVREL" "$in")
t_kavrel_s=$(bench_time "$RUNS" "$KAVREL" -s "$in")
t_kavrel_nfd=$(bench_time "$RUNS" "$KAVREL" "$nfd")
t_cat=$(bench_time "$RUNS" cat "$in")
bench_row kavrel "$(bench_mbps "$bytes" "$t_kavrel")"
bench_row "kavrel -s" "$(bench_mbps "$bytes" "$t_kavrel_s")"
nfd_ratio=$(bench_div "$t_kavrel_nfd" "$t_kavrel" 2)
nfd_verdict=$( ((t_kavrel_nfd * 10 <= 25 * t_kavrel)) && echo OK || echo "OVER TARGET")
bench_row "kavrel, same text in NFD" "$(bench_mbps "$nfd_bytes" "$t_kavrel_nfd")" \
    "($(bench_div "$nfd_bytes" 1000000) MB; time ${nfd_ratio}x that of NFC, target <= 2.5x: $nfd_verdict)"
bench_row cat "$(bench_mbps "$bytes" "$t_cat")" \
    "kavrel/cat $(bench_div "$t_cat" "$t_kavrel" 3)x, -s $(bench_div "$t_cat" "$t_kavrel_s" 3)x"

if command -v uconv >/dev/null; then
    # One run on a 2 MB prefix tells whether the whole text is affordable.
    uconv=(uconv -f utf-8 -t utf-8 -x Latin-Devanagari)
    bench_prefix "$in" 2000000 "$tmp/prefix.txt"
    u_bytes=$(bench_size "$tmp/prefix.txt")
    t_uconv=$(bench_time 1 "${uconv[@]}" "$tmp/prefix.txt")
    note="on a 2 MB prefix: the whole text would take over ${uconv_limit} s"
    if ((t_uconv * bytes / u_bytes <= uconv_limit * 1000000)); then
        u_bytes=$bytes
        t_uconv=$(bench_time "$uconv_runs" "${uconv[@]}" "$in")
        note="whole text, best of $uconv_runs"
    fi
    # Ratios of speeds (MB/s), as uconv may have read fewer bytes.
    u_rate=$((u_bytes * 1000 / t_uconv)) # bytes per millisecond
    k_rate=$((bytes * 1000 / t_kavrel))
    ks_rate=$((bytes * 1000 / t_kavrel_s))
    v() { (($1 >= 25 * u_rate)) && echo OK || echo "BELOW TARGET"; }
    bench_row "uconv Latin-Devanagari" "$(bench_mbps "$u_bytes" "$t_uconv")" "($note)"
    echo "kavrel/uconv:    $(bench_div "$k_rate" "$u_rate")x (target >= 25x: $(v "$k_rate"))"
    echo "kavrel -s/uconv: $(bench_div "$ks_rate" "$u_rate")x (target >= 25x: $(v "$ks_rate"))"
else
    echo "uconv: not installed (Debian package icu-devtools); no comparison"
fi

for opt in "" -s; do
    kb=$(bench_rss "$KAVREL" $opt "$in")
    echo "kavrel${opt:+ $opt} peak memory: $kb KB $(bench_kb_verdict "$kb")"
done
