#!/usr/bin/env bash
# sonwick against cat and the other tools that convert Devanagari to ISO
# 15919 Roman, ICU's uconv Devanagari-Latin transliterator and sanscript.js
# (devanagari to iso, in node), in one run on the same Devanagari text
# (UTF-8), read from the named file, from standard input and through a pipe
# (which must give the same bytes); then instructions and cycles per input
# byte, and sonwick's peak memory.
#
# Run from anywhere: bench/sonwick.sh
#   SIZE_MB=20      size of the Devanagari text (1 MB = 10^6 bytes), about
#   RUNS=5          runs of sonwick and cat (more for fast ones); the best counts
#   SONWICK=path    the binary (default build/cli/sonwick, built by make)
#   and UCONV_RUNS, SANSCRIPT_RUNS, SLOW_LIMIT, SANSCRIPT, COUNTER, IR_MB:
#   see lib.sh
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

# The words of the ISCII benchmark, turned into UTF-8 by pellam.
bench_start --size 20 --count "$SONWICK" "$PELLAM"
bench_text devanagari

# Can this sonwick read standard input? (An early one could not.)
stdin=1
printf '\xe0\xa4\x95\n' >"$tmp/probe" # "क"
if ! "$SONWICK" <"$tmp/probe" >"$tmp/probe.out" 2>/dev/null || [ ! -s "$tmp/probe.out" ]; then
    stdin=
fi

echo "sonwick: $(bench_mb "$in") MB of Devanagari (UTF-8; sha256 $(bench_sum "$in")),"
echo "         best of $RUNS or more runs, output to /dev/null"
cat "$in" >/dev/null # into the page cache
t_sonwick=$(bench_time "$RUNS" "$SONWICK" "$in")
if [ -n "$stdin" ]; then
    # The same text on standard input: redirected from the file, and
    # through a pipe from cat, which hands it over in short reads.
    t_stdin=$(bench_time_in "$RUNS" "$in" "$SONWICK")
    # shellcheck disable=SC2016 # expanded by that bash
    t_pipe=$(bench_time "$RUNS" bash -c 'cat -- "$1" | "$0"' "$SONWICK" "$in")
fi
t_cat=$(bench_time "$RUNS" cat "$in")

# The other tools, on the same file (or its first 2 MB when the whole
# would take too long).
bench_peers Devanagari-Latin devanagari iso "$in" "$prefix"

bench_head
bench_prog_row sonwick "$t_sonwick" "$in" "$t_cat" "$sample" "$base" "$SONWICK" {}
if [ -n "$stdin" ]; then
    bench_prog_row "sonwick < file" "$t_stdin" "$in" "$t_cat" "$sample" "$base" "$SONWICK"
    bench_prog_row "cat file | sonwick" "$t_pipe" "$in" "$t_cat" "" "" -
else
    echo "sonwick < file, cat | sonwick: skipped, $SONWICK does not read standard input"
fi
printf '%-27s %8s\n' cat "$(bench_mbps "$bytes" "$t_cat")"
bench_peer_rows "uconv Devanagari-Latin" "sanscript.js devanagari-iso"
echo "x cat, x uconv, x sanscript: times as fast as that tool on the same file"
bench_counts_legend

# The targets: sonwick at 800 MB/s or more, and at least 65 times as fast
# as the fastest other tool.
bench_target sonwick "$bytes" "$t_sonwick" 800 65

# Standard input, whichever way it comes, gives the bytes of the named file.
if [ -n "$stdin" ]; then
    "$SONWICK" "$in" >"$tmp/file.out"
    "$SONWICK" <"$in" >"$tmp/stdin.out"
    cat -- "$in" | "$SONWICK" >"$tmp/pipe.out"
    if cmp -s "$tmp/file.out" "$tmp/stdin.out" && cmp -s "$tmp/file.out" "$tmp/pipe.out"; then
        echo "output: the same $(bench_size "$tmp/file.out") bytes from the file, from < file and from a pipe"
    else
        echo "output: standard input and the named file DIFFER"
        exit 1
    fi
fi

bench_memory sonwick "$SONWICK" "$in"
