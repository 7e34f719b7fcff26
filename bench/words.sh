#!/usr/bin/env bash
# Real words through the two Unicode converters: of the Hindi and Nepali
# words of the hunspell dictionaries (Debian packages hunspell-hi and
# hunspell-ne), how many sonwick leaves with Devanagari in their Roman
# form, and how many kavrel converts differently when that Roman form is
# decomposed (Unicode normal form D) instead of composed (form C).
#
# Run from anywhere: bench/words.sh
#   SONWICK, KAVREL   the binaries (default build/NAME/NAME)
#   DICTS             the word lists (default: the Hindi and Nepali ones)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

dicts=${DICTS:-/usr/share/hunspell/hi_IN.dic /usr/share/hunspell/ne_NP.dic}
bench_start "$SONWICK" "$KAVREL"
# shellcheck disable=SC2086
for d in $dicts; do
    [ -r "$d" ] || { echo "missing word list $d (Debian packages hunspell-hi, hunspell-ne)"; exit 0; }
done

# The first line of a .dic file is its word count; a word may carry
# affix flags after a slash.
# shellcheck disable=SC2086
for d in $dicts; do tail -n +2 "$d"; done | cut -d/ -f1 | sort -u >"$tmp/words"
"$SONWICK" "$tmp/words" >"$tmp/roman"
python3 - "$tmp" <<'PY'
import sys, unicodedata
tmp = sys.argv[1]
roman = open(f'{tmp}/roman', encoding='utf-8').read().splitlines()
for form in ('NFC', 'NFD'):
    with open(f'{tmp}/roman.{form}', 'w', encoding='utf-8') as f:
        f.write(''.join(unicodedata.normalize(form, w) + '\n' for w in roman))
PY
"$KAVREL" "$tmp/roman.NFC" >"$tmp/back.NFC"
"$KAVREL" "$tmp/roman.NFD" >"$tmp/back.NFD"
python3 - "$tmp" <<'PY'
import sys, unicodedata
tmp = sys.argv[1]
lines = lambda name: open(f'{tmp}/{name}', encoding='utf-8', errors='surrogateescape').read().splitlines()
words, roman = lines('words'), lines('roman')
nfc, nfd = lines('back.NFC'), lines('back.NFD')
deva = sum(any('\u0900' <= ch <= '\u097F' for ch in w) for w in roman)
spelt = sum(a != b for a, b in zip(lines('roman.NFC'), lines('roman.NFD')))
differ = sum(a != b for a, b in zip(nfc, nfd))
nf = lambda w: unicodedata.normalize('NFC', w)
same = sum(nf(a) == nf(b) for a, b in zip(words, nfc))
print(f'{len(words)} words; their Roman form is spelt differently in NFC and NFD for {spelt}')
print(f'sonwick leaves Devanagari in the Roman form of {deva}')
print(f'kavrel converts the NFD form differently from the NFC form for {differ}')
print(f'sonwick then kavrel gives back the word (canonically equivalent) for {same}')
PY
