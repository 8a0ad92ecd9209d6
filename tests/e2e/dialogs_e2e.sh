#!/usr/bin/env bash
# Drives the editor's dialogs as a user would: the options sheet from the View menu (an
# interval of 0 refused with the range message, then 30; a thumbnail width on the image page;
# OK), the properties of a folder (a priority and an author picked, OK, Ctrl+S, the saved file
# compared), and F1 over a control of the properties dialog (its help pop-up). Checks the
# registry and the file; keeps screenshots. Needs DISPLAY, WINEPREFIX and a running wineserver
# (scripts/test.sh provides them). Usage: dialogs_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e-dialogs"
rm -rf "$work"
mkdir -p "$work"
e2e_name="e2e dialogs"
# shellcheck source=lib.sh
source "$root/tests/e2e/lib.sh"
# The id and the absolute place of the first window whose name is exactly NAME.
window_line() { xwininfo -root -tree | grep -F "\"$1\": (" | head -1; }
window_id() { window_line "$1" | awk '{print $1}'; }
window_xy() {
  window_line "$1" | sed -E 's/.* [0-9]+x[0-9]+\+(-?[0-9]+)\+(-?[0-9]+) +\+(-?[0-9]+)\+(-?[0-9]+).*/\3 \4/'
}
has_window() { [ -n "$(window_id "$1")" ]; }
# A window as it shows itself (dialogs come out black in a capture of the whole screen).
shoot() { xwd -id "$(window_id "$1")" -silent | convert xwd:- "$2"; }

sample=$(bash "$root/scripts/make-samples.sh" "$work")
# The folder 風景 after the properties dialog: priority 0, the author picked from the list.
expected="$work/expected.plr"
iconv -f CP932 -t UTF-8 "$sample" |
  sed 's/^NAME\t"風景","1","山田 花子"/NAME\t"風景","0","伊藤"/' | iconv -f UTF-8 -t CP932 >"$expected"
cmp -s "$sample" "$expected" && fail "the expected file did not change"

wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true
creater='HKCU\Software\Tesmarin\Pelorand\Option\Creater'
wine_ wine reg add "$creater" /v Creater0000 /t REG_SZ /d '高橋' /f >/dev/null 2>&1
wine_ wine reg add "$creater" /v Creater0001 /t REG_SZ /d '伊藤' /f >/dev/null 2>&1
wine_ wine reg add "$creater" /v CreaterCount /t REG_DWORD /d 2 /f >/dev/null 2>&1

wine_ wine explorer /desktop=PelorandDialogs,1024x768 "$build/Pelorand.exe" "Z:${sample//\//\\}" >/dev/null 2>&1 &
desktop=$!
title="sample.plr - Pelorand For ActiveDesktop"
editor_window 120

# ---- The options sheet from the View menu.
sheet="Pelorandオプションダイアログ"
for _ in 1 2 3; do
  keys alt+v || true
  sleep 1
  xdotool key o
  wait_for 10 has_window "$sheet" && break
  xdotool key Escape Escape
done
has_window "$sheet" || fail "the options sheet did not open"
sleep 1
# The file types have the focus; the interval is next.
xdotool key Tab
sleep 0.3
xdotool type 0
xdotool key Return
wait_for 20 has_window "Pelorand" || fail "no message for an interval of 0"
sleep 0.5
shoot Pelorand "$work/range-message.png"
message=$(window_id Pelorand)
xdotool key Return
wait_for 20 bash -c "! xwininfo -id $message >/dev/null 2>&1 || ! xwininfo -id $message | grep -q IsViewable" ||
  fail "the message did not close"
has_window "$sheet" || fail "the sheet closed on a bad interval"
sleep 0.5
# The field has the focus again with its text selected.
xdotool type 30
sleep 0.3
# The image page's tab, then its first field (the width).
read -r sx sy < <(window_xy "$sheet")
[ -n "${sx:-}" ] || fail "cannot place the sheet"
xdotool mousemove $((sx + 230)) $((sy + 40)) click 1
sleep 1
xdotool key Tab
sleep 0.3
xdotool type 64
sleep 0.3
shoot "$sheet" "$work/image-page.png"
xdotool key Return
wait_for 20 bash -c "! xwininfo -root -tree | grep -qF '\"$sheet\": ('" || fail "the sheet did not close"

opt='HKCU\Software\Tesmarin\Pelorand\Option'
[ "$(reg_value "$opt" ChangerType)" = 0x1e ] || fail "ChangerType is $(reg_value "$opt" ChangerType)"
[ "$(reg_value "$opt" ViewWhiDth)" = 0x40 ] || fail "ViewWhiDth is $(reg_value "$opt" ViewWhiDth)"
[ "$(reg_value "$opt" ViewHeight)" = 0xa0 ] || fail "ViewHeight is $(reg_value "$opt" ViewHeight)"
[ "$(reg_value "$opt" FileType)" = "BMP JPG HTML" ] || fail "FileType is $(reg_value "$opt" FileType)"
[ -z "$(reg_value "$opt" FileInfoBackColor)" ] || fail "a page never shown was saved"
[ -z "$(reg_value "$opt" EndFileName)" ] || fail "a page never shown was saved"

# ---- The properties of the folder 風景: the first priority and the last author.
xdotool windowfocus --sync "$win" >/dev/null 2>&1 || true
keys Home Right Down || fail "cannot type into the editor"
sleep 0.5
props="プロパティ"
xdotool key alt+Return
wait_for 20 has_window "$props" || fail "the properties dialog did not open"
sleep 0.5
# The name has the focus; then the file button, the priority list, the author list.
xdotool key Tab Tab Home Tab End
sleep 0.3
shoot "$props" "$work/properties.png"
xdotool key Return
wait_for 20 bash -c "! xwininfo -root -tree | grep -qF '\"$props\": ('" || fail "the properties dialog did not close"
keys ctrl+s || fail "cannot type into the editor"
wait_for 20 cmp -s "$sample" "$expected" || fail "the saved file is not the expected one"

# ---- F1 over the name field of the properties dialog shows its topic beside it.
xdotool key alt+Return
wait_for 20 has_window "$props" || fail "the properties dialog did not open again"
sleep 0.5
xdotool key F1
topic="項目の名前です。フォルダーでは一覧とツリーに出る名前、ファイルでは画像やフォルダーのフルパスです。"
wait_for 20 has_window "$topic" || fail "no help pop-up for the name field"
read -r dx dy < <(window_xy "$props")
read -r px py < <(window_xy "$topic")
shoot "$props" "$work/props-only.png"
shoot "$topic" "$work/popup-only.png"
convert "$work/props-only.png" "$work/popup-only.png" -geometry +$((px - dx))+$((py - dy)) \
  -composite "$work/help-popup.png"
xdotool key Escape
wait_for 20 bash -c "! xwininfo -root -tree | grep -qF '\"$topic\": ('" || fail "a key did not close the pop-up"
xdotool key Escape
wait_for 20 bash -c "! xwininfo -root -tree | grep -qF '\"$props\": ('" || fail "Esc did not cancel the dialog"

closed() { ! kill -0 "$desktop" 2>/dev/null; }
exit_editor
echo "e2e dialogs: screenshots in $work (range-message.png, image-page.png, properties.png, help-popup.png)"
echo "1 passed, 0 failed"
