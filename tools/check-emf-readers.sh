#!/bin/sh
# Opens exported charts in independent programs and turns each into a PNG to look at beside the bitmap of
# the same moment: the metafile in LibreOffice Draw, in Inkscape and through libemf2svg (as the tests read
# it); the SVG and the PDF in Inkscape; the PDF also in LibreOffice Draw, whose PDF import lays text out
# again with its own metrics (its spacing says nothing about the PDF). Every picture gets a name of its
# own: reader, chart and source format. Not part of CI; needs libreoffice-draw and inkscape.
# Usage: tools/check-emf-readers.sh [build dir] [output dir]
set -eu
build=${1:-build}
out=${2:-$(mktemp -d)}
mkdir -p "$out/libreoffice" "$out/inkscape"
TF_WRITE_EXPORT_DIR="$out" QT_QPA_PLATFORM=offscreen "$build/tests/export_tests" \
    --gtest_filter='Charts/ReadBack.MetafileReadByLibemf2svgMatchesTheBitmap/Vertical:Texts/TextReadBack.*/FirstStatisticsLine' \
    >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# LibreOffice names its output after the input, so each format is converted in a folder of its own.
libreoffice() { # file, format
    mkdir -p "$work/$2"
    soffice --headless --convert-to png --outdir "$work/$2" "$1" >/dev/null 2>&1
    mv "$work/$2/$(basename "$1" ".$2").png" "$out/libreoffice/$(basename "$1" ".$2")-$2.png"
}
inkscape_png() { # file, format
    inkscape "$1" --export-type=png --export-filename="$out/inkscape/$(basename "$1" ".$2")-$2.png" >/dev/null 2>&1
}
for chart in Vertical Statistics; do
    libreoffice "$out/$chart.emf" emf
    libreoffice "$out/$chart.pdf" pdf || true
    for format in emf svg pdf; do
        inkscape_png "$out/$chart.$format" "$format"
    done
done
ls -l "$out" "$out/libreoffice" "$out/inkscape"
echo "Compare with the bitmaps of the same moment ($out/*.bmp) and libemf2svg's pictures ($out/*-libemf2svg.png)."
echo "LibreOffice puts the metafile at its frame size on a page: the chart sits in the page's middle."
