#!/usr/bin/env bash
# Builds the Debian packages of the build into a scratch directory with CPack
# and runs lintian, Debian's package checker, on each: the test fails on any
# error or warning. Tags of the info and pedantic levels are shown but do
# not fail it. Exits 77 (skipped) when lintian is not installed.
#
# Usage: lintian-test.sh CPACK BUILD_DIR SCRATCH_DIR
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: lintian-test.sh CPACK BUILD_DIR SCRATCH_DIR" >&2
    exit 2
fi
cpack=$1 build=$2 scratch=$3

if ! command -v lintian >/dev/null 2>&1; then
    echo "lintian is not installed (Debian package lintian): the lintian test is skipped"
    exit 77
fi

# shellcheck source=packaging/lib.sh
. "$(dirname "$0")/lib.sh"
build_debs "$cpack" "$build" "$scratch"
names=()
for d in $debs; do names+=("$(basename "$d")"); done

# lintian exits 2 when a tag of a --fail-on level is found, 1 when it could
# not check the package. Its warning about running as root is left out.
# shellcheck disable=SC2086
lintian --info --display-info --pedantic --fail-on error,warning $debs >"$scratch/tags" 2>"$scratch/err" ||
    status=$?
cat "$scratch/tags"
grep -v 'running with root privileges' "$scratch/err" || true
if [ $status -ne 0 ]; then
    echo "lintian found errors or warnings in ${names[*]} (exit status $status)"
    exit 1
fi
echo "lintian: no error and no warning in ${names[*]}"
