#!/usr/bin/env bash
# Drives the thumbnail pane as a user would: a collection on the command line, a folder opened
# in the tree, its three pictures selected in the list; two seconds later the pane shows them.
# A click on one shows the picture itself, the toolbar's back button returns to the page.
# Checks the page file and the pixels of screenshots, and keeps the screenshots.
# Needs DISPLAY, WINEPREFIX and a running wineserver (scripts/test.sh provides them).
# Usage: thumbs_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e-thumbs"
rm -rf "$work"
mkdir -p "$work"
on_fail() { [ -n "${desktop:-}" ] && kill "$desktop" 2>/dev/null; }
e2e_name="thumbs e2e"
# shellcheck source=lib.sh
source "$root/tests/e2e/lib.sh"
shot() { xwd -root -silent | convert xwd:- -crop 1024x768+0+0 "$1"; }
# The colour at a point of the frame (x, y from its top left) on a fresh screenshot, as "r g b".
pixel() {
  shot "$work/probe.png"
  convert "$work/probe.png" -format "%[fx:int(255*p{$((fx + $1)),$((fy + $2))}.r)] %[fx:int(255*p{$((fx + $1)),$((fy + $2))}.g)] %[fx:int(255*p{$((fx + $1)),$((fy + $2))}.b)]" info:
}
bluish() { local r g b; read -r r g b < <(pixel "$1" "$2"); [ "$b" -gt 100 ] && [ "$b" -gt $((r + 40)) ]; }
greenish() { local r g b; read -r r g b < <(pixel "$1" "$2"); [ "$g" -gt $((r + 20)) ] && [ "$g" -gt $((b + 20)) ]; }
white() { local r g b; read -r r g b < <(pixel "$1" "$2"); [ "$r" -gt 240 ] && [ "$g" -gt 240 ] && [ "$b" -gt 240 ]; }

sample=$(bash "$root/scripts/make-samples.sh" "$work")
wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true
temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -iname temp | head -1)
[ -n "$temp" ] || fail "no temporary directory in the prefix"
rm -f "$temp/PelorandHtmlTemp.html"

wine_ wine explorer /desktop=PelorandThumbs,1024x768 "$build/Pelorand.exe" "Z:${sample//\//\\}" >/dev/null 2>&1 &
desktop=$!
title="sample.plr - Pelorand For ActiveDesktop"
editor_window 120
geometry=$(xwininfo -root -tree | grep -F "\"$title" | head -1 || true)
read -r fx fy < <(echo "$geometry" | sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) +\+(-?[0-9]+)\+(-?[0-9]+).*/\5 \6/')
[ -n "${fx:-}" ] || fail "cannot place the window: $geometry"

# The tree has the focus: open the root, go down to 風景, move to the list (F6), select its rows.
keys Home Right Down || fail "cannot type into the editor"
sleep 0.5
keys F6 || fail "cannot type into the editor"
sleep 0.3
keys Home shift+End || fail "cannot type into the editor"
page_written() { [ "$(grep -c '<A HREF=' "$temp/PelorandHtmlTemp.html" 2>/dev/null)" = 3 ]; }
wait_for 20 page_written || fail "no page of three thumbnails was written"
for name in forest.jpg sea.jpg 夕焼け.bmp; do
  iconv -f CP932 -t UTF-8 "$temp/PelorandHtmlTemp.html" | grep -qF "$name" || fail "the page lacks $name"
done
# Thumbnails of 120 x 160 flow from the pane's top left: the forest, then the sea.
wait_for 20 greenish 240 320 || fail "the first thumbnail (forest) is not drawn"
wait_for 20 bluish 382 320 || fail "the second thumbnail (sea) is not drawn"
white 310 250 || fail "the space between the thumbnails is not blank"
shot "$work/thumbnails.png"

# A click on the sea shows it at its own size (320 x 240) from the pane's top left.
xdotool mousemove $((fx + 382)) $((fy + 320)) click 1
wait_for 20 bluish 310 250 || fail "the picture did not open"
shot "$work/picture.png"

# The toolbar's back button (after the view buttons) returns to the page; forward again.
xdotool mousemove $((fx + 323)) $((fy + 52)) click 1
wait_for 20 white 310 250 || fail "back did not return to the page"
greenish 240 320 || fail "the page came back without its thumbnails"
shot "$work/back.png"
xdotool mousemove $((fx + 346)) $((fy + 52)) click 1
wait_for 20 bluish 310 250 || fail "forward did not show the picture again"

closed() { ! kill -0 "$desktop" 2>/dev/null; }
exit_editor
echo "thumbs e2e: screenshots in $work (thumbnails.png, picture.png, back.png)"
echo "1 passed, 0 failed"
