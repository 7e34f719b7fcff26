// The package for browsers and bundlers: the module loaded from
// lipisetu.wasm beside this file when this file is imported, so that every
// call is synchronous from then on. lipisetu/init (init.js) leaves the
// loading to the caller, from another address or from bytes.
import { init } from './init.js';

export * from './init.js';

await init();
