# shellcheck shell=bash
# Helpers shared by the bench/*.sh scripts; source it, do not run it.
#
# Times are wall-clock microseconds from bash's EPOCHREALTIME, so no extra
# process runs inside a measurement. 1 MB is 10^6 bytes, which makes MB/s
# simply bytes per microsecond.
#
#   RUNS=5                    runs of each timed command (at least); the
#                             best one counts
#   PELLAM, KAVREL, SONWICK   the binaries (default: build/NAME/NAME); a
#                             relative path is taken from the current folder

for v in PELLAM KAVREL SONWICK; do
    case ${!v:-} in */*) declare "$v=$(realpath -m "${!v}")" ;; esac
done
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1

RUNS=${RUNS:-5}
PELLAM=${PELLAM:-build/pellam/pellam}
KAVREL=${KAVREL:-build/kavrel/kavrel}
SONWICK=${SONWICK:-build/sonwick/sonwick}

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

# bench_row NAME MBPS [RATIO]: one line of a results table.
bench_row() { printf '%-28s %9s MB/s  %s\n' "$1" "$2" "${3:-}"; }

# bench_prefix FILE BYTES OUT: the first whole lines of FILE, at most BYTES.
bench_prefix() {
    python3 - "$@" <<'EOF'
import sys
data = open(sys.argv[1], 'rb').read(int(sys.argv[2]))
open(sys.argv[3], 'wb').write(data[:data.rfind(b'\n') + 1])
EOF
}
