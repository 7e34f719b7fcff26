// Long strings, converted in parts inside the package: the joins of the
// parts give the programs' bytes, the module's memory stays under the bound
// the README states whatever the length, and a result longer than a
// JavaScript string can be is a RangeError that says so.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { L, devanagariText, moduleMemory, romanText, run, samples, wtf8 } from '../harness.mjs';

const BOUND = 32 << 20; // bytes of the module's memory
const EDGE = 1 << 18; // where the package cuts a string: its parts' size in UTF-16 units

// What may sit at the edge of a part: a surrogate pair, a lone surrogate of
// either half, a letter and its combining macron, a consonant and its h.
const edgeCases = [
  ['toDevanagari', 'k', ['\u{1F600}', '\ud800', '\udc00', 'a\u0304', 'kh'], 'KAVREL'],
  ['toRoman', '\u0915', ['\u{1F600}', '\ud800', '\u094d\u0939', '\u093c'], 'SONWICK'],
];

test('a part ends anywhere: the bytes of the programs', () => {
  for (const [call, filler, tails, program] of edgeCases) {
    for (const tail of tails) {
      for (let d = -2; d <= 1; d++) {
        const text = `${filler.repeat(EDGE + d)}${tail} ${filler}`;
        const got = wtf8(L[call](text));
        assert.ok(got.equals(run(program, wtf8(text)).stdout), `${call}: ${JSON.stringify(tail)} at ${EDGE + d}`);
      }
    }
  }
});

test('a 50 MB string in one call: the bytes of the programs, in bounded memory', () => {
  // A block of random text (no lone surrogate, so that Buffer gives its
  // UTF-8) whose length is prime to the parts', repeated to 50 million units.
  const sample = readFileSync(path.join(samples, 'roman.txt'), 'utf8');
  const block = (sample + romanText(21, 700000)).replace(/[\ud800-\udfff]/gu, '').slice(0, 1000003);
  const roman = block.repeat(Math.ceil(50e6 / block.length));
  const devanagari = L.toDevanagari(roman, { numerals: true });
  assert.ok(Buffer.from(devanagari).equals(run('KAVREL', Buffer.from(roman), ['-n']).stdout), 'toDevanagari');
  assert.ok(moduleMemory() <= BOUND, `${moduleMemory()} bytes after toDevanagari`);
  const text = devanagariText(22, 1000003).replace(/[\ud800-\udfff]/gu, '').repeat(50);
  assert.ok(Buffer.from(L.toRoman(text, { scheme: 'hk' })).equals(run('SONWICK', Buffer.from(text), ['--scheme', 'hk']).stdout),
    'toRoman');
  const iscii = Buffer.alloc(50e6, readFileSync(path.join(samples, 'hindi.iscii')));
  assert.ok(Buffer.from(L.fromIscii(iscii).text).equals(run('PELLAM', iscii).stdout), 'fromIscii');
  assert.ok(moduleMemory() <= BOUND, `${moduleMemory()} bytes after all`);
});

// Each k is two units of Devanagari (k and the virama): 2^28 of them and
// more pass the longest string Node's engine makes (2^29 - 24 units).
test('a result too long for a string is a RangeError', () => {
  assert.throws(() => L.toDevanagari('k'.repeat(2 ** 28 + 2 ** 20)),
    (e) => e instanceof RangeError && /longer than a JavaScript string can be.*ToDevanagariStream/.test(e.message));
  assert.ok(moduleMemory() <= BOUND);
  assert.equal(L.toDevanagari('ka'), '\u0915');
});
