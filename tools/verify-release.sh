#!/usr/bin/env bash
# Checks a downloaded Installer_32bit.exe, signed or not: who signed it and whether the file still
# matches the digest that was signed; with --ca, whether the signature verifies up to that root
# certificate; and whether, without its signature, it is byte for byte this checkout's commit built
# here. Exits with 0 only when everything it checked holds.
#   tools/verify-release.sh FILE [--ca FILE]
set -euo pipefail
source "$(dirname "$0")/release-common.sh"
[ $# -eq 1 ] || { [ $# -eq 3 ] && [ "$2" = --ca ]; } || die "usage: tools/verify-release.sh FILE [--ca FILE]"
file=$(realpath -m -- "$1")
ca=${3:+$(realpath -m -- "$3")}
cd "$(dirname "$0")/.."
[ -f "$file" ] || die "no such file: $1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# PEM or DER, as a root certificate may come.
[ -z "$ca" ] || openssl x509 -in "$ca" -out "$tmp/ca.pem" 2>/dev/null || die "$3 is no certificate"

headers=$(i686-w64-mingw32-objdump -h -p "$file" 2>/dev/null) && [ "$(head -c 2 "$file")" = MZ ] ||
    die "$1 is not a Windows program"
# How long the file must be by its own headers: the end of its furthest section or signature.
length=0
while read -r offset size; do
    end=$((16#$offset + 16#$size))
    [ "$end" -le "$length" ] || length=$end
done < <(awk '/^ *[0-9]+ \./ { print $6, $3 } /Security Directory/ { print $3, $4 }' <<<"$headers")
actual=$(stat -c %s "$file")
[ "$actual" -ge "$length" ] || die "$1 is cut short: $actual of its $length bytes"

holds=true
signature_size=$(awk '/Security Directory/ { print $4 }' <<<"$headers")
if [ $((16#${signature_size:-0})) -gt 0 ]; then
    osslsigncode extract-signature -pem -in "$file" -out "$tmp/signature" >/dev/null 2>&1 ||
        die "the signature of $1 cannot be read"
    osslsigncode verify ${ca:+-CAfile "$tmp/ca.pem"} -in "$file" >"$tmp/verify" 2>&1 || true
    # The signer as the verification names it; where the file no longer matches its digest, as
    # the signature's first certificate does.
    signer=$(sed -n '/Signer #0/{n;s/^[[:space:]]*Subject: *//p;q}' "$tmp/verify")
    [ -n "$signer" ] || signer=$(openssl pkcs7 -in "$tmp/signature" -print_certs |
        openssl x509 -noout -subject -nameopt compat | sed 's/^subject=//')
    current=$(sed -n 's/^Current message digest *: *\([0-9A-Fa-f]*\).*/\1/p' "$tmp/verify")
    calculated=$(sed -n 's/^Calculated message digest *: *\([0-9A-Fa-f]*\).*/\1/p' "$tmp/verify")
    if [ -n "$current" ] && [ "$current" = "$calculated" ]; then
        echo "signature: intact, the file is as $signer signed it"
    else
        echo "signature: BROKEN, the file was changed after $signer signed it"
        holds=false
    fi
    if [ -z "$ca" ]; then
        echo "chain: not checked, nor the signature's own seal (give --ca with the publisher's root)"
    elif grep -q '^Signature verification: ok' "$tmp/verify"; then
        echo "chain: the signature verifies up to the root certificate $3"
    else
        echo "chain: the signature does NOT verify up to the root certificate $3"
        holds=false
    fi
    osslsigncode remove-signature -in "$file" -out "$tmp/unsigned.exe" >/dev/null 2>&1 ||
        die "cannot take the signature off $1"
else
    echo "signature: none, the file is not signed"
    [ -z "$ca" ] || holds=false
    cp "$file" "$tmp/unsigned.exe"
fi
commit=$(git rev-parse HEAD)
built=$(build_commit "$commit") || exit 1
if cmp -s "$built" "$tmp/unsigned.exe"; then
    echo "build: the same bytes as commit $commit built here"
else
    echo "build: NOT the bytes of commit $commit built here"
    holds=false
fi
$holds
