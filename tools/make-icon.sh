#!/usr/bin/env bash
# Draws the application icon (resources/installer.ico) with ImageMagick: a white "V" over a
# downward arrow on a teal tile. Run it only to change the icon; the result is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# 16 to 48 px for XP; Vista and later also read the 256 px image, which is stored as a PNG.
for size in 16 32 48 256; do
    convert -size 256x256 xc:none \
        -fill '#1b6f6a' -draw 'roundrectangle 8,8 247,247 44,44' \
        -fill white -draw 'polygon 46,44 92,44 128,150 164,44 210,44 150,200 106,200' \
        -fill '#f2c14e' -draw 'polygon 96,214 160,214 128,244' \
        -resize "${size}x${size}" -colors 64 "$tmp/icon$size.png"
done
# 8 bits a channel with alpha: the PNG that Windows reads in an icon.
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" "$tmp/icon256.png" -depth 8 \
    -define png:color-type=6 resources/installer.ico
