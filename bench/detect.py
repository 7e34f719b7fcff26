#!/usr/bin/python3
"""How often lipisetu::detect names the scheme a line is written in, for
bench/detect.sh.

    detect.py WORK SOURCE=WORDS... [--sentences N] [--readme README]

WORK is a scratch folder; each SOURCE=WORDS is a file of Devanagari words
(any white space between them) named SOURCE. From each source's words,
drawn with a fixed seed, N sentences of each length from 3 to 12 words are
made; each sentence is written in every scheme by sonwick --scheme S, and
detect (build/bench/detectlines) is asked what each line is in. A line is
right when detect names its scheme, or a scheme that kavrel reads the line
with into the same Devanagari (a line of letters two schemes spell alike
is both). Printed: for each source a confusion table (rows: the scheme the
line is in; columns: what detect names, the line counted under its own
scheme where the scheme named reads it alike) for each sentence length and
for all lengths of 5 words or more, with the share right both ways; then
the English sentences of the README that detect calls a scheme. The checks,
one line each: at least 95% of the sentences of 5 words or more right, and
no English sentence called a scheme.

The programs come from the environment: SONWICK, KAVREL, DETECTLINES.
"""
import os
import random
import re
import subprocess
import sys

LENGTHS = range(3, 13)
LONG = 5  # the sentences the check counts have at least this many words


def program(name, default):
    return os.environ.get(name, default)


SONWICK = program('SONWICK', 'build/cli/sonwick')
KAVREL = program('KAVREL', 'build/cli/kavrel')
DETECTLINES = program('DETECTLINES', 'build/bench/detectlines')


def lines_of(path):
    with open(path, encoding='utf-8', errors='surrogateescape', newline='\n') as f:
        return f.read().split('\n')[:-1]


def run(args, out):
    with open(out, 'wb') as f:
        subprocess.run(args, stdout=f, check=True)
    return lines_of(out)


def sentences(words, count, seed):
    """`count` sentences of each length, words drawn with the seed; each
    with its length."""
    rnd = random.Random(seed)
    return [(n, ' '.join(rnd.choice(words) for _ in range(n))) for n in LENGTHS for _ in range(count)]


def readme_english(path):
    """The README's sentences of running text in ASCII (no code, no
    tables, no headings; quoted names and options stay): English."""
    with open(path, encoding='utf-8') as f:
        text = f.read()
    kept, code = [], False
    for line in text.splitlines():
        if line.startswith('```'):
            code = not code
            continue
        plain = not code and not line.startswith(('|', '#', '<!--', '    '))
        kept.append(line if plain else '')
    out = []
    for para in re.split(r'\n\s*\n', '\n'.join(kept)):
        para = re.sub(r'^[-*] ', '', ' '.join(para.split()))
        for s in re.split(r'(?<=[.!?:;])\s+(?=[A-Z(`*])', para):
            if len(s.split()) >= 3 and s.isascii():
                out.append(s)
    return out


def table(title, schemes, rows):
    """Prints a confusion table: rows[true][named] counts."""
    columns = schemes + ['devanagari', 'unknown']
    width = max(len(c) for c in columns) + 1
    print(f'  {title}')
    print('  ' + ' ' * 10 + ''.join(f'{c:>{width}}' for c in columns))
    for s in schemes:
        print(f'  {s:<10}' + ''.join(f'{rows[s].get(c, 0):>{width}}' for c in columns))


def main():
    args = sys.argv[1:]
    count, readme = 100, None
    if '--sentences' in args:
        i = args.index('--sentences')
        count = int(args[i + 1])
        del args[i:i + 2]
    if '--readme' in args:
        i = args.index('--readme')
        readme = args[i + 1]
        del args[i:i + 2]
    work, sources = args[0], [a.split('=', 1) for a in args[1:]]
    schemes = subprocess.run([DETECTLINES, '--schemes'], capture_output=True, text=True, check=True).stdout.split()
    failed = []
    for seed, (source, path) in enumerate(sources):
        with open(path, encoding='utf-8', errors='ignore') as f:
            words = f.read().split()
        made = sentences(words, count, seed)
        deva = os.path.join(work, f'{source}.deva')
        with open(deva, 'w', encoding='utf-8') as f:
            f.writelines(s + '\n' for _, s in made)
        lengths = [n for n, _ in made]
        by = {n: {s: {} for s in schemes} for n in LENGTHS}
        right = strict = total = 0
        for s in schemes:
            roman = os.path.join(work, f'{source}.{s}')
            run([SONWICK, '--scheme', s, deva], roman)
            named = [line.split()[0] for line in run([DETECTLINES, roman], roman + '.found')]
            # What kavrel makes of the lines in each scheme, to tell the
            # schemes that read a line alike.
            read = {g: run([KAVREL, '--scheme', g, roman], f'{roman}.as.{g}') for g in schemes}
            for i, (n, g) in enumerate(zip(lengths, named)):
                alike = g == s or (g in read and read[g][i] == read[s][i])
                counted = s if alike else g
                by[n][s][counted] = by[n][s].get(counted, 0) + 1
                if n >= LONG:
                    total += 1
                    strict += g == s
                    right += alike
        print(f'{source}: {count} sentences of each length, written in each scheme by sonwick')
        for n in LENGTHS:
            table(f'{n} words', schemes, by[n])
        pooled = {s: {} for s in schemes}
        for n in LENGTHS:
            if n >= LONG:
                for s in schemes:
                    for g, k in by[n][s].items():
                        pooled[s][g] = pooled[s].get(g, 0) + k
        table(f'{LONG} to {max(LENGTHS)} words', schemes, pooled)
        share = right / total
        print(f'  right, {LONG} words or more: {100 * share:.1f}% ({right} of {total}); '
              f'the scheme itself named: {100 * strict / total:.1f}%')
        print(f'  by length: ' + ', '.join(
            f'{n} {100 * sum(by[n][s].get(s, 0) for s in schemes) / (count * len(schemes)):.1f}%' for n in LENGTHS))
        if share < 0.95:
            failed.append(f'{source}: {100 * share:.1f}% of sentences of {LONG} words or more right, under 95%')
        print()
    if readme:
        english = readme_english(readme)
        path = os.path.join(work, 'english.txt')
        with open(path, 'w', encoding='utf-8') as f:
            f.writelines(s + '\n' for s in english)
        named = [line.split()[0] for line in run([DETECTLINES, path], path + '.found')]
        called = [(g, s) for g, s in zip(named, english) if g != 'unknown']
        print(f'English: {len(english)} sentences of the README, {len(called)} called a scheme')
        for g, s in called:
            print(f'  {g}: {s}')
        if called:
            failed.append(f'{len(called)} English sentences of the README called a scheme')
    for f in failed:
        print(f'check failed: {f}')
    if not failed:
        print(f'check: at least 95% of sentences of {LONG} words or more right in every source, '
              'no English sentence called a scheme')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
