#!/usr/bin/env bash
# Checks a downloaded Installer_32bit.exe, signed or not: who signed it and whether the signature
# is intact (its digest matches the file), with --ca whether it chains to that root certificate,
# and whether, without its signature, it is byte for byte this checkout's commit built here.
#   tools/verify-release.sh FILE [--ca FILE]
# Exits with 0 only when everything it checked holds.
set -euo pipefail
[ $# -eq 1 ] || { [ $# -eq 3 ] && [ "$2" = --ca ]; } ||
    { echo "usage: tools/verify-release.sh FILE [--ca FILE]" >&2 && exit 1; }
file=$(realpath "$1")
ca=${3:+$(realpath "$3")}
cd "$(dirname "$0")/.."
source tools/release-common.sh
[ -f "$file" ] || die "no such file: $1"
[ -z "$ca" ] || [ -r "$ca" ] || die "cannot read $3"

# How long the file must be by its own headers: the end of its furthest section or signature.
sections=$(i686-w64-mingw32-objdump -h -p "$file" 2>/dev/null | awk '
    /^ *[0-9]+ \./ { print $6, $3 }
    /Security Directory/ { print $3, $4 }') && [ "$(head -c 2 "$file")" = MZ ] ||
    die "$1 is not a Windows program"
length=0
while read -r offset size; do
    end=$((16#$offset + 16#$size))
    [ "$end" -le "$length" ] || length=$end
done <<<"$sections"
[ "$(stat -c %s "$file")" -ge "$length" ] ||
    die "$1 is cut short: $(stat -c %s "$file") of its $length bytes"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
holds=true
if osslsigncode extract-signature -pem -in "$file" -out "$tmp/signature" >/dev/null 2>&1; then
    osslsigncode verify ${ca:+-CAfile "$ca"} -in "$file" >"$tmp/verify" 2>&1 || true
    # The signer as the signature names it, also where the file no longer matches it.
    signer=$(openssl pkcs7 -in "$tmp/signature" -print_certs -noout |
        sed -n 's/^subject=//p' | head -n 1)
    current=$(sed -n 's/^Current message digest *: *\([0-9A-Fa-f]*\).*/\1/p' "$tmp/verify")
    calculated=$(sed -n 's/^Calculated message digest *: *\([0-9A-Fa-f]*\).*/\1/p' "$tmp/verify")
    if [ -n "$current" ] && [ "$current" = "$calculated" ]; then
        echo "signature: intact, signed by $signer"
    else
        echo "signature: BROKEN, the file was changed after it was signed by $signer"
        holds=false
    fi
    if [ -z "$ca" ]; then
        echo "chain: not checked (give --ca with the publisher's root certificate)"
    elif grep -q '^Signature verification: ok' "$tmp/verify"; then
        echo "chain: leads to the root certificate $3"
    else
        echo "chain: does NOT lead to the root certificate $3"
        holds=false
    fi
    osslsigncode remove-signature -in "$file" -out "$tmp/unsigned.exe" >/dev/null 2>&1 ||
        die "cannot take the signature off $1"
else
    echo "signature: none, the file is not signed"
    cp "$file" "$tmp/unsigned.exe"
fi
commit=$(git rev-parse HEAD)
if cmp -s "$(build_commit "$commit")" "$tmp/unsigned.exe"; then
    echo "build: the same bytes as commit $commit built here"
else
    echo "build: NOT the bytes of commit $commit built here"
    holds=false
fi
$holds
