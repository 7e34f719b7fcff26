// What the package promises besides the conversions: lone surrogates pass
// through as the Python module passes them, a caller's mistake throws, the
// declarations name what the module exports, and package.json carries the
// project's version.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { L, packageDir, root, run, wtf8 } from '../harness.mjs';

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

// The Python module, where it is built, gives the same strings.
const pythonModule = process.env.LIPISETU_PYTHON;
test('lone surrogates as the Python module', { skip: !pythonModule && 'LIPISETU_PYTHON not set' }, () => {
  const script = 'import json, sys, lipisetu\n' +
    'texts = json.load(sys.stdin)\n' +
    'json.dump([[lipisetu.to_devanagari(t), lipisetu.to_roman(t)] for t in texts], sys.stdout)\n';
  const p = spawnSync(process.env.LIPISETU_PYTHON_INTERPRETER || 'python3', ['-c', script], {
    input: JSON.stringify(surrogateTexts),
    env: { ...process.env, PYTHONPATH: pythonModule },
  });
  assert.equal(p.status, 0, String(p.stderr));
  const want = JSON.parse(p.stdout);
  surrogateTexts.forEach((t, i) => assert.deepEqual([L.toDevanagari(t), L.toRoman(t)], want[i], JSON.stringify(t)));
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
    const L = await import(${JSON.stringify(pathToFileURL(path.join(packageDir, 'lipisetu.js')).href)});
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

// A caller's mistakes, each with the error it throws.
const mistakes = [
  ['a number for text', () => L.toDevanagari(5), TypeError, /takes a string/],
  ['bytes for text', () => L.toRoman(new Uint8Array(2)), TypeError, /takes a string/],
  ['an unknown scheme', () => L.toDevanagari('ka', { scheme: 'klingon' }), RangeError, /unknown scheme 'klingon'/],
  ['a scheme in capitals', () => L.toRoman('क', { scheme: 'IAST' }), RangeError, /the schemes are iso, iast/],
  ['a scheme by number', () => L.toRoman('क', { scheme: 1 }), TypeError, /scheme must be a string/],
  ['a misspelt option', () => L.toDevanagari('ka', { sanscrit: true }), TypeError, /no option 'sanscrit'/],
  ['an option of the other call', () => L.toRoman('क', { numerals: true }), TypeError, /no option 'numerals'/],
  ['a flag as a number', () => L.toDevanagari('ka', { sanskrit: 1 }), TypeError, /sanskrit must be true or false/],
  ['options as null', () => L.toDevanagari('ka', null), TypeError, /must be an object/],
  ['options as a string', () => L.toRoman('क', 'iast'), TypeError, /must be an object/],
  ['ISCII as a string', () => L.fromIscii('abc'), TypeError, /takes a Uint8Array/],
  ['ISCII as an array', () => L.fromIscii([0xb3]), TypeError, /takes a Uint8Array/],
  ['an unknown input form', () => new L.ToDevanagariStream({ input: 'latin-1' }), RangeError, /unknown input form/],
  ['an unknown output form', () => new L.ToDevanagariStream({ output: 'utf-16' }), RangeError, /unknown output form/],
  ['a form in a stream of Roman', () => new L.ToRomanStream({ output: 'utf-8' }), TypeError, /no option 'output'/],
  ['an unknown scheme in a stream', () => new L.ToRomanStream({ scheme: 'x' }), RangeError, /unknown scheme/],
  ['onMessage not a function', () => new L.FromIsciiStream({ onMessage: 5 }), TypeError, /onMessage must be/],
];

test("a caller's mistakes throw", () => {
  for (const [name, call, type, message] of mistakes)
    assert.throws(call, (e) => e instanceof type && message.test(e.message), name);
});

// Each name reaches its own scheme: the conversion tests compare every
// name with the programs' --scheme of it.
test('schemes lists the scheme names, frozen', () => {
  assert.deepEqual([...L.schemes], ['iso', 'iast', 'hk', 'itrans', 'slp1', 'velthuis', 'wx']);
  assert.ok(Object.isFrozen(L.schemes));
});

test('the declarations name every export', () => {
  const dts = readFileSync(path.join(packageDir, 'lipisetu.d.ts'), 'utf8');
  const declared = [...dts.matchAll(/^export declare (?:const|function|class) (\w+)/gm)].map((m) => m[1]);
  assert.deepEqual(declared.sort(), Object.keys(L).sort());
});

test("package.json: the project's version, its files there", () => {
  const pkg = JSON.parse(readFileSync(path.join(packageDir, 'package.json'), 'utf8'));
  const project = readFileSync(path.join(root, 'CMakeLists.txt'), 'utf8').match(/project\([^)]*VERSION\s+([\d.]+)/);
  assert.equal(pkg.version, project[1]);
  for (const file of pkg.files) assert.ok(readFileSync(path.join(packageDir, file)).length > 0, file);
  assert.equal(pkg.exports['.'].default, `./${pkg.files[0]}`);
});
