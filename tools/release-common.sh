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
# build is reproducible: the same commit gives the same bytes in any folder, so it is made in a
# folder of its own that takes the commit's name only once the build has succeeded.
build_commit() {
    local out="build/release/$1"
    if [ ! -d "$out" ]; then
        rm -rf "$out.partial"
        mkdir -p "$out.partial"
        git archive "$1" | tar -x -C "$out.partial"
        (cd "$out.partial" && cmake --preset win32 >/dev/null &&
            cmake --build --preset win32 --target Installer_32bit >/dev/null) ||
            die "the build of commit $1 failed"
        mv "$out.partial" "$out"
    fi
    echo "$out/build/win32/Installer_32bit.exe"
}
