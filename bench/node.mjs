// The npm package (build/wasm/package) against sanscript.js in one Node
// process, on the same texts and words: MB/s on whole texts and calls a
// second on single words, reading each scheme (scheme -> Devanagari) and
// writing it (Devanagari -> scheme), for the schemes both have. bench/node.sh
// makes the texts and installs sanscript.js; run that.
//
//   node bench/node.mjs PACKAGE_DIR SANSCRIPT_DIR|- DEVANAGARI_FILE SCHEME=FILE...
//
//   RUNS=5          runs of each timing of the package (sanscript.js: SANSCRIPT_RUNS=3);
//                   the best counts
//   WORDS=200000    the words timed one call each: the first of each text
//   SLOW_LIMIT=20   seconds one run of sanscript.js may take on a whole text;
//                   past that it is timed on the first PREFIX_MB=2 MB (whole
//                   lines), and so is the package for its ratio
//
// A text is read and decoded before any clock starts; a timing is the
// conversion of a string into a string, nothing written.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [packageDir, sanscriptDir, devFile, ...schemeFiles] = process.argv.slice(2);
if (!devFile || schemeFiles.length === 0) {
  console.error('usage: node bench/node.mjs PACKAGE_DIR SANSCRIPT_DIR|- DEVANAGARI_FILE SCHEME=FILE...');
  process.exit(2);
}
const env = (name, fallback) => Number(process.env[name] || fallback);
const runs = env('RUNS', 5);
const slowRuns = env('SANSCRIPT_RUNS', 3);
const wordCount = env('WORDS', 200000);
const slowLimit = env('SLOW_LIMIT', 20) * 1000;
const prefixBytes = env('PREFIX_MB', 2) * 1e6;

// The package as Node imports it (package.json's exports), its module's
// memory caught as it is made, to report how far the calls grew it.
const entry = JSON.parse(readFileSync(path.join(packageDir, 'package.json'))).exports['.'].node;
let memory;
const instantiate = WebAssembly.instantiate;
WebAssembly.instantiate = async (...a) => {
  const made = await instantiate(...a);
  memory = (made.instance ?? made).exports.memory;
  return made;
};
const L = await import(pathToFileURL(path.resolve(packageDir, entry)).href);
const Sanscript = sanscriptDir && sanscriptDir !== '-' ? createRequire(import.meta.url)(path.resolve(sanscriptDir)) : null;

const mb = (s) => Buffer.byteLength(s) / 1e6;
const words = (s) => s.split(/\s+/, wordCount + 1).filter((w) => w).slice(0, wordCount);
// The first whole lines of a text, at most prefixBytes of UTF-8.
function prefix(s) {
  let bytes = 0, end = 0;
  for (;;) {
    const nl = s.indexOf('\n', end);
    if (nl < 0) return s.slice(0, end);
    bytes += Buffer.byteLength(s.slice(end, nl + 1));
    if (bytes > prefixBytes) return s.slice(0, end);
    end = nl + 1;
  }
}

// The best time of `n` runs of f in milliseconds; the results' lengths are
// summed so that no run can be left out.
let sink = 0;
function best(n, f) {
  let t = Infinity;
  for (let i = 0; i < n; i++) {
    const t0 = performance.now();
    sink += f();
    t = Math.min(t, performance.now() - t0);
  }
  return t;
}
const onText = (convert, text) => () => convert(text).length;
const onWords = (convert, list) => () => {
  let n = 0;
  for (const w of list) n += convert(w).length;
  return n;
};

// One direction of one scheme: the package and sanscript.js on the whole
// text (or its prefix, for sanscript.js when the whole would take too
// long), and on the words.
function measure(pkg, peer, text, list) {
  const r = { textMB: mb(text), words: list.length };
  pkg(text); // the module's areas grown to their size, as they are after a first call
  r.pkgText = r.textMB / best(runs, onText(pkg, text)) * 1e3;
  r.pkgWords = list.length / best(runs, onWords(pkg, list)) * 1e3;
  if (!peer) return r;
  const head = prefix(text);
  const once = best(1, onText(peer, head));
  const whole = once * text.length / head.length <= slowLimit;
  const timed = whole ? text : head;
  r.onPrefix = !whole;
  r.peerText = mb(timed) / best(slowRuns, onText(peer, timed)) * 1e3;
  r.pkgSame = whole ? r.pkgText : mb(head) / best(runs, onText(pkg, head)) * 1e3;
  r.peerWords = list.length / best(slowRuns, onWords(peer, list)) * 1e3;
  return r;
}

const dev = readFileSync(devFile, 'utf8');
const devWords = words(dev);
const rows = [];
for (const arg of schemeFiles) {
  const [scheme, file] = arg.split('=');
  const text = readFileSync(file, 'utf8');
  const peer = Sanscript && scheme !== 'iso' && scheme in Sanscript.schemes;
  const options = { scheme };
  rows.push([scheme, 'read', measure((s) => L.toDevanagari(s, options),
    peer && ((s) => Sanscript.t(s, scheme, 'devanagari')), text, words(text))]);
  rows.push([scheme, 'write', measure((s) => L.toRoman(s, options),
    peer && ((s) => Sanscript.t(s, 'devanagari', scheme)), dev, devWords)]);
}

const f1 = (x) => (x === undefined ? '-' : x.toFixed(1));
const ratio = (a, b) => (b === undefined ? '-' : `${(a / b).toFixed(1)}x`);
const row = (...cells) => console.log(cells.map((c, i) => String(c)[i < 2 ? 'padEnd' : 'padStart']([9, 6, 7, 10, 10, 8, 12, 12, 8][i])).join(' '));
console.log(`node ${process.version}; package ${JSON.parse(readFileSync(path.join(packageDir, 'package.json'))).version}` +
  (Sanscript ? `; sanscript.js ${JSON.parse(readFileSync(path.join(sanscriptDir, 'package.json'))).version}` : '; no sanscript.js'));
console.log(`whole texts: ${mb(dev).toFixed(1)} MB of Devanagari, each scheme's text of the same words; ` +
  `single words: the first ${devWords.length} words of each; best of ${runs} (sanscript.js: ${slowRuns})`);
row('scheme', 'way', 'MB', 'MB/s', 'sanscript', 'ratio', 'words/s', 'sanscript', 'ratio');
let prefixed = false;
const targets = [];
// A line that checks a target, in the form bench/run.sh gathers.
const target = (name, rate, unit, times, peer, want) =>
  targets.push(`${name.padEnd(36)} ${rate} ${unit}, ${times.toFixed(1)}x sanscript.js` +
    ` (target >= ${want}x: ${times >= want ? 'OK' : 'BELOW TARGET'})`);
for (const [scheme, way, r] of rows) {
  if (r.onPrefix) prefixed = true;
  row(scheme, way, r.textMB.toFixed(1), f1(r.pkgText), r.peerText === undefined ? '-' : f1(r.peerText) + (r.onPrefix ? '*' : ''),
    ratio(r.pkgSame, r.peerText), Math.round(r.pkgWords), r.peerWords === undefined ? '-' : Math.round(r.peerWords),
    ratio(r.pkgWords, r.peerWords));
  if (r.peerText !== undefined) {
    const call = way === 'read' ? 'toDevanagari' : 'toRoman';
    target(`${call} ${scheme}, whole text`, f1(r.pkgSame), 'MB/s', r.pkgSame / r.peerText, r.peerText, 20);
    target(`${call} ${scheme}, single words`, Math.round(r.pkgWords), 'words/s', r.pkgWords / r.peerWords, r.peerWords, 10);
  }
}
console.log('read: toDevanagari(text, {scheme}) against Sanscript.t(text, scheme, \'devanagari\'); write: toRoman(text,');
console.log('{scheme}) against Sanscript.t(text, \'devanagari\', scheme); MB/s of the input; ratio: times as fast');
if (prefixed) console.log(`*: sanscript.js timed on the first ${prefixBytes / 1e6} MB (and the package too, for the ratio):` +
  ` the whole would take over ${slowLimit / 1000} s a run`);
console.log(`the module's memory after every call above: ${memory.buffer.byteLength / 2 ** 20} MiB`);
for (const line of targets) console.log(line);
if (sink < 0) console.log(sink);
