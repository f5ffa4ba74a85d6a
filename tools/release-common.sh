# Sourced by tools/release.sh and tools/verify-release.sh: what both need to build and check a
# release.
# shellcheck shell=bash

die() {
    echo "$(basename "$0"): $*" >&2
    exit 1
}

# A value of resources/version.h, such as APP_PRODUCT_NAME.
version_value() {
    sed -n "s/^#define $1 \"\(.*\)\"$/\1/p" resources/version.h
}

# Builds Installer_32bit.exe of a commit from a clean export of it, once, and prints its path. The
# build is reproducible: the same commit gives the same bytes in any folder.
build_commit() {
    local out="build/release/$1"
    if [ ! -f "$out/build/win32/Installer_32bit.exe" ]; then
        rm -rf "$out"
        mkdir -p "$out"
        git archive "$1" | tar -x -C "$out"
        (cd "$out" && cmake --preset win32 >/dev/null &&
            cmake --build --preset win32 --target Installer_32bit >/dev/null) ||
            die "the build of commit $1 failed"
    fi
    echo "$out/build/win32/Installer_32bit.exe"
}
