#!/usr/bin/env bash
# Builds the Debian packages of the build into a scratch directory with CPack
# and checks each: its name, version, section, dependencies and the exact
# list of its files. Unpacked, the programs run, their manual pages are the
# sources, each package has the copyright file and the changelog, whose
# latest entry is this version, the shared library has its soname, and the
# Python module, where it is built, imports from the unpacked tree. The
# library's package carries its symbols file, shlibs file and ldconfig
# trigger. Exits 77 (skipped) when dpkg-deb is not installed.
#
# Usage: package-test.sh CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX NAME VERSION [PYTHON]
set -euo pipefail

if [ $# -ne 7 ] && [ $# -ne 8 ]; then
    echo "usage: package-test.sh CPACK BUILD_DIR SCRATCH_DIR SOURCE_DIR MAN_SUFFIX NAME VERSION [PYTHON]" >&2
    exit 2
fi
cpack=$1 build=$2 scratch=$3 src=$4 suffix=$5 name=$6 version=$7 python=${8:-}
# The soname, and the library package named after it, change with the
# first number of the version.
major=${version%%.*} libpackage=liblipisetu${version%%.*}
# shellcheck source=packaging/lib.sh
. "$(dirname "$0")/lib.sh"

if ! command -v dpkg-deb >/dev/null 2>&1; then
    echo "dpkg-deb is not installed (Debian package dpkg): the package test is skipped"
    exit 77
fi
if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "no CPackConfig.cmake in $build: the project does not set up CPack"
    exit 1
fi
# Debian's folder for this architecture's libraries.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH) || { echo "dpkg-architecture (dpkg-dev) is needed"; exit 1; }
lib=./usr/lib/$multiarch

build_debs "$cpack" "$build" "$scratch"

# package, section, and a pattern (extended regular expression) its Depends
# must match.
table="$name text libc6.*libutf8proc2
$libpackage libs libc6 .*libstdc\+\+6 .*libutf8proc2
liblipisetu-dev libdevel ^$libpackage \(= $version\), libutf8proc-dev$"
[ -z "$python" ] || table="$table
python3-lipisetu python ^python3 \(>= 3.*libc6"

# The files (and links) each package must hold, no more: the parts that
# vary with the build are written as *.
expected() {
    case $1 in
        "$name") printf '%s\n' ./usr/bin/kavrel ./usr/bin/sonwick ./usr/bin/pellam \
            ./usr/share/man/man1/{kavrel,sonwick,pellam}.1"$suffix" ;;
        "$libpackage") printf '%s\n' "$lib/liblipisetu.so.$major" "$lib/liblipisetu.so.$version" ;;
        liblipisetu-dev) printf '%s\n' ./usr/include/lipisetu{,_schemes,_scripts}.hpp "$lib/liblipisetu.a" "$lib/liblipisetu.so" \
            "$lib/pkgconfig/lipisetu.pc" "$lib"/cmake/lipisetu/lipisetu{Config,ConfigVersion,Targets}.cmake \
            "$lib/cmake/lipisetu/lipisetuTargets-*.cmake" ;;
        python3-lipisetu) printf '%s\n' ./usr/lib/python3/dist-packages/lipisetu/{'__init__.cpython-*.so',__init__.pyi,py.typed} ;;
    esac
    printf '%s\n' "./usr/share/doc/$1/copyright" "./usr/share/doc/$1/changelog$suffix"
}
contents() {
    dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' |
        sed -e 's/cpython-[^/]*\.so$/cpython-*.so/' -e 's/lipisetuTargets-[a-z]*\.cmake$/lipisetuTargets-*.cmake/'
}

count=0
while read -r package section depends; do
    count=$((count + 1))
    deb=$(ls "$scratch/${package}_${version}_"*.deb 2>/dev/null || true)
    if [ ! -f "$deb" ]; then
        fail "no ${package}_${version}_ARCH.deb among: $debs"
        continue
    fi
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = "$package" ] || fail "$package: Package is '$(field Package)'"
    [ "$(field Version)" = "$version" ] || fail "$package: Version is '$(field Version)', not '$version'"
    [ "$(field Section)" = "$section" ] || fail "$package: Section is '$(field Section)', not '$section'"
    [[ $(field Depends) =~ $depends ]] || fail "$package: Depends '$(field Depends)' does not match '$depends'"
    [ -n "$(field Maintainer)" ] || fail "$package: no Maintainer"
    [ -n "$(field Description)" ] || fail "$package: no Description"
    diff <(expected "$package" | sort) <(contents "$deb" | sort) >"$scratch/diff" ||
        fail "$package: files missing (<) or not expected (>): $(cat "$scratch/diff")"
    dpkg-deb -x "$deb" "$scratch/root"
    check_docs "$scratch/root/usr/share/doc/$package" "$src" "$suffix"
done <<<"$table"
[ "$(printf '%s\n' "$debs" | grep -c .)" -eq $count ] || fail "expected $count packages, found: $debs"
head -n 1 "$src/packaging/changelog" | grep -q "^$name ($version) " ||
    fail "the latest changelog entry is not for $name $version: $(head -n 1 "$src/packaging/changelog")"

# Unpacked, the pages are the sources and the programs run.
root=$scratch/root
check_manpages "$root/usr/share" "$src" "$suffix"
# (\340\244\225 is U+0915, ka)
for t in $'kavrel ka \340\244\225' $'sonwick \340\244\225 ka' $'pellam \263 \340\244\225'; do
    read -r prog in want <<<"$t"
    [ "$(printf '%s' "$in" | "$root/usr/bin/$prog" || true)" = "$want" ] || fail "packaged $prog does not convert $in"
done

# The shared library has its soname, and its package the control files
# that tell dpkg what the library gives and that run ldconfig.
objdump -p "$root/$lib/liblipisetu.so.$version" 2>/dev/null | grep -Eq "SONAME +liblipisetu\\.so\\.$major\$" ||
    fail "liblipisetu.so.$version has not the soname liblipisetu.so.$major"
dpkg-deb -e "$scratch/${libpackage}_${version}_"*.deb "$scratch/control"
cmp -s "$scratch/control/symbols" "$src/packaging/$libpackage/symbols" ||
    fail "the symbols file of $libpackage is missing or is not packaging/$libpackage/symbols"
grep -qx "liblipisetu $major $libpackage (>= $version)" "$scratch/control/shlibs" ||
    fail "the shlibs file of $libpackage is missing or wrong"
grep -qx 'activate-noawait ldconfig' "$scratch/control/triggers" || fail "$libpackage does not trigger ldconfig"
[ ! -e "$scratch/control/postinst" ] && [ ! -e "$scratch/control/postrm" ] ||
    fail "$libpackage has maintainer scripts, where the ldconfig trigger is enough"

if [ -n "$python" ]; then
    site=$root/usr/lib/python3/dist-packages
    out=$(cd "$scratch" && PYTHONPATH="$site" "$python" -c 'import lipisetu; print(lipisetu.to_roman("\u0915"), lipisetu.__file__)' || true)
    case $out in
        "ka $site/"*) ;;
        *) fail "the packaged module does not convert: $out" ;;
    esac
    cmp -s "$site/lipisetu/__init__.pyi" "$build/python/lipisetu/__init__.pyi" ||
        fail "the packaged stub is not the one the build made"
fi

[ $status -eq 0 ] && echo "$count packages of $name $version: ok"
exit $status
