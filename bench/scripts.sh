#!/usr/bin/env bash
# The scripts module (scripts/) on real words and on the benchmark's text,
# through bench/scriptconv:
#
# 1. The word lists of Debian's aspell dictionaries for the eight scripts
#    (aspell-bn, -pa, -gu, -or, -ta, -te, -kn, -ml): each word read as
#    Devanagari and written back in its script; how many come back
#    unchanged, and one word of each kind that does not.
# 2. Devanagari words written in each script and read back: the words of
#    the benchmark's Devanagari text (bench/gen.py and pellam) and the Hindi
#    and Nepali headwords of hunspell-hi and hunspell-ne, where installed.
# 3. The speed of the writer and the reader, in million code points a
#    second, on the benchmark's Devanagari text and on that text written
#    in each script (conversion alone, the text decoded first).
#
# Run from anywhere: bench/scripts.sh
#   SCRIPTCONV   the driver (default build/bench/scriptconv)
#   SIZE_MB=4    the size of the Devanagari text
#   RUNS         timed runs of each conversion (the best counts)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

SCRIPTCONV=${SCRIPTCONV:-build/bench/scriptconv}
bench_start --size 4 "$SCRIPTCONV" "$PELLAM"
bench_text devanagari
scripts=(bengali assamese gurmukhi gujarati oriya tamil telugu kannada malayalam)
declare -A lang=([bengali]=bn [gurmukhi]=pa [gujarati]=gu [oriya]=or [tamil]=ta [telugu]=te [kannada]=kn
    [malayalam]=ml)

# compare.py TITLE ORIGINAL BACK [MIDDLE]: how many lines of BACK equal
# those of ORIGINAL (as they are, and in NFC), and for those that do not,
# one of each kind of change, the most frequent first.
cat >"$tmp/compare.py" <<'PY'
import collections, difflib, sys, unicodedata
title, original, back = sys.argv[1:4]
lines = lambda p: open(p, encoding='utf-8', errors='surrogateescape').read().splitlines()
a, b = lines(original), lines(back)
middle = lines(sys.argv[4]) if len(sys.argv) > 4 else [''] * len(a)
nf = lambda w: unicodedata.normalize('NFC', w)
exact = sum(x == y for x, y in zip(a, b))
lost = [(x, m, y) for x, m, y in zip(a, middle, b) if nf(x) != nf(y)]
print(f'  {title:10} {len(a):7} words, {exact:7} back as they were, {len(a) - len(lost):7} canonically equal,'
      f' {len(lost):6} not')
kinds = collections.defaultdict(list)
for x, m, y in lost:
    ops = [op for op in difflib.SequenceMatcher(None, nf(x), nf(y), autojunk=False).get_opcodes() if op[0] != 'equal']
    _, i1, i2, j1, j2 = ops[0]
    kinds[(nf(x)[i1:i2], nf(y)[j1:j2])].append((x, m, y))
show = lambda s: ' '.join(f'{ord(c):04X}' for c in s) or 'nothing'
for k in sorted(kinds, key=lambda k: -len(kinds[k]))[:8]:
    x, m, y = kinds[k][0]
    print(f'      {len(kinds[k]):6}  {k[0]} ({show(k[0])}) -> {k[1]} ({show(k[1])}), e.g. {x} -> {m} -> {y}')
PY
compare() { python3 "$tmp/compare.py" "$@"; }

echo "1. aspell's words read as Devanagari and written back in their script"
for s in "${scripts[@]}"; do
    l=${lang[$s]:-}
    [ -n "$l" ] || continue
    if ! aspell -d "$l" dump master >"$tmp/words.$l" 2>/dev/null; then
        echo "  $s: no word list (Debian package aspell-$l)"
        continue
    fi
    if grep -q / "$tmp/words.$l"; then
        aspell -l "$l" expand <"$tmp/words.$l" | tr ' ' '\n' >"$tmp/expanded" && mv "$tmp/expanded" "$tmp/words.$l"
    fi
    "$SCRIPTCONV" read <"$tmp/words.$l" >"$tmp/dev.$l"
    "$SCRIPTCONV" write "$s" <"$tmp/dev.$l" >"$tmp/back.$l"
    compare "$s" "$tmp/words.$l" "$tmp/back.$l" "$tmp/dev.$l"
done

echo
echo "2. Devanagari words written in each script and read back"
tr -s ' \n' '\n' <"$in" | tr -d ',.;:!?()' | grep -v '^$' | sort -u >"$tmp/bench.words"
lists=(bench.words)
if [ -r /usr/share/hunspell/hi_IN.dic ] && [ -r /usr/share/hunspell/ne_NP.dic ]; then
    for d in hi_IN ne_NP; do tail -n +2 /usr/share/hunspell/$d.dic; done | cut -d/ -f1 | sort -u >"$tmp/hunspell.words"
    lists+=(hunspell.words)
else
    echo "  (hunspell-hi and hunspell-ne are not installed: their words are left out)"
fi
for list in "${lists[@]}"; do
    echo " $list (${list%.words}: $(wc -l <"$tmp/$list") words)"
    for s in "${scripts[@]}"; do
        "$SCRIPTCONV" write "$s" <"$tmp/$list" >"$tmp/in.$s"
        "$SCRIPTCONV" read <"$tmp/in.$s" >"$tmp/out.$s"
        compare "$s" "$tmp/$list" "$tmp/out.$s" "$tmp/in.$s"
    done
done

echo
echo "3. speed on $(bench_mb "$in") MB of Devanagari text (best of $RUNS), million code points a second"
printf '  %-10s %10s %10s\n' script write read
for s in devanagari "${scripts[@]}"; do
    "$SCRIPTCONV" write "$s" <"$in" >"$tmp/text.$s"
    w=$("$SCRIPTCONV" time write "$s" "$RUNS" <"$in" | sed 's/.*: \([0-9.]*\) million.*/\1/')
    r=$("$SCRIPTCONV" time read "$RUNS" <"$tmp/text.$s" | sed 's/.*: \([0-9.]*\) million.*/\1/')
    printf '  %-10s %10s %10s\n' "$s" "$w" "$r"
done
echo "  (devanagari: the writer copies, the reader passes Devanagari through)"
