#!/usr/bin/env bash
# How often lipisetu::detect names the scheme of a line of text, and how
# long a call takes (bench/detect.py has the details):
#
# 1. Sentences of 3 to 12 words in every scheme: Devanagari words drawn
#    from the benchmark's text (bench/gen.py, pellam) and, where installed,
#    from the Hindi and Nepali headwords of hunspell-hi and hunspell-ne,
#    written in each scheme by sonwick. A confusion table for each length
#    and for 5 words or more, and the check: at least 95% of those right.
# 2. The English sentences of README.md: none may be called a scheme.
# 3. The time of one call on a block of text in each scheme.
#
# Run from anywhere: bench/detect.sh
#   SENTENCES=200   sentences of each length from each source
#   DETECTLINES     the driver (default build/bench/detectlines)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

DETECTLINES=${DETECTLINES:-build/bench/detectlines}
export KAVREL SONWICK DETECTLINES
size_mb=${SIZE_MB:-1}
bench_start --size 1 "$DETECTLINES" "$PELLAM" "$SONWICK" "$KAVREL"
bench_text devanagari

sources=("benchmark=$tmp/text.txt")
for lang in hi_IN ne_NP; do
    dic=/usr/share/hunspell/$lang.dic
    [ -f "$dic" ] || { echo "detect: no $dic (Debian package hunspell-${lang%_*}): left out"; continue; }
    # The headwords, without the count line and the affix flags.
    tail -n +2 "$dic" | sed 's,/.*,,' >"$tmp/$lang.txt"
    sources+=("hunspell-${lang%_*}=$tmp/$lang.txt")
done

status=0
python3 bench/detect.py "$tmp" "${sources[@]}" --sentences "${SENTENCES:-200}" --readme README.md || status=1

# The time of one call on the first block of a text in each scheme.
echo
echo "time of one call on a block ($(bench_size "$tmp/text.txt") bytes of text, read as its first block), best of 200:"
for s in $("$DETECTLINES" --schemes); do
    "$SONWICK" --scheme "$s" "$tmp/text.txt" >"$tmp/all.$s"
    head -c 8192 "$tmp/all.$s" >"$tmp/block.$s"
    printf '  %-9s %s us\n' "$s" "$("$DETECTLINES" --time "$tmp/block.$s")"
done
exit $status
