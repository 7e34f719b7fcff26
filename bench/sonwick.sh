#!/usr/bin/env bash
# sonwick against cat and ICU's Devanagari-Latin transliterator, in one run
# on the same Devanagari text (UTF-8), read from the named file, from
# standard input and through a pipe (which must give the same bytes), and
# sonwick's peak memory.
#
# Run from anywhere: bench/sonwick.sh
#   SIZE_MB=20      size of the Devanagari text (1 MB = 10^6 bytes), about
#   UCONV_RUNS=3    runs of uconv (it is slow)
#   SONWICK=path    the binary (default build/sonwick/sonwick, built by make)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

size_mb=${SIZE_MB:-20}
bench_build
bench_need "$SONWICK" "$PELLAM"
bench_tmp
in=$tmp/text.txt

# The words of the ISCII benchmark (consonants with and without vowel
# signs, conjuncts, nukta letters, anusvara, independent vowels, dandas,
# numbers, lines of 40 to 120 bytes), turned into UTF-8 by pellam; each
# ISCII byte becomes about 2.4 bytes.
python3 bench/gen.py iscii $((size_mb * 1000000 * 10 / 24)) "$tmp/text.iscii"
"$PELLAM" "$tmp/text.iscii" >"$in"
bytes=$(bench_size "$in")

echo "sonwick: $(bench_div "$bytes" 1000000) MB of Devanagari, best of $RUNS or more runs, output to /dev/null"
cat "$in" >/dev/null # into the page cache
t_sonwick=$(bench_time "$RUNS" "$SONWICK" "$in")
# The same text on standard input: redirected from the file, and through a
# pipe from cat, which hands it over in short reads.
t_stdin=$(bench_time_in "$RUNS" "$in" "$SONWICK")
t_pipe=$(bench_time "$RUNS" bash -c 'cat -- "$1" | "$0"' "$SONWICK" "$in")
t_cat=$(bench_time "$RUNS" cat "$in")
bench_row sonwick "$(bench_mbps "$bytes" "$t_sonwick")"
bench_row "sonwick < file" "$(bench_mbps "$bytes" "$t_stdin")"
bench_row "cat file | sonwick" "$(bench_mbps "$bytes" "$t_pipe")"
bench_row cat "$(bench_mbps "$bytes" "$t_cat")" "sonwick/cat $(bench_div "$t_cat" "$t_sonwick" 3)x"

# Standard input, whichever way it comes, gives the bytes of the named file.
"$SONWICK" "$in" >"$tmp/file.out"
"$SONWICK" <"$in" >"$tmp/stdin.out"
cat -- "$in" | "$SONWICK" >"$tmp/pipe.out"
if cmp -s "$tmp/file.out" "$tmp/stdin.out" && cmp -s "$tmp/file.out" "$tmp/pipe.out"; then
    echo "output: the same $(bench_size "$tmp/file.out") bytes from the file, from < file and from a pipe"
else
    echo "output: standard input and the named file DIFFER"
    exit 1
fi

if command -v uconv >/dev/null; then
    t_uconv=$(bench_time "${UCONV_RUNS:-3}" uconv -f utf-8 -t utf-8 -x Devanagari-Latin "$in")
    verdict=$( ((t_uconv >= 25 * t_sonwick)) && echo OK || echo "BELOW TARGET")
    bench_row "uconv Devanagari-Latin" "$(bench_mbps "$bytes" "$t_uconv")" \
        "sonwick/uconv $(bench_div "$t_uconv" "$t_sonwick")x (target >= 25x: $verdict)"
else
    echo "uconv: not installed (Debian package icu-devtools); no comparison"
fi

kb=$(bench_rss "$SONWICK" "$in")
echo "sonwick peak memory: $kb KB $(bench_kb_verdict "$kb")"
