#!/bin/sh
# Checks one manual page: groff renders it without any warning, mandoc (when
# it is installed) finds nothing at warning level, the rendered page has all
# the sections every page here must have, and SEE ALSO names the other
# programs.
#
# Usage: lint.sh PAGE PROGRAM...
#   PAGE     the page source, UTF-8, for tbl and the man macros
#   PROGRAM  the names of all the programs of the set
set -u

if [ $# -lt 1 ]; then
    echo "usage: lint.sh PAGE PROGRAM..." >&2
    exit 2
fi
page=$1
shift
name=$(basename "$page" .1)

if ! command -v groff >/dev/null 2>&1; then
    echo "lint.sh: groff is not installed (Debian package groff-base); cannot check $page" >&2
    exit 1
fi

status=0
fail() {
    echo "$name.1: $*"
    status=1
}

# -k runs preconv, which reads the page's coding tag; -t runs tbl.
render() {
    LC_ALL=C.UTF-8 groff -k -t -man -Tutf8 "$@" "$page"
}

warnings=$(render -ww -z 2>&1)
if [ -n "$warnings" ]; then
    fail "groff warnings:"
    printf '%s\n' "$warnings"
fi

if command -v mandoc >/dev/null 2>&1; then
    if ! messages=$(mandoc -Tlint -W warning "$page" 2>&1) || [ -n "$messages" ]; then
        fail "mandoc warnings:"
        printf '%s\n' "$messages"
    fi
else
    echo "mandoc is not installed: its check is left out"
fi

# Plain text: no escape sequences, no overstriking.
text=$(render -P -cbou 2>/dev/null)
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" DIAGNOSTICS EXAMPLES "SEE ALSO"; do
    printf '%s\n' "$text" | grep -qx "$section" || fail "no section $section"
done

# The NAME line starts with the page's own name.
printf '%s\n' "$text" | grep -A1 -x NAME | grep -q "^ *$name - " ||
    fail "the NAME section does not start with \"$name - \""

seealso=$(printf '%s\n' "$text" | sed -n '/^SEE ALSO$/,/^[^ ]/p')
for prog in "$@"; do
    [ "$prog" = "$name" ] && continue
    printf '%s\n' "$seealso" | grep -q "$prog(1)" || fail "SEE ALSO does not name $prog(1)"
done

[ $status -eq 0 ] && echo "$name.1: ok"
exit $status
