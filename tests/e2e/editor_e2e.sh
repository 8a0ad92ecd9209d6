#!/usr/bin/env bash
# Drives Pelorand.exe as a user would: a collection on the command line, a folder selected
# with the keyboard, the list switched to large icons on the toolbar, Ctrl+S, File > Exit.
# Then checks the registry and the saved file. Needs DISPLAY, WINEPREFIX and a running
# wineserver (scripts/test.sh provides them). Usage: editor_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e"
rm -rf "$work"
mkdir -p "$work"
e2e_name="e2e"
# shellcheck source=lib.sh
source "$root/tests/e2e/lib.sh"

# The collection is written with LF line ends; saving must write it back with CR LF.
sample=$(bash "$root/scripts/make-samples.sh" "$work" lf)
expected="$work/expected.plr"
sed 's/$/\r/' "$sample" >"$expected"

wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true

# As a Windows path: a leading slash would read as a switch.
wine_ wine explorer /desktop=PelorandE2E,1024x768 "$build/Pelorand.exe" "Z:${sample//\//\\}" >/dev/null 2>&1 &
desktop=$!
title="sample.plr - Pelorand For ActiveDesktop"
editor_window 120

# The tree has the focus: open the root and go down to its first folder, 風景.
keys Home Right Down || fail "cannot type into the editor"
sleep 0.5
# The toolbar's large-icons button: the tenth button (after two separators), in the frame at
# the desktop's top left.
geometry=$(xwininfo -root -tree | grep -F "\"$title" | head -1 || true)
read -r x y < <(echo "$geometry" | sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) +\+(-?[0-9]+)\+(-?[0-9]+).*/\5 \6/')
[ -n "${x:-}" ] || fail "cannot place the window: $geometry"
# Button centres measured from the frame's client origin: 23 px per button, 8 per separator.
xdotool mousemove $((x + 197)) $((y + 52)) click 1
sleep 0.5
keys ctrl+s || fail "cannot type into the editor"
wait_for 20 cmp -s "$sample" "$expected" || fail "Ctrl+S did not write the collection back"
xwd -root -silent | convert xwd:- -crop 1024x768+0+0 "$work/editor.png"

closed() { ! kill -0 "$desktop" 2>/dev/null; }
exit_editor

opt='HKCU\Software\Tesmarin\Pelorand\Option'
# The program's last writes can reach the registry a moment after its window has gone.
wait_for 10 reg_is "$opt" TreeSize 0x96 || fail "TreeSize is $(reg_value "$opt" TreeSize)"
wait_for 10 reg_is "$opt" ViewType 0xe811 || fail "ViewType is $(reg_value "$opt" ViewType), not large icons"
wait_for 10 reg_is "$opt" Column-00 0x64 || fail "Column-00 is $(reg_value "$opt" Column-00)"
recent=$(reg_value 'HKCU\Software\Tesmarin\Pelorand\Recent File List' File1)
case "$recent" in *sample.plr) ;; *) fail "File1 is '$recent'" ;; esac
echo "e2e: screenshot in $work/editor.png"
echo "1 passed, 0 failed"
