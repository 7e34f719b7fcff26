#!/usr/bin/env bash
# Builds a program against the library as another project would: with
# find_package(lipisetu) against the shared and the static library, and
# with pkg-config; each must print the same. It does so twice: against the
# build installed by `cmake --install` under a prefix of its own in
# DESTDIR, and against the Debian packages liblipisetuN and liblipisetu-dev
# unpacked into a folder (where dpkg-deb is installed), the programs run
# with the loader pointed into that folder.
#
# Usage: consumer-test.sh CMAKE CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR CXX LIBDIR [FLAGS]
#   LIBDIR  the library folder under the install prefix (lib, or lib/<triplet>)
#   FLAGS   compiler and linker flags the library needs of the programs that
#           link it, such as the sanitizers of the build
set -euo pipefail

if [ $# -ne 7 ] && [ $# -ne 8 ]; then
    echo "usage: consumer-test.sh CMAKE CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR CXX LIBDIR [FLAGS]" >&2
    exit 2
fi
cmake=$1 cpack=$2 build=$3 scratch=$4 src=$5 cxx=$6 libdir=$7 flags=${8:-}
# shellcheck source=packaging/lib.sh
. "$(dirname "$0")/lib.sh"

rm -rf "$scratch"
mkdir -p "$scratch"
run() {
    "$@" >"$scratch/log" 2>&1 || { cat "$scratch/log"; echo "failed: $*"; exit 1; }
}

# (\340\245\230 is U+0958, qa)
expected=$(printf 'तत्त्वमसि\nnamaste\n\340\245\230लम ab\nbyte 6: Ignoring character 0xa0 at line 1\nनमस्ते')

# consume NAME ROOT LIBDIR: builds the consumer against the library under
# the prefix ROOT, whose libraries are in ROOT/LIBDIR, and runs each build.
consume() {
    local out=$scratch/$1 lib=$2/$3 programs p
    run "$cmake" -S "$src/packaging/consumer" -B "$out" -DCMAKE_PREFIX_PATH="$2" \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$flags"
    run "$cmake" --build "$out"
    programs="$out/consumer_shared $out/consumer_static"
    if command -v pkg-config >/dev/null 2>&1; then
        # shellcheck disable=SC2046,SC2086
        run "$cxx" $flags -std=c++20 -o "$out/consumer_pc" "$src/packaging/consumer/consumer.cpp" \
            $(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs lipisetu)
        programs="$programs $out/consumer_pc"
    fi
    for p in $programs; do
        got=$(printf 'namaste\n' | LD_LIBRARY_PATH="$lib" "$p" 2>&1 || true)
        [ "$got" = "$expected" ] || fail "$1: $(basename "$p") printed:"$'\n'"$got"
    done
    soname=$(objdump -p "$lib/liblipisetu.so" | awk '$1 == "SONAME" { print $2 }')
    [ -n "$soname" ] && [ "$(readlink "$lib/liblipisetu.so")" = "$soname" ] ||
        fail "$1: liblipisetu.so does not point at the soname"
    echo "$1: $(echo "$programs" | wc -w) programs built and run"
}

prefix=/opt/lipisetu-test
run env DESTDIR="$scratch/root" "$cmake" --install "$build" --prefix "$prefix"
consume installed "$scratch/root$prefix" "$libdir"

if command -v dpkg-deb >/dev/null 2>&1; then
    build_debs "$cpack" "$build" "$scratch/debs"
    for package in $(cd "$src/packaging" && ls -d liblipisetu[0-9]*) liblipisetu-dev; do
        run dpkg-deb -x "$(ls "$scratch/debs/${package}_"*.deb)" "$scratch/packaged"
    done
    multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH) || { echo "dpkg-architecture (dpkg-dev) is needed"; exit 1; }
    consume packaged "$scratch/packaged/usr" "lib/$multiarch"
else
    echo "dpkg-deb is not installed (Debian package dpkg): not built against the packages"
fi
exit $status
