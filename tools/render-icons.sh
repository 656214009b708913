#!/bin/sh
# Renders the icon's PNG sizes from its SVG into desktop/icons/, where they are kept (the build then needs
# no SVG renderer). Run after changing desktop/io.github.tallyfold.Tallyfold.svg; needs librsvg2-bin.
set -eu
cd "$(dirname "$0")/.."
svg=desktop/io.github.tallyfold.Tallyfold.svg
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "desktop/icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "desktop/icons/${size}x${size}/io.github.tallyfold.Tallyfold.png"
done
ls -l desktop/icons/*/
