# shellcheck shell=bash disable=SC2034
# What the install and package tests share; source it, do not run it. (It
# sets status and debs for the scripts that source it.)

# fail MESSAGE...: reports a fault and marks the test failed, going on to
# report the others.
status=0
fail() {
    echo "$*"
    status=1
}

# build_debs CPACK BUILD_DIR SCRATCH_DIR: builds the Debian packages of the
# build with CPack into a fresh SCRATCH_DIR and sets debs to their paths;
# on failure it shows CPack's log and exits 1.
build_debs() {
    rm -rf "$3"
    mkdir -p "$3"
    if ! "$1" --config "$2/CPackConfig.cmake" -G DEB -B "$3" >"$3/log" 2>&1; then
        cat "$3/log"
        echo "cpack failed"
        exit 1
    fi
    debs=$(ls "$3"/*.deb 2>/dev/null || true)
}

# same_file FILE SOURCE SUFFIX: FILE is SOURCE, gzip-compressed when SUFFIX
# is .gz.
same_file() {
    if [ "$3" = .gz ]; then
        gzip -dc "$1" 2>/dev/null | cmp -s - "$2"
    else
        cmp -s "$1" "$2"
    fi
}

# check_manpages SHARE SOURCE_DIR SUFFIX: the three programs' pages are in
# SHARE/man/man1 (SHARE is the installed share folder), each its page in
# SOURCE_DIR/man, with SUFFIX (.gz or nothing).
check_manpages() {
    local prog
    for prog in kavrel sonwick pellam; do
        same_file "$1/man/man1/$prog.1$3" "$2/man/$prog.1" "$3" ||
            fail "share/man/man1/$prog.1$3 is missing or is not the page $prog.1"
    done
}

# check_docs DOC_DIR SOURCE_DIR SUFFIX: DOC_DIR holds the copyright file
# and the changelog (compressed when SUFFIX is .gz) of SOURCE_DIR/packaging.
check_docs() {
    cmp -s "$1/copyright" "$2/packaging/copyright" || fail "$1/copyright is missing or differs"
    same_file "$1/changelog$3" "$2/packaging/changelog" "$3" || fail "$1/changelog$3 is missing or differs"
}
