// init.js in Node, where fetch reads no file: address: such an address, and
// the default one beside this file, are read from the disk.
import { readFile } from 'node:fs/promises';
import { init as load } from './init.js';

export * from './init.js';

export function init(source) {
  // A thenable rather than a promise, so that only the call that loads
  // reads the file.
  return load({ then: (done, fail) => fromDisk(source).then(done, fail) });
}

async function fromDisk(source) {
  source = await source;
  if (source === undefined) source = new URL('./lipisetu.wasm', import.meta.url);
  const file = source instanceof URL ? source.protocol === 'file:' : typeof source === 'string' && source.startsWith('file:');
  return file ? readFile(new URL(source)) : source;
}
