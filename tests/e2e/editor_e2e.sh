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
fail() {
  echo "e2e: FAIL: $*" >&2
  xwd -root -silent 2>/dev/null | convert xwd:- "$work/failure.png" 2>/dev/null &&
    echo "e2e: the screen at the failure is $work/failure.png" >&2
  echo "0 passed, 1 failed"
  exit 1
}
wine_() { LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$@"; }
reg_value() {  # KEY VALUE -> the data column of `reg query`
  wine_ wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
    awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
wait_for() {  # tries COMMAND...: polls up to tries/2 seconds
  local tries=$1; shift
  for _ in $(seq 1 "$tries"); do "$@" && return 0; sleep 0.5; done
  return 1
}

# The collection is written with LF line ends; saving must write it back with CR LF.
sample=$(bash "$root/scripts/make-samples.sh" "$work" lf)
expected="$work/expected.plr"
sed 's/$/\r/' "$sample" >"$expected"

wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true

# As a Windows path: a leading slash would read as a switch.
wine_ wine explorer /desktop=PelorandE2E,1024x768 "$build/Pelorand.exe" "Z:${sample//\//\\}" >/dev/null 2>&1 &
desktop=$!
title="sample.plr - Pelorand For ActiveDesktop"
wait_for 60 xdotool search --name "$title" >/dev/null 2>&1 || fail "no editor window"
# The window can be found a moment before X maps it, and focusing it then is an X error:
# take the first window of that name that X shows.
win=
viewable() {
  local w
  for w in $(xdotool search --name "$title" 2>/dev/null); do
    if xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable'; then win=$w; return 0; fi
  done
  return 1
}
wait_for 40 viewable || fail "the editor window never became viewable"
# Keys for the editor. Under load the window first found can still be replaced by the one X
# keeps; sending to a window that is gone is an X error: find the window again and retry.
keys() {
  local _
  for _ in 1 2 3 4 5; do
    xdotool key --window "$win" "$@" 2>/dev/null && return 0
    sleep 0.5
    viewable || true
  done
  return 1
}
focused() { xdotool windowfocus --sync "$win" >/dev/null 2>&1; }
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
wait_for 20 focused || fail "cannot focus the editor window"
sleep 0.5

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

# File > Exit. The menu takes a moment to open, and a key sent before it is lost: give it
# time, and try again from a closed menu if the program is still there.
closed() { ! kill -0 "$desktop" 2>/dev/null; }
for _ in 1 2 3; do
  closed && break
  keys alt+f || true
  sleep 1
  keys x || true
  wait_for 20 closed && break
  closed || keys Escape Escape || true
done
closed || fail "the editor did not close"

opt='HKCU\Software\Tesmarin\Pelorand\Option'
[ "$(reg_value "$opt" TreeSize)" = 0x96 ] || fail "TreeSize is $(reg_value "$opt" TreeSize)"
[ "$(reg_value "$opt" ViewType)" = 0xe811 ] || fail "ViewType is $(reg_value "$opt" ViewType), not large icons"
[ "$(reg_value "$opt" Column-00)" = 0x64 ] || fail "Column-00 is $(reg_value "$opt" Column-00)"
recent=$(reg_value 'HKCU\Software\Tesmarin\Pelorand\Recent File List' File1)
case "$recent" in *sample.plr) ;; *) fail "File1 is '$recent'" ;; esac
echo "e2e: screenshot in $work/editor.png"
echo "1 passed, 0 failed"
