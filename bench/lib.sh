# shellcheck shell=bash
# Helpers shared by the bench/*.sh scripts; source it, do not run it.
#
# Times are wall-clock microseconds from bash's EPOCHREALTIME, so no extra
# process runs inside a measurement. 1 MB is 10^6 bytes, which makes MB/s
# simply bytes per microsecond.
#
#   RUNS=5                    runs of each timed command (at least); the
#                             best one counts
#   PELLAM, KAVREL, SONWICK   the binaries (default: build/cli/NAME); a
#                             relative path is taken from the current folder
#   UCONV_RUNS=3, SANSCRIPT_RUNS=3
#                             runs of the slow tools compared (best counts)
#   SLOW_LIMIT=20             seconds one run of a slow tool may take on the
#                             whole text; past that it is timed on a 2 MB
#                             prefix, and the output says so
#   SANSCRIPT=off             leave sanscript.js out
#   COUNTER=auto              how instructions (and cycles) per byte are
#                             counted: perf (perf stat), callgrind, or off;
#                             auto takes perf stat where it counts cycles
#                             and instructions on this machine, else
#                             callgrind, else nothing
#   IR_MB=2                   size of the sample callgrind runs on

for v in PELLAM KAVREL SONWICK; do
    case ${!v:-} in */*) declare "$v=$(realpath -m "${!v}")" ;; esac
done
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1

RUNS=${RUNS:-5}
PELLAM=${PELLAM:-build/cli/pellam}
KAVREL=${KAVREL:-build/cli/kavrel}
SONWICK=${SONWICK:-build/cli/sonwick}

# Builds the Release binaries with `make -s all`, once more after a minute
# if that fails (another engineer's file may be mid-edit). If it fails again
# the binaries already built are used, with a warning.
bench_build() {
    make -s all >/dev/null && return 0
    echo "build failed; retrying in 60 s" >&2
    sleep 60
    make -s all >/dev/null && return 0
    echo "WARNING: build failed twice; using the binaries already built" >&2
}

# bench_need BINARY...: stops the script unless every BINARY can be run.
bench_need() {
    local b
    for b; do
        command -v "$b" >/dev/null || { echo "missing: $b" >&2; exit 1; }
    done
}

# A scratch directory in $tmp, removed when the script exits.
bench_tmp() {
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
}

bench_size() { stat -c %s "$1"; }

# bench_mb FILE: the size of FILE in MB, with one decimal.
bench_mb() { bench_div "$(bench_size "$1")" 1000000; }

# bench_start [--size DEFAULT_MB] [--count] BINARY...: what every script
# does first: sets size_mb, the size of its input, from SIZE_MB (else
# DEFAULT_MB), builds the programs (bench_build), stops unless each BINARY
# can be run (bench_need), picks how instructions are counted with --count
# (bench_counter_pick), and makes the scratch directory $tmp (bench_tmp).
# shellcheck disable=SC2034 # size_mb is for the scripts
bench_start() {
    local count=
    while (($#)); do
        case $1 in
        --size)
            size_mb=${SIZE_MB:-$2}
            shift 2
            ;;
        --count)
            count=1
            shift
            ;;
        *) break ;;
        esac
    done
    bench_build
    bench_need "$@"
    [ -z "$count" ] || bench_counter_pick
    bench_tmp
}

# bench_text KIND: makes the script's input, the same bytes every run, of
# size_mb MB in lines of 40 to 120 bytes (bench/gen.py), and sets
#   in        its path ($tmp/text.txt, or $tmp/text.iscii)
#   bytes     its size
#   prefix    its first 2 MB of whole lines, for the slow tools (bench_slow)
#   sample, base   its first lines for callgrind (bench_sample)
# KIND is one of
#   roman       ISO 15919 Roman, UTF-8 in NFC: words of one to four
#               syllables (consonant, sometimes a conjunct, vowel, now and
#               then anusvara or visarga), independent vowels at word
#               starts, some final consonants, punctuation and numbers
#   iscii       ISCII: words of consonants (some with nukta, some joined by
#               the virama), vowel signs, anusvara, independent vowels at
#               word starts, dandas and numbers; every byte is one pellam
#               converts
#   devanagari  UTF-8 Devanagari: the ISCII text's words turned into UTF-8
#               by $PELLAM; each ISCII byte becomes about 2.4 bytes, so the
#               ISCII text is made 10/24 of the size
# shellcheck disable=SC2034 # the variables are for the scripts
bench_text() {
    local ext=txt
    case $1 in
    roman) python3 bench/gen.py roman $((size_mb * 1000000)) "$tmp/text.txt" ;;
    iscii)
        ext=iscii
        python3 bench/gen.py iscii $((size_mb * 1000000)) "$tmp/text.iscii"
        ;;
    devanagari)
        python3 bench/gen.py iscii $((size_mb * 1000000 * 10 / 24)) "$tmp/text.iscii"
        "$PELLAM" "$tmp/text.iscii" >"$tmp/text.txt"
        ;;
    *)
        echo "bench_text: no text of kind $1" >&2
        exit 1
        ;;
    esac
    in=$tmp/text.$ext
    bytes=$(bench_size "$in")
    prefix=$tmp/prefix.$ext
    sample=$tmp/sample.$ext
    base=$tmp/base.$ext
    bench_prefix "$in" 2000000 "$prefix"
    bench_sample "$in" "$sample" "$base"
}

# bench_time N CMD...: the best wall time of N runs of CMD, in microseconds,
# with its output sent to /dev/null. A fast command runs on (50 runs at
# most) until half a second is spent, so that one busy moment on the
# machine does not decide its figure. A failed run stops the script.
bench_time() {
    local n=$1 i t0 t1 t best='' total=0
    shift
    for ((i = 0; i < n || (total < 500000 && i < 50); i++)); do
        t0=${EPOCHREALTIME/./}
        "$@" >/dev/null || { echo "failed: $*" >&2; exit 1; }
        t1=${EPOCHREALTIME/./}
        t=$((t1 - t0))
        total=$((total + t))
        if [ -z "$best" ] || ((t < best)); then best=$t; fi
    done
    echo "$best"
}

# bench_time_in N FILE CMD...: as bench_time, with standard input read from
# FILE afresh for each run.
bench_time_in() {
    local n=$1 file=$2
    shift 2
    bench_time "$n" bench_stdin "$file" "$@"
}
bench_stdin() {
    local file=$1
    shift
    "$@" <"$file"
}

# bench_div A B [DECIMALS]: A / B rounded, with 1 (or DECIMALS) decimals;
# A and B are non-negative integers.
bench_div() {
    local d=${3:-1} s=1 q
    for ((q = 0; q < d; q++)); do s=$((s * 10)); done
    q=$(((s * $1 + $2 / 2) / $2))
    printf '%d.%0*d\n' $((q / s)) "$d" $((q % s))
}

# bench_mbps BYTES MICROSECONDS: throughput in MB/s.
bench_mbps() { bench_div "$1" "$2"; }

# bench_rss CMD...: the peak memory (max RSS) of CMD in KB, or n/a when GNU
# time is missing. Output goes to /dev/null; standard error is kept.
bench_rss() {
    if [ ! -x /usr/bin/time ]; then
        echo "/usr/bin/time is missing (Debian package: time)" >&2
        echo n/a
        return
    fi
    local f
    f=$(mktemp)
    /usr/bin/time -f %M -o "$f" "$@" >/dev/null || echo "exit status $?: $*" >&2
    tail -n 1 "$f"
    rm -f "$f"
}

# bench_kb_verdict KB: PASS or OVER against the 4 MB (4096 KB) target.
bench_kb_verdict() {
    case $1 in
    n/a) echo "(not measured)" ;;
    *) (($1 < 4096)) && echo "(target < 4096 KB: PASS)" || echo "(target < 4096 KB: OVER)" ;;
    esac
}

# bench_memory NAME CMD...: the line with the peak memory of CMD, checked
# against the target.
bench_memory() {
    local name=$1 kb
    shift
    kb=$(bench_rss "$@")
    echo "$name peak memory: $kb KB $(bench_kb_verdict "$kb")"
}

# bench_row NAME MBPS XCAT XUCONV XSANSCRIPT INSTR CYC: one line of the
# table of the two Roman conversions.
bench_row() { printf '%-27s %8s %8s %8s %10s %8s %7s\n' "$@"; }

# bench_head: the heading of that table.
bench_head() { bench_row "" MB/s "x cat" "x uconv" "x sanscript" instr/B "$(bench_cyc_head)"; }

# bench_prog_row NAME MICROSECONDS FILE CAT SAMPLE BASE CMD...: the row of
# a program that took MICROSECONDS at best on FILE, on which cat took CAT:
# MB/s, the ratios to cat and to the other tools that bench_peers timed,
# and instructions and cycles per byte of CMD (bench_counts, on SAMPLE and
# BASE with callgrind; {} in CMD stands for the file).
bench_prog_row() {
    local name=$1 t=$2 file=$3 t_cat=$4 ir cyc
    shift 4
    read -r ir cyc < <(bench_counts "$t" "$file" "$@")
    bench_row "$name" "$(bench_mbps "$(bench_size "$file")" "$t")" "$(bench_div "$t_cat" "$t" 3)x" \
        "$(bench_ratio "${peer_t[uconv]:-}" "$t")" "$(bench_ratio "${peer_t[sanscript]:-}" "$t")" "$ir" "$cyc"
}

# bench_ratio A B: how many times faster a time of B microseconds is than
# one of A; "-" when there is no A.
bench_ratio() { if [ -n "$1" ]; then echo "$(bench_div "$1" "$2")x"; else echo -; fi; }

# bench_prefix FILE BYTES OUT: the first whole lines of FILE, at most BYTES.
bench_prefix() {
    python3 - "$@" <<'EOF'
import sys
data = open(sys.argv[1], 'rb').read(int(sys.argv[2]))
open(sys.argv[3], 'wb').write(data[:data.rfind(b'\n') + 1])
EOF
}

# bench_sum FILE: a short checksum of FILE, to tell in the output that two
# runs timed the same bytes.
bench_sum() { sha256sum "$1" | cut -c 1-12; }

# ------------------------------------------------------ slow tools ---

slow_limit=${SLOW_LIMIT:-20}

# bench_slow TIMER RUNS FILE PREFIX: times a slow tool, where `TIMER N F`
# prints the best of N runs on F in microseconds. One run on PREFIX (the
# first lines of FILE) tells whether a run on the whole of FILE fits in
# SLOW_LIMIT seconds; if it does, the RUNS runs are on FILE, else on
# PREFIX. Sets slow_t (microseconds for the whole of FILE, scaled from the
# prefix if need be), slow_mbps (as measured) and slow_note; returns 1 if
# TIMER failed.
# shellcheck disable=SC2034 # slow_* are for the scripts that source this
bench_slow() {
    local timer=$1 runs=$2 file=$3 prefix=$4 t bytes p_bytes
    bytes=$(bench_size "$file")
    p_bytes=$(bench_size "$prefix")
    t=$("$timer" 1 "$prefix") || return 1
    if ((t * bytes / p_bytes <= slow_limit * 1000000)); then
        t=$("$timer" "$runs" "$file") || return 1
        slow_t=$t
        slow_mbps=$(bench_mbps "$bytes" "$t")
        slow_note="whole text, best of $runs"
    else
        t=$("$timer" "$runs" "$prefix") || return 1
        slow_t=$((t * bytes / p_bytes))
        slow_mbps=$(bench_mbps "$p_bytes" "$t")
        slow_note="on a $(bench_div "$p_bytes" 1000000) MB prefix, best of $runs:"
        slow_note+=" the whole text would take over $slow_limit s a run"
    fi
}

# bench_peer NAME RUNS ABOUT TIMER FILE PREFIX: times one other tool with
# TIMER (called as bench_time is, with a run count and a file) through
# bench_slow, and records it under NAME (see bench_peers).
bench_peer() {
    local name=$1 runs=$2 about=$3 timer=$4 file=$5 prefix=$6
    if bench_slow "$timer" "$runs" "$file" "$prefix"; then
        peers+=("$name")
        peer_t[$name]=$slow_t peer_rate[$name]=$slow_mbps peer_note[$name]="$about; $slow_note"
    else
        peer_skips+=("$name: failed to run")
    fi
}

# bench_peers_start: forgets the other tools timed before; bench_peer and
# the two below record each one timed in peers (their names), peer_t,
# peer_rate and peer_note (by name: microseconds for the whole file, MB/s
# as measured, how it was timed), and in peer_skips why one is left out.
# shellcheck disable=SC2034 # the arrays are for the scripts
bench_peers_start() {
    peers=() peer_skips=()
    declare -gA peer_t=() peer_rate=() peer_note=()
}

# bench_peer_uconv FILE PREFIX ARG...: times ICU's `uconv ARG... FILE` (or
# on PREFIX, the first lines of FILE, when the whole would take too long)
# as the other tool uconv.
bench_peer_uconv() {
    local file=$1 prefix=$2
    local -a uconv_args=("${@:3}") # for bench_uconv_timer
    if command -v uconv >/dev/null; then
        bench_peer uconv "${UCONV_RUNS:-3}" "$(uconv --version | sed 's/  */ /g')" bench_uconv_timer "$file" "$prefix"
    else
        peer_skips+=("uconv: not installed (Debian package icu-devtools)")
    fi
}
bench_uconv_timer() { bench_time "$1" uconv "${uconv_args[@]}" "$2"; }

# bench_peer_sanscript FROM TO FILE PREFIX [NAME]: times sanscript.js
# converting FILE (or PREFIX) from scheme FROM to scheme TO as the other
# tool NAME (default sanscript).
bench_peer_sanscript() {
    local from=$1 to=$2 file=$3 prefix=$4 name=${5:-sanscript} # for bench_sanscript_timer
    if bench_sanscript; then
        bench_peer "$name" "${SANSCRIPT_RUNS:-3}" \
            "$sanscript_about: conversion and write timed in node, text read first" \
            bench_sanscript_timer "$file" "$prefix"
    else
        peer_skips+=("sanscript.js: $sanscript_why")
    fi
}
bench_sanscript_timer() { bench_sanscript_time "$from" "$to" "$@"; }

# bench_peers TRANSLITERATOR FROM TO FILE PREFIX: times the other tools that
# make the same conversion as kavrel or sonwick on FILE (or on PREFIX):
# ICU's uconv with -x TRANSLITERATOR, and sanscript.js from scheme FROM to
# scheme TO (see bench_peers_start for what it sets).
bench_peers() {
    local translit=$1 from=$2 to=$3 file=$4 prefix=$5
    bench_peers_start
    bench_peer_uconv "$file" "$prefix" -f utf-8 -t utf-8 -x "$translit"
    bench_peer_sanscript "$from" "$to" "$file" "$prefix"
}

# bench_peer_rows UCONV_LABEL SANSCRIPT_LABEL: a row for each other tool
# that bench_peers timed, and a line for each it left out.
bench_peer_rows() {
    if [ -n "${peer_t[uconv]:-}" ]; then
        printf '%-27s %8s  (%s)\n' "$1" "${peer_rate[uconv]}" "${peer_note[uconv]}"
    fi
    if [ -n "${peer_t[sanscript]:-}" ]; then
        printf '%-27s %8s  (%s)\n' "$2" "${peer_rate[sanscript]}" "${peer_note[sanscript]}"
    fi
    local skip
    for skip in "${peer_skips[@]}"; do echo "$skip; no comparison"; done
}

# bench_best_peer: sets best to the name of the fastest other tool that
# bench_peers timed, or to nothing.
bench_best_peer() {
    best=
    local p
    for p in "${peers[@]}"; do
        if [ -z "$best" ] || ((peer_t[$p] < peer_t[$best])); then best=$p; fi
    done
}

# bench_target NAME BYTES MICROSECONDS MBPS [TIMES]: the line that checks a
# program's time on BYTES against its targets, at least MBPS MB/s and at
# least TIMES times as fast as the fastest other tool that bench_peers
# timed (without TIMES, the ratio is shown with no target).
bench_target() {
    bench_best_peer
    if [ -n "$best" ]; then
        bench_target_line "$1" "$2" "$3" "$4" "${5:-}" "the best other tool, $best" "${peer_t[$best]}"
    else
        bench_target_line "$1" "$2" "$3" "$4" "${5:-}" "" ""
    fi
}

# bench_target_line NAME BYTES MICROSECONDS MBPS TIMES OTHER OTHER_MICROSECONDS:
# as bench_target, against one other tool, described as OTHER, that took
# OTHER_MICROSECONDS on the same text; an empty OTHER when none was timed.
bench_target_line() {
    local name=$1 bytes=$2 t=$3 mbps=$4 times=$5 other=$6 other_t=$7 line
    line="$(printf '%-10s' "$name") $(bench_mbps "$bytes" "$t") MB/s"
    line+=" (target >= $mbps: $( ((bytes >= mbps * t)) && echo OK || echo "BELOW TARGET"))"
    if [ -n "$other" ]; then
        line+=", $(bench_ratio "$other_t" "$t") $other"
        [ -z "$times" ] ||
            line+=" (target >= ${times}x: $( ((other_t >= times * t)) && echo OK || echo "BELOW TARGET"))"
    elif [ -n "$times" ]; then
        line+=", no other tool timed (target >= ${times}x not checked)"
    fi
    echo "$line"
}

# ---------------------------------------------------- sanscript.js ---

sanscript_about='' sanscript_why='' # not asked yet

# bench_sanscript: makes sanscript.js (npm package
# @indic-transliteration/sanscript, 1.3.x) ready for bench/sanscript.js,
# installing it with npm on first use into a cache folder outside the
# repository. Sets sanscript_mod (the package's folder) and sanscript_about
# (its version and node's), or returns 1 with the reason in sanscript_why.
# The answer holds for the rest of the script, so a script that times it
# many times does not try a failed install again each time.
# shellcheck disable=SC2034 # sanscript_about is for the scripts
bench_sanscript() {
    [ -z "${sanscript_about:-}" ] || return 0
    [ -z "${sanscript_why:-}" ] || return 1
    local dir=${XDG_CACHE_HOME:-$HOME/.cache}/lipisetu-bench
    sanscript_mod=$dir/node_modules/@indic-transliteration/sanscript
    case ${SANSCRIPT:-on} in
    off | no | 0) sanscript_why="left out (SANSCRIPT=$SANSCRIPT)" ;;
    *)
        if ! command -v node >/dev/null; then
            sanscript_why="node is missing (Debian package nodejs)"
        elif [ ! -f "$sanscript_mod/package.json" ]; then
            if ! command -v npm >/dev/null; then
                sanscript_why="npm is missing (Debian package npm)"
            else
                echo "(installing sanscript.js with npm into $dir, once)" >&2
                mkdir -p "$dir"
                timeout 120 npm install --prefix "$dir" --no-save --no-package-lock \
                    --no-audit --no-fund --loglevel=error \
                    '@indic-transliteration/sanscript@~1.3' >"$dir/npm.log" 2>&1 ||
                    sanscript_why="npm install failed (no network?), see $dir/npm.log"
            fi
        fi
        ;;
    esac
    [ -z "$sanscript_why" ] || return 1
    sanscript_about="sanscript.js $(node -e 'console.log(require(process.argv[1]).version)' \
        "$sanscript_mod/package.json"), node $(node --version)"
}

# bench_sanscript_has SCHEME: whether sanscript.js (made ready by
# bench_sanscript) has a scheme of that name.
bench_sanscript_has() {
    node -e 'process.exit(process.argv[2] in require(process.argv[1]).schemes ? 0 : 1)' "$sanscript_mod" "$1"
}

# bench_sanscript_time FROM TO N FILE: the best of N runs of sanscript.js
# converting FILE from scheme FROM to scheme TO, in microseconds (see
# bench/sanscript.js for what is timed).
bench_sanscript_time() {
    node bench/sanscript.js "$sanscript_mod" "$1" "$2" "$4" "$3"
}

# --------------------------------------------------------- schemes ---

# bench_scheme_check BINARY...: asks each BINARY for the Roman schemes it
# takes with --scheme (the list its message for an unknown scheme gives)
# and sets bench_default to the first, the default, and bench_schemes to
# the others; sanscript.js calls its schemes by the same names where it has
# them. Returns 1, with the reason in scheme_why, unless every BINARY takes
# --scheme (binaries built before the option name no schemes) and all name
# the same ones.
# shellcheck disable=SC2034 # for the scripts
bench_scheme_check() {
    local b names first=
    scheme_why=
    for b; do
        names=$("$b" --scheme '?' /dev/null 2>&1 >/dev/null | sed -n 's/.*; the schemes are //p' | tr -d ,) || true
        if [ -z "$names" ]; then
            scheme_why="$b does not take --scheme"
            return 1
        fi
        if [ -n "$first" ] && [ "$names" != "$first" ]; then
            scheme_why="the binaries name different schemes ($first; $names)"
            return 1
        fi
        first=$names
    done
    read -r -a names <<<"$first"
    bench_default=${names[0]}
    bench_schemes=("${names[@]:1}")
}

# ----------------------------------------- instructions and cycles ---

ir_mb=${IR_MB:-2}
bench_mhz=$(awk -F: '/^cpu MHz/ { printf "%d\n", $2 + 0.5; exit }' /proc/cpuinfo 2>/dev/null || true)

# bench_counter_pick: sets counter to perf, callgrind or off, as COUNTER
# asks and the machine allows, and counter_why to why perf is not used.
# perf_why tells why perf stat is not used, counter_why why nothing is.
bench_counter_pick() {
    local want=${COUNTER:-auto}
    counter=off
    counter_why=
    perf_why=
    case $want in
    off)
        counter_why="COUNTER=off"
        return
        ;;
    callgrind) perf_why="COUNTER=callgrind" ;;
    *)
        if ! command -v perf >/dev/null; then
            perf_why="perf is missing"
        elif [ -z "$(bench_perf_counts /dev/null true)" ]; then
            perf_why="perf stat counts no cycles or instructions here"
        else
            counter=perf
            return
        fi
        ;;
    esac
    if ((ir_mb == 0)); then
        counter_why="IR_MB=0"
    elif command -v valgrind >/dev/null; then
        counter=callgrind
    else
        counter_why="valgrind is missing (Debian package valgrind)"
    fi
}

# bench_expand FILE CMD...: sets cmd_args to CMD with every {} replaced by
# FILE, and cmd_in to FILE when there is no {} (CMD reads standard input),
# else to /dev/null.
bench_expand() {
    local file=$1 a
    shift
    cmd_args=()
    cmd_in=$file
    for a; do
        if [ "$a" = "{}" ]; then
            cmd_args+=("$file")
            cmd_in=/dev/null
        else
            cmd_args+=("$a")
        fi
    done
}

# bench_perf_counts STDIN CMD...: "CYCLES INSTRUCTIONS" of CMD (the mean of
# 3 runs) from perf stat, or nothing when perf stat cannot count them.
bench_perf_counts() {
    local in=$1 f
    shift
    f=$(mktemp)
    if perf stat -x, -r 3 -e cycles,instructions -o "$f" -- "$@" <"$in" >/dev/null 2>&1; then
        awk -F, '$1 ~ /^[0-9.]+$/ { if ($3 ~ /instructions/) i += $1; else if ($3 ~ /cycles/) c += $1 }
                 END { if (c > 0 && i > 0) printf "%.0f %.0f\n", c, i }' "$f"
    fi
    rm -f "$f"
}

# bench_callgrind STDIN CMD...: the instructions CMD executes, counted by
# callgrind, or nothing if it failed.
bench_callgrind() {
    local in=$1 f
    shift
    f=$(mktemp)
    if valgrind --tool=callgrind -q --callgrind-out-file="$f" -- "$@" <"$in" >/dev/null 2>&1; then
        awk '/^summary:/ { print $2 }' "$f"
    fi
    rm -f "$f"
}

# bench_sample FILE SAMPLE BASE: the first IR_MB MB of FILE (whole lines)
# into SAMPLE, and its first lines (about 1 KB) into BASE, for callgrind.
bench_sample() {
    bench_prefix "$1" $((ir_mb * 1000000)) "$2"
    bench_prefix "$1" 1000 "$3"
}

# bench_cyc_est BYTES MICROSECONDS: cycles per byte estimated from a wall
# time and the clock in /proc/cpuinfo, or - when the clock is unknown.
bench_cyc_est() {
    if [ -n "$bench_mhz" ]; then bench_div $(($2 * bench_mhz)) "$1"; else echo -; fi
}

# bench_counts MICROSECONDS FILE SAMPLE BASE CMD...: "INSTR CYC", the
# instructions and cycles per input byte of CMD on FILE, which took
# MICROSECONDS at best ({} in CMD stands for the file, else it is standard
# input). With perf stat both are counted on FILE. With callgrind,
# instructions are counted on SAMPLE and BASE (see bench_sample), so that
# start-up does not count, and cycles are estimated (bench_cyc_est). An
# empty SAMPLE, or no way to count, gives - for the instructions.
bench_counts() {
    local t=$1 file=$2 sample=$3 base=$4 bytes r a b n ir=-
    shift 4
    bytes=$(bench_size "$file")
    if [ -n "$sample" ] && [ "$counter" = perf ]; then
        bench_expand "$file" "$@"
        r=$(bench_perf_counts "$cmd_in" "${cmd_args[@]}")
        if [ -n "$r" ]; then
            read -r a b <<<"$r"
            echo "$(bench_div "$b" "$bytes") $(bench_div "$a" "$bytes")"
            return
        fi
    elif [ -n "$sample" ] && [ "$counter" = callgrind ]; then
        bench_expand "$sample" "$@"
        a=$(bench_callgrind "$cmd_in" "${cmd_args[@]}")
        bench_expand "$base" "$@"
        b=$(bench_callgrind "$cmd_in" "${cmd_args[@]}")
        n=$(($(bench_size "$sample") - $(bench_size "$base")))
        if [ -n "$a" ] && [ -n "$b" ] && ((n > 0 && a >= b)); then
            ir=$(bench_div $((a - b)) "$n")
        fi
    fi
    echo "$ir $(bench_cyc_est "$bytes" "$t")"
}

# bench_cyc_head: the heading of the cycles column: cyc/B when counted,
# ~cyc/B when estimated.
bench_cyc_head() { if [ "$counter" = perf ]; then echo cyc/B; else echo '~cyc/B'; fi; }

# bench_counts_legend: what the instr/B and cycles columns hold.
bench_counts_legend() {
    case $counter in
    perf)
        echo "instr/B, cyc/B: instructions and cycles per input byte, perf stat on the whole file"
        echo "        (mean of 3 runs, start-up included)"
        return
        ;;
    callgrind)
        echo "instr/B: instructions per input byte, callgrind on the first $ir_mb MB of the file less"
        echo "        those on its first 1 KB (start-up)"
        ;;
    off) echo "instr/B: not counted ($counter_why)" ;;
    esac
    if [ -n "$bench_mhz" ]; then
        echo "~cyc/B: an ESTIMATE, best wall time x $bench_mhz MHz (cpu MHz, /proc/cpuinfo) / input bytes"
    else
        echo "~cyc/B: no estimate (no cpu MHz in /proc/cpuinfo)"
    fi
    [ -z "$perf_why" ] || echo "        (perf stat not used: $perf_why)"
}
