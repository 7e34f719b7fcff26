#!/usr/bin/env bash
# Throughput of sonwick (Devanagari to ISO 15919 Roman) against cat and
# against ICU's uconv Devanagari-Latin transliterator, on one generated
# Devanagari text, plus the peak memory of sonwick.
#
# Run from anywhere: bench/sonwick.sh
#   SONWICK=path/to/sonwick  the binary (default build/sonwick/sonwick, built
#                            in Release with cmake when missing)
#   SIZE_MB=24               size of the generated text
#   RUNS=3                   runs of sonwick and cat; the best one counts
#   UCONV_RUNS=1             runs of uconv (slow)
set -euo pipefail

cd "$(dirname "$0")/.."
bin=${SONWICK:-build/sonwick/sonwick}
size_mb=${SIZE_MB:-24}
runs=${RUNS:-3}
uconv_runs=${UCONV_RUNS:-1}

if [ ! -x "$bin" ]; then
    echo "building $bin (Release)"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build --target sonwick -j2 >/dev/null
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
text=$tmp/text.txt

# Words of two to four syllables: consonants bare or with a vowel sign,
# conjuncts joined by the virama, anusvara and visarga, independent vowels
# at word starts; lines of about twelve words, now and then a danda.
python3 - "$text" "$size_mb" <<'EOF'
import random, sys

path, size = sys.argv[1], int(sys.argv[2]) * 1000 * 1000
rnd = random.Random(15919)
cons = [chr(c) for c in list(range(0x0915, 0x0929)) + list(range(0x092A, 0x0931))
        + [0x0932, 0x0935, 0x0936, 0x0937, 0x0938, 0x0939]]
common = [chr(c) for c in (0x0915, 0x0928, 0x0930, 0x0924, 0x092E, 0x0938, 0x0932,
                           0x092A, 0x0926, 0x0935, 0x092F, 0x0939, 0x091C, 0x0917)]
signs = [chr(c) for c in (0x093E, 0x093F, 0x0940, 0x0941, 0x0942, 0x0947, 0x0948,
                          0x094B, 0x094C, 0x0943)]
vowels = [chr(c) for c in (0x0905, 0x0906, 0x0907, 0x0908, 0x0909, 0x090F, 0x0913)]
virama, anusvara, visarga, danda = '\u094d', '\u0902', '\u0903', '\u0964'

def consonant():
    return rnd.choice(common) if rnd.random() < 0.6 else rnd.choice(cons)

def syllable():
    s = consonant()
    if rnd.random() < 0.15:
        s += virama + consonant()
    if rnd.random() < 0.6:
        s += rnd.choice(signs)
    r = rnd.random()
    if r < 0.07:
        s += anusvara
    elif r < 0.08:
        s += visarga
    return s

def word():
    w = rnd.choice(vowels) if rnd.random() < 0.12 else ''
    return w + ''.join(syllable() for _ in range(rnd.randint(2, 4)))

vocab = [word() for _ in range(20000)]
out, n = [], 0
while n < size:
    line = ' '.join(rnd.choices(vocab, k=rnd.randint(8, 16)))
    if rnd.random() < 0.3:
        line += ' ' + danda
    b = (line + '\n').encode('utf-8')
    out.append(b)
    n += len(b)
with open(path, 'wb') as f:
    f.write(b''.join(out))
EOF

bytes=$(wc -c <"$text")

# Best wall time in seconds of `runs` runs of a command, output to /dev/null.
best() {
    local n=$1 t best=
    shift
    for ((i = 0; i < n; i++)); do
        local t0 t1
        t0=$(date +%s.%N)
        "$@" >/dev/null
        t1=$(date +%s.%N)
        t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')
        if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then
            best=$t
        fi
    done
    echo "$best"
}

mbps() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.1f", b / 1e6 / t }'; }

t_sonwick=$(best "$runs" "$bin" "$text")
t_cat=$(best "$runs" cat "$text")
if command -v uconv >/dev/null; then
    t_uconv=$(best "$uconv_runs" uconv -f utf-8 -t utf-8 -x Devanagari-Latin "$text")
else
    t_uconv=
fi

printf 'input: %.1f MB of Devanagari text\n' "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')"
printf '%-8s %10s MB/s  (%.3f s)\n' sonwick "$(mbps "$t_sonwick")" "$t_sonwick"
printf '%-8s %10s MB/s  (%.3f s)\n' cat "$(mbps "$t_cat")" "$t_cat"
if [ -n "$t_uconv" ]; then
    printf '%-8s %10s MB/s  (%.3f s)\n' uconv "$(mbps "$t_uconv")" "$t_uconv"
    printf 'sonwick/uconv: %.1fx\n' "$(awk -v a="$t_uconv" -v b="$t_sonwick" 'BEGIN { print a / b }')"
else
    echo "uconv: not installed (package icu-devtools)"
fi
printf 'sonwick/cat:   %.2fx\n' "$(awk -v a="$t_cat" -v b="$t_sonwick" 'BEGIN { print a / b }')"

if [ -x /usr/bin/time ]; then
    if /usr/bin/time -f %M -o "$tmp/mem" "$bin" "$text" >/dev/null 2>&1; then
        kb=$(tail -n 1 "$tmp/mem")
    else
        /usr/bin/time -v -o "$tmp/mem" "$bin" "$text" >/dev/null 2>&1
        kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$tmp/mem")
    fi
    echo "sonwick peak memory: ${kb} KB"
else
    echo "sonwick peak memory: /usr/bin/time is missing"
fi
