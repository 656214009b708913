#!/bin/sh
# Copies a chart with the EMF copy command under Xvfb and pastes it into LibreOffice (Writer, then Calc
# and Impress) and into Inkscape, each with Ctrl+V's command. For each program it prints which clipboard
# format it took; for LibreOffice also the type of the picture the saved document embeds, which must be a
# metafile or SVG, not PNG. Not part of CI; needs libreoffice-writer, -calc, -impress, python3-uno,
# inkscape, xdotool and imagemagick. SAL_USE_VCLPLUGIN (gen, gtk3) chooses LibreOffice's toolkit; TF_PASTE_PROGRAMS
# names the programs to try (default "writer calc impress inkscape"); TF_PASTE_FORMATS offers only the
# formats it lists, separated by "|", to see what a program makes of each.
# Usage: tools/check-paste.sh [build dir] [output dir]
set -eu
if [ -z "${TF_PASTE_DISPLAY_UP:-}" ]; then
    TF_PASTE_DISPLAY_UP=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
build=$(cd "${1:-build}" && pwd)
out=${2:-$(mktemp -d)}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tools=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
holder=
office=
cleanup() {
    [ -n "$holder" ] && kill "$holder" 2>/dev/null || true
    [ -n "$office" ] && kill "$office" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Tallyfold's test program copies the chart and stays the clipboard's owner until the flag file goes.
hold() { # log file
    rm -f "$work/held"
    TF_HOLD_COPIED_CHART="$work/held" QT_QPA_PLATFORM=xcb "$build/tests/app_tests" \
        --gtest_filter=ExportTest.HoldsTheCopiedChartForAPasteCheck >/dev/null 2>"$1" &
    holder=$!
    while [ ! -e "$work/held" ]; do
        kill -0 "$holder" 2>/dev/null || { cat "$1"; echo "the chart was not copied" >&2; exit 1; }
        sleep 0.2
    done
}
release() { # program name, log file
    rm -f "$work/held"
    wait "$holder" || true
    holder=
    printf '%-16s took: %s\n' "$1" "$(sed -n 's/^paste took: //p' "$2" | sort -u | paste -sd ' ' -)"
}

programs=${TF_PASTE_PROGRAMS:-writer calc impress inkscape}
soffice --norestore --nologo --nodefault -env:UserInstallation="file://$work/profile" \
    --accept="pipe,name=tf-paste-$$;urp;" >/dev/null 2>&1 &
office=$!
for kind in $programs; do
    case $kind in writer) ext=odt ;; calc) ext=ods ;; impress) ext=odp ;; *) continue ;; esac
    hold "$work/$kind.log"
    /usr/bin/python3 "$tools/paste-into-office.py" "tf-paste-$$" "$kind" "$out/pasted-$kind.$ext" \
        >"$work/$kind.pictures"
    release "LibreOffice $kind" "$work/$kind.log"
    sed "s/^/    /" "$work/$kind.pictures"
done
kill "$office" 2>/dev/null || true
wait "$office" 2>/dev/null || true
office=

# Inkscape: Ctrl+V in a new drawing, then a picture of the screen to look at.
inkscape_paste() {
    hold "$work/inkscape.log"
    inkscape --with-gui >/dev/null 2>&1 &
    ink=$!
    win=
    for _ in $(seq 1 120); do
        win=$(xdotool search --onlyvisible --name 'Inkscape' 2>/dev/null | head -n 1) && [ -n "$win" ] && break
        sleep 0.5
    done
    sleep 3
    xdotool windowfocus --sync "$win" key --window "$win" ctrl+v
    sleep 4
    import -window root "$out/pasted-inkscape.png"
    kill "$ink" 2>/dev/null || true
    release "Inkscape" "$work/inkscape.log"
}
case " $programs " in *" inkscape "*) inkscape_paste ;; esac

echo "Documents and the Inkscape screen: $out"
if [ -e "$work/writer.pictures" ]; then
    case "$(cat "$work/writer.pictures")" in
        "picture: image/x-svm"* | "picture: image/x-emf"* | "picture: image/emf"* | "picture: image/svg+xml"*)
            echo "Writer: a vector picture" ;;
        *) echo "Writer: no vector picture" >&2; exit 1 ;;
    esac
fi
