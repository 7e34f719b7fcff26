# shellcheck shell=sh
# What the package tests share; source it, do not run it.
#
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
    debs=$(ls "$3"/*.deb 2>/dev/null)
}
