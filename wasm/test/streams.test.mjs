// The byte streams against the programs and against one chunk: input cut
// into chunks of 1, 2, 3 and odd sizes (inside a unit, a UTF-8 character,
// a UTF-16 unit or a byte-order mark) gives the bytes of the whole at once,
// in every input and output form of kavrel's.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { spawnSync } from 'node:child_process';
import {
  L, args, badUtf8, devanagariText, isciiBytes, nodeEntry, optionSets, romanText, run, samples, schemes, through,
  utf16, wtf8,
} from '../harness.mjs';

const sizes = [1, 2, 3, 5, 7, 4093];

const roman = `${readFileSync(path.join(samples, 'roman.txt'), 'utf8')}${romanText(11, 1500)}`;
const devanagari = `${readFileSync(path.join(samples, 'devanagari.txt'), 'utf8')}${devanagariText(11, 1500)}`;

// The input forms: the bytes, the stream's options and kavrel's.
const inputs = [
  ['UTF-8', wtf8(roman), {}, []],
  ['UTF-8 with bad bytes', badUtf8(12, roman), {}, []],
  ['UTF-8 with its mark', Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), wtf8(roman)]), {}, []],
  ['UTF-16LE with its mark', utf16(roman, true, true), {}, []],
  ['UTF-16BE with its mark', utf16(roman, false, true), {}, []],
  ['UTF-16LE without mark', utf16(roman, true, false), { input: 'utf-16le' }, ['-il']],
  ['UTF-16BE without mark', utf16(roman, false, false), { input: 'utf-16be' }, ['-ib']],
  ['UTF-16LE, odd byte at the end', Buffer.concat([utf16(roman, true, true), Buffer.from([0x61])]), {}, []],
  ['UTF-8 said, UTF-16 mark read', utf16(roman, true, true), { input: 'utf-8' }, ['-iu']],
  ['UTF-16BE said, mark of LE read', utf16(roman, true, true), { input: 'utf-16be' }, ['-ib']],
];
const outputs = [
  ['as the input', {}, []],
  ['UTF-8', { output: 'utf-8' }, ['-ou']],
  ['UTF-16LE', { output: 'utf-16le' }, ['-ol']],
  ['UTF-16BE', { output: 'utf-16be' }, ['-ob']],
];

for (const [name, bytes, inputOptions, inputArgs] of inputs) {
  test(`ToDevanagariStream from ${name} in chunks`, async () => {
    for (const [outName, outputOptions, outputArgs] of outputs) {
      const options = { ...inputOptions, ...outputOptions };
      const whole = await through(new L.ToDevanagariStream(options), bytes);
      for (const size of sizes) {
        const got = await through(new L.ToDevanagariStream(options), bytes, size);
        assert.ok(got.equals(whole), `output ${outName}, chunks of ${size} against one chunk`);
      }
      assert.ok(whole.equals(run('KAVREL', bytes, [...inputArgs, ...outputArgs]).stdout), `output ${outName}`);
    }
  });
}

test('ToDevanagariStream with every option set in every scheme', async () => {
  for (const scheme of schemes) {
    const text = Buffer.concat([wtf8(roman), run('SONWICK', wtf8(devanagari), args({}, scheme)).stdout]);
    for (const options of optionSets) {
      const whole = await through(new L.ToDevanagariStream({ ...options, scheme }), text);
      const got = await through(new L.ToDevanagariStream({ ...options, scheme }), text, 7);
      assert.ok(got.equals(whole), `${scheme} ${JSON.stringify(options)}, chunks of 7 against one chunk`);
      assert.ok(whole.equals(run('KAVREL', text, args(options, scheme)).stdout), `${scheme} ${JSON.stringify(options)}`);
    }
  }
});

test('ToRomanStream in every scheme in chunks', async () => {
  const texts = [['text', wtf8(devanagari)], ['bad bytes', badUtf8(13, devanagari)], ['empty', Buffer.alloc(0)]];
  for (const scheme of schemes) {
    for (const [name, bytes] of texts) {
      const whole = await through(new L.ToRomanStream({ scheme }), bytes);
      for (const size of sizes) {
        const got = await through(new L.ToRomanStream({ scheme }), bytes, size);
        assert.ok(got.equals(whole), `${name} in ${scheme}, chunks of ${size} against one chunk`);
      }
      assert.ok(whole.equals(run('SONWICK', bytes, args({}, scheme)).stdout), `${name} in ${scheme}`);
    }
  }
});

// Chunks of every kind of view, and chunks larger than the module takes at
// once.
test('chunks of any view, and large ones', async () => {
  const bytes = wtf8(devanagari);
  const want = run('SONWICK', bytes).stdout;
  const u16 = new Uint16Array(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + (bytes.length & ~1)));
  const chunks = [new DataView(u16.buffer, 0, 10), new Uint8Array(u16.buffer, 10, 20), u16.subarray(15, 40),
    u16.buffer.slice(80, u16.byteLength), bytes.subarray(u16.byteLength)];
  assert.ok((await through(new L.ToRomanStream(), chunks)).equals(want));
  const big = wtf8(devanagariText(14, 1 << 20)); // over a megabyte, pushed in parts
  assert.ok((await through(new L.ToRomanStream(), [big])).equals(run('SONWICK', big).stdout));
});

const iscii = [
  ['sample', readFileSync(path.join(samples, 'hindi.iscii'))],
  ['ATR at a line end, EXT at the end', Buffer.from('a\xa0b\xef\nc\xb3\xe9\xf0', 'latin1')],
  ['a nukta byte after ATR', Buffer.from('\xb3\xef\xb3\xe9\xa1\n\xa1', 'latin1')],
  ['every byte', Buffer.from(Array.from({ length: 256 }, (_, i) => i))],
  ['random', isciiBytes(15, 3000)],
  ['ATR to Bengali and Telugu, a bad code, back', Buffer.from('b3dacce8b3daef43b3dacce8b3daef45b3dacc ef4a b3e9 ef0a b3'
    .replaceAll(' ', ''), 'hex')],
];

test('FromIsciiStream in chunks, its messages as pellam, with and without --atr', async () => {
  for (const [name, bytes] of iscii) {
    for (const atr of [false, true]) {
      const { stdout, stderr } = run('PELLAM', bytes, atr ? ['--atr'] : []);
      const whole = L.fromIscii(bytes, { atr });
      assert.equal(Buffer.from(whole.text).toString('hex'), stdout.toString('hex'), `${name}, atr ${atr}`);
      for (const size of [Infinity, ...sizes]) {
        const heard = [];
        const stream = new L.FromIsciiStream({ onMessage: (m) => heard.push(m), atr });
        const got = await through(stream, bytes, size);
        assert.ok(got.equals(stdout), `${name}, atr ${atr}, chunks of ${size}`);
        assert.deepEqual(heard, whole.messages, `${name}, atr ${atr}, chunks of ${size}`);
        assert.deepEqual(stream.messages, whole.messages);
        assert.equal(heard.map((m) => `${m.message}\n`).join(''), stderr);
      }
    }
  }
});

test('ISCII messages come as their bytes are read, not at the end', async () => {
  const heard = [];
  const stream = new L.FromIsciiStream({ onMessage: (m) => heard.push(m.offset) });
  const writer = stream.writable.getWriter();
  const reader = stream.readable.getReader();
  writer.write(Buffer.from('a\xa0bc', 'latin1'));
  await reader.read();
  assert.deepEqual(heard, [1]);
  assert.deepEqual(stream.messages.map((m) => m.offset), [1]);
  writer.write(Buffer.from('\xff', 'latin1'));
  writer.close();
  while (!(await reader.read()).done);
  assert.deepEqual(heard, [1, 4]);
});

// A stream left before its end: cancelled, aborted or errored by a chunk
// that is not bytes. The others go on, and so do new ones.
test('streams cancelled, aborted or fed no bytes', async () => {
  const bytes = wtf8(roman);
  const want = await through(new L.ToDevanagariStream(), bytes);
  const a = new L.ToDevanagariStream(), b = new L.ToDevanagariStream(), c = new L.ToDevanagariStream();
  const wa = a.writable.getWriter(), wb = b.writable.getWriter(), wc = c.writable.getWriter();
  const ra = a.readable.getReader();
  wa.write(bytes.subarray(0, 100));
  await ra.read();
  await ra.cancel();
  await wb.abort(new Error('stopped'));
  const read = c.readable.getReader().read();
  await assert.rejects(wc.write('ka'), TypeError);
  await assert.rejects(read, TypeError);
  const d = new L.ToDevanagariStream();
  assert.ok((await through(d, bytes, 7)).equals(want));
  await assert.rejects(wa.write(bytes), /./);
});

// Each stream below holds two megabytes of the module's memory (a 1 MiB
// piece and its output) until its conversion is freed; 1100 of them kept
// would pass the module's 2 GiB and stop it. Cancelled streams free theirs
// at once; streams simply dropped free theirs when they are collected.
test('cancelled and dropped streams give their memory back', () => {
  const script = `const L = await import(${JSON.stringify(nodeEntry)});
    const chunk = new Uint8Array(1 << 20);
    for (const drop of [false, true]) {
      for (let i = 0; i < 1100; i++) {
        const s = new L.FromIsciiStream();
        s.writable.getWriter().write(chunk);
        const r = s.readable.getReader();
        await r.read();
        if (!drop) await r.cancel();
        else if (i % 20 === 0) { gc(); await new Promise((go) => setTimeout(go, 0)); }
      }
    }`;
  const p = spawnSync(process.execPath, ['--expose-gc', '--input-type=module', '-e', script]);
  assert.equal(p.status, 0, String(p.stderr).slice(-2000));
});
