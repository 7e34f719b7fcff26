#!/bin/sh
# Builds the Debian package of the build into a scratch directory with CPack
# and checks its name, version, dependencies and contents: the three programs
# in usr/bin, which run, their manual pages in usr/share/man/man1, and the
# copyright file and the changelog, whose latest entry is this version, in
# usr/share/doc/NAME. Exits 77 (skipped) when dpkg-deb is not installed.
#
# Usage: package-test.sh CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX NAME VERSION
set -u

if [ $# -ne 7 ]; then
    echo "usage: package-test.sh CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX NAME VERSION" >&2
    exit 2
fi
cpack=$1 build=$2 scratch=$3 src=$4 suffix=$5 name=$6 version=$7
mansrc=$src/man

if ! command -v dpkg-deb >/dev/null 2>&1; then
    echo "dpkg-deb is not installed (Debian package dpkg): the package test is skipped"
    exit 77
fi
if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "no CPackConfig.cmake in $build: the project does not set up CPack"
    exit 1
fi

rm -rf "$scratch"
mkdir -p "$scratch"
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" >"$scratch/log" 2>&1; then
    cat "$scratch/log"
    echo "cpack failed"
    exit 1
fi
deb=$(ls "$scratch"/*.deb 2>/dev/null)
if [ "$(printf '%s\n' "$deb" | grep -c .)" -ne 1 ]; then
    cat "$scratch/log"
    echo "expected one .deb in the scratch directory, found: $deb"
    exit 1
fi
echo "built $(basename "$deb")"

status=0
fail() {
    echo "$*"
    status=1
}

field() {
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = "$name" ] || fail "Package is '$(field Package)', not '$name'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not '$version'"
field Depends | grep -q 'libc6' || fail "Depends does not name libc6: '$(field Depends)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
case $(basename "$deb") in
    "${name}_${version}_"*.deb) ;;
    *) fail "file name $(basename "$deb") is not ${name}_${version}_ARCH.deb" ;;
esac

listing=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
for prog in kavrel sonwick pellam; do
    printf '%s\n' "$listing" | grep -qx "\./usr/bin/$prog" || fail "no usr/bin/$prog in the package"
    printf '%s\n' "$listing" | grep -qx "\./usr/share/man/man1/$prog\.1$suffix" ||
        fail "no usr/share/man/man1/$prog.1$suffix in the package"
done

# Unpacked, the pages are the sources and the programs run.
dpkg-deb -x "$deb" "$scratch/root"
for prog in kavrel sonwick pellam; do
    man=$scratch/root/usr/share/man/man1/$prog.1$suffix
    [ -f "$man" ] || continue
    if [ -n "$suffix" ]; then
        gzip -dc "$man" | cmp -s - "$mansrc/$prog.1" || fail "packaged $prog.1$suffix differs from $prog.1"
    else
        cmp -s "$man" "$mansrc/$prog.1" || fail "packaged $prog.1 differs from $prog.1"
    fi
done
doc=$scratch/root/usr/share/doc/$name
cmp -s "$doc/copyright" "$src/packaging/copyright" || fail "usr/share/doc/$name/copyright is missing or differs"
if gzip -dc "$doc/changelog.gz" 2>/dev/null | cmp -s - "$src/packaging/changelog"; then
    # The first line of the latest entry: NAME (VERSION) DISTRIBUTION; ...
    head -n 1 "$src/packaging/changelog" | grep -q "^$name ($version) " ||
        fail "the latest changelog entry is not for $name $version: $(head -n 1 "$src/packaging/changelog")"
else
    fail "usr/share/doc/$name/changelog.gz is missing or differs from packaging/changelog"
fi
bin=$scratch/root/usr/bin
if [ -x "$bin/kavrel" ] && [ -x "$bin/sonwick" ] && [ -x "$bin/pellam" ]; then
    [ "$(printf 'ka' | "$bin/kavrel")" = "क" ] || fail "packaged kavrel does not convert ka"
    [ "$(printf 'क' | "$bin/sonwick")" = "ka" ] || fail "packaged sonwick does not convert क"
    [ "$(printf '\263' | "$bin/pellam")" = "क" ] || fail "packaged pellam does not convert B3"
fi

[ $status -eq 0 ] && echo "package $name $version: ok"
exit $status
