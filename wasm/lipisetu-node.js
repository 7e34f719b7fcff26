// The package in Node: lipisetu.js, with lipisetu.wasm read from the disk.
import { init } from './init-node.js';

export * from './init-node.js';

await init();
