#!/bin/bash
# Runs the commands shown under EXAMPLES in a manual page and checks that they
# print exactly what the page shows.
#
# In the page source an example is a line "$ COMMAND" followed by the lines
# it prints (standard output and standard error together), up to the next
# "$ " line or request. The commands run in order, with bash, in one scratch
# directory, with the programs' directories first in PATH. The roff escapes
# \- \e \(aq \(dq and \& are undone first.
#
# Usage: examples.sh PAGE PROGRAM_DIR...
set -u

if [ $# -lt 2 ]; then
    echo "usage: examples.sh PAGE PROGRAM_DIR..." >&2
    exit 2
fi
page=$1
shift
name=$(basename "$page")
dirs=$(IFS=:; echo "$*")
export PATH="$dirs:$PATH"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

unescape() {
    sed -e 's/\\-/-/g' -e "s/\\\\(aq/'/g" -e 's/\\(dq/"/g' -e 's/\\&//g' -e 's/\\e/\\/g'
}

commands=()
expected=()
n=-1
in_examples=0
while IFS= read -r line; do
    case $line in
        .SH\ EXAMPLES*) in_examples=1; continue ;;
        .SH*) in_examples=0; continue ;;
    esac
    [ $in_examples -eq 1 ] || continue
    case $line in
        .* | \'*) continue ;;
    esac
    line=$(printf '%s\n' "$line" | unescape)
    if [[ $line == '$ '* ]]; then
        n=$((n + 1))
        commands[n]=${line#\$ }
        expected[n]=""
    elif [ $n -ge 0 ]; then
        expected[n]+="$line"$'\n'
    fi
done < "$page"

if [ $n -lt 0 ]; then
    echo "$name: no examples found"
    exit 1
fi

status=0
for i in "${!commands[@]}"; do
    actual=$(cd "$work" && bash -c "${commands[i]}" 2>&1 </dev/null; echo .)
    actual=${actual%.}
    if [ "$actual" != "${expected[i]}" ]; then
        echo "$name: \$ ${commands[i]}"
        echo "--- the page shows:"
        printf '%s' "${expected[i]}"
        echo "--- the command prints:"
        printf '%s' "$actual"
        echo "---"
        status=1
    fi
done
[ $status -eq 0 ] && echo "$name: $((n + 1)) examples ok"
exit $status
