#!/usr/bin/env bash
# The programs on the eight other scripts of ISCII:
#
# 1. Real words there and back: each word of the word lists of Debian's
#    aspell dictionaries (aspell-bn, -pa, -gu, -or, -ta, -te, -kn, -ml) read
#    by sonwick --scheme iso15919 and written back by kavrel --scheme
#    iso15919 --script S; how many come back (as they were, and
#    canonically equal), and each kind of word that does not, with its
#    count and an example: word -> Roman -> what came back.
# 2. Speed against Devanagari: kavrel --script S against kavrel on the same
#    Roman text (bench/gen.py), and sonwick on that text written in S
#    against sonwick on it in Devanagari. Instructions counted by callgrind
#    on the text's first IR_MB MB less those on its first 1 KB (start-up),
#    since the machine is shared; and wall time, best of PAIRS runs of the
#    two taken in turn. Target: within 10% of Devanagari.
#
# Run from anywhere: bench/scriptprograms.sh
#   SIZE_MB=10   the size of the Roman text timed by the wall clock
#   WORDS=off    leave out the words (step 1)
#   PAIRS=10     alternating runs of Devanagari and the script
#   IR_MB=2      the size callgrind counts on (see lib.sh)
#   COUNTER      callgrind (the default here), perf or off: see lib.sh
#   KAVREL, SONWICK   the binaries (default build/cli/NAME)
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

COUNTER=${COUNTER:-callgrind}
PAIRS=${PAIRS:-10}
bench_start --size 10 --count "$KAVREL" "$SONWICK"
scripts=$("$KAVREL" --script '?' /dev/null 2>&1 >/dev/null | sed -n 's/.*; the scripts are //p' | tr -d ,) || true
if [ -z "$scripts" ]; then
    echo "$KAVREL does not take --script"
    exit 1
fi
read -r -a scripts <<<"$scripts"
declare -A lang=([bengali]=bn [gurmukhi]=pa [gujarati]=gu [oriya]=or [tamil]=ta [telugu]=te [kannada]=kn
    [malayalam]=ml)
declare -A block=([bengali]=0980 [gurmukhi]=0A00 [gujarati]=0A80 [oriya]=0B00 [tamil]=0B80 [telugu]=0C00
    [kannada]=0C80 [malayalam]=0D00)

[ "${WORDS:-on}" = off ] && scripts1=() || scripts1=("${scripts[@]}")
echo "1. aspell's words through sonwick --scheme iso15919, then kavrel --scheme iso15919 --script S"
for s in "${scripts1[@]}"; do
    l=${lang[$s]:-}
    [ -n "$l" ] || continue
    if ! aspell -d "$l" dump master >"$tmp/words.$s" 2>/dev/null; then
        echo "  $s: no word list (Debian package aspell-$l)"
        continue
    fi
    "$SONWICK" --scheme iso15919 "$tmp/words.$s" >"$tmp/roman.$s"
    "$KAVREL" --scheme iso15919 --script "$s" "$tmp/roman.$s" >"$tmp/back.$s"
    python3 - "$tmp" "$s" "${block[$s]}" <<'PY'
import collections, difflib, re, sys, unicodedata
tmp, script, block = sys.argv[1], sys.argv[2], int(sys.argv[3], 16)
lines = lambda name: open(f'{tmp}/{name}.{script}', encoding='utf-8', errors='surrogateescape').read().splitlines()
nf = lambda w: unicodedata.normalize('NFC', w)
words, roman, back = lines('words'), lines('roman'), lines('back')


def dev(w):
    """The word with each character of the script's block moved to the
    same place of Devanagari's, where the two lay out their letters alike,
    to tell its kind with one set of ranges."""
    return ''.join(chr(ord(c) - block + 0x0900) if block <= ord(c) < block + 0x80 else c for c in w)


CONSONANT = '[\u0915-\u0939\u0958-\u095F]'
VOWEL = '[\u0904-\u0914\u0960\u0961\u0972-\u0977]'
# A vowel sign, the virama or a nukta after no consonant (or a second one).
ILLFORMED = re.compile('(?<!' + CONSONANT + ')(?<!' + CONSONANT + '\u093C)[\u093A\u093B\u093E-\u094D\u094E\u094F'
                       '\u0955-\u0957\u0962\u0963]|(?<![\u0915-\u0939])\u093C')
CHILLUS = '[\u0D7A-\u0D7F\u0D54-\u0D56]'


def change(word, came):
    a, b = nf(word), nf(came)
    for op, i1, i2, j1, j2 in difflib.SequenceMatcher(None, a, b, autojunk=False).get_opcodes():
        if op != 'equal':
            return a[i1:i2], b[j1:j2], a[i2:i2 + 1]
    return '', '', ''


def show(chars):
    return ' '.join(f'U+{ord(c):04X} {c}' for c in chars) or 'nothing'


def kind(word, came):
    w = dev(nf(word))
    was, got, after = change(word, came)
    if '\u0B71' in was:
        return 'Oriya wa, read as va and written back as the letter va (a named loss)'
    if re.search(CHILLUS, got):
        if after in ('', ' '):
            return ('Malayalam consonant with a visible virama at the end of the word, read as the consonant and '
                    'the virama and written back as a chillu (a named loss)')
        return 'Malayalam conjunct that is also written with a chillu, written back with it (a named loss)'
    if re.search('[\u0A72\u0A73][\u0A3E-\u0A4C]', nf(word)):
        return ("a vowel sign on Gurmukhi's bearer \u0A72 or \u0A73 (no Devanagari letter: copied), whose Roman is "
                "the vowel alone: read back as the vowel's letter")
    if ILLFORMED.search(w):
        return 'ill-formed: a vowel sign, virama or nukta after no consonant, or a second one'
    if re.search(CONSONANT + '\u094D' + VOWEL, w) and re.search(VOWEL + '|[\u093E-\u094C\u0962\u0963]', dev(was + got)):
        return "a consonant closed by the virama before a vowel's letter: the Roman has no virama, read back as the sign"
    return f'{show(was)} came back as {show(got)}'


lost = [(w, r, b) for w, r, b in zip(words, roman, back) if nf(w) != nf(b)]
exact = sum(w == b for w, b in zip(words, back))
print(f'  {script:10} {len(words):7} words, {exact:7} back as they were, {len(words) - len(lost):7} canonically '
      f'equal, {len(lost):5} not')
kinds = collections.defaultdict(list)
for w, r, b in lost:
    kinds[kind(w, b)].append((w, r, b))
for k in sorted(kinds, key=lambda k: (-len(kinds[k]), k)):
    w, r, b = kinds[k][0]
    print(f'      {len(kinds[k]):5}  {k}: {w} -> {r} -> {b}')
PY
done

# form FILE [SCRIPT]: the file of the text FILE written in SCRIPT (none:
# the Roman text itself).
form() { if [ -n "${2:-}" ]; then echo "${1%.txt}.$2"; else echo "$1"; fi; }

# count SCRIPT CMD...: the instructions CMD executes on the sample in
# SCRIPT (none: the Roman) less those on the base (start-up); - when not
# counted.
count() {
    local s=$1 a b
    shift
    [ "$counter" = callgrind ] || { echo -; return; }
    a=$(bench_callgrind "$(form "$sample" "$s")" "$@")
    b=$(bench_callgrind "$(form "$base" "$s")" "$@")
    if [ -n "$a" ] && [ -n "$b" ]; then echo $((a - b)); else echo -; fi
}

# pair FILE0 FILE1 CMD0 -- CMD1: the best wall times (microseconds) of
# PAIRS runs of CMD0 on FILE0 and CMD1 on FILE1, taken in turn.
pair() {
    local f0=$1 f1=$2 i t0 t b0='' b1=''
    shift 2
    local -a c0=() c1=()
    while [ "$1" != -- ]; do c0+=("$1"); shift; done
    shift
    c1=("$@")
    for ((i = 0; i < PAIRS; i++)); do
        t0=${EPOCHREALTIME/./}
        "${c0[@]}" <"$f0" >/dev/null
        t=$((${EPOCHREALTIME/./} - t0))
        if [ -z "$b0" ] || ((t < b0)); then b0=$t; fi
        t0=${EPOCHREALTIME/./}
        "${c1[@]}" <"$f1" >/dev/null
        t=$((${EPOCHREALTIME/./} - t0))
        if [ -z "$b1" ] || ((t < b1)); then b1=$t; fi
    done
    echo "$b0 $b1"
}

# ratio A B: B / A as a percentage change, signed, with one decimal.
ratio() {
    if [ "$1" = - ] || [ "$2" = - ]; then echo -; return; fi
    if (($2 >= $1)); then echo "+$(bench_div $((($2 - $1) * 100)) "$1")%"; else echo "-$(bench_div $((($1 - $2) * 100)) "$1")%"; fi
}

# verdict A B: whether B is within 10% of A (a time or a count).
verdict() {
    if [ "$1" = - ] || [ "$2" = - ]; then echo; return; fi
    if ((10 * $2 <= 11 * $1)); then echo OK; else echo OVER; fi
}

echo
bench_text roman
echo "2. speed against Devanagari: $(bench_mb "$in") MB of ISO 15919 Roman (bench/gen.py, sha256 $(bench_sum "$in")),"
echo "   written by kavrel in each script; sonwick reads each of those texts"
for s in "${scripts[@]}"; do
    for f in "$in" "$sample" "$base"; do
        "$KAVREL" --script "$s" "$f" >"$(form "$f" "$s")"
    done
done

row() { printf '  %-10s %12s %8s %7s %8s %8s %7s %5s %5s\n' "$@"; }
for prog in kavrel sonwick; do
    echo
    if [ $prog = kavrel ]; then
        echo "  kavrel --script S on the Roman text, against kavrel (Devanagari)"
        ir0=$(count "" "$KAVREL")
    else
        echo "  sonwick on the text in S, against sonwick on it in Devanagari (MB/s of its own input)"
        ir0=$(count devanagari "$SONWICK")
    fi
    row script "instructions" "instr/B" "vs dev" MB/s "dev MB/s" "vs dev" instr wall
    for s in "${scripts[@]}"; do
        [ "$s" != devanagari ] || continue
        if [ $prog = kavrel ]; then
            ir=$(count "" "$KAVREL" --script "$s")
            f0=$in f=$in
            read -r t0 t < <(pair "$f0" "$f" "$KAVREL" -- "$KAVREL" --script "$s")
            n=$(($(bench_size "$sample") - $(bench_size "$base")))
        else
            ir=$(count "$s" "$SONWICK")
            f0=$(form "$in" devanagari) f=$(form "$in" "$s")
            read -r t0 t < <(pair "$f0" "$f" "$SONWICK" -- "$SONWICK")
            n=$(($(bench_size "$(form "$sample" "$s")") - $(bench_size "$(form "$base" "$s")")))
        fi
        perb=-
        [ "$ir" = - ] || perb=$(bench_div "$ir" "$n")
        row "$s" "$ir" "$perb" "$(ratio "$ir0" "$ir")" "$(bench_mbps "$(bench_size "$f")" "$t")" \
            "$(bench_mbps "$(bench_size "$f0")" "$t0")" "$(ratio "$t0" "$t")" "$(verdict "$ir0" "$ir")" \
            "$(verdict "$t0" "$t")"
    done
    echo "  (devanagari: $ir0 instructions)"
done
echo
echo "  instructions: callgrind on the first $ir_mb MB of the text less its first 1 KB, the same"
echo "  text (the Roman, or the Devanagari and each script made of it) in every row; vs dev: more"
echo "  (+) or fewer (-) than Devanagari; wall: best of $PAIRS runs taken in turn with Devanagari's"
echo "  on $(bench_mb "$in") MB; instr, wall: within 10% of Devanagari (target), OK or OVER"
