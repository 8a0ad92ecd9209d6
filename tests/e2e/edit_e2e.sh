#!/usr/bin/env bash
# Builds a collection from a fresh document with the keyboard, as a user would: a new folder
# renamed to a Japanese name, a disk folder pasted from the clipboard and imported, one entry
# unticked, a folder cut and pasted into another, one deleted, then Ctrl+S. The saved file
# must be the expected one byte for byte. Needs DISPLAY, WINEPREFIX and a running wineserver
# (scripts/test.sh provides them). Usage: edit_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e-edit"
rm -rf "$work"
mkdir -p "$work/import"
e2e_name="edit e2e"
# The program itself, found by its window: the launcher's pid is not the program's.
on_fail() {
  [ -n "${win:-}" ] || return 0
  pid=$(xdotool getwindowpid "$win" 2>/dev/null || true)
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
}
# shellcheck source=lib.sh
source "$root/tests/e2e/lib.sh"

# One image and a file that is none: the import takes the image only, whatever the disk's order.
bash "$root/scripts/make-samples.sh" "$work/samples" >/dev/null
cp "$work/samples/images/sea.jpg" "$work/import/sea.jpg"
echo "not an image" >"$work/import/readme.txt"
saved="$work/built.plr"
import=$(win "$work/import")
{
  printf 'FILE{\r\n'
  printf 'NAME\t"Pelorand","2","?","?","0","1"\r\n'
  printf 'FILE{\r\n'
  printf 'NAME\t"風景","2","?","?","0","1"\r\n'
  printf 'FILE{\r\n'
  printf 'NAME\t"%s","2","?","?","0","0"\r\n' "$import"
  printf 'DATA\t"%s\\sea.jpg","2","?","?","0","1"\r\n' "$import"
  printf '}FILE\r\n'
  printf 'FILE{\r\n'
  printf 'NAME\t"Pelorand","2","?","?","0","1"\r\n'
  printf '}FILE\r\n'
  printf '}FILE\r\n'
  printf '}FILE\r\n'
} | iconv -f UTF-8 -t CP932 >"$work/expected.plr"

wine_ wine reg delete 'HKCU\Software\Tesmarin' /f >/dev/null 2>&1 || true
wine_ wine explorer /desktop=PelorandEdit,1024x768 "$build/Pelorand.exe" >/dev/null 2>&1 &
desktop=$!
title="無題 - Pelorand For ActiveDesktop"
win=
editor_window 80
sleep 1
key() { keys "$@" || fail "cannot type into the editor"; sleep 0.4; }
# A message box of the program: answered with its default button.
answer() {
  local box
  wait_for 20 xdotool search --onlyvisible --name '^Pelorand$' >/dev/null 2>&1 || fail "no message box ($1)"
  sleep 0.5
  for box in $(xdotool search --onlyvisible --name '^Pelorand$' 2>/dev/null); do
    xdotool windowfocus --sync "$box" >/dev/null 2>&1 || true
  done
  # The box has the focus: its default button.
  xdotool key Return 2>/dev/null || true
  gone() { ! xdotool search --onlyvisible --name '^Pelorand$' >/dev/null 2>&1; }
  wait_for 10 gone || fail "the message box stayed ($1)"
  xdotool windowfocus --sync "$win" >/dev/null 2>&1 || true
}

# The tree has the focus and the root selected. A new folder, opened and renamed.
key Home
key ctrl+i
key Right Down
key F2
sleep 0.3
xdotool type --delay 80 "風景"
key Return
# A disk folder copied in the shell, pasted into 風景 and imported (Yes).
# In the editor's desktop, whose clipboard it shares.
stop="$work/clip.stop"
wine_ wine explorer /desktop=PelorandEdit,1024x768 "$build/e2e_clip_files.exe" "$(win "$stop")" "$import" >/dev/null 2>&1 &
sleep 2.5
key ctrl+v
answer "import"
# The folder is read beside the window; the commands that change the collection wait for it.
imported() { [ "$(wine_ wine "$build/tests/winctl.exe" PelorandEdit rows "Pelorand For ActiveDesktop" 2>/dev/null | tr -d '\r')" = 1 ]; }
wait_for 100 imported || fail "the import did not arrive"
# The list shows 風景's entry: untick it with the space bar.
key F6
key Home
key space
key shift+F6
# A second new folder at the root, cut, and pasted into 風景.
key Home
key ctrl+i
key End
# Cut through the menu: after another script's editor under the same Wine server, Ctrl+X sent by
# xdotool here has been seen not to arrive as the accelerator (not understood yet; the key is
# tested in-process).
key alt+e
sleep 0.5
key t
touch "$stop"
key Home Down
key ctrl+v
# A third, deleted after the question.
key Home
key ctrl+i
key End
key Delete
answer "delete"
# Saved under a name typed into the save dialog.
key ctrl+s
wait_for 20 xdotool search --name '名前を付けて保存' >/dev/null 2>&1 || fail "no save dialog"
dialog=$(xdotool search --name '名前を付けて保存' | head -1)
xdotool windowfocus --sync "$dialog" >/dev/null 2>&1 || true
xdotool key --window "$dialog" ctrl+a
xdotool type --window "$dialog" --delay 20 "$(win "$saved")"
xdotool key --window "$dialog" Return
wait_for 20 test -f "$saved" || fail "Ctrl+S wrote nothing"
sleep 0.5
xwd -root -silent | convert xwd:- -crop 1024x768+0+0 "$work/edited.png"
cmp -s "$saved" "$work/expected.plr" || {
  diff <(iconv -f CP932 -t UTF-8 "$work/expected.plr") <(iconv -f CP932 -t UTF-8 "$saved") >&2 || true
  fail "the saved collection is not the expected one"
}

# Closing asks nothing after the save.
xdotool windowfocus --sync "$win" >/dev/null 2>&1 || true
closed() { ! xdotool search --onlyvisible --name "Pelorand For ActiveDesktop" >/dev/null 2>&1; }
exit_editor
! xdotool search --onlyvisible --name '^Pelorand$' >/dev/null 2>&1 || fail "closing asked a question"
echo "edit e2e: screenshot in $work/edited.png"
echo "1 passed, 0 failed"
