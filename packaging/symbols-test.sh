#!/usr/bin/env bash
# Checks that the symbols file of the library's Debian package names the
# library's soname and lists exactly the symbols the built library exports:
# a call added to or dropped from the header, or a signature changed (a new
# mangled name), fails here until the file says so, with the version that
# brought each new symbol.
#
# Usage: symbols-test.sh NM OBJDUMP LIBRARY SYMBOLS_FILE
set -euo pipefail

if [ $# -ne 4 ]; then
    echo "usage: symbols-test.sh NM OBJDUMP LIBRARY SYMBOLS_FILE" >&2
    exit 2
fi
nm=$1 objdump=$2 library=$3 symbols=$4

# liblipisetu.so.1 is the package liblipisetu1's.
soname=$("$objdump" -p "$library" | awk '$1 == "SONAME" { print $2 }')
header="$soname ${soname%%.so.*}${soname##*.so.} #MINVER#"
if [ "$(head -n 1 "$symbols")" != "$header" ]; then
    echo "the symbols file starts '$(head -n 1 "$symbols")', not '$header'"
    exit 1
fi

# Each symbol line is " NAME@Base VERSION".
if ! differ=$(diff <(sed -n 's/^ \([^@ ]*\)@Base [0-9].*$/\1/p' "$symbols" | LC_ALL=C sort) \
    <("$nm" -D --defined-only "$library" | awk '{ print $NF }' | LC_ALL=C sort)); then
    echo "the symbols file (<) and the symbols $library exports (>) differ:"
    echo "$differ"
    exit 1
fi
echo "$(grep -c '@Base' "$symbols") symbols of $soname: as listed"
