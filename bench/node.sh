#!/usr/bin/env bash
# The npm package (the WebAssembly module and lipisetu.js, staged in
# build/wasm/package) against sanscript.js in one Node process
# (bench/node.mjs): MB/s on whole texts and calls a second on single words,
# reading each scheme that both have (toDevanagari against
# Sanscript.t(text, scheme, 'devanagari')) and writing it (toRoman against
# Sanscript.t(text, 'devanagari', scheme)), with the default scheme, ISO
# 15919, for reference. The texts are those of bench/schemes.sh: the
# generated ISO 15919 text, the Devanagari kavrel makes of it, and sonwick
# --scheme S of that for each scheme; the words are the first WORDS of each
# text. Targets, in every scheme both ways: 20 times as fast as sanscript.js
# on whole texts, 10 times on single words. sanscript.js takes most of the
# run's time (some ten minutes at the default size on a 2-core machine).
#
# Run from anywhere: bench/node.sh
#   SIZE_MB=20        size of the generated ISO 15919 text (1 MB = 10^6 bytes)
#   RUNS=5            runs of each timing of the package; the best counts
#   WORDS=200000      words timed one call each, from the start of each text
#   PACKAGE=dir       the staged package (default build/wasm/package, built by make
#                     where emscripten and node are)
#   and SANSCRIPT_RUNS, SLOW_LIMIT, SANSCRIPT: see lib.sh
set -euo pipefail
case ${PACKAGE:-} in */*) PACKAGE=$(realpath -m "$PACKAGE") ;; esac
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

package=${PACKAGE:-build/wasm/package}
bench_start --size 20 "$KAVREL" "$SONWICK"
if ! command -v node >/dev/null; then
    echo "node: skipped, node is missing (Debian package nodejs)"
    exit 0
fi
if [ ! -f "$package/lipisetu.wasm" ]; then
    echo "node: skipped, no package in $package (make builds it where emscripten and node are)"
    exit 0
fi
if ! bench_scheme_check "$KAVREL" "$SONWICK"; then
    echo "node: skipped, $scheme_why"
    exit 0
fi
bench_text roman
dev=$tmp/dev.txt
"$KAVREL" "$in" >"$dev"
texts=("$bench_default=$in")
for s in "${bench_schemes[@]}"; do
    "$SONWICK" --scheme "$s" "$dev" >"$tmp/$s.txt"
    texts+=("$s=$tmp/$s.txt")
done
echo "node: $(bench_mb "$in") MB of ISO 15919 Roman (sha256 $(bench_sum "$in")), the $(bench_mb "$dev") MB of"
echo "      Devanagari that kavrel makes of it (sha256 $(bench_sum "$dev")), and sonwick --scheme S of that"
if bench_sanscript; then
    peer=$sanscript_mod
else
    peer=-
    echo "sanscript.js: $sanscript_why; no comparison"
fi
RUNS=$RUNS node bench/node.mjs "$package" "$peer" "$dev" "${texts[@]}"
