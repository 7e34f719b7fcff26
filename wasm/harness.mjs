// What the package's tests (test/*.test.mjs) share: the staged package,
// the programs to compare it with, random texts and a driver for streams.
//
//   LIPISETU_PACKAGE          the staged package's folder (default build/wasm/package)
//   KAVREL, SONWICK, PELLAM   the programs (default build/cli/NAME)
//   SAMPLES                   the samples' folder (default samples)
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { fileURLToPath, pathToFileURL } from 'node:url';
import path from 'node:path';

export const root = fileURLToPath(new URL('..', import.meta.url));
const from = (name, fallback) => path.resolve(root, process.env[name] || fallback);

export const packageDir = from('LIPISETU_PACKAGE', 'build/wasm/package');
export const samples = from('SAMPLES', 'samples');
const programs = {
  KAVREL: from('KAVREL', 'build/cli/kavrel'),
  SONWICK: from('SONWICK', 'build/cli/sonwick'),
  PELLAM: from('PELLAM', 'build/cli/pellam'),
};

// The package as Node imports it, through its package.json; the module's
// memory caught as it is made, so that the tests can see how large it grows.
export const packageJson = JSON.parse(readFileSync(path.join(packageDir, 'package.json'), 'utf8'));
export const nodeEntry = pathToFileURL(path.join(packageDir, packageJson.exports['.'].node)).href;
let memory;
const instantiate = WebAssembly.instantiate;
WebAssembly.instantiate = async (...a) => {
  const made = await instantiate(...a);
  memory = (made.instance ?? made).exports.memory;
  return made;
};
export const L = await import(nodeEntry);
WebAssembly.instantiate = instantiate;
export const moduleMemory = () => memory.buffer.byteLength;

export const schemes = L.schemes;
export const optionSets = [{}, { sanskrit: true }, { numerals: true }, { sanskrit: true, numerals: true, nfc: true },
  { numerals: true, script: 'tamil' }];

// The program's arguments for those options and scheme.
export function args(options = {}, scheme = 'iso') {
  const a = [];
  if (options.sanskrit) a.push('-s');
  if (options.numerals) a.push('-n');
  if (options.nfc) a.push('--nfc');
  if (options.script) a.push('--script', options.script);
  if (scheme !== 'iso') a.push('--scheme', scheme);
  return a;
}

// The program's output (bytes) and messages (text) for `input`, read from
// standard input.
export function run(program, input, argv = []) {
  const r = spawnSync(programs[program], argv, { input, maxBuffer: 1 << 30 });
  if (r.error) throw r.error;
  if (r.status !== 0) throw new Error(`${program} ${argv.join(' ')} exited with ${r.status}: ${r.stderr}`);
  return { stdout: r.stdout, stderr: r.stderr.toString('latin1') };
}

// UTF-8 of a string, a lone surrogate in its three-byte form: by code
// point, unlike the package's loop.
export function wtf8(s) {
  const out = [];
  for (const ch of s) {
    const c = ch.codePointAt(0);
    if (c < 0x80) out.push(c);
    else if (c < 0x800) out.push(0xc0 | (c >> 6), 0x80 | (c & 63));
    else if (c < 0x10000) out.push(0xe0 | (c >> 12), 0x80 | ((c >> 6) & 63), 0x80 | (c & 63));
    else out.push(0xf0 | (c >> 18), 0x80 | ((c >> 12) & 63), 0x80 | ((c >> 6) & 63), 0x80 | (c & 63));
  }
  return Buffer.from(out);
}

// The string of UTF-8 bytes, a surrogate's three bytes giving the
// surrogate (the programs' output of a text with lone surrogates).
export function unwtf8(bytes) {
  let s = '';
  for (let i = 0; i < bytes.length; ) {
    const b = bytes[i];
    const n = b < 0x80 ? 1 : b < 0xe0 ? 2 : b < 0xf0 ? 3 : 4;
    let c = n === 1 ? b : b & (0x7f >> n);
    for (let j = 1; j < n; j++) c = (c << 6) | (bytes[i + j] & 63);
    if (n > 1 && (i + n > bytes.length || c < [0, 0, 0x80, 0x800, 0x10000][n])) throw new Error(`not UTF-8 at byte ${i}`);
    s += String.fromCodePoint(c);
    i += n;
  }
  return s;
}

// A seeded generator of numbers in [0, 1) (mulberry32), so that a failing
// text is the same on every run.
export function random(seed) {
  let a = seed >>> 0;
  const next = () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  next.pick = (items) => items[Math.floor(next() * items.length)];
  next.int = (n) => Math.floor(next() * n);
  return next;
}

// Pieces of Roman text: ISO 15919's letters and marks (precomposed and
// decomposed), what the other schemes write (capitals, dots, tildes,
// carets, quotes), separators, digits, apostrophes, colons, letters
// outside the transliteration, a lone surrogate of each half and a
// character past the BMP.
const romanPieces = [
  'a', 'ā', 'i', 'ī', 'u', 'ū', 'r̥', 'r̥̄', 'l̥', 'e', 'ē', 'ai', 'o', 'ō', 'au', 'k', 'kh', 'g', 'gh', 'ṅ',
  'c', 'ch', 'j', 'ñ', 'ṭ', 'ṭh', 'ḍ', 'ṇ', 't', 'th', 'd', 'dh', 'n', 'p', 'ph', 'b', 'm', 'y', 'r', 'l',
  'v', 'ś', 'ṣ', 's', 'h', 'ṁ', 'ṃ', 'ḥ', 'm̐', 'ẽ', 'ã', 'q', 'z', 'f', 'ḷ', 'ṟ', 'ṉ',
  'a\u0304', 'r\u0325', 'n\u0307', 's\u0301', '\u0323', '\u0303', 'e\u0302',
  'A', 'I', 'U', 'R', 'RR', 'L', 'M', 'H', 'T', 'D', 'N', 'S', 'G', 'J', 'Y', 'W', 'X', 'K', 'E', 'O', 'x',
  '.', '..', '.t', '.d', '.n', '.m', '.h', '~n', '"n', '^', '~', '|', '||', '.a', '.N', 'f', 'w', 'F', 'Q',
  "'", ':', ' ', ' ', ' ', '\n', '\t', ',', '-', '?', '0', '1', '2', '9', '12',
  'ê', 'ô', 'ç', 'é', 'क', '\u200d', '\ufeff', '\ud800', '\udfff', '\u{1F600}', '中',
];

export function romanText(seed, n) {
  const r = random(seed);
  let s = '';
  for (let i = 0; i < n; i++) s += r.pick(romanPieces);
  return s;
}

// Devanagari text: syllables (a consonant, with nukta now and then, joined
// by the virama to the next, a vowel sign, anusvara, visarga or
// candrabindu), independent vowels, and any character of the block, with
// separators, joiners, Latin, a lone surrogate and a character past the
// BMP between them.
const consonants = [...'कखगघङचछजझञटठडढणतथदधनपफबभमयरलवशषसह'];
const signs = [...'ािीुूृॄेैोौॢॣॅॉॆॊ'];
const finals = ['ं', 'ः', 'ँ', '़', '्', 'ऽ'];
const vowels = [...'अआइईउऊऋॠऌएऐओऔऍऑऎऒ'];
const others = [' ', ' ', '\n', '।', '॥', '०', '७', '1', 'a', 'K', '\u200c', '\u200d', '\ufeff', "'", ':',
  '\udc80', '\ud83d', '\u{1F600}', '\u0951', '\u0952', 'ॐ', 'ॲ', 'ॻ', 'ॿ', 'क़', 'ख़', 'ड़', 'य़', 'ॱ'];

export function devanagariText(seed, n) {
  const r = random(seed);
  let s = '';
  while (s.length < n) {
    const x = r();
    if (x < 0.5) {
      s += r.pick(consonants);
      if (r() < 0.1) s += '़';
      while (r() < 0.25) s += '्' + r.pick(consonants);
      if (r() < 0.6) s += r.pick(signs);
      if (r() < 0.15) s += r.pick(finals);
    } else if (x < 0.6) {
      s += r.pick(vowels);
    } else if (x < 0.8) {
      s += String.fromCharCode(0x0900 + r.int(0x80));
    } else {
      s += r.pick(others);
    }
  }
  return s;
}

// Bytes that are not all well-formed UTF-8: the UTF-8 of a text with
// stray continuation bytes, bytes never in UTF-8, overlong and cut
// sequences, surrogates' and byte-order marks' bytes put between.
const badBytes = [[0x80], [0xbf], [0xc0, 0x80], [0xc1], [0xf5], [0xff], [0xfe], [0xe0, 0x80, 0x80], [0xe0, 0xa4],
  [0xed, 0xa0, 0x80], [0xed, 0xbf, 0xbf], [0xf0, 0x9f, 0x98], [0xf4, 0x90, 0x80, 0x80], [0xef, 0xbb, 0xbf],
  [0xff, 0xfe], [0xfe, 0xff], [0xe0, 0xa4, 0x95], [0xcc, 0x84]];

export function badUtf8(seed, text) {
  const r = random(seed);
  const parts = [];
  for (const ch of text) {
    parts.push(wtf8(ch));
    if (r() < 0.05) parts.push(Buffer.from(r.pick(badBytes)));
  }
  return Buffer.concat(parts);
}

export function utf16(text, little, mark) {
  const b = Buffer.alloc(2 * text.length + (mark ? 2 : 0));
  let o = 0;
  const put = (u) => {
    if (little) b.writeUInt16LE(u, o);
    else b.writeUInt16BE(u, o);
    o += 2;
  };
  if (mark) put(0xfeff);
  for (let i = 0; i < text.length; i++) put(text.charCodeAt(i));
  return b;
}

// Random ISCII: every byte value, with ATR, EXT, the nukta byte and line
// feeds more often than the others.
export function isciiBytes(seed, n) {
  const r = random(seed);
  const b = Buffer.alloc(n);
  for (let i = 0; i < n; i++) {
    const x = r();
    b[i] = x < 0.05 ? 0xef : x < 0.1 ? 0xf0 : x < 0.15 ? 0xe9 : x < 0.2 ? 0x0a : x < 0.6 ? 0xa1 + r.int(0x5a) : r.int(256);
  }
  return b;
}

// The stream's output for the bytes written in chunks of `size` bytes (or
// the chunks given); every chunk out must be a Uint8Array.
export async function through(stream, bytes, size = Infinity) {
  const chunks = [];
  if (Array.isArray(bytes)) chunks.push(...bytes);
  else for (let i = 0; i < bytes.length || i === 0; i += size) chunks.push(bytes.subarray(i, i + size));
  let i = 0;
  const source = new ReadableStream({
    pull(controller) {
      if (i < chunks.length) controller.enqueue(chunks[i++]);
      else controller.close();
    },
  });
  const outs = [];
  for await (const out of source.pipeThrough(stream)) {
    if (!(out instanceof Uint8Array)) throw new TypeError(`a chunk out is ${Object.prototype.toString.call(out)}`);
    outs.push(out);
  }
  return Buffer.concat(outs);
}

