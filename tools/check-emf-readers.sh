#!/bin/sh
# Opens the exported metafile (and the SVG and PDF of the same chart) in independent programs and turns each
# into a PNG to look at: LibreOffice Draw and Inkscape. Not part of CI; needs libreoffice-draw and inkscape.
# Usage: tools/check-emf-readers.sh [build dir] [output dir]
set -eu
build=${1:-build}
out=${2:-$(mktemp -d)}
mkdir -p "$out"
TF_WRITE_EXPORT_DIR="$out" QT_QPA_PLATFORM=offscreen \
    "$build/tests/chart_tests" --gtest_filter='Charts/ReadBack.MetafileReadByLibemf2svgMatchesTheBitmap/Vertical' >/dev/null
for f in "$out"/Vertical.emf; do
    mkdir -p "$out/libreoffice" "$out/inkscape"
    soffice --headless --convert-to png --outdir "$out/libreoffice" "$f" >/dev/null 2>&1
    inkscape "$f" --export-type=png --export-filename="$out/inkscape/$(basename "$f" .emf).png" >/dev/null 2>&1
done
inkscape "$out/Vertical.svg" --export-type=png --export-filename="$out/inkscape/Vertical-svg.png" >/dev/null 2>&1
soffice --headless --convert-to png --outdir "$out/libreoffice" "$out/Vertical.pdf" >/dev/null 2>&1 || true
ls -l "$out" "$out/libreoffice" "$out/inkscape"
echo "Compare with the bitmap of the same moment: $out/Vertical.bmp"
