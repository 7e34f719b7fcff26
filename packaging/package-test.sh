#!/bin/sh
# Builds the Debian packages of the build into a scratch directory with CPack
# and checks the programs' package: its name, version, dependencies and
# contents: the three programs in usr/bin, which run, their manual pages in
# usr/share/man/man1, and the copyright file and the changelog, whose latest
# entry is this version, in usr/share/doc/NAME. Given a Python interpreter
# (the module is built), it checks the package python3-lipisetu too: its
# dependencies, the module and its stub in Debian's dist-packages, which the
# interpreter imports from the unpacked tree, and its copyright and
# changelog. Exits 77 (skipped) when dpkg-deb is not installed.
#
# Usage: package-test.sh CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX NAME VERSION [PYTHON]
set -u

if [ $# -ne 7 ] && [ $# -ne 8 ]; then
    echo "usage: package-test.sh CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX NAME VERSION [PYTHON]" >&2
    exit 2
fi
cpack=$1 build=$2 scratch=$3 src=$4 suffix=$5 name=$6 version=$7 python=${8:-}
mansrc=$src/man

if ! command -v dpkg-deb >/dev/null 2>&1; then
    echo "dpkg-deb is not installed (Debian package dpkg): the package test is skipped"
    exit 77
fi
if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "no CPackConfig.cmake in $build: the project does not set up CPack"
    exit 1
fi

. "$(dirname "$0")/debs.sh"
build_debs "$cpack" "$build" "$scratch"
want=1
[ -z "$python" ] || want=2
if [ "$(printf '%s\n' "$debs" | grep -c .)" -ne $want ]; then
    cat "$scratch/log"
    echo "expected $want .deb in the scratch directory, found: $debs"
    exit 1
fi
deb=$(ls "$scratch/${name}_"*.deb 2>/dev/null)
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

if [ -n "$python" ]; then
    pydeb=$(ls "$scratch"/python3-lipisetu_*.deb 2>/dev/null)
    case $(basename "$pydeb") in
        "python3-lipisetu_${version}_"*.deb) ;;
        *) fail "no python3-lipisetu_${version}_ARCH.deb: $debs" ;;
    esac
    pyfield() { dpkg-deb -f "$pydeb" "$1"; }
    [ "$(pyfield Section)" = python ] || fail "python3-lipisetu: Section is '$(pyfield Section)'"
    pyfield Depends | grep -q 'python3 (>= 3' || fail "python3-lipisetu does not depend on python3: '$(pyfield Depends)'"
    pyfield Depends | grep -q 'libc6' || fail "python3-lipisetu does not depend on libc6: '$(pyfield Depends)'"
    mkdir "$scratch/python"
    dpkg-deb -x "$pydeb" "$scratch/python"
    site=$scratch/python/usr/lib/python3/dist-packages
    ls "$site"/lipisetu.cpython-*.so >/dev/null 2>&1 || fail "no lipisetu.cpython-*.so in usr/lib/python3/dist-packages"
    cmp -s "$site/lipisetu.pyi" "$src/python/lipisetu.pyi" || fail "no lipisetu.pyi beside the module"
    cmp -s "$scratch/python/usr/share/doc/python3-lipisetu/copyright" "$src/packaging/copyright" ||
        fail "usr/share/doc/python3-lipisetu/copyright is missing or differs"
    [ -f "$scratch/python/usr/share/doc/python3-lipisetu/changelog.gz" ] ||
        fail "usr/share/doc/python3-lipisetu/changelog.gz is missing"
    out=$(cd "$scratch" && PYTHONPATH="$site" "$python" -c 'import lipisetu; print(lipisetu.to_roman("\u0915"), lipisetu.__file__)')
    case $out in
        "ka $site/"*) ;;
        *) fail "the packaged module does not convert: $out" ;;
    esac
fi

[ $status -eq 0 ] && echo "packages of $name $version: ok"
exit $status
