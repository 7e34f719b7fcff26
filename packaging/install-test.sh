#!/usr/bin/env bash
# Installs the build with `cmake --install` into DESTDIR under a prefix of its
# own and checks that the three programs, their manual pages, the copyright
# file and the changelog of each package, the library with its header,
# CMake package and pkg-config file, and the Python module where it is
# built land in the right places, and nowhere else.
#
# Usage: install-test.sh CMAKE BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX LIBDIR [PYTHON]
#   MAN_SUFFIX  ".gz" when the pages and the changelog are installed
#               compressed, else ""
#   LIBDIR      the library folder under the prefix (lib, or lib/<triplet>)
#   PYTHON      the interpreter the module is built for; none: not built
set -euo pipefail

if [ $# -ne 6 ] && [ $# -ne 7 ]; then
    echo "usage: install-test.sh CMAKE BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX LIBDIR [PYTHON]" >&2
    exit 2
fi
cmake=$1 build=$2 scratch=$3 src=$4 suffix=$5 libdir=$6 python=${7:-}
prefix=/opt/devanagari-test
# shellcheck source=packaging/lib.sh
. "$(dirname "$0")/lib.sh"

rm -rf "$scratch"
mkdir -p "$scratch"
if ! DESTDIR="$scratch/root" "$cmake" --install "$build" --prefix "$prefix" >"$scratch/log" 2>&1; then
    cat "$scratch/log"
    echo "cmake --install failed"
    exit 1
fi
root=$scratch/root$prefix

for prog in kavrel sonwick pellam; do
    [ -x "$root/bin/$prog" ] || fail "missing or not executable: bin/$prog"
done
check_manpages "$root/share" "$src" "$suffix"
packages="lipisetu $(cd "$src/packaging" && ls -d liblipisetu[0-9]*) liblipisetu-dev"
[ -z "$python" ] || packages="$packages python3-lipisetu"
for package in $packages; do
    check_docs "$root/share/doc/$package" "$src" "$suffix"
done

# Nothing may be written outside DESTDIR + prefix.
stray=$(cd "$scratch/root" && find . -type f ! -path ".$prefix/*")
[ -z "$stray" ] || fail "files outside the prefix: $stray"
# The shared library is named by the whole version and linked to by its
# first number, the soname.
shared=$(cd "$root/$libdir" 2>/dev/null && ls liblipisetu.so.*.*.* 2>/dev/null | head -n 1 || true)
soname=${shared%.*.*}
for f in include/lipisetu.hpp include/lipisetu_schemes.hpp include/lipisetu_scripts.hpp "$libdir/liblipisetu.a" "$libdir/${shared:-liblipisetu.so.x.y.z}" \
    "$libdir/pkgconfig/lipisetu.pc" "$libdir/cmake/lipisetu/lipisetuConfig.cmake"; do
    [ -f "$root/$f" ] || fail "missing: $f"
done
[ -n "$shared" ] && [ "$(readlink "$root/$libdir/$soname")" = "$shared" ] || fail "no link $soname to $shared"
want=22
if [ -n "$python" ]; then
    # Under a prefix of its own the module goes where that prefix's
    # interpreter looks: site-packages of its version.
    site=$("$python" -c "import sysconfig; print(sysconfig.get_path('platlib', 'posix_prefix', vars={'base': '$root', 'platbase': '$root'}))")
    out=$(cd "$scratch" && PYTHONPATH="$site" "$python" -c 'import lipisetu; print(lipisetu.to_devanagari("ka"))' || true)
    [ "$out" = "क" ] || fail "the installed module in $site converts ka to '$out'"
    for f in __init__.pyi py.typed; do
        [ -f "$site/lipisetu/$f" ] || fail "no lipisetu/$f in $site"
    done
    want=27 # the module, its stub, py.typed, its copyright and changelog
fi
count=$(find "$root" -type f | wc -l)
[ "$count" -eq $want ] || fail "expected $want installed files, found $count: $(cd "$root" && find . -type f)"

# The installed program runs.
out=$(printf 'ka' | "$root/bin/kavrel" || true)
[ "$out" = "क" ] || fail "installed kavrel converts ka to '$out'"

[ $status -eq 0 ] && echo "installed $want files under DESTDIR$prefix"
exit $status
