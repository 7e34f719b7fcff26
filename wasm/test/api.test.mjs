// What the package promises besides the conversions: lone surrogates pass
// through, a caller's mistake throws, the declarations name what the module
// exports and the schemes it has, and package.json carries the project's
// version and its files.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { L, nodeEntry, packageDir, packageJson, root, run, wtf8 } from '../harness.mjs';

// Strings with lone surrogates of each half, alone, at either end, beside
// pairs, inside syllables, and long enough to take the long paths.
const surrogateTexts = [
  '\ud800', '\udc00', 'ka\ud800', '\udfffka', 'k\ud800a', 'ā\udbff\udbffī', '\ud83d\ude00\ud83d',
  '\ude00\ud83d\ude00', 'rāma\udc80 \ud800kṛṣṇa', `${'kamala '.repeat(50)}\ud800${'vana '.repeat(50)}`,
  'क\ud800ख', '्\udc00', `${'कमल '.repeat(100)}\udfff`,
];

test('lone surrogates pass through both ways', () => {
  for (const text of surrogateTexts) {
    const lone = text.match(/[\ud800-\udfff]/gu);
    const d = L.toDevanagari(text);
    assert.ok(wtf8(d).equals(run('KAVREL', wtf8(text)).stdout), JSON.stringify(text));
    assert.deepEqual(d.match(/[\ud800-\udfff]/gu), lone, JSON.stringify(text));
    const r = L.toRoman(text);
    assert.ok(wtf8(r).equals(run('SONWICK', wtf8(text)).stdout), JSON.stringify(text));
    assert.deepEqual(r.match(/[\ud800-\udfff]/gu), lone, JSON.stringify(text));
  }
});

// Where Node's Buffer is missing, as in a browser, a long result is made a
// string by TextDecoder, or a block of units at a time when it has a lone
// surrogate: the same strings.
test('long results without Node\'s Buffer', () => {
  const long = (s) => s.repeat(Math.ceil(3000 / s.length));
  const calls = [
    ['toDevanagari', long('rāma vanaṁ gacchati '), {}],
    ['toDevanagari', long('rAma vanaM gacchati\ud800 '), { scheme: 'hk' }],
    ['toRoman', long('राम वनं गच्छति '), {}],
    ['toRoman', long('राम वनं गच्छति '), { scheme: 'hk' }],
    ['toRoman', long('राम\udc00 वनं गच्छति '), { scheme: 'iast' }],
  ];
  const script = `delete globalThis.Buffer;
    const L = await import(${JSON.stringify(nodeEntry)});
    let input = '';
    for await (const piece of process.stdin) input += piece;
    const calls = JSON.parse(input);
    const results = calls.map(([f, text, options]) => L[f](text, options));
    results.push(L.fromIscii(new Uint8Array(calls.map((c) => c[1]).join('').length).fill(0xb3)).text);
    process.stdout.write(JSON.stringify(results));`;
  const p = spawnSync(process.execPath, ['--input-type=module', '-e', script], { input: JSON.stringify(calls) });
  assert.equal(p.status, 0, String(p.stderr));
  const want = calls.map(([f, text, options]) => L[f](text, options));
  want.push(L.fromIscii(new Uint8Array(calls.map((c) => c[1]).join('').length).fill(0xb3)).text);
  assert.deepEqual(JSON.parse(p.stdout), want);
});

// detect names what kavrel --scheme auto reads: a scheme, Devanagari, or
// the default where nothing fits; of a long text, only the first block.
test('detect finds what kavrel --scheme auto finds', () => {
  const english = 'Reads the file, or standard input, and writes it out. '.repeat(100);
  // IAST's samskrtam krsnah, HK, Devanagari's namaste, English alone and before IAST.
  const iast = 'sa\u1e43sk\u1e5btam k\u1e5b\u1e63\u1e47a\u1e25';
  for (const text of [iast, 'kRSNa saMskRtam zivAya', '\u0928\u092e\u0938\u094d\u0924\u0947', english, `${english}${iast}`]) {
    const said = run('KAVREL', Buffer.from(text), ['--scheme', 'auto']).stderr;
    const { scheme } = L.detect(text);
    const reading = scheme === 'unknown' ? 'no scheme fits the text; reading iso'
      : scheme === 'devanagari' ? 'the text is in Devanagari; reading iso' : `reading ${scheme}`;
    assert.equal(said, `kavrel: --scheme auto: ${reading}\n`, text.slice(0, 40));
  }
});

// A caller's mistakes, each with the error it throws.
const mistakes = [
  ['a number for text', () => L.toDevanagari(5), TypeError, /takes a string/],
  ['bytes for text', () => L.toRoman(new Uint8Array(2)), TypeError, /takes a string/],
  ['an unknown scheme', () => L.toDevanagari('ka', { scheme: 'klingon' }), RangeError, /unknown scheme 'klingon'; the schemes are iso, /],
  ['a scheme by number', () => L.toRoman('क', { scheme: 1 }), TypeError, /scheme must be a string/],
  ['an unknown script', () => L.toDevanagari('ka', { script: 'latin' }), RangeError, /unknown script 'latin'; the scripts are devanagari, /],
  ['a script by number', () => new L.ToDevanagariStream({ script: 6 }), TypeError, /script must be a string/],
  ['a misspelt option', () => L.toDevanagari('ka', { sanscrit: true }), TypeError, /no option 'sanscrit'/],
  ['an option of the other call', () => L.toRoman('क', { numerals: true }), TypeError, /no option 'numerals'/],
  ['a flag as a number', () => L.toDevanagari('ka', { sanskrit: 1 }), TypeError, /sanskrit must be true or false/],
  ['options as null', () => L.toDevanagari('ka', null), TypeError, /must be an object/],
  ['ISCII as a string', () => L.fromIscii('abc'), TypeError, /takes a Uint8Array/],
  ['an unknown input form', () => new L.ToDevanagariStream({ input: 'latin-1' }), RangeError, /unknown input form/],
  ['a form in a stream of Roman', () => new L.ToRomanStream({ output: 'utf-8' }), TypeError, /no option 'output'/],
  ['onMessage not a function', () => new L.FromIsciiStream({ onMessage: 5 }), TypeError, /onMessage must be/],
  ['atr as a string', () => L.fromIscii(new Uint8Array(1), { atr: 'yes' }), TypeError, /atr must be true or false/],
  ['a Roman option for ISCII', () => new L.FromIsciiStream({ nfc: true }), TypeError, /no option 'nfc'/],
];

test("a caller's mistakes throw", () => {
  for (const [name, call, type, message] of mistakes)
    assert.throws(call, (e) => e instanceof type && message.test(e.message), name);
});

// The declarations are made from the romanisation table and the library's
// script enumeration at build time, the lists of schemes and scripts from
// the library when the module is loaded: they must agree, and every export
// must be declared.
test('the declarations name every export and the schemes and scripts of the module', () => {
  const dts = readFileSync(path.join(packageDir, 'lipisetu.d.ts'), 'utf8');
  const declared = [...dts.matchAll(/^export declare (?:let|const|function|class) (\w+)/gm)].map((m) => m[1]);
  assert.deepEqual(declared.sort(), Object.keys(L).sort());
  const union = dts.match(/^export type Scheme = (.*);$/m)[1];
  assert.deepEqual(union.split(' | '), L.schemes.map((s) => `'${s}'`));
  assert.deepEqual(dts.match(/^export type Script = (.*);$/m)[1].split(' | '), L.scripts.map((s) => `'${s}'`));
  assert.ok(Object.isFrozen(L.schemes) && Object.isFrozen(L.scripts));
});

test("package.json: the project's version, its files there", () => {
  const project = readFileSync(path.join(root, 'CMakeLists.txt'), 'utf8').match(/project\([^)]*VERSION\s+([\d.]+)/);
  assert.equal(packageJson.version, project[1]);
  for (const file of packageJson.files) assert.ok(readFileSync(path.join(packageDir, file)).length > 0, file);
});
