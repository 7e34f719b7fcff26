#!/usr/bin/env bash
# Real words through the two Unicode converters: of the Hindi and Nepali
# words of the hunspell dictionaries (Debian packages hunspell-hi and
# hunspell-ne), how many sonwick leaves with Devanagari in their Roman
# form, and how many kavrel converts differently when that Roman form is
# decomposed (Unicode normal form D) instead of composed (form C). Then,
# for each Roman scheme that the binaries name (--scheme: the default, iso,
# and the others), how many words come back through sonwick --scheme S then
# kavrel --scheme S, and each kind of word that does not, with an example.
#
# Run from anywhere: bench/words.sh
#   SONWICK, KAVREL   the binaries (default build/cli/NAME)
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

# Each scheme both ways. Binaries built before --scheme are left out here.
if ! bench_scheme_check "$SONWICK" "$KAVREL"; then
    echo "per scheme: skipped, $scheme_why"
    exit 0
fi
schemes=("$bench_default" "${bench_schemes[@]}")
for s in "${schemes[@]}"; do
    "$SONWICK" --scheme "$s" "$tmp/words" >"$tmp/roman.$s"
    "$KAVREL" --scheme "$s" "$tmp/roman.$s" >"$tmp/back.$s"
done
python3 - "$tmp" "${schemes[@]}" <<'PY'
import collections, difflib, re, sys, unicodedata
tmp, schemes = sys.argv[1], sys.argv[2:]
lines = lambda name: open(f'{tmp}/{name}', encoding='utf-8', errors='surrogateescape').read().splitlines()
nf = lambda w: unicodedata.normalize('NFC', w)
words = lines('words')

CONSONANT = '[\u0915-\u0939\u0958-\u095F]'
VOWEL = '[\u0904-\u0914\u0960\u0961\u0972-\u0977]'
# A vowel sign or the virama after no consonant (or after one with its
# nukta), a nukta after no plain consonant.
ILLFORMED = re.compile('(?<!' + CONSONANT + ')(?<!' + CONSONANT + '\u093C)[\u093A\u093B\u093E-\u094D\u094E\u094F\u0955-\u0957\u0962\u0963]'
                       '|(?<![\u0915-\u0939])\u093C')


def change(word, back):
    """The first place where back differs from word: (what the word has
    there, what came back instead), in NFC."""
    a, b = nf(word), nf(back)
    for op, i1, i2, j1, j2 in difflib.SequenceMatcher(None, a, b, autojunk=False).get_opcodes():
        if op != 'equal':
            return a[i1:i2], b[j1:j2]
    return '', ''


def show(chars):
    return ' '.join(f'U+{ord(c):04X} {c}' for c in chars) or 'nothing'


def kind(word, back):
    """What kind of word does not come back, from the word and where it
    first differs from what came back; the kinds that no rule names are
    told by that difference."""
    w = nf(word)
    was, came = change(word, back)
    if ILLFORMED.search(w):
        return 'ill-formed Devanagari: a vowel sign, virama or nukta after no consonant, or a second one'
    if re.search('[\u0966-\u096F]', was):
        return 'Devanagari digits, written as ASCII digits (read back as Devanagari with -n)'
    if re.search(CONSONANT + '\u094D' + VOWEL, w) and re.search(VOWEL, was + came):
        return "a consonant closed by the virama before a vowel's letter: read back as the vowel's sign"
    if re.search('(\u0905|' + CONSONANT + ')[\u0907\u0909]', w) and re.search('[\u0907\u0909]', was):
        return 'a or an inherent a before \u0907 or \u0909, with no separator: read back as \u0910 or \u0914'
    if re.search('[\u0915-\u0939]\u093C', w) and re.search(VOWEL + '|[\u093E-\u094C]', was + came):
        return ("a consonant with a nukta that the scheme cannot spell: the nukta copied after the inherent a, "
                "and the vowel sign after it read back as a vowel's letter")
    if re.search('[\u090B\u090C\u0943\u0962]' + VOWEL, w) and re.search('\u093C|\u0933', came):
        return "\u090B or \u090C (or its sign) before a vowel's letter: read back as \u095C or \u0933"
    if re.fullmatch('[!-/:-@\\[-`{-~]+', was):
        return f'{was!r} in the word, copied, which the scheme reads as a spelling of its own'
    return f'{show(was)} came back as {show(came)}'


print('per scheme, the words that come back through sonwick --scheme S then kavrel --scheme S (NFC):')
lost = {}
for s in schemes:
    lost[s] = [(w, r, b) for w, r, b in zip(words, lines(f'roman.{s}'), lines(f'back.{s}')) if nf(w) != nf(b)]
    same = len(words) - len(lost[s])
    print(f'  {s:9} {same:7} of {len(words)} ({100 * same / len(words):.2f}%)')
if any(lost.values()):
    print('the words that do not come back, each kind with its count and an example, most frequent')
    print('first: word -> Roman form -> what came back')
for s in schemes:
    if not lost[s]:
        continue
    kinds = collections.defaultdict(list)
    for w, r, b in lost[s]:
        kinds[kind(w, b)].append((w, r, b))
    print(f'  {s}: {len(lost[s])} words, {len(kinds)} kinds')
    for k in sorted(kinds, key=lambda k: (-len(kinds[k]), k)):
        w, r, b = kinds[k][0]
        print(f'    {len(kinds[k]):4}  {k}: {w} -> {r} -> {b}')
PY
