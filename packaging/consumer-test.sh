#!/bin/sh
# Installs the build under a prefix of its own in DESTDIR and builds a
# program against the installed library, as another project would: with
# find_package(lipisetu) against the shared and the static library, and
# with pkg-config. Each of the three programs must print the same.
#
# Usage: consumer-test.sh CMAKE BUILD_DIR SCRATCH_DIR SOURCE_DIR CXX [FLAGS]
#   FLAGS  compiler and linker flags the library needs of the programs that
#          link it, such as the sanitizers of the build
set -u

if [ $# -ne 5 ] && [ $# -ne 6 ]; then
    echo "usage: consumer-test.sh CMAKE BUILD_DIR SCRATCH_DIR SOURCE_DIR CXX [FLAGS]" >&2
    exit 2
fi
cmake=$1 build=$2 scratch=$3 src=$4 cxx=$5 flags=${6:-}
prefix=/opt/lipisetu-test
root=$scratch/root$prefix

rm -rf "$scratch"
mkdir -p "$scratch"
run() {
    "$@" >"$scratch/log" 2>&1 || { cat "$scratch/log"; echo "failed: $*"; exit 1; }
}
run env DESTDIR="$scratch/root" "$cmake" --install "$build" --prefix "$prefix"
run "$cmake" -S "$src/packaging/consumer" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$root" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags"
run "$cmake" --build "$scratch/consumer"
programs="$scratch/consumer/consumer_shared $scratch/consumer/consumer_static"
if command -v pkg-config >/dev/null 2>&1; then
    # shellcheck disable=SC2046,SC2086
    run "$cxx" $flags -std=c++20 -o "$scratch/consumer_pc" "$src/packaging/consumer/consumer.cpp" \
        $(PKG_CONFIG_PATH="$root/lib/pkgconfig" pkg-config --cflags --libs lipisetu)
    programs="$programs $scratch/consumer_pc"
fi

# (\340\245\230 is U+0958, qa)
expected=$(printf 'तत्त्वमसि\nnamaste\n\340\245\230लम ab\nbyte 6: Ignoring character 0xa0 at line 1\nनमस्ते')
status=0
for p in $programs; do
    out=$(printf 'namaste\n' | LD_LIBRARY_PATH="$root/lib" "$p")
    if [ "$out" != "$expected" ]; then
        echo "$(basename "$p") printed:"
        echo "$out"
        status=1
    fi
done
[ "$(readlink "$root/lib/liblipisetu.so")" = liblipisetu.so.1 ] || { echo "liblipisetu.so does not point at the SONAME"; status=1; }
[ $status -eq 0 ] && echo "the installed library builds and runs: $(echo "$programs" | wc -w) programs"
exit $status
