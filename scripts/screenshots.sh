#!/usr/bin/env bash
# Makes the README's pictures in docs/ from the program as it is now, driven under Wine on a
# private Xvfb the way the end-to-end tests drive it: the editor with thumbnails, the changer
# window with its information window, the options sheet and the properties dialog.
# Usage: screenshots.sh [BUILD_DIR]   (default build/win, configured and built here)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh >/dev/null
build=${1:-build/win}
if [ $# -eq 0 ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
fi
ninja -C "$build" Pelorand winctl >/dev/null
build=$(cd "$build" && pwd)
work="$build/screenshots"
rm -rf "$work"
mkdir -p "$work" docs

# shellcheck source=wine-env.sh
source scripts/wine-env.sh "$build"
source scripts/xvfb.sh
xvfb_start
trap 'wine_stop; xvfb_stop' EXIT
wine_start
e2e_name=screenshots
source tests/e2e/lib.sh

window_line() { xwininfo -root -tree | grep -F "\"$1\": (" | head -1; }
window_id() { window_line "$1" | awk '{print $1}'; }
has_window() { [ -n "$(window_id "$1")" ]; }
gone() { ! has_window "$1"; }
# A window as it shows itself (a capture of the whole screen leaves dialogs black).
# X lists a window a moment before it can be read: try again until it can.
shoot() {
  for _ in $(seq 1 20); do
    xwd -id "$(window_id "$1")" -silent 2>/dev/null | convert xwd:- "$2" 2>/dev/null && return 0
    sleep 0.5
  done
  fail "cannot take a picture of $1"
}
winctl() { wine_ wine "$build/tests/winctl.exe" "$desk" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# The sample where a user would keep pictures (C:\壁紙), so that the pictures show no build path.
pictures="$WINEPREFIX/drive_c/壁紙"
rm -rf "$pictures"
made=$(bash scripts/make-samples.sh "$pictures")
sample="$pictures/sample.plr"
prefix=$(win "$pictures")
# Without the HTML page at the top: the changer's first pick is then a picture with an author.
text=$(iconv -f CP932 -t UTF-8 "$made" | grep -v 'page\.html')
printf '%s\n' "${text//"$prefix"/'C:\壁紙'}" | iconv -f UTF-8 -t CP932 >"$work/sample.plr"
mv "$work/sample.plr" "$sample"
temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -iname temp | head -1)
rm -f "$temp/PelorandHtmlTemp.html"
wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true
creater='HKCU\Software\Tesmarin\Pelorand\Option\Creater'
wine_ wine reg add "$creater" /v Creater0000 /t REG_SZ /d '山田 花子' /f >/dev/null 2>&1
wine_ wine reg add "$creater" /v Creater0001 /t REG_SZ /d '鈴木' /f >/dev/null 2>&1
wine_ wine reg add "$creater" /v CreaterCount /t REG_DWORD /d 2 /f >/dev/null 2>&1

# ---- The editor: the folder 風景 and its three pictures selected, their thumbnails below.
desk=PelorandShots
wine_ wine explorer /desktop=$desk,1024x768 "$build/Pelorand.exe" 'C:\壁紙\sample.plr' >/dev/null 2>&1 &
desktop=$!
title="sample.plr - Pelorand For ActiveDesktop"
editor_window 120
keys Home Right Down || fail "cannot type into the editor"
sleep 0.5
keys F6 || fail "cannot type into the editor"
sleep 0.3
keys Home shift+End || fail "cannot type into the editor"
page_written() { [ "$(grep -c '<A HREF=' "$temp/PelorandHtmlTemp.html" 2>/dev/null)" = 3 ]; }
wait_for 30 page_written || fail "no thumbnail page was written"
sleep 3  # the pictures are decoded off the user-interface thread
read -r w h x y < <(xwininfo -root -tree | grep -F "\"$title" | head -1 |
  sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \5 \6/')
[ -n "${w:-}" ] || fail "cannot place the editor window"
xwd -root -silent | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage docs/editor.png

# ---- The options sheet, from the View menu.
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
shoot "$sheet" docs/options.png
xdotool key Escape
wait_for 20 gone "$sheet" || fail "the options sheet did not close"

# ---- The properties of the folder 風景.
xdotool windowfocus --sync "$win" >/dev/null 2>&1 || true
keys Home Right Down || fail "cannot type into the editor"
sleep 0.5
props="プロパティ"
xdotool key alt+Return
wait_for 20 has_window "$props" || fail "the properties dialog did not open"
sleep 1
shoot "$props" docs/properties.png
xdotool key Escape
wait_for 20 gone "$props" || fail "the properties dialog did not close"
closed() { ! kill -0 "$desktop" 2>/dev/null; }
exit_editor

# ---- The changer: its window as it opens at start-up, then the information window it shows
# once started, put together on one picture.
opt='HKCU\Software\Tesmarin\Pelorand\Option'
add() { wine_ wine reg add "$opt" /v "$1" /t "$2" /d "$3" /f >/dev/null; }
add ExeCuteCheck REG_DWORD 1
add ExecuteRadio REG_DWORD 0
add ExecuteFile REG_SZ 'C:\壁紙\sample.plr'
add ChangerType REG_DWORD 3   # the first change after three seconds: the information window fills soon
add ModType REG_DWORD 0
wine_ wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ /d "" /f >/dev/null
desk=PelorandChangerShots
wine_ wine explorer /desktop=$desk,1024x768 "$build/Pelorand.exe" >/dev/null 2>&1 &
program=$!
changer="壁紙チェンジャー起動"
wait_for 150 winctl exists "$changer" || fail "no changer window"
wait_for 20 has_window "$changer" || fail "the changer window is not shown"
sleep 1
shoot "$changer" "$work/changer.png"
winctl click "$changer" 1035 || fail "cannot press 起動"
wait_for 50 has_window "壁紙情報" || fail "no information window"
changed() { [ -n "$(reg_value 'HKCU\Control Panel\Desktop' Wallpaper)" ]; }
wait_for 40 changed || fail "the changer set no wallpaper"
sleep 0.5  # the first change, painted, well before the next
shoot "壁紙情報" "$work/info.png"
# Only what the 1024-pixel-wide desktop shows of it: it sits at the desktop's right edge.
read -r iw ix < <(window_line "壁紙情報" |
  sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \5/')
if [ $((ix + iw)) -gt 1024 ]; then
  convert "$work/info.png" -crop "$((1024 - ix))x10000+0+0" +repage "$work/info.png"
fi
winctl click "$changer" 1035 || fail "cannot press 停止"
wait_for 25 winctl click "$changer" 2 || fail "cannot press 閉じる"
wait_for 100 bash -c "! kill -0 $program 2>/dev/null" || fail "the changer did not end"
# The prefix is the build's: leave it starting in the editor, as it was.
wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true
read -r cw ch < <(identify -format '%w %h\n' "$work/changer.png")
read -r iw ih < <(identify -format '%w %h\n' "$work/info.png")
cw2=$((cw + iw + 60)); ch2=$(( (ch > ih ? ch : ih) + 40 ))
convert -size "${cw2}x${ch2}" xc:'#3a6ea5' \
  "$work/changer.png" -geometry +20+20 -composite \
  "$work/info.png" -geometry +$((cw + 40))+20 -composite docs/changer.png

for f in editor options properties changer; do echo "docs/$f.png $(identify -format '%wx%h' docs/$f.png)"; done
