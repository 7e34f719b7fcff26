#!/usr/bin/env bash
# The module as Python users install it, offline, with the build
# requirements from Debian: `pip install --no-build-isolation` of a clean
# copy of the tree into a fresh virtual environment (one that sees the
# system's setuptools and wheel), and, into a second, bare one, the wheel
# that `python3 -m build --no-isolation` makes from its source distribution.
# Imported from outside the tree, each gives the programs' bytes on the
# samples; the wheel holds the module, its stub and py.typed, the source
# distribution what the build needs and nothing of the programs, the tests
# or the packaging. Exits 77 (skipped) where python3-venv or python3-build
# is missing.
#
# Usage: pip-test.sh PYTHON SOURCE_DIR SCRATCH_DIR VERSION KAVREL SONWICK PELLAM
set -euo pipefail

if [ $# -ne 7 ]; then
    echo "usage: pip-test.sh PYTHON SOURCE_DIR SCRATCH_DIR VERSION KAVREL SONWICK PELLAM" >&2
    exit 2
fi
python=$1 src=$2 scratch=$3 version=$4 kavrel=$5 sonwick=$6 pellam=$7
status=0
fail() {
    echo "$*"
    status=1
}
# run LOG COMMAND...: runs the command with its output in LOG, shown if it fails.
run() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 || { tail -n 40 "$log"; echo "failed: $*"; exit 1; }
}

rm -rf "$scratch"
mkdir -p "$scratch"
if ! "$python" -m venv --system-site-packages "$scratch/tree-env" >"$scratch/venv.log" 2>&1; then
    echo "skipped: no virtual environments for $python (needs python3-venv)"
    exit 77
fi
if ! "$python" -c 'import build, setuptools, wheel' 2>/dev/null; then
    echo "skipped: needs python3-build, python3-setuptools and python3-wheel"
    exit 77
fi

# A clean copy: the files git knows, or, outside a git checkout, all but the
# build folders.
copy=$scratch/tree
mkdir -p "$copy"
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$src" && git ls-files -z -co --exclude-standard | tar --null -cf - -T -) | tar -C "$copy" -xf -
else
    tar -C "$src" --exclude=./.git --exclude='./build*' --exclude='./*.egg-info' -cf - . | tar -C "$copy" -xf -
fi

run "$scratch/tree-pip.log" "$scratch/tree-env/bin/pip" install --no-build-isolation --no-index --no-deps "$copy"
run "$scratch/build.log" "$python" -m build --no-isolation --outdir "$scratch/dist" "$copy"
wheel=$(ls "$scratch"/dist/lipisetu-"$version"-*.whl)
sdist=$scratch/dist/lipisetu-$version.tar.gz
run "$scratch/venv.log" "$python" -m venv "$scratch/wheel-env"
run "$scratch/wheel-pip.log" "$scratch/wheel-env/bin/pip" install --no-index "$wheel"

# The wheel holds the package alone: the module, its stub and the marker.
held=$("$python" -c 'import sys, zipfile; print(*sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if ".dist-info/" not in n))' "$wheel")
case $held in
    "lipisetu/__init__.cpython-"*".so lipisetu/__init__.pyi lipisetu/py.typed") ;;
    *) fail "the wheel holds: $held" ;;
esac
# The source distribution: the module's and the library's sources, the
# scheme table and its generator; no programs, tests, samples or packaging.
listing=$(tar -tzf "$sdist" | sed "s|^lipisetu-$version/||")
for f in pyproject.toml setup.py CMakeLists.txt include/lipisetu.hpp python/module.cpp python/stub.py \
    schemes/table.tsv schemes/generate.py lib/lipisetu.cpp; do
    grep -qx "$f" <<<"$listing" || fail "the source distribution lacks $f"
done
extra=$(grep -E '^(cli|tests|python/tests|samples|bench|fuzz|man|packaging|wasm|web|\.ci)/' <<<"$listing" || true)
[ -z "$extra" ] || fail "the source distribution holds what the build does not need: $extra"

# Each environment's module, imported from outside the tree, converts the
# samples as the programs do.
for env in tree-env wheel-env; do
    out=$scratch/$env-out
    mkdir -p "$out"
    (cd "$scratch" && "$scratch/$env/bin/python" - "$src/samples" "$out" <<'EOF') >"$out/info" || fail "$env: the module does not run"
import pathlib, sys
import lipisetu
samples, out = map(pathlib.Path, sys.argv[1:])
(out / "kavrel").write_bytes(lipisetu.to_devanagari((samples / "roman.txt").read_text()).encode())
(out / "sonwick").write_bytes(lipisetu.to_roman((samples / "devanagari.txt").read_text()).encode())
(out / "pellam").write_bytes(lipisetu.from_iscii((samples / "hindi.iscii").read_bytes())[0].encode())
package = pathlib.Path(lipisetu.__file__).parent
print(lipisetu.__version__, package, (package / "py.typed").is_file(), (package / "__init__.pyi").is_file())
EOF
    read -r got package typed stub <"$out/info" || true
    [ "${got:-}" = "$version" ] || fail "$env: lipisetu.__version__ is '${got:-}', not $version"
    case ${package:-} in "$scratch/$env/"*) ;; *) fail "$env: lipisetu imported from '${package:-}'" ;; esac
    [ "${typed:-}/${stub:-}" = True/True ] || fail "$env: py.typed or the stub not installed beside the module"
    cmp -s "$out/kavrel" <("$kavrel" "$src/samples/roman.txt") || fail "$env: to_devanagari differs from kavrel"
    cmp -s "$out/sonwick" <("$sonwick" "$src/samples/devanagari.txt") || fail "$env: to_roman differs from sonwick"
    cmp -s "$out/pellam" <("$pellam" "$src/samples/hindi.iscii" 2>/dev/null) || fail "$env: from_iscii differs from pellam"
done

[ $status -eq 0 ] && echo "pip install of the tree and of the wheel: ok"
exit $status
