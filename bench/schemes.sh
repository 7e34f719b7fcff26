#!/usr/bin/env bash
# kavrel and sonwick in each Roman scheme that --scheme names besides the
# default (as the binaries list them: IAST, Harvard-Kyoto, ITRANS, SLP1,
# Velthuis, WX, ISO 15919 as published), against sanscript.js on the scheme
# of the same name where it has one, in the same run: reading the scheme
# (kavrel --scheme S: MB/s of the scheme's text) and writing it (sonwick
# --scheme S: MB/s of the Devanagari text), with the default scheme, ISO
# 15919, both ways for reference. The Devanagari text is kavrel's
# conversion of the generated ISO 15919 text, and each scheme's text is
# sonwick's conversion of that Devanagari into the scheme, so every scheme
# carries the same words. The targets, in every scheme: reading at 150
# MB/s or more, writing at 500 MB/s or more, and each at least 30 times as
# fast as sanscript.js where it has the scheme. sanscript.js takes most of
# the run's time (six or seven minutes at the default size on a 2-core
# machine).
#
# Run from anywhere: bench/schemes.sh
#   SIZE_MB=20        size of the generated ISO 15919 text (1 MB = 10^6 bytes)
#   RUNS=5            runs of kavrel and sonwick (more for fast ones); the best counts
#   KAVREL, SONWICK   the binaries (default build/cli/NAME, built by make)
#   and SANSCRIPT_RUNS, SLOW_LIMIT, SANSCRIPT: see lib.sh
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

bench_start --size 20 "$KAVREL" "$SONWICK"
if ! bench_scheme_check "$KAVREL" "$SONWICK"; then
    echo "schemes: skipped, $scheme_why"
    exit 0
fi
bench_text roman
dev=$tmp/dev.txt
"$KAVREL" "$in" >"$dev"
dev_bytes=$(bench_size "$dev")
bench_prefix "$dev" 2000000 "$tmp/dev.prefix" # for sanscript.js, if slow

# Each scheme's text and its prefix; the default scheme's is the
# generated text itself, converted without --scheme.
declare -A text text_prefix
text[$bench_default]=$in text_prefix[$bench_default]=$prefix
for s in "${bench_schemes[@]}"; do
    text[$s]=$tmp/$s.txt text_prefix[$s]=$tmp/$s.prefix
    "$SONWICK" --scheme "$s" "$dev" >"${text[$s]}"
    bench_prefix "${text[$s]}" 2000000 "${text_prefix[$s]}"
done

echo "schemes: $(bench_mb "$in") MB of ISO 15919 Roman (sha256 $(bench_sum "$in")), the $(bench_mb "$dev") MB of"
echo "         Devanagari that kavrel makes of it (sha256 $(bench_sum "$dev")), and sonwick --scheme S"
echo "         of that for each scheme; best of $RUNS or more runs, output to /dev/null"

# scheme_opt S: the option that names scheme S, none for the default.
scheme_opt() { [ "$1" = "$bench_default" ] || printf '%s\n' --scheme "$1"; }

bench_peers_start
have_sanscript=
if bench_sanscript; then have_sanscript=1; fi
declare -A t_read t_write
schemes=("$bench_default" "${bench_schemes[@]}")
declare -A nopeer=() # the schemes sanscript.js has none of the name of
for s in "${schemes[@]}"; do
    mapfile -t opt < <(scheme_opt "$s")
    t_read[$s]=$(bench_time "$RUNS" "$KAVREL" "${opt[@]}" "${text[$s]}")
    t_write[$s]=$(bench_time "$RUNS" "$SONWICK" "${opt[@]}" "$dev")
    if [ -n "$have_sanscript" ] && ! bench_sanscript_has "$s"; then
        nopeer[$s]=1
    elif [ -n "$have_sanscript" ]; then
        bench_peer_sanscript "$s" devanagari "${text[$s]}" "${text_prefix[$s]}" "read $s"
        bench_peer_sanscript devanagari "$s" "$dev" "$tmp/dev.prefix" "write $s"
    fi
done

# sanscript_cell NAME: the MB/s of sanscript.js timed as NAME, starred when
# it was timed on a prefix; - when it was not timed.
sanscript_cell() {
    if [ -z "${peer_t[$1]:-}" ]; then
        echo -
    elif [[ ${peer_note[$1]} == *prefix* ]]; then
        echo "${peer_rate[$1]}*"
    else
        echo "${peer_rate[$1]}"
    fi
}
row() { printf '%-9s %6s %10s %10s %8s %11s %10s %8s  %s\n' "$@"; }
row scheme MB "read MB/s" sanscript ratio "write MB/s" sanscript ratio "sha256 of the scheme's text"
prefixed= # any sanscript.js figure from a prefix
for s in "${schemes[@]}"; do
    for k in "read $s" "write $s"; do
        [[ ${peer_note[$k]:-} != *prefix* ]] || prefixed=1
    done
    row "$s" "$(bench_mb "${text[$s]}")" \
        "$(bench_mbps "$(bench_size "${text[$s]}")" "${t_read[$s]}")" "$(sanscript_cell "read $s")" \
        "$(bench_ratio "${peer_t[read $s]:-}" "${t_read[$s]}")" \
        "$(bench_mbps "$dev_bytes" "${t_write[$s]}")" "$(sanscript_cell "write $s")" \
        "$(bench_ratio "${peer_t[write $s]:-}" "${t_write[$s]}")" "$(bench_sum "${text[$s]}")"
done
echo "read: kavrel --scheme S on the scheme's text, MB/s of that text; write: sonwick --scheme S on"
echo "the Devanagari text, MB/s of the Devanagari text ($bench_default: without --scheme); ratio: times as fast"
if [ -n "$have_sanscript" ]; then
    echo "as sanscript.js, Sanscript.t(text, S, 'devanagari') and Sanscript.t(text, 'devanagari', S),"
    echo "timed on the same text ($sanscript_about: conversion and write timed in node,"
    echo "text read first; best of ${SANSCRIPT_RUNS:-3})"
    [ -z "$prefixed" ] ||
        echo "*: sanscript.js on a 2 MB prefix of the text: the whole would take over $slow_limit s a run"
else
    echo "as sanscript.js, not timed here: $sanscript_why"
fi
for skip in "${peer_skips[@]}"; do echo "sanscript.js $skip; no comparison"; done
for s in "${schemes[@]}"; do [ -z "${nopeer[$s]:-}" ] || echo "sanscript.js has no scheme $s: no peer"; done

# Does each scheme's text give the Devanagari text back? A scheme that
# loses a distinction shows here, and its figures are for other text.
same=() differ=()
for s in "${bench_schemes[@]}"; do
    "$KAVREL" --scheme "$s" "${text[$s]}" >"$tmp/back.txt"
    if cmp -s "$tmp/back.txt" "$dev"; then
        same+=("$s")
    else
        n=$(diff "$tmp/back.txt" "$dev" | grep -c '^<' || true) # diff fails when they differ
        differ+=("$s ($n lines differ)")
    fi
done
line="kavrel --scheme S gives back the Devanagari text from the scheme's text for: ${same[*]:-none}"
if ((${#differ[@]})); then
    line+="; NOT for:"
    for d in "${differ[@]}"; do line+=" $d,"; done
    line=${line%,}
fi
echo "$line"

# The targets, in every scheme but the default (whose targets kavrel.sh
# and sonwick.sh check): reading at 150 MB/s or more, writing at 500 MB/s
# or more, each at least 30 times as fast as sanscript.js where it has the
# scheme.
target() {
    local name=$1 bytes=$2 t=$3 mbps=$4 k=$5 s=$6
    if [ -n "${nopeer[$s]:-}" ]; then
        echo "$(bench_target_line "$(printf '%-25s' "$name")" "$bytes" "$t" "$mbps" "" "" ""), no peer"
    elif [ -n "${peer_t[$k]:-}" ]; then
        bench_target_line "$(printf '%-25s' "$name")" "$bytes" "$t" "$mbps" 30 sanscript.js "${peer_t[$k]}"
    else
        bench_target_line "$(printf '%-25s' "$name")" "$bytes" "$t" "$mbps" 30 "" ""
    fi
}
for s in "${bench_schemes[@]}"; do
    target "kavrel --scheme $s" "$(bench_size "${text[$s]}")" "${t_read[$s]}" 150 "read $s" "$s"
done
for s in "${bench_schemes[@]}"; do
    target "sonwick --scheme $s" "$dev_bytes" "${t_write[$s]}" 500 "write $s" "$s"
done
