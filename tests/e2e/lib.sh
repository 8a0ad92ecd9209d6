# Sourced by the end-to-end scripts. The script sets e2e_name (how its messages begin) and
# work (where screenshots go), and may set e2e_poll (seconds between polls, 0.5 if unset) and
# define on_fail (what to stop when a check fails). Needs DISPLAY, WINEPREFIX and a running
# wineserver (scripts/test.sh provides them).

fail() {
  echo "$e2e_name: FAIL: $*" >&2
  xwd -root -silent 2>/dev/null | convert xwd:- "$work/${e2e_failure_shot:-failure.png}" 2>/dev/null &&
    echo "$e2e_name: the screen at the failure is $work/${e2e_failure_shot:-failure.png}" >&2
  if declare -F on_fail >/dev/null; then on_fail || true; fi
  echo "0 passed, 1 failed"
  exit 1
}
wine_() { LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$@"; }
reg_value() {  # KEY VALUE -> the data column of `reg query`
  wine_ wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
    awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
reg_is() {  # KEY VALUE DATA: the value holds DATA
  [ "$(reg_value "$1" "$2")" = "$3" ]
}
wait_for() {  # tries COMMAND...: polls COMMAND up to tries times
  local tries=$1; shift
  for _ in $(seq 1 "$tries"); do "$@" && return 0; sleep "${e2e_poll:-0.5}"; done
  return 1
}
win() { printf 'Z:%s' "${1//\//\\}"; }  # a Linux path as the program sees it
# again ACTION... -- CHECK...: does ACTION until CHECK holds, at most three times, polling
# CHECK ten times after each. Under Wine on a busy machine a key or click that xdotool sends is
# now and then dropped; the scripts' later checks still catch one that acted twice.
again() {
  local action=()
  while [ "$1" != -- ]; do action+=("$1"); shift; done
  shift
  for _ in 1 2 3; do
    "${action[@]}"
    wait_for 10 "$@" && return 0
  done
  return 1
}

# A window can be found a moment before X maps it (or be one X never maps), and keys sent to
# it then are an X error. shown_window NAME prints the first window of that name X shows.
shown_window() {
  local w
  for w in $(xdotool search --name "$1" 2>/dev/null); do
    if xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable'; then echo "$w"; return 0; fi
  done
  return 1
}
# The editor's main window, named $title, as win.
viewable() {
  local w
  w=$(shown_window "$title") || return 1
  win=$w
}
focused() { xdotool windowfocus --sync "$win" >/dev/null 2>&1; }
# Waits (up to tries polls) for the editor's window to be shown, and focuses it.
editor_window() {
  win=
  # The pointer stays where the last script left it, over a button its tip then covers: out of
  # the way, off the Wine desktop.
  xdotool mousemove 1270 1015 >/dev/null 2>&1 || true
  wait_for "${1:-60}" viewable || fail "the editor window never became viewable"
  xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
  wait_for 20 focused || fail "cannot focus the editor window"
  sleep 0.5
}
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
# File > Exit. The menu takes a moment to open, and a key sent before it is lost: give it time,
# and try again from a closed menu if the program is still there. closed is the script's own
# test that the program has gone.
exit_editor() {
  for _ in 1 2 3; do
    closed && break
    keys alt+f || true
    sleep 1
    keys x || true
    wait_for 20 closed && break
    closed || keys Escape Escape || true
  done
  closed || fail "the editor did not close"
}
