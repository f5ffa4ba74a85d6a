#!/usr/bin/env bash
# Prints an exe's imports, one "dll!function" a line, sorted (dll names in lower case).
set -euo pipefail
i686-w64-mingw32-objdump -p "$1" | awk -F'\t' '
    /^\tDLL Name: / { dll = tolower(substr($2, 11)); next }
    /^\tvma:/ { next }
    /^$/ { dll = ""; next }
    dll != "" && NF >= 3 { split($3, parts, " "); print dll "!" parts[2] }' | sort -u
