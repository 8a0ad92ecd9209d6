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
# A message box of the program.
box_shown() { xdotool search --onlyvisible --name '^Pelorand$' >/dev/null 2>&1; }
# Answered with its default button.
answer() {
  local box
  wait_for 20 box_shown || fail "no message box ($1)"
  sleep 0.5
  for box in $(xdotool search --onlyvisible --name '^Pelorand$' 2>/dev/null); do
    xdotool windowfocus --sync "$box" >/dev/null 2>&1 || true
  done
  # The box has the focus: its default button.
  xdotool key Return 2>/dev/null || true
  gone() { ! box_shown; }
  wait_for 10 gone || fail "the message box stayed ($1)"
  xdotool windowfocus --sync "$win" >/dev/null 2>&1 || true
}
# The rows of the list, which shows the folder selected in the tree. A lost paste after a cut
# would lose the folder without a word: every key whose effect shows is pressed again until it
# does.
rows_are() {
  [ "$(wine_ wine "$build/tests/winctl.exe" PelorandEdit rows "Pelorand For ActiveDesktop" 2>/dev/null | tr -d '\r')" = "$1" ]
}

# The tree has the focus and the root selected. A new folder, opened and renamed.
key Home
again key ctrl+i -- rows_are 1 || fail "Ctrl+I made no folder"
key Right Down
editing() { wine_ wine "$build/tests/winctl.exe" PelorandEdit editing "Pelorand For ActiveDesktop" >/dev/null 2>&1; }
editing_done() { ! editing; }
key F2
wait_for 10 editing || fail "F2 did not open the folder's name"
xdotool type --delay 80 "風景"
# The first Return after the Japanese text is often taken before the name closes (by the input
# method, or lost while Wine reads the remapped keyboard again). Return until the name closes.
sleep 1
again key Return -- editing_done || fail "the new name was not taken"
# A disk folder copied in the shell, pasted into 風景 and imported (Yes).
# In the editor's desktop, whose clipboard it shares.
stop="$work/clip.stop"
wine_ wine explorer /desktop=PelorandEdit,1024x768 "$build/e2e_clip_files.exe" "$(win "$stop")" "$import" >/dev/null 2>&1 &
sleep 2.5
again key ctrl+v -- box_shown || fail "Ctrl+V asked nothing"
answer "import"
# The folder is read beside the window; the commands that change the collection wait for it.
wait_for 100 rows_are 1 || fail "the import did not arrive"
# The list shows 風景's entry: untick it with the space bar.
key F6
key Home
key space
key shift+F6
# A second new folder at the root, cut, and pasted into 風景.
key Home
again key ctrl+i -- rows_are 2 || fail "Ctrl+I made no folder"
key End
# Cut through the menu, whose letter follows a pause: the accelerator is the one key seen lost
# most often (it is tested in-process).
cut_by_menu() { key alt+e; sleep 0.5; key t; }
again cut_by_menu -- rows_are 1 || fail "the cut did not take the folder out"
touch "$stop"
key Home Down
again key ctrl+v -- rows_are 2 || fail "Ctrl+V pasted nothing"
# A third, deleted after the question.
key Home
again key ctrl+i -- rows_are 2 || fail "Ctrl+I made no folder"
key End
again key Delete -- box_shown || fail "Delete asked nothing"
answer "delete"
# Undone and done again: the folder comes back, and goes again.
again key ctrl+z -- rows_are 2 || fail "Ctrl+Z did not bring the deleted folder back"
again key ctrl+y -- rows_are 1 || fail "Ctrl+Y did not take it out again"
# Saved under a name typed into the save dialog.
save_dialog() {
  local w
  w=$(shown_window '名前を付けて保存') || return 1
  dialog=$w
}
again key ctrl+s -- save_dialog || fail "no save dialog"
typed=
for _ in 1 2 3 4 5; do
  xdotool windowfocus --sync "$dialog" >/dev/null 2>&1 || true
  # All of the name is selected first, so a name typed again replaces the first one.
  if xdotool key --window "$dialog" ctrl+a 2>/dev/null &&
    xdotool type --window "$dialog" --delay 20 "$(win "$saved")" 2>/dev/null; then
    # The dialog can be gone before the key's release reaches it, which xdotool takes as an
    # error: whether the file was written tells below.
    xdotool key --window "$dialog" Return 2>/dev/null || true
    typed=1
    break
  fi
  sleep 0.5
  save_dialog || true
done
[ -n "$typed" ] || fail "cannot type into the save dialog"
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
