#!/usr/bin/env bash
# The running changer driven from its notification-area icon as a user does: a right-click on
# the icon in the Wine desktop's taskbar opens its menu, chosen with the keyboard. "次の壁紙" changes the wallpaper at once
# (long before the period ends), "一時停止" stops the changes for three periods and the
# information window says so, "再開" starts them again. The fit chosen in the options is what
# the desktop's style values say after each change.
# Needs DISPLAY, WINEPREFIX and a running wineserver (scripts/test.sh provides them).
# Usage: tray_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e"
mkdir -p "$work"
desk=PelorandTray
e2e_name="tray e2e"
e2e_failure_shot=tray-failure.png
e2e_poll=0.2
on_fail() { [ -n "${program:-}" ] && kill "$program" 2>/dev/null; }
# shellcheck source=lib.sh
source "$root/tests/e2e/lib.sh"
winctl() { wine_ wine "$build/tests/winctl.exe" "$desk" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# Three pictures in one folder, taken in turn: every change sets a file other than the last.
pictures="$work/tray-samples"
mkdir -p "$pictures"
sample="$pictures/tray.plr"
{
  printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\n'
  for colour in red green blue; do
    [ -f "$pictures/$colour.bmp" ] || convert -size 64x48 "xc:$colour" "BMP3:$pictures/$colour.bmp"
    printf 'DATA\t"%s","2","?","?","0","1"\r\n' "$(win "$pictures/$colour.bmp")"
  done
  printf '}FILE\r\n'
} >"$sample"
images=$(win "$pictures")

opt='HKCU\Software\Tesmarin\Pelorand\Option'
desktop_key='HKCU\Control Panel\Desktop'
wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true
add() { wine_ wine reg add "$opt" /v "$1" /t "$2" /d "$3" /f >/dev/null; }
add ExeCuteCheck REG_DWORD 1
add ChangerType REG_DWORD 60   # nothing changes by the timer before "次の壁紙"
add ModType REG_DWORD 0        # in turn: every change sets a file different from the last
add ExecuteRadio REG_DWORD 0
add ExecuteFile REG_SZ "$(win "$sample")"
add CheckTrayIcon REG_DWORD 1
add FitType REG_DWORD 4        # 画面に合わせる
# The information window away from the corner where the notification area is.
info_key='HKCU\Software\Tesmarin\Pelorand\FileInfoView'
for v in LeftPosition:300 TopPosition:100 Width:180 Height:80; do
  wine_ wine reg add "$info_key" /v "${v%%:*}" /t REG_DWORD /d "${v#*:}" /f >/dev/null
done
wine_ wine reg add "$desktop_key" /v Wallpaper /t REG_SZ /d "" /f >/dev/null
wine_ wine reg add "$desktop_key" /v WallpaperStyle /t REG_SZ /d "2" /f >/dev/null

# The desktop at the top-left of the screen; its taskbar shows the notification icons at its
# right end, the first one centred 11 pixels from the right and the bottom.
wine_ wine explorer /desktop=$desk,800x600 "$build/Pelorand.exe" >/dev/null 2>&1 &
program=$!
changer="壁紙チェンジャー起動"
wait_for 150 winctl exists "$changer" || fail "no changer window"
winctl click "$changer" 1035 || fail "cannot press 起動"
wait_for 50 winctl exists "壁紙情報" || fail "no information window"

icon_x=789 icon_y=589
# The menu can take more than a second to open on a busy machine, and keys sent before it is
# shown go nowhere: wait for it, and click again if it never came.
popup() { winctl popup - >/dev/null; }
no_popup() { ! popup; }
open_menu() {
  again xdotool mousemove "$icon_x" "$icon_y" click 3 -- popup || fail "the icon's menu did not open"
  sleep 0.3
}
menu() {  # KEY: opens the icon's menu and chooses the item whose mnemonic is KEY
  open_menu
  # A key has been seen left unread with the menu already open: press it until the menu goes.
  again xdotool key "$1" -- no_popup || fail "the icon's menu did not take its item $1"
}
wallpaper() { reg_value "$desktop_key" Wallpaper; }
changed_from() { local now; now=$(wallpaper); [ -n "$now" ] && [ "$now" != "$1" ]; }

before=$(wallpaper)
[ -z "$before" ] || fail "the wallpaper changed before any command: '$before'"
start=$(date +%s.%N)
menu n  # 次の壁紙(&N)
wait_for 25 changed_from "" || fail "次の壁紙 did not change the wallpaper"
took=$(echo "$(date +%s.%N) - $start" | bc)
first=$(wallpaper)
case "$first" in "$images"\\*) ;; *) fail "the wallpaper became '$first', not a file of the collection" ;; esac
[ "$(reg_value "$desktop_key" WallpaperStyle)" = 6 ] || fail "the fit 画面に合わせる did not write WallpaperStyle 6"
[ "$(reg_value "$desktop_key" TileWallpaper)" = 0 ] || fail "the fit did not write TileWallpaper 0"
xwd -root -silent | convert xwd:- -crop 800x600+0+0 "$work/tray-next.png"

# A period of one second from now on: the next "次の壁紙" starts the timer again with it.
add ChangerType REG_DWORD 1
menu n
wait_for 25 changed_from "$first" || fail "the second 次の壁紙 did not change the wallpaper"
second=$(wallpaper)
wait_for 25 changed_from "$second" || fail "the timer does not change the wallpaper every second"

menu p  # 一時停止(&P)
wait_for 25 winctl exists "一時停止中 - 壁紙情報" || fail "the information window does not say 一時停止中"
paused=$(wallpaper)
sleep 3.5  # three periods and a half
[ "$(wallpaper)" = "$paused" ] || fail "the wallpaper changed while paused"
xwd -root -silent | convert xwd:- -crop 800x600+0+0 "$work/tray-paused.png"
# The menu as it stands while paused, and the icon's tip.
open_menu
xwd -root -silent | convert xwd:- -crop 800x600+0+0 "$work/tray-menu.png"
xdotool key Escape
wait_for 25 no_popup || fail "Escape did not close the icon's menu"

xdotool mousemove "$icon_x" $((icon_y - 200)) sleep 0.2 mousemove "$icon_x" "$icon_y"
sleep 1.5
xwd -root -silent | convert xwd:- -crop 800x600+0+0 "$work/tray-tip.png"

menu p  # 再開(&P)
wait_for 25 winctl exists "壁紙情報" || fail "the information window still says 一時停止中"
wait_for 25 changed_from "$paused" || fail "再開 did not start the changes again"

# The information window's own context menu is the same menu.
xdotool mousemove 390 150 click 3
wait_for 25 popup || fail "the information window's menu did not open"
sleep 0.3
xwd -root -silent | convert xwd:- -crop 800x600+0+0 "$work/tray-info-menu.png"
xdotool key Escape
wait_for 25 no_popup || fail "Escape did not close the information window's menu"

# A double-click on the icon shows the changer window, where "閉じる" ends the program.
xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 80 1
closed() { ! kill -0 "$program" 2>/dev/null; }
sleep 0.7
xwd -root -silent | convert xwd:- -crop 800x600+0+0 "$work/tray-restored.png"
winctl click "$changer" 2 || fail "cannot press 閉じる"
wait_for 100 closed || fail "the program did not end after 閉じる"
echo "tray e2e: next now took ${took}s; screenshots in $work/tray-*.png"
echo "1 passed, 0 failed"
