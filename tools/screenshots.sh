#!/bin/bash
# Starts the real kivo under Xvfb on a folder of generated photos and saves screenshots of
# the main window (a photo clicked, so the preview shows), the about box and the photo
# dialogs into docs/screenshots/.
#
# Usage: tools/screenshots.sh [BUILD_DIR]     (default: build; needs xvfb, xdotool, Qt 6)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
kivo=$build/src/app/kivo
out=$here/docs/screenshots
[ -x "$kivo" ] || { echo "no kivo in $build/src/app: build first (make build)" >&2; exit 1; }
for tool in Xvfb xdotool pkg-config c++; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
kivo_pid=""
cleanup() {
    [ -n "$kivo_pid" ] && kill "$kivo_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Two small helpers: photo generator and screen grabber.
qt_flags=$(pkg-config --cflags --libs Qt6Gui)
c++ -std=c++20 -fPIC -O1 "$here/tools/make_photos.cpp" -o "$work/make_photos" $qt_flags
c++ -std=c++20 -fPIC -O1 "$here/tools/grab_screen.cpp" -o "$work/grab_screen" $qt_flags
QT_QPA_PLATFORM=offscreen "$work/make_photos" "$work/Fotky" 8 2>/dev/null

# The details view sorted by name, so the keys below land on known rows.
mkdir -p "$work/data" "$work/xdg"
cat > "$work/data/kivo.ini" <<EOF
[Nastaveni]
vzhled=4
sirka=420
ser_sloupec=0
ser_smer=0
[Form]
State=2
Left=20
Top=20
Width=900
Height=600
EOF

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

KIVO_DATA_DIR=$work/data XDG_DATA_HOME=$work/xdg "$kivo" "$work/Fotky/" >/dev/null 2>&1 &
kivo_pid=$!

window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Kivomat$' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1.5

mkdir -p "$out"
shot() { sleep "${2:-0.8}"; "$work/grab_screen" "$out/$1"; echo "saved $out/$1"; }

# Into the list, then to the last photo: releasing Up/Down previews the selected photo.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 300)) $((Y + 150)) click 1
xdotool key End key Up key Down
shot main_window.png 1.5

# About box: Info > About.
xdotool key alt+i
sleep 0.4
xdotool key a
shot about_box.png
xdotool key Escape
sleep 0.5

# The photo dialogs on every photo of the folder.
xdotool mousemove $((X + 300)) $((Y + 150)) click 1
xdotool key ctrl+a
xdotool key alt+n
shot rename_dialog.png 1.5
xdotool key Escape
sleep 1
xdotool mousemove $((X + 300)) $((Y + 150)) click 1
xdotool key ctrl+a
xdotool key alt+d
shot exif_date_dialog.png 1.5
xdotool key Escape
sleep 0.3
