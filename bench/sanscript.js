// Times sanscript.js (npm package @indic-transliteration/sanscript) on one
// file, for the bench/*.sh scripts, which install the package (lib.sh,
// bench_sanscript) and compare it with kavrel and sonwick.
//
//   node bench/sanscript.js PACKAGE_DIR FROM TO FILE RUNS
//
// FILE is read and decoded from UTF-8 whole before any clock starts; each of
// the RUNS runs times Sanscript.t(text, FROM, TO) on the whole text and the
// write of its result, encoded as UTF-8, to /dev/null. Prints the best run
// in microseconds.
'use strict';
const fs = require('fs');

const [dir, from, to, file, runs] = process.argv.slice(2);
const Sanscript = require(dir);
const text = fs.readFileSync(file, 'utf8');
const out = fs.openSync('/dev/null', 'w');
let best = Infinity;
for (let i = 0; i < Number(runs); i++) {
  const t0 = process.hrtime.bigint();
  const result = Sanscript.t(text, from, to);
  fs.writeSync(out, result);
  const t = Number(process.hrtime.bigint() - t0) / 1000;
  if (i === 0 && result.length === 0 && text.length > 0) {
    console.error('sanscript.js wrote nothing');
    process.exit(1);
  }
  best = Math.min(best, t);
}
console.log(Math.round(best));
