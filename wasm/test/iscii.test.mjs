// fromIscii against pellam: the text, and each message's fields against the
// bytes it names and pellam's standard error.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { L, isciiBytes, run, samples } from '../harness.mjs';

const latin1 = (s) => Buffer.from(s, 'latin1');

const texts = [
  ['sample', readFileSync(path.join(samples, 'hindi.iscii'))],
  ['empty', Buffer.alloc(0)],
  ['dropped bytes, ATR at a line end, EXT last', latin1('a\xa0b\xef\nc\xb3\xe9\xf0')],
  ['a nukta byte after ATR and its key', latin1('\xb3\xef\xb3\xe9\xa1\n\xa1')],
  ['ATR and EXT back to back', latin1('\xef\xef\xf0\xf0\xef')],
  ['every byte', Buffer.from(Array.from({ length: 256 }, (_, i) => i))],
  ['lines', latin1('\n\n\xff\n\xa0\n\n\xef\n')],
  ...[1, 2, 3, 4].map((seed) => [`random ${seed}`, isciiBytes(seed, 2000)]),
];

for (const [name, bytes] of texts) {
  test(`fromIscii as pellam: ${name}`, () => {
    const { stdout, stderr } = run('PELLAM', bytes);
    const { text, messages } = L.fromIscii(bytes);
    assert.equal(Buffer.from(text).toString('hex'), stdout.toString('hex'));
    assert.equal(messages.map((m) => `${m.message}\n`).join(''), stderr);
    let last = -1;
    for (const m of messages) {
      assert.ok(Object.isFrozen(m));
      assert.deepEqual(Object.keys(m), ['byte', 'line', 'kind', 'offset', 'span', 'message']);
      assert.ok(m.offset > last, 'in input order');
      last = m.offset;
      assert.equal(m.byte, bytes[m.offset]);
      assert.equal(m.line, 1 + bytes.subarray(0, m.offset).filter((b) => b === 0x0a).length);
      const { kind, span } = { 0xef: { kind: 'atr' }, 0xf0: { kind: 'ext' } }[m.byte] ?? { kind: 'ignored', span: 1 };
      assert.equal(m.kind, kind);
      // ATR and EXT take the byte after them along, when there is one.
      assert.equal(m.span, span ?? (m.offset + 1 < bytes.length ? 2 : 1));
    }
  });
}
