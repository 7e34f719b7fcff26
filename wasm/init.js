// lipisetu: the conversions of kavrel, sonwick and pellam in JavaScript,
// over the library compiled to WebAssembly (lipisetu.wasm, beside this
// file). Every call gives the bytes the programs give:
//
//   toDevanagari(text, options)   Roman (ISO 15919 or another scheme) to Devanagari or another
//                                 script, as kavrel
//   toRoman(text, options)        Devanagari to Roman, as sonwick
//   fromIscii(bytes)              ISCII to Unicode, as pellam, with its messages
//   detect(text)                  the scheme a text is most likely in (or Devanagari)
//
// and the same as byte streams in constant memory (ToDevanagariStream,
// ToRomanStream, FromIsciiStream).
//
// This file loads the module when init() is called, from the address or
// the bytes it is given; lipisetu.js calls it with none when it is
// imported. It imports nothing, so that a bundle for browsers holds nothing
// of Node's; init-node.js reads file: addresses from the disk for Node.
//
// Strings go into the module as UTF-8, with a lone surrogate in its
// three-byte form, and come back the same way, so a lone surrogate passes
// through as the programs pass its bytes. Output bytes that are not
// well-formed (never seen from well-formed input) become U+FFFD. A long
// string is converted in parts, as a stream converts a file, so that the
// module's memory stays bounded whatever the length. No call throws for
// any text or bytes but one whose result is longer than a JavaScript
// string can be (a RangeError); a wrong argument (an unknown scheme or
// script, an option of the wrong type) throws a TypeError or a RangeError.

const forms = ['detect', 'utf-8', 'utf-16le', 'utf-16be'];

// ---------------------------------------------------------------- Loading

/** The names of the Roman schemes, in the module's order: empty until the module is loaded. */
export let schemes = Object.freeze([]);

/**
 * The names of the scripts toDevanagari writes, in the module's order,
 * Devanagari first: empty until the module is loaded.
 */
export let scripts = Object.freeze([]);

let memory, heap, heap16;
let wasmInput, wasmResult, wasmToDevanagari, wasmToRoman, wasmOpen, wasmPiece, wasmPush, wasmOutput,
  wasmMessageCount, wasmMessages, wasmClose, wasmUtf16, wasmUnits, wasmAscii, wasmDetect, wasmDetectScore;
// The bytes of a text that detect reads: its first block.
let detectBlock = 0;

const imports = {
  env: {
    // Called by the module's allocator when it has grown the memory: the
    // old buffer is detached, and so is every view of it.
    emscripten_notify_memory_growth() {
      heap = new Uint8Array(memory.buffer);
      heap16 = new Uint16Array(memory.buffer);
    },
  },
  wasi_snapshot_preview1: {
    proc_exit(code) {
      throw new Error(`lipisetu: the WebAssembly module stopped (status ${code})`);
    },
  },
};

let loading = null, ready = false;

/**
 * Loads the module, once: from `source` (an address as a string or URL, a
 * Response or the promise of one, the module's bytes, a compiled
 * WebAssembly.Module, or a promise of any of them), or from lipisetu.wasm
 * beside this file when there is none. Every call gives the first call's
 * promise, whatever its source, unless that one failed: then it tries
 * again. Until the promise is resolved, a conversion throws and `schemes`
 * and `scripts` are empty.
 */
export function init(source) {
  if (loading === null) {
    loading = instantiate(source).then(start).catch((e) => {
      loading = null;
      throw e;
    });
  }
  return loading;
}

async function instantiate(source) {
  source = await source;
  if (source === undefined) source = new URL('./lipisetu.wasm', import.meta.url);
  if (typeof source === 'string' || source instanceof URL) source = await fetch(source);
  if (source instanceof WebAssembly.Module) return WebAssembly.instantiate(source, imports);
  if (ArrayBuffer.isView(source) || source instanceof ArrayBuffer)
    return (await WebAssembly.instantiate(source, imports)).instance;
  if (typeof Response !== 'function' || !(source instanceof Response))
    throw new TypeError(`lipisetu: init takes an address, a Response, the module's bytes or a WebAssembly.Module, not ${describe(source)}`);
  if (!source.ok) throw new Error(`lipisetu: cannot load ${source.url}: ${source.status} ${source.statusText}`);
  // Compiled as it arrives where the server calls it application/wasm;
  // a server that does not gets the bytes read whole first.
  const type = source.headers.get('Content-Type') || '';
  if (typeof WebAssembly.instantiateStreaming === 'function' && type.split(';')[0].trim() === 'application/wasm')
    return (await WebAssembly.instantiateStreaming(source, imports)).instance;
  return (await WebAssembly.instantiate(await source.arrayBuffer(), imports)).instance;
}

function start(instance) {
  const e = instance.exports;
  memory = e.memory;
  heap = new Uint8Array(memory.buffer);
  heap16 = new Uint16Array(memory.buffer);
  e._initialize();
  ({
    lipisetu_input: wasmInput,
    lipisetu_result: wasmResult,
    lipisetu_todevanagari: wasmToDevanagari,
    lipisetu_toroman: wasmToRoman,
    lipisetu_open: wasmOpen,
    lipisetu_piece: wasmPiece,
    lipisetu_push: wasmPush,
    lipisetu_output: wasmOutput,
    lipisetu_messagecount: wasmMessageCount,
    lipisetu_messages: wasmMessages,
    lipisetu_close: wasmClose,
    lipisetu_utf16: wasmUtf16,
    lipisetu_units: wasmUnits,
    lipisetu_ascii: wasmAscii,
    lipisetu_detect: wasmDetect,
    lipisetu_detectscore: wasmDetectScore,
  } = e);
  detectBlock = e.lipisetu_detectblock() >>> 0;
  const size = e.lipisetu_schemes() >>> 0;
  schemes = Object.freeze(takeText(wasmResult() >>> 0, size).split(' '));
  const scriptsSize = e.lipisetu_scripts() >>> 0;
  scripts = Object.freeze(takeText(wasmResult() >>> 0, scriptsSize).split(' '));
  ready = true;
}

function loaded() {
  if (!ready) throw new Error('lipisetu: the module is not loaded yet: await init() before converting');
}

// ---------------------------------------------------------------- Options

// The option bits of the module: -s, -n, then the input form and the
// output form, two bits each, --nfc, and the script's number from bit 7.
const SANSKRIT = 1, NUMERALS = 2, NFC = 64, SCRIPT_SHIFT = 7, ATR = 1;

function schemeIndex(scheme) {
  // Seven names: a scan costs no more than a look-up.
  for (let k = 0; k < schemes.length; k++) if (schemes[k] === scheme) return k;
  if (typeof scheme !== 'string') throw new TypeError(`lipisetu: scheme must be a string, not ${describe(scheme)}`);
  throw new RangeError(`lipisetu: unknown scheme '${scheme}'; the schemes are ${schemes.join(', ')}`);
}

function scriptIndex(script) {
  const k = scripts.indexOf(script);
  if (k >= 0) return k;
  if (typeof script !== 'string') throw new TypeError(`lipisetu: script must be a string, not ${describe(script)}`);
  throw new RangeError(`lipisetu: unknown script '${script}'; the scripts are ${scripts.join(', ')}`);
}

function formIndex(name, form) {
  const k = forms.indexOf(form);
  if (k >= 0) return k;
  if (typeof form !== 'string') throw new TypeError(`lipisetu: ${name} must be a string, not ${describe(form)}`);
  throw new RangeError(`lipisetu: unknown ${name} form '${form}'; the forms are ${forms.join(', ')}`);
}

function flag(name, value) {
  if (typeof value !== 'boolean') throw new TypeError(`lipisetu: ${name} must be true or false, not ${describe(value)}`);
  return value;
}

// The module's option bits of kavrel's -s, -n, --nfc and --script (the
// default script when it is undefined).
function romanFlags(sanskrit, numerals, nfc, script) {
  return (flag('sanskrit', sanskrit) ? SANSKRIT : 0) | (flag('numerals', numerals) ? NUMERALS : 0) |
    (flag('nfc', nfc) ? NFC : 0) | (script === undefined ? 0 : scriptIndex(script) << SCRIPT_SHIFT);
}

// The module's option bit of pellam's --atr.
function isciiFlags(options, call) {
  if (options === undefined) return 0;
  checkKeys(options, isciiKeys, call);
  const { atr = false } = options;
  return flag('atr', atr) ? ATR : 0;
}

function describe(value) {
  return value === null ? 'null' : typeof value === 'string' ? `'${value}'` : typeof value;
}

// The options object itself: undefined, or an object of known keys alone,
// so that a misspelt option is not silently ignored.
function checkKeys(options, known, call) {
  if (options === null || typeof options !== 'object')
    throw new TypeError(`lipisetu: the options of ${call} must be an object, not ${describe(options)}`);
  for (const key in options)
    if (!known.includes(key))
      throw new TypeError(`lipisetu: ${call} has no option '${key}'; its options are ${known.join(', ')}`);
}

const devanagariKeys = ['sanskrit', 'numerals', 'nfc', 'scheme', 'script'];
const streamKeys = ['sanskrit', 'numerals', 'nfc', 'scheme', 'script', 'input', 'output'];
const isciiKeys = ['atr'];
const romanKeys = ['scheme'];

function checkText(text, call) {
  if (typeof text !== 'string') throw new TypeError(`lipisetu: ${call} takes a string, not ${describe(text)}`);
}

// ---------------------------------------------------------------- Strings in and out

// A string goes in as UTF-8: a short one (a word, a name) written by a
// plain loop, which costs less than a call into TextEncoder; a long one by
// TextEncoder.encodeInto, unless it has a lone surrogate, which encodeInto
// would write as U+FFFD.
//
// A result comes back through the module's UTF-16 decoder (lipisetu_utf16:
// what TextDecoder makes of UTF-8, a surrogate's three bytes giving the
// surrogate): a short one is made a string from its units at once; a long
// one that is ASCII alone is decoded from its bytes (a one-byte string);
// any other from its UTF-16: in Node by Buffer, which copies the units
// (a large text's outside the JavaScript heap, some forty times as fast as
// a string made in it) and keeps lone surrogates; elsewhere by
// TextDecoder, which a lone surrogate sends to the slow way round, a block
// of units at a time.
const SHORT_TEXT = 64; // UTF-16 units
const SHORT_RESULT = 256; // bytes

const encoder = new TextEncoder();
// The byte-order mark is text here, kept as it is.
const asciiDecoder = new TextDecoder('utf-8', { ignoreBOM: true });
const utf16Decoder = new TextDecoder('utf-16le', { fatal: true, ignoreBOM: true });
const NodeBuffer = typeof process === 'object' && process !== null && process.versions && process.versions.node &&
  typeof globalThis.Buffer === 'function' ? globalThis.Buffer : null;

// Whether a string has no lone surrogate: TextEncoder writes U+FFFD for one.
const wellFormed = typeof String.prototype.isWellFormed === 'function'
  ? (s) => s.isWellFormed()
  : (s) => !/[\uD800-\uDFFF]/u.test(s); // with u, a pair is one character and never matches

let inputAt = 0, inputRoom = 0;

// Writes the string's UTF-8 into the module's input area; its size.
function putText(s) {
  const n = s.length;
  if (inputRoom < 3 * n) { // three bytes a unit at most
    const room = Math.max(3 * n, 4096);
    const at = wasmInput(room) >>> 0;
    if (at === 0) throw new RangeError(`lipisetu: no memory for a text of ${n} characters`);
    inputAt = at;
    inputRoom = room;
  }
  return encodeText(s, inputAt, inputRoom);
}

// Writes the string's UTF-8 at `at`, which has room for three bytes a unit;
// its size.
function encodeText(s, at, room) {
  if (s.length > SHORT_TEXT && wellFormed(s)) return encoder.encodeInto(s, heap.subarray(at, at + room)).written;
  return encodeLoop(s, heap, at) - at;
}

// UTF-8 of the string at `p`, a lone surrogate in its three-byte form; the
// end.
function encodeLoop(s, h, p) {
  const n = s.length;
  for (let i = 0; i < n; i++) {
    let c = s.charCodeAt(i);
    if (c < 0x80) {
      h[p++] = c;
    } else if (c < 0x800) {
      h[p++] = 0xc0 | (c >> 6);
      h[p++] = 0x80 | (c & 0x3f);
    } else {
      if (c >= 0xd800 && c < 0xdc00 && i + 1 < n) {
        const d = s.charCodeAt(i + 1);
        if (d >= 0xdc00 && d < 0xe000) {
          c = 0x10000 + ((c - 0xd800) << 10) + (d - 0xdc00);
          i++;
          h[p++] = 0xf0 | (c >> 18);
          h[p++] = 0x80 | ((c >> 12) & 0x3f);
          h[p++] = 0x80 | ((c >> 6) & 0x3f);
          h[p++] = 0x80 | (c & 0x3f);
          continue;
        }
      }
      h[p++] = 0xe0 | (c >> 12);
      h[p++] = 0x80 | ((c >> 6) & 0x3f);
      h[p++] = 0x80 | (c & 0x3f);
    }
  }
  return p;
}

// The string of the `size` bytes of UTF-8 at `p`.
function takeText(p, size) {
  if (size <= SHORT_RESULT) return shortText(p, size);
  if (wasmAscii(p, size) >>> 0 === size) return asciiDecoder.decode(heap.subarray(p, p + size));
  const n = wasmUtf16(p, size) >>> 0;
  const u = wasmUnits() >>> 0;
  if (NodeBuffer) return NodeBuffer.from(memory.buffer, u, 2 * n).toString('utf16le');
  try {
    return utf16Decoder.decode(heap.subarray(u, u + 2 * n));
  } catch {
    return unitsText(u >>> 1, n);
  }
}

function shortText(p, size) {
  const n = wasmUtf16(p, size) >>> 0;
  const u = wasmUnits() >>> 1;
  const h = heap16;
  // A word's few units as arguments: no view of them to make.
  switch (n) {
    case 0: return '';
    case 1: return String.fromCharCode(h[u]);
    case 2: return String.fromCharCode(h[u], h[u + 1]);
    case 3: return String.fromCharCode(h[u], h[u + 1], h[u + 2]);
    case 4: return String.fromCharCode(h[u], h[u + 1], h[u + 2], h[u + 3]);
    case 5: return String.fromCharCode(h[u], h[u + 1], h[u + 2], h[u + 3], h[u + 4]);
    case 6: return String.fromCharCode(h[u], h[u + 1], h[u + 2], h[u + 3], h[u + 4], h[u + 5]);
    case 7: return String.fromCharCode(h[u], h[u + 1], h[u + 2], h[u + 3], h[u + 4], h[u + 5], h[u + 6]);
    case 8: return String.fromCharCode(h[u], h[u + 1], h[u + 2], h[u + 3], h[u + 4], h[u + 5], h[u + 6], h[u + 7]);
    default: return unitsText(u, n);
  }
}

// The string of `n` UTF-16 units at heap16[u], lone surrogates and all.
function unitsText(u, n) {
  let s = '';
  for (let i = 0; i < n; i += 4096) s += String.fromCharCode.apply(null, heap16.subarray(u + i, u + Math.min(n, i + 4096)));
  return s;
}

// ---------------------------------------------------------------- One call

/**
 * Roman in the scheme (ISO 15919 by default) to Unicode Devanagari, as
 * kavrel converts it: `sanskrit` closes up the spaces after a consonant
 * and reads the apostrophe as avagraha (kavrel -s), `numerals` writes
 * digits as Devanagari numerals (kavrel -n), `nfc` writes Unicode's
 * normal form C (kavrel --nfc: the nukta letters U+0958..095F as
 * consonant and nukta sign), `script` writes the Devanagari in another of
 * `scripts` (kavrel --script).
 */
export function toDevanagari(text, options) {
  loaded();
  checkText(text, 'toDevanagari');
  let flags = 0, scheme = 0;
  if (options !== undefined) {
    checkKeys(options, devanagariKeys, 'toDevanagari');
    const { sanskrit = false, numerals = false, nfc = false, scheme: name = 'iso', script } = options;
    flags = romanFlags(sanskrit, numerals, nfc, script);
    scheme = schemeIndex(name);
  }
  if (text.length > PART_UNITS) return inParts(text, new Conversion(ROMAN, flags, scheme), 'ToDevanagariStream');
  const size = putText(text);
  const count = wasmToDevanagari(size, flags, scheme) >>> 0;
  return takeText(wasmResult() >>> 0, count);
}

/** Unicode Devanagari to Roman in the scheme (ISO 15919 by default), as sonwick converts it. */
export function toRoman(text, options) {
  loaded();
  checkText(text, 'toRoman');
  let scheme = 0;
  if (options !== undefined) {
    checkKeys(options, romanKeys, 'toRoman');
    scheme = schemeIndex(options.scheme === undefined ? 'iso' : options.scheme);
  }
  if (text.length > PART_UNITS) return inParts(text, new Conversion(DEVANAGARI, 0, scheme), 'ToRomanStream');
  const size = putText(text);
  const count = wasmToRoman(size, scheme) >>> 0;
  return takeText(wasmResult() >>> 0, count);
}

// A long text converted by a conversion in pieces of PART_UNITS units at
// most, each piece's output made a string as it comes: the module holds
// one piece and its output at a time, whatever the text's length. A piece
// does not end between the two halves of a surrogate pair, so that a
// well-formed text goes in by TextEncoder piece after piece (the halves
// would come back a pair all the same: each passes as its three bytes).
function inParts(text, conversion, stream) {
  try {
    let result = '';
    for (let i = 0; i < text.length; ) {
      let end = Math.min(i + PART_UNITS, text.length);
      if (end < text.length && (text.charCodeAt(end - 1) & 0xfc00) === 0xd800 && (text.charCodeAt(end) & 0xfc00) === 0xdc00)
        end--;
      const piece = text.slice(i, end);
      const at = conversion.room(3 * piece.length);
      const count = conversion.convert(encodeText(piece, at, 3 * piece.length), end === text.length);
      result = joined(result, takeText(conversion.output(), count), stream);
      i = end;
    }
    return result;
  } finally {
    conversion.close();
  }
}

// The two strings joined, or a RangeError that says why they cannot be.
function joined(a, b, stream) {
  try {
    return a + b;
  } catch (e) {
    if (!(e instanceof RangeError)) throw e;
    throw new RangeError(`lipisetu: the converted text is longer than a JavaScript string can be ` +
      `(${a.length + b.length} units); convert a text this long with ${stream}`);
  }
}

/**
 * ISCII to Unicode as pellam converts it: the text, and a message for each
 * byte pellam drops, in input order; `atr` reads the ATR codes that switch
 * the script (pellam --atr).
 */
export function fromIscii(bytes, options) {
  loaded();
  const input = bytesOf(bytes, 'fromIscii');
  const conversion = new Conversion(ISCII, isciiFlags(options, 'fromIscii'), 0);
  try {
    const messages = [];
    let text = '';
    for (let i = 0; i < input.length || i === 0; i += PART) {
      const end = Math.min(i + PART, input.length);
      const count = conversion.part(input.subarray(i, end), end === input.length, messages);
      text = joined(text, takeText(conversion.output(), count), 'FromIsciiStream');
    }
    return { text, messages };
  } finally {
    conversion.close();
  }
}

// A Uint8Array over the bytes of an ArrayBuffer or any view of one.
function bytesOf(bytes, call) {
  if (bytes instanceof Uint8Array) return bytes;
  if (ArrayBuffer.isView(bytes)) return new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (bytes instanceof ArrayBuffer || (typeof SharedArrayBuffer === 'function' && bytes instanceof SharedArrayBuffer))
    return new Uint8Array(bytes);
  throw new TypeError(`lipisetu: ${call} takes a Uint8Array, an ArrayBuffer or a view of one, not ${describe(bytes)}`);
}

// ---------------------------------------------------------------- Which scheme

/**
 * What a text is most likely written in, from its first block (the
 * module's detect reads that many bytes of its UTF-8): `scheme` is one of
 * `schemes`, 'devanagari' when the Devanagari script's letters outnumber
 * the Latin ones, or 'unknown' where no scheme fits (plain English, no
 * letters); `score`, from 0 to 1, is how sure it is (the share of the
 * evidence for the answer: a text in letters that several schemes read
 * alike scores lower).
 */
export function detect(text) {
  loaded();
  checkText(text, 'detect');
  // A unit is a byte of UTF-8 or more, so this many units hold the block
  // and tell the module that the text goes on past it.
  const size = putText(text.length > detectBlock ? text.slice(0, detectBlock + 1) : text);
  const found = wasmDetect(size) >>> 0;
  return Object.freeze({
    scheme: found >= 2 ? schemes[found - 2] : found === 1 ? 'devanagari' : 'unknown',
    score: wasmDetectScore(),
  });
}

// ---------------------------------------------------------------- ISCII messages

const kinds = ['ignored', 'atr', 'ext'];

function messageOf(offset, line, byte, kind, span) {
  return Object.freeze({
    byte,
    line,
    kind: kinds[kind],
    offset,
    span,
    message: kind === 0
      ? `Ignoring character 0x${byte.toString(16)} at line ${line}`
      : `Use of ${kind === 1 ? 'ATR' : 'EXT'} not supported at line ${line}`,
  });
}

// ---------------------------------------------------------------- In pieces

// Kinds of conversion in pieces.
const ROMAN = 0, DEVANAGARI = 1, ISCII = 2;

// A piece larger than this is pushed in parts, so that the module's memory
// stays bounded whatever the size of the chunks; a string longer than
// PART_UNITS is converted in parts of as many UTF-16 units (whose UTF-8 is
// under PART bytes).
const PART = 1 << 20;
const PART_UNITS = PART >> 2;

// What the module keeps of a conversion in pieces, and frees when it ends.
class Conversion {
  constructor(kind, flags, scheme) {
    this.at = wasmOpen(kind, flags, scheme) >>> 0;
    if (this.at === 0) throw new RangeError('lipisetu: no memory for a conversion');
    this.kind = kind;
  }

  // Converts the bytes (`last`: and ends the input); the output settled so
  // far, and the messages of an ISCII conversion appended to `messages`.
  push(bytes, last, messages) {
    if (bytes.length <= PART) return this.take(this.part(bytes, last, messages));
    const outs = [];
    let size = 0;
    for (let i = 0; i < bytes.length; i += PART) {
      const end = Math.min(i + PART, bytes.length);
      const out = this.take(this.part(bytes.subarray(i, end), last && end === bytes.length, messages));
      outs.push(out);
      size += out.length;
    }
    const all = new Uint8Array(size);
    let o = 0;
    for (const out of outs) {
      all.set(out, o);
      o += out.length;
    }
    return all;
  }

  // Pushes one piece; the count of output bytes at output().
  part(bytes, last, messages) {
    // room() may grow the memory, which makes a new heap: it is read after.
    const at = this.room(bytes.length);
    heap.set(bytes, at);
    return this.convert(bytes.length, last, messages);
  }

  // Where the next piece of `size` bytes goes.
  room(size) {
    if (this.at === 0) throw new TypeError('lipisetu: the conversion has ended');
    const p = wasmPiece(this.at, size) >>> 0;
    if (p === 0 && size > 0) throw new RangeError(`lipisetu: no memory for a piece of ${size} bytes`);
    return p;
  }

  // Converts the first `size` bytes put at room(); the count of output
  // bytes at output().
  convert(size, last, messages) {
    const count = wasmPush(this.at, size, last ? 1 : 0) >>> 0;
    if (this.kind === ISCII) {
      const m = wasmMessageCount(this.at) >>> 0;
      if (m > 0) {
        // Six 32-bit words each: the offset's low and high words, the
        // line, the byte, the kind and the span.
        const words = new DataView(memory.buffer, wasmMessages(this.at) >>> 0, 24 * m);
        for (let i = 0; i < 24 * m; i += 24) {
          const w = (j) => words.getUint32(i + 4 * j, true);
          messages.push(messageOf(w(0) + w(1) * 2 ** 32, w(2), w(3), w(4), w(5)));
        }
      }
    }
    return count;
  }

  output() {
    return wasmOutput(this.at) >>> 0;
  }

  // A copy of the output of the last piece.
  take(count) {
    const o = this.output();
    return heap.slice(o, o + count);
  }

  close() {
    if (this.at !== 0) {
      wasmClose(this.at);
      this.at = 0;
    }
  }
}

// A stream dropped before its end, and not cancelled (a transformer's
// cancel is not called everywhere), still frees its conversion once it is
// collected.
const unclosed = typeof FinalizationRegistry === 'function'
  ? new FinalizationRegistry((conversion) => conversion.close())
  : null;

// The transformer of a stream over a conversion: each chunk's output
// enqueued as it is settled (none when nothing is yet), the rest at the end.
function transformer(conversion, call, report) {
  const messages = report ? [] : undefined;
  const deliver = (out, controller) => {
    if (out.length > 0) controller.enqueue(out);
    if (report && messages.length > 0) {
      const found = messages.splice(0);
      for (const m of found) report(m);
    }
  };
  const methods = {
    transform(chunk, controller) {
      try {
        deliver(conversion.push(bytesOf(chunk, call), false, messages), controller);
      } catch (e) {
        conversion.close(); // the stream errors: no more chunks come
        throw e;
      }
    },
    flush(controller) {
      try {
        deliver(conversion.push(new Uint8Array(0), true, messages), controller);
      } finally {
        conversion.close();
      }
    },
    cancel() {
      conversion.close();
    },
  };
  // The stream keeps its transform method for as long as it may convert
  // (the stream object itself may go before its two sides, which a pipe
  // holds): once the method is collected, the conversion is done with.
  if (unclosed) unclosed.register(methods.transform, conversion);
  return methods;
}

/**
 * Roman to Devanagari as a byte stream, in constant memory, as kavrel
 * converts a file: Uint8Array chunks in, Uint8Array chunks out.
 */
export class ToDevanagariStream extends TransformStream {
  constructor(options = {}) {
    loaded();
    checkKeys(options, streamKeys, 'ToDevanagariStream');
    const { sanskrit = false, numerals = false, nfc = false, scheme = 'iso', script, input = 'detect',
      output = 'detect' } = options;
    const flags = romanFlags(sanskrit, numerals, nfc, script) |
      (formIndex('input', input) << 2) | (formIndex('output', output) << 4);
    const conversion = new Conversion(ROMAN, flags, schemeIndex(scheme));
    super(transformer(conversion, 'ToDevanagariStream'));
  }
}

/** Devanagari (UTF-8) to Roman as a byte stream, as sonwick converts a file. */
export class ToRomanStream extends TransformStream {
  constructor(options = {}) {
    loaded();
    checkKeys(options, romanKeys, 'ToRomanStream');
    const { scheme = 'iso' } = options;
    const conversion = new Conversion(DEVANAGARI, 0, schemeIndex(scheme));
    super(transformer(conversion, 'ToRomanStream'));
  }
}

/**
 * ISCII to UTF-8 as a byte stream, as pellam converts a file (`atr`: as
 * pellam --atr); each message goes to `onMessage` as it is found, and is
 * kept in `messages`.
 */
export class FromIsciiStream extends TransformStream {
  #messages;

  constructor(options = {}) {
    loaded();
    checkKeys(options, ['onMessage', ...isciiKeys], 'FromIsciiStream');
    const { onMessage, ...rest } = options;
    if (onMessage !== undefined && typeof onMessage !== 'function')
      throw new TypeError(`lipisetu: onMessage must be a function, not ${describe(onMessage)}`);
    const conversion = new Conversion(ISCII, isciiFlags(rest, 'FromIsciiStream'), 0);
    const seen = [];
    super(transformer(conversion, 'FromIsciiStream', (m) => {
      seen.push(m);
      if (onMessage) onMessage(m);
    }));
    this.#messages = seen;
  }

  /** The messages found so far, in input order. */
  get messages() {
    return this.#messages;
  }
}
