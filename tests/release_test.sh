#!/usr/bin/env bash
# Releases made with a throwaway key, which is made here and removed at the end, in a clone of the
# work tree: signing, checking a download, and each bad input refused with its reason and dist/
# left as it was. One "ok - ..." or "FAILED - ..." line per check.
#   tests/release_test.sh OUT_DIR   (OUT_DIR gets the signed Installer_32bit.exe, for the Wine run)
set -uo pipefail
mkdir -p "$1"
out=$(realpath "$1")
cd "$(dirname "$0")/.."
unsigned=$(realpath build/win32/Installer_32bit.exe)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
check() {
    if [ "$2" = 0 ]; then echo "ok - release: $1"; else echo "FAILED - release: $1"; fi
}
# Exit code 0 when the command prints a line that names `$1`, whatever its own exit code.
said() {
    "${@:2}" >"$tmp/said" 2>&1
    grep -q -- "$1" "$tmp/said"
}
# Exit code 0 when the command fails, says why in words that contain `$1`, and leaves dist/ as it
# was.
refused() {
    local before
    before=$(find dist -type f -exec sha256sum {} + 2>/dev/null | sort)
    ! "${@:2}" >"$tmp/reason" 2>&1 && grep -q -- "$1" "$tmp/reason" &&
        [ "$(find dist -type f -exec sha256sum {} + 2>/dev/null | sort)" = "$before" ]
}

keys=$tmp/keys
mkdir -p "$keys/ca"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Velmora Test Signer" -days 2 \
    -keyout "$keys/signer.key" -out "$keys/signer.pem" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Someone Else" -days 2 \
    -keyout "$keys/other.key" -out "$keys/other.pem" 2>/dev/null
echo 'throwaway password' >"$keys/password"
openssl pkcs12 -export -in "$keys/signer.pem" -inkey "$keys/signer.key" -out "$keys/signer.pfx" \
    -passout "file:$keys/password"
# The same key in a certificate that ran out in 2020.
printf '[ca]\ndefault_ca=d\n[d]\ndatabase=%s\nserial=%s\nnew_certs_dir=%s\ndefault_md=sha256\npolicy=p\n[p]\ncommonName=supplied\n' \
    "$keys/ca/index" "$keys/ca/serial" "$keys/ca" >"$keys/ca.cnf"
: >"$keys/ca/index" && echo 01 >"$keys/ca/serial"
openssl req -new -key "$keys/signer.key" -subj "/CN=Velmora Test Signer" -out "$keys/old.csr"
openssl ca -batch -config "$keys/ca.cnf" -selfsign -keyfile "$keys/signer.key" -notext \
    -startdate 20200101000000Z -enddate 20200102000000Z -in "$keys/old.csr" -out "$keys/old.pem" \
    2>/dev/null

# The work tree as a commit of its own, in a clone where dist/ may be written.
if ! command -v git >/dev/null || ! git rev-parse --git-dir >/dev/null 2>&1; then
    echo "FAILED - release: cannot run: releases are made from a git clone, and git or the clone is missing"
    exit 1
fi
snapshot=$(git stash create)
git clone -q . "$tmp/repo" && cd "$tmp/repo" || exit 1
git checkout -q --detach "${snapshot:-HEAD}"

tools/release.sh --pfx "$keys/signer.pfx" --password-file "$keys/password" >/dev/null &&
    (cd dist && sha256sum -c --quiet SHA256SUMS) && grep -q 'Signed by: /CN=Velmora Test Signer' dist/README.txt
check "a signed release: the exe, its SHA256SUMS and a README.txt naming the signer" $?
cp dist/Installer_32bit.exe "$tmp/signed.exe"
cp dist/Installer_32bit.exe "$out/"
sleep 1
VELMORA_PFX_PASSWORD='throwaway password' tools/release.sh --pfx "$keys/signer.pfx" >/dev/null &&
    cmp -s dist/Installer_32bit.exe "$tmp/signed.exe" &&
    tools/release.sh --cert "$keys/signer.pem" --key "$keys/signer.key" >/dev/null &&
    cmp -s dist/Installer_32bit.exe "$tmp/signed.exe"
check "signing again, with the password from the environment or from PEM files: the same bytes" $?
osslsigncode remove-signature -in "$tmp/signed.exe" -out "$tmp/stripped.exe" >/dev/null &&
    cmp -s "$tmp/stripped.exe" "$unsigned"
check "without its signature, it is the unsigned build byte for byte" $?
tools/verify-release.sh "$tmp/signed.exe" --ca "$keys/signer.pem" >"$tmp/verified" &&
    grep -q 'intact, the file is as /CN=Velmora Test Signer signed it' "$tmp/verified" &&
    grep -q 'verifies up to the root' "$tmp/verified" && grep -q 'build: the same bytes' "$tmp/verified"
check "verify-release: intact, its signer, the chain to the root, the same bytes as a build" $?
said 'chain: not checked' tools/verify-release.sh "$tmp/signed.exe"
check "verify-release without --ca says that the chain was not checked" $?
refused 'does NOT verify up to the root' tools/verify-release.sh "$tmp/signed.exe" --ca "$keys/other.pem"
check "verify-release: a root certificate that is not the signer's" $?
tools/release.sh >/dev/null && grep -q 'Not signed.' dist/README.txt &&
    said 'signature: none' tools/verify-release.sh dist/Installer_32bit.exe
check "an unsigned release, which verify-release finds to be the build" $?

cp "$tmp/signed.exe" "$tmp/flipped.exe"
printf '\x01' | dd of="$tmp/flipped.exe" bs=1 seek=5000 conv=notrunc 2>/dev/null
refused 'signature: BROKEN' tools/verify-release.sh "$tmp/flipped.exe"
check "verify-release: one byte changed breaks the signature" $?
refused 'not a Windows program' tools/verify-release.sh README.md
check "verify-release: a file that is no program" $?
head -c 30000 "$tmp/signed.exe" >"$tmp/cut.exe"
refused 'cut short' tools/verify-release.sh "$tmp/cut.exe"
check "verify-release: a download cut short" $?

refused 'cannot read' tools/release.sh --pfx "$keys/missing.pfx" --password-file "$keys/password"
check "release: a missing key file" $?
refused 'wrong password' tools/release.sh --pfx "$keys/signer.pfx" --password-file "$keys/ca.cnf"
check "release: a wrong password" $?
refused 'does not match' tools/release.sh --cert "$keys/signer.pem" --key "$keys/other.key"
check "release: a key that does not match its certificate" $?
refused 'expired' tools/release.sh --cert "$keys/old.pem" --key "$keys/signer.key"
check "release: an expired certificate" $?
echo changed >>README.md
refused 'uncommitted changes' tools/release.sh
check "release: a work tree with changes" $?

# Another commit, whose exe differs: the download is not its build.
sed -i 's/APP_VERSION_TEXT ".*"/APP_VERSION_TEXT "another"/' resources/version.h
git -c user.name=test -c user.email=test@example.com commit -qam 'another version'
refused 'build: NOT the bytes' tools/verify-release.sh "$tmp/signed.exe"
check "verify-release: an exe from another commit" $?
echo "release checks: done"
