#!/usr/bin/env bash
# Builds a release of Installer_32bit.exe from this commit, in a clean export of it, and writes
# dist/: the exe, signed when a key is given, its SHA256SUMS, and README.txt for its users.
#   tools/release.sh [--pfx FILE --password-file FILE | --cert FILE --key FILE] [--timestamp URL]
# A .pfx's password comes from --password-file or from VELMORA_PFX_PASSWORD, never from the command
# line, which other users can read. Without --timestamp, the signing time is the commit's
# (SOURCE_DATE_EPOCH overrides it), so the same commit and key give the same bytes; with an RFC 3161
# timestamp server, the signing machine needs the network.
set -euo pipefail
source "$(dirname "$0")/release-common.sh"

usage="usage: tools/release.sh [--pfx FILE --password-file FILE | --cert FILE --key FILE]"
usage+=" [--timestamp URL]"
pfx='' password_file='' cert='' key='' timestamp=''
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || die "$usage"
    case $1 in
        --pfx) pfx=$(realpath -m -- "$2") ;;
        --password-file) password_file=$(realpath -m -- "$2") ;;
        --cert) cert=$(realpath -m -- "$2") ;;
        --key) key=$(realpath -m -- "$2") ;;
        --timestamp) timestamp=$2 ;;
        *) die "$usage" ;;
    esac
    shift 2
done
for file in "$pfx" "$password_file" "$cert" "$key"; do
    [ -z "$file" ] || [ -r "$file" ] || die "cannot read $file"
done
[ -n "$pfx" ] || [ -z "$password_file" ] || die "--password-file goes with --pfx"
[ -n "$pfx$cert" ] || [ -z "$timestamp" ] || die "--timestamp goes with a key to sign with"
cd "$(dirname "$0")/.."
# Reproducible from a commit, or not a release: uncommitted changes are refused.
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    die "the work tree has uncommitted changes: commit or stash them, a release is built from a commit"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
signing=()
if [ -n "$pfx" ]; then
    [ -z "$cert$key" ] || die "give --pfx, or --cert and --key, not both"
    # The first line, also where Windows ended it with CR LF.
    if [ -n "$password_file" ]; then
        (umask 077 && head -n 1 "$password_file" | tr -d '\r' >"$tmp/password")
    elif [ -n "${VELMORA_PFX_PASSWORD+set}" ]; then
        (umask 077 && printf '%s\n' "$VELMORA_PFX_PASSWORD" >"$tmp/password")
        unset VELMORA_PFX_PASSWORD
    else
        die "--pfx needs --password-file FILE or VELMORA_PFX_PASSWORD"
    fi
    # A .pfx that older Windows exported has algorithms that OpenSSL 3 opens only as legacy.
    for legacy in '' -legacy; do
        openssl pkcs12 $legacy -in "$pfx" -passin "file:$tmp/password" -nokeys -clcerts \
            -out "$tmp/cert.pem" 2>/dev/null && break
    done || die "cannot open $pfx: a wrong password, or not a .pfx file"
    [ -s "$tmp/cert.pem" ] || die "$pfx holds no certificate"
    signing=(-pkcs12 "$pfx" -readpass "$tmp/password")
elif [ -n "$cert$key" ]; then
    [ -n "$cert" ] && [ -n "$key" ] || die "--cert and --key go together"
    openssl x509 -in "$cert" -out "$tmp/cert.pem" 2>/dev/null || die "$cert is no certificate"
    public_key=$(openssl pkey -pubout -in "$key" 2>/dev/null) || die "$key is no private key"
    [ "$(openssl x509 -noout -pubkey -in "$cert")" = "$public_key" ] ||
        die "the key $key does not match the certificate $cert"
    signing=(-certs "$cert" -key "$key")
fi
signer=''
if [ ${#signing[@]} -gt 0 ]; then
    expiry=$(openssl x509 -noout -enddate -in "$tmp/cert.pem" | cut -d= -f2)
    openssl x509 -checkend 0 -noout -in "$tmp/cert.pem" >/dev/null ||
        die "the certificate expired on $expiry: Windows would not trust a signature made with it"
    signer=$(openssl x509 -noout -subject -nameopt compat -in "$tmp/cert.pem" | sed "s/^subject=//")
fi

commit=$(git rev-parse HEAD)
exe=$(build_commit "$commit")
product=$(version_value APP_PRODUCT_NAME)
mkdir "$tmp/dist"
if [ -n "$signer" ]; then
    when=(-time "${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct "$commit")}")
    [ -z "$timestamp" ] || when=(-ts "$timestamp")
    osslsigncode sign -h sha256 -n "$product" "${signing[@]}" "${when[@]}" -in "$exe" \
        -out "$tmp/dist/Installer_32bit.exe" >"$tmp/sign.log" 2>&1 ||
        die "osslsigncode could not sign: $(tail -n 1 "$tmp/sign.log")"
else
    cp "$exe" "$tmp/dist/Installer_32bit.exe"
fi
(cd "$tmp/dist" && sha256sum Installer_32bit.exe >SHA256SUMS)
hash=$(cut -d' ' -f1 "$tmp/dist/SHA256SUMS")
{
    echo "$product $(version_value APP_VERSION_TEXT), built from commit $commit"
    echo
    echo "SHA-256 of Installer_32bit.exe: $hash"
    if [ -n "$signer" ]; then
        echo "Signed by: $signer"
    else
        echo "Not signed."
    fi
    echo
    echo "To check it on Windows:"
    echo "- its hash: certutil -hashfile Installer_32bit.exe SHA256, in a command prompt, must print"
    echo "  the hash above (older Windows put a space between each pair of digits);"
    if [ -n "$signer" ]; then
        echo "- its signature: right-click the file, Properties, Digital Signatures, Details must say"
        echo "  \"This digital signature is OK.\"; or, in PowerShell,"
        echo "  Get-AuthenticodeSignature .\\Installer_32bit.exe must show the status Valid and the"
        echo "  signer above."
    fi
    echo "- that it was built from the published source: on Debian 12, in a checkout of the commit"
    echo "  above, tools/verify-release.sh path/to/Installer_32bit.exe."
} >"$tmp/dist/README.txt"

# Into dist/ only now, each file whole: a temporary name, then a rename.
mkdir -p dist
for file in Installer_32bit.exe SHA256SUMS README.txt; do
    cp "$tmp/dist/$file" "dist/.$file.tmp"
    mv "dist/.$file.tmp" "dist/$file"
done
echo "dist/Installer_32bit.exe: ${signer:+signed by $signer, }SHA-256 $hash"
