#!/usr/bin/env bash
# The changer as a user runs it: with the changer mode set and a sample collection named,
# Pelorand.exe starts with no argument and shows only the changer window; "起動" changes the
# wallpaper every second with the information window floating above, "停止" and "履歴..." list
# what was set, "閉じる" ends the program without an editor window and sets the end wallpaper.
# Needs DISPLAY, WINEPREFIX and a running wineserver (scripts/test.sh provides them).
# Usage: changer_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e"
mkdir -p "$work"
desk=PelorandChanger
e2e_name="changer e2e"
e2e_failure_shot=changer-failure.png
e2e_poll=0.2
on_fail() { [ -n "${program:-}" ] && kill "$program" 2>/dev/null; }
# shellcheck source=lib.sh
source "$root/tests/e2e/lib.sh"
winctl() { wine_ wine "$build/tests/winctl.exe" "$desk" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

sample=$(bash "$root/scripts/make-samples.sh" "$work/changer-samples")
images=$(win "$(dirname "$sample")/images")
end="$work/changer-samples/end.bmp"
[ -f "$end" ] || convert -size 320x240 xc:'#204060' "$end"

opt='HKCU\Software\Tesmarin\Pelorand\Option'
desktop_key='HKCU\Control Panel\Desktop'
wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true
add() { wine_ wine reg add "$opt" /v "$1" /t "$2" /d "$3" /f >/dev/null; }
add ExeCuteCheck REG_DWORD 1
add ChangerType REG_DWORD 1
add ModType REG_DWORD 0        # in turn: every tick sets a file different from the last
add ExecuteRadio REG_DWORD 0
add ExecuteFile REG_SZ "$(win "$sample")"
add EndFileSetCheck REG_DWORD 1
add EndFileName REG_SZ "$(win "$end")"
wine_ wine reg add "$desktop_key" /v Wallpaper /t REG_SZ /d "" /f >/dev/null

wine_ wine explorer /desktop=$desk,1024x768 "$build/Pelorand.exe" >/dev/null 2>&1 &
program=$!
wait_for 150 winctl exists "壁紙チェンジャー起動" || fail "no changer window"
winctl contains "Pelorand For ActiveDesktop" && fail "an editor window is open beside the changer"

winctl click "壁紙チェンジャー起動" 1035 || fail "cannot press 起動"
wait_for 50 winctl exists "壁紙情報" || fail "no information window"
winctl topmost "壁紙情報" || fail "the information window is not topmost"

# Three changes within ten seconds, each to a file of the collection.
changes=0 last="" seen=()
for _ in $(seq 1 50); do
  now=$(reg_value "$desktop_key" Wallpaper)
  if [ -n "$now" ] && [ "$now" != "$last" ]; then
    case "$now" in "$images"\\*) ;; *) fail "the wallpaper became '$now', not a file of the collection" ;; esac
    changes=$((changes + 1))
    last=$now
    seen+=("$now")
  fi
  [ "$changes" -ge 3 ] && break
  sleep 0.2
done
[ "$changes" -ge 3 ] || fail "only $changes wallpaper changes in ten seconds"
xwd -root -silent | convert xwd:- -crop 1024x768+0+0 "$work/changer.png"

winctl click "壁紙チェンジャー起動" 1035 || fail "cannot press 停止"
wait_for 25 winctl click "壁紙チェンジャー起動" 1039 || fail "cannot press 履歴..."
wait_for 50 winctl exists "壁紙履歴" || fail "no history dialog"
lines=$(winctl list "壁紙履歴" 1052)
xwd -root -silent | convert xwd:- -crop 1024x768+0+0 "$work/changer-history.png"
for set in "${seen[@]}"; do
  name=${set##*\\}
  grep -qxF "$name" <<<"$lines" || fail "the history does not list $name: $lines"
done
winctl click "壁紙履歴" 1 || fail "cannot close the history"
history_gone() { ! winctl exists "壁紙履歴"; }
wait_for 25 history_gone || fail "the history dialog did not close"

# An editor window would keep the program running: ending is the proof that none was opened.
closed() { ! kill -0 "$program" 2>/dev/null; }
wait_for 25 winctl click "壁紙チェンジャー起動" 2 || fail "cannot press 閉じる"
wait_for 100 closed || fail "the program did not end after 閉じる"
wallpaper=$(reg_value "$desktop_key" Wallpaper)
[ "$wallpaper" = "$(win "$end")" ] || fail "the end wallpaper is '$wallpaper'"
echo "changer e2e: $changes changes; screenshot in $work/changer.png"
echo "1 passed, 0 failed"
