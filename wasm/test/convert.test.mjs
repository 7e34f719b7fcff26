// toDevanagari and toRoman against kavrel and sonwick: the samples and
// random text, under every option set and in every scheme; the result's
// UTF-8 (lone surrogates in their three-byte form) must be the program's
// bytes.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import {
  L, args, devanagariText, optionSets, romanText, run, samples, schemes, unwtf8, wtf8,
} from '../harness.mjs';

const sample = (name) => readFileSync(path.join(samples, name), 'utf8');

// Devanagari that exercises every scheme: the sample, conjuncts, vowel
// signs, nukta, the virama at the end, and the pairs the schemes have to
// keep apart (k + h, k + i).
const schemeDevanagari = `${sample('devanagari.txt')}संस्कृतम् कृष्णः क्ह कइ ऋषिः ज़्यादा बड़ा ॐ नमः। ०१२३`;

const romanTexts = [
  ['sample', sample('roman.txt')],
  ['sanskrit', "tat tvam asi\nso'ham: rāmaḥ 12 vanaṁ gacchati"],
  ['empty', ''],
  ['one letter', 'k'],
  ['lone surrogates', 'ka\ud800kha\udc00 \ud800'],
  ...[1, 2, 3, 4, 5, 6].map((seed) => [`random ${seed}`, romanText(seed, 500)]),
  ['random long', romanText(7, 20000)],
];

const devanagariTexts = [
  ['sample', sample('devanagari.txt')],
  ['schemes', schemeDevanagari],
  ['empty', ''],
  ['one letter', 'क'],
  ['lone surrogates', 'क\ud800ख\udc00्'],
  ...[1, 2, 3, 4, 5, 6].map((seed) => [`random ${seed}`, devanagariText(seed, 500)]),
  ['random long', devanagariText(7, 20000)],
];

function same(got, want, what) {
  const bytes = wtf8(got);
  if (!bytes.equals(want)) {
    let i = 0;
    while (i < bytes.length && bytes[i] === want[i]) i++;
    assert.fail(`${what}: differs at byte ${i}: got ${bytes.subarray(i, i + 24).toString('hex')}, ` +
      `want ${want.subarray(i, i + 24).toString('hex')}`);
  }
}

for (const scheme of schemes) {
  test(`toRoman in ${scheme} as sonwick`, () => {
    for (const [name, text] of devanagariTexts) {
      const want = run('SONWICK', wtf8(text), args({}, scheme)).stdout;
      same(L.toRoman(text, { scheme }), want, name);
      if (scheme === 'iso') same(L.toRoman(text), want, `${name}, no options`);
    }
  });

  // Each scheme reads the random Roman text, and its own writing of the
  // Devanagari texts.
  const inScheme = devanagariTexts.map(([name, text]) =>
    [`${name} in ${scheme}`, unwtf8(run('SONWICK', wtf8(text), args({}, scheme)).stdout)]);
  for (const options of optionSets) {
    test(`toDevanagari ${JSON.stringify(options)} in ${scheme} as kavrel`, () => {
      for (const [name, text] of [...romanTexts, ...inScheme]) {
        const want = run('KAVREL', wtf8(text), args(options, scheme)).stdout;
        same(L.toDevanagari(text, { ...options, scheme }), want, name);
        if (scheme === 'iso') same(L.toDevanagari(text, options), want, `${name}, no scheme named`);
      }
    });
  }
}

// The same words one after another, short and long, as a column of names
// is converted: no call's input or result may leak into the next, and a
// text that makes the module's areas grow leaves the calls after it right.
test('calls in a row, across a larger call', () => {
  const words = [...new Set(romanTexts.flatMap(([, t]) => t.split(/[ \n]/)))].filter((w) => w).slice(0, 150);
  const want = words.map((w) => run('KAVREL', wtf8(w)).stdout);
  const wantRoman = want.map((w) => run('SONWICK', w).stdout);
  const check = () => words.forEach((w, i) => {
    const d = L.toDevanagari(w);
    same(d, want[i], w);
    same(L.toRoman(d), wantRoman[i], d);
  });
  check();
  const big = romanText(8, 200000);
  same(L.toDevanagari(big), run('KAVREL', wtf8(big)).stdout, 'a larger text');
  check();
});
