#!/usr/bin/env bash
# plr run on free desktops: the same choices as plr simulate, the real root window under Xvfb
# with xwallpaper, a headless sway with swaybg, GNOME's real schemas on GSettings' keyfile
# backend, XFCE's real xfconfd on a private session bus, and the other desktops through
# stand-ins that record their commands.
# PLR is a native plr. Run as root, the headless sway runs as the user plrsway (scripts/setup.sh).
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
cleanup() {
  [ -n "${runner:-}" ] && kill "$runner" 2>/dev/null
  [ -n "${holder:-}" ] && kill "$holder" 2>/dev/null
  pkill -f 'sleep 7777' 2>/dev/null
  xvfb_stop 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
fails=0; passes=0
expect() { # expect NAME ACTUAL WANTED
  if [ "$2" == "$3" ]; then passes=$((passes+1)); else
    fails=$((fails+1)); echo "FAIL $1"; echo "  got:    $(printf %q "$2")"; echo "  wanted: $(printf %q "$3")"; fi
}
# Every run gets its own settings, history and desktop; nothing of the caller's leaks in.
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state HOME=$work/home TZ=JST-9
unset XDG_CURRENT_DESKTOP DISPLAY WAYLAND_DISPLAY GSETTINGS_BACKEND
mkdir -p "$HOME" "$XDG_CONFIG_HOME/pelorand"

# Stand-ins for desktop tools: each appends its name and then its arguments, one per line in
# brackets, to $RECORD.
mkdir fakes
for tool in gsettings qdbus gdbus feh hsetroot notify-send setter pcmanfm-qt pcmanfm xfconf-query; do
  printf '#!/bin/sh\n{ echo "%s"; for a; do printf "[%%s]\\n" "$a"; done; } >> "$RECORD"\n' "$tool" > "fakes/$tool"
  chmod +x "fakes/$tool"
done
# A setter that refuses the b.bmp file.
printf '#!/bin/sh\ncase "$1" in *b.bmp) echo "cannot read $1" >&2; exit 3;; esac\necho "$1" >> "$RECORD"\n' > fakes/picky
chmod +x fakes/picky
printf '#!/bin/sh\nexec sleep 9\n' > fakes/slow; chmod +x fakes/slow
# A swaybg that records its arguments and keeps running, as the real one does, until ended.
printf '#!/bin/sh\n{ echo swaybg; for a; do printf "[%%s]\\n" "$a"; done; } >> "$RECORD"\n/bin/sleep 7777 &\nwait\n' > fakes/swaybg
chmod +x fakes/swaybg
# A setter that takes its time (SLOW seconds, marked by MARK) for every file but the calm one.
printf '#!/bin/sh\ncase "$1" in *calm*) echo "$1" >> "$RECORD"; exit 0;; esac\n/bin/sleep "$SLOW" & wait\n' > fakes/lazy
chmod +x fakes/lazy
export XDG_RUNTIME_DIR=$work/run; mkdir -m 700 "$XDG_RUNTIME_DIR"
swaybgs() { pgrep -f 'sleep 7777' | wc -l; }
export RECORD=$work/record.txt
# hyprctl records too, and answers as hyprpaper does; xwallpaper lives apart, so that plain X
# still finds feh first among the stand-ins.
printf '#!/bin/sh\n{ echo hyprctl; for a; do printf "[%%s]\\n" "$a"; done; } >> "$RECORD"\necho ok\n' > fakes/hyprctl
mkdir -p fakes2; sed 's/echo "feh"/echo "xwallpaper"/' fakes/feh > fakes2/xwallpaper; chmod +x fakes/hyprctl fakes2/xwallpaper
START="2026-12-06 14:00:00"

# The collection of the simulate tests: files, a directory entry, a disabled entry, a folder
# that inherits, and a switched-off folder.
mkdir -p wall
touch a.jpg b.bmp c.jpg d.jpg off.jpg wall/x.JPG wall/n.txt
printf 'FILE{\r\nNAME\t"Root","1","me","top","0","1"\r\nDATA\t"%s","0","x","y","0","1"\r\nDATA\t"%s","4","?","?","1","1"\r\nDATA\t"%s","2","w","dir","0","1"\r\nDATA\t"%s","2","?","?","0","0"\r\nFILE{\r\nNAME\t"Sub","2","?","?","1","1"\r\nDATA\t"%s","3","?","?","1","1"\r\n}FILE\r\nFILE{\r\nNAME\t"OffSub","2","?","?","0","0"\r\nFILE{\r\nNAME\t"Inner","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\n}FILE\r\n}FILE\r\n}FILE\r\n' \
  "$work/a.jpg" "$work/b.bmp" "$work/wall" "$work/off.jpg" "$work/c.jpg" "$work/d.jpg" > sim.plr

# simulate's lines in run's form: UTF-8, the tick's time of day instead of its number, and the
# ticks that change nothing left out.
as_run() { # INTERVAL
  awk -F'\t' -v OFS='\t' -v step="$1" '$2 != "-" {
    s = 14*3600 + $1*step; $1 = sprintf("%02d:%02d:%02d", int(s/3600)%24, int(s/60)%60, s%60); print }'
}

# -- The engine is shared: plr run draws what plr simulate draws, tick for tick, in both orders,
# and the settings file gives the order and the file types.
: > "$RECORD"
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 9 \
  --setter-command 'setter --file={} --fill' 2>err.txt); rc=$?
want=$("$PLR" simulate sim.plr --interval 1 --start "$START" --ticks 9 | as_run 1)
expect "run random exit" "$rc:$(cat err.txt)" "0:"
expect "run random = simulate" "$out" "$want"
n=$(echo "$out" | grep -c .)
expect "run random changed something" "$([ "$n" -ge 3 ] && echo yes)" yes
expect "setter got each path, {} replaced" "$(grep -c '^\[--file=/' "$RECORD"):$(grep -c '^\[--fill\]' "$RECORD")" "$n:$n"
expect "setter paths in order" "$(sed -n 's/^\[--file=\(.*\)\]$/\1/p' "$RECORD")" "$(echo "$out" | cut -f2)"
all=$out

printf '[Option]\nModType=0\nFileType=TXT\nChangerType=1\n' > "$XDG_CONFIG_HOME/pelorand/pelorand.ini"
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --start "$START" --ticks 9 --setter-command setter 2>err.txt)
want=$("$PLR" simulate sim.plr --mode turn --filetype TXT --interval 1 --start "$START" --ticks 9 | as_run 1)
expect "run in turn from the settings file = simulate" "$out" "$want"
expect "settings file's FileType reached the directory search" "$(echo "$out" | grep -c 'wall/n.txt')" 1
all+=$'\n'$out
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --mode random --filetype JPG --start "$START" --ticks 6 --setter-command setter 2>err.txt)
want=$("$PLR" simulate sim.plr --mode random --filetype JPG --interval 1 --start "$START" --ticks 6 | as_run 1)
expect "flags override the settings file" "$out" "$want"
all+=$'\n'$out
rm "$XDG_CONFIG_HOME/pelorand/pelorand.ini"

# A collection made by the Windows program under Wine names its files as Wine shows them, on
# drive Z: in CP932; the files are found and set where they are, the lines keep the collection's
# names. 表 and 能力 end in a backslash byte in CP932.
mkdir -p "写真/壁"; touch "写真/表.jpg" "写真/壁/能力.JPG" "写真/壁/ソフト.txt"
wine_path() { printf 'Z:%s' "$(echo "$1" | tr / '\\')" | iconv -f UTF-8 -t CP932; }
printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\nDATA\t"%s","1","?","?","0","1"\r\n}FILE\r\n' \
  "$(wine_path "$work/写真/表.jpg")" "$(wine_path "$work/写真/壁")" > wine.plr
: > "$RECORD"
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run wine.plr --mode turn --filetype JPG --interval 7 --start "$START" --ticks 4 --setter-command setter 2>err.txt)
want=$("$PLR" simulate wine.plr --mode turn --filetype JPG --interval 7 --start "$START" --ticks 4 | as_run 7)
W="Z:$(echo "$work" | tr / '\\')"
expect "Wine's drive Z: paths = simulate" "$out" "$want"
all+=$'\n'$out
expect "Wine's drive Z: paths, as the collection names them" "$(echo "$out" | cut -f2,3 | sort -u)" "$W\\写真\\壁/能力.JPG	能力.JPG
$W\\写真\\表.jpg	表.jpg"
expect "Wine's drive Z: paths, set where they are" "$(sort -u "$RECORD")" "[$work/写真/壁/能力.JPG]
[$work/写真/表.jpg]
setter"

# -- History: every change, oldest first, the last 100 only, and plr history prints it.
hist=$XDG_STATE_HOME/pelorand/history
expect "history kept under XDG_STATE_HOME" "$(cut -f2 "$hist")" "$(echo "$all" | cut -f2)"
expect "history time" "$(head -1 "$hist" | cut -f1)" "2026-12-06 $(head -1 <<<"$all" | cut -f1)"
expect "plr history" "$("$PLR" history)" "$(cat "$hist")"
for i in $(seq 1 99); do printf '2026-01-01 00:00:00\t/old/%d\n' "$i"; done > own-history
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 3 --setter-command setter --history own-history 2>&1)
n=$(echo "$out" | grep -c .)
expect "history holds 100" "$(wc -l < own-history):$(head -1 own-history | cut -f2):$(tail -"$n" own-history | cut -f2)" \
  "100:/old/$n:$(echo "$out" | cut -f2)"
expect "plr history --history" "$("$PLR" history --history own-history | tail -1)" "$(tail -1 own-history)"
mkdir -p "$XDG_STATE_HOME/pelorand"; : > "$XDG_STATE_HOME/pelorand/~plr.Ab12Cd"; : > "$XDG_STATE_HOME/pelorand/~plrkeep"
PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 1 --setter-command setter >/dev/null 2>&1
expect "a killed run's temporary file is cleared at the next start" "$(ls -a "$XDG_STATE_HOME/pelorand" | grep plr)" "~plrkeep"
rm "$XDG_STATE_HOME/pelorand/~plrkeep"
expect "no temporary file beside the history" "$(ls -a "$XDG_STATE_HOME/pelorand" | grep -c plr)" 0
expect "plr history before any change" "$(XDG_STATE_HOME=$work/none "$PLR" history; echo "rc=$?")" "rc=0"

# -- The settings file: a byte-order mark is no part of [Option]; a value that is no whole
# number is told with its line and the value used instead.
printf '\xef\xbb\xbf[Option]\r\nModType=0\r\nFileType=TXT\r\n' > "$XDG_CONFIG_HOME/pelorand/pelorand.ini"
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 9 --setter-command setter --no-history 2>err.txt)
want=$("$PLR" simulate sim.plr --mode turn --filetype TXT --interval 1 --start "$START" --ticks 9 | as_run 1)
expect "settings file with a byte-order mark" "$out:$(cat err.txt)" "$want:"
for bad in abc 5abc 2.5 0x10 2147483648 ""; do
  printf '[Option]\nChangerType=%s\n' "$bad" > "$XDG_CONFIG_HOME/pelorand/pelorand.ini"
  PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --start "$START" --ticks 3 --setter-command setter --no-history >/dev/null 2>err.txt
  expect "ChangerType '$bad' told once" "$(cat err.txt)" "plr: $XDG_CONFIG_HOME/pelorand/pelorand.ini line 2: ChangerType=$bad is not a whole number; 600 is used"
done
rm "$XDG_CONFIG_HOME/pelorand/pelorand.ini"

# -- Where the history goes: nowhere with --no-history, quietly into /dev/null, and a folder
# that cannot be made is told as it is.
was=$(cat "$hist")
PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 3 --setter-command setter --no-history >/dev/null 2>err.txt
expect "--no-history keeps none" "$?:$(cat err.txt):$(cat "$hist")" "0::$was"
PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 3 --setter-command setter --history /dev/null >/dev/null 2>err.txt
expect "--history /dev/null" "$?:$(cat err.txt):$(cat "$hist")" "0::$was"
XDG_STATE_HOME=/sys/plr-state PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 1 --setter-command setter >/dev/null 2>err.txt
expect "a folder that cannot be made says why" "$(sed 's/: [A-Z][a-z ]*$/: WHY/' err.txt):$(grep -c 'No such file' err.txt)" \
  "plr: cannot write the history /sys/plr-state/pelorand/history: cannot create /sys/plr-state: WHY:0"
"$PLR" run sim.plr --setter-command setter --history "$work/fakes" >/dev/null 2>err.txt
expect "plr run refuses a directory as its history" "$?:$(cat err.txt)" "2:plr: the history $work/fakes is a directory"
"$PLR" history --history "$work/fakes" >/dev/null 2>err.txt
expect "plr history refuses a directory" "$?:$(cat err.txt)" "2:plr: $work/fakes is a directory, not a history"
printf '2026-12-06 14:00:00\t/p/a.png\n\000\000\033 torn\n' > damaged-history
expect "plr history shows control bytes, not raw NULs" "$("$PLR" history --history damaged-history | tail -1)" '\x00\x00\x1B torn'

# -- --json: one object a change; a path's bytes that are no UTF-8 kept in pathBytes, the texts
# as stored, empty ones empty.
bad=$(printf 'bad\xff\x81.jpg'); touch "$bad"
printf 'FILE{\r\nNAME\t"R","1","me","%s","0","1"\r\nDATA\t"%s","3","","","1","1"\r\nDATA\t"%s","0","x","","0","1"\r\nDATA\t"%s","4","","","0","1"\r\n}FILE\r\n' \
  'see C:\top' "$work/$bad" "$work/a.jpg" "$work/写真/表.jpg" > json.plr
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run json.plr --json --mode turn --setter-command setter --start "$START" --ticks 3 --no-history 2>err.txt)
expect "--json" "$out:$(cat err.txt)" '{"time":"2026-12-06 14:10:00","path":"'"$work"'/bad\ufffd\ufffd.jpg","pathBytes":"'"$work"'/bad\u00ff\u0081.jpg","name":"bad??.jpg","priority":1,"label":"つぼにはまりすぎ","author":"me","comment":"see C:\\top"}
{"time":"2026-12-06 14:20:00","path":"'"$work"'/a.jpg","name":"a.jpg","priority":0,"label":"萌え萌え！","author":"x","comment":""}
{"time":"2026-12-06 14:30:00","path":"'"$work"'/写真/表.jpg","name":"表.jpg","priority":4,"label":"たまに見るのも良いかな","author":"","comment":""}:'

# Without HOME (a service started bare) the history goes below the user's home from the
# password database, never to /.local at the root.
if [ "$(id -u)" = 0 ] && id plrsway >/dev/null 2>&1; then
  bare=$(mktemp -d); chmod 755 "$bare"; cp "$work/a.jpg" "$bare/"; chmod 644 "$bare/a.jpg"
  printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\n}FILE\r\n' "$bare/a.jpg" > "$bare/b.plr"
  pwhome=$(getent passwd plrsway | cut -d: -f6)
  (cd "$bare" && setpriv --reuid=plrsway --regid=plrsway --init-groups env -i PATH=/usr/bin:/bin "$PLR" run "$bare/b.plr" \
    --setter-command true --start "$START" --ticks 1 >/dev/null 2>"$bare/err.txt")
  if [ -s "$bare/err.txt" ]; then where=$(sed -n 's/^plr: cannot write the history \([^:]*\):.*/\1/p' "$bare/err.txt"); else
    where=$(ls "$pwhome/.local/state/pelorand/history"); fi
  expect "HOME unset: the history below the password database's home" "$where" "$pwhome/.local/state/pelorand/history"
  rm -rf "$bare"
fi

# -- A file that cannot be set is told and the changer goes on with the next tick.
: > "$RECORD"
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run sim.plr --interval 1 --start "$START" --ticks 9 --setter-command picky 2>err.txt); rc=$?
want=$("$PLR" simulate sim.plr --interval 1 --start "$START" --ticks 9 | as_run 1 | grep -v 'b\.bmp')
expect "failed set: exit" "$rc" 0
expect "failed set: the others still set" "$out" "$want"
expect "failed set: told on stderr" "$(head -1 err.txt)" "plr: cannot set $work/b.bmp: picky failed (exit 3): cannot read $work/b.bmp"

# -- Ending: each of the three signals sets the end wallpaper and exits 0, before the first tick.
# The end wallpaper comes from the settings file unless --end names one; unchecked, there is none.
ini=$XDG_CONFIG_HOME/pelorand/pelorand.ini
for case in "TERM --end $work/d.jpg" "INT" "HUP" "TERM unchecked"; do
  set -- $case; sig=$1; shift
  printf '[Option]\nEndFileSetCheck=%s\nEndFileName=%s\n' "$([ "${1:-}" = unchecked ] && echo 0 || echo 1)" "$work/c.jpg" > "$ini"
  [ "${1:-}" = unchecked ] && shift
  : > "$RECORD"
  PATH=$work/fakes:$PATH "$PLR" run sim.plr --interval 60 --setter-command setter "$@" >out.txt 2>err.txt &
  runner=$!
  # Ready once it ignores SIGPIPE, which it does right after taking over the ending signals.
  for _ in $(seq 1 100); do
    ign=$(awk '/^SigIgn/ {print $2}' "/proc/$runner/status" 2>/dev/null)
    [ -n "$ign" ] && (( (16#$ign & 0x1000) && !(16#$ign & 0x2) )) && break; sleep 0.02; done
  kill -s "$sig" "$runner"; wait "$runner"; rc=$?; runner=
  case $case in
    *--end*) end="setter
[$work/d.jpg]";;
    *unchecked) end="";;
    *) end="setter
[$work/c.jpg]";;
  esac
  expect "SIG$case: end wallpaper, exit 0" "$rc:$(cat "$RECORD"):$(cat out.txt)$(cat err.txt)" "0:$end:"
done
rm "$ini"

# -- Steering: plr next, pause, resume and status reach the user's one plr run over its socket.
changes() { grep -c '^\[' "$RECORD"; }
started() { for _ in $(seq 1 200); do [ -S "$XDG_RUNTIME_DIR/pelorand/changer.sock" ] && return; sleep 0.05; done; }
"$PLR" status >/dev/null 2>err.txt; rc=$?
expect "status with none running" "$rc:$(cat err.txt)" "1:plr: no plr run is running for this user"
: > "$RECORD"
PATH=$work/fakes:$PATH "$PLR" run sim.plr --mode turn --interval 600 --setter-command setter >out.txt 2>err.txt &
runner=$!; started
expect "the socket's folder is private" "$(stat -c %a "$XDG_RUNTIME_DIR/pelorand")" 700
PATH=$work/fakes:$PATH "$PLR" run sim.plr --setter-command setter >/dev/null 2>err2.txt; rc=$?
expect "a second run is refused" "$rc:$(sed 's/process [0-9]*/process N/' err2.txt)" \
  "2:plr: plr run is running already for this user (process N); 'plr run --replace' ends it and takes its place"
out=$("$PLR" next); rc=$?
expect "next changes at once" "$rc:$(echo "$out" | cut -f2):$(changes)" "0:$work/a.jpg:1"
"$PLR" pause >/dev/null
out=$("$PLR" next); rc=$?
expect "next changes even when paused" "$rc:$(echo "$out" | cut -f2):$(changes)" "0:$work/c.jpg:2"
expect "status" "$("$PLR" status | grep -v '^next change')" "picture	$work/c.jpg
name	c.jpg
priority	つぼにはまりすぎ
author	me
comment	top
paused	yes"
"$PLR" resume >/dev/null
expect "status after resume" "$("$PLR" status | tail -2 | cut -f1,2 | sed 's/\t[-0-9]* [:0-9]*$/\tTIME/')" "paused	no
next change	TIME"
# --replace ends the running one (as a signal would: exit 0) and takes its place.
PATH=$work/fakes:$PATH "$PLR" run sim.plr --replace --interval 1 --setter-command setter >out2.txt 2>err2.txt &
second=$!
wait "$runner"; rc=$?; runner=$second
expect "replaced run ends with exit 0" "$rc:$(cat err.txt)" "0:"
started
"$PLR" pause >/dev/null; before=$(changes); sleep 2.5
expect "pause holds the wallpaper" "$(changes)" "$before"
# Only a folder of the user's own, closed to others, is trusted.
chmod 755 "$XDG_RUNTIME_DIR/pelorand"
"$PLR" status >/dev/null 2>err.txt; rc=$?
expect "a folder others may enter is refused" "$rc:$(cat err.txt)" \
  "2:plr: $XDG_RUNTIME_DIR/pelorand is not a folder of this user's that only the user may enter (mode 0700)"
chmod 700 "$XDG_RUNTIME_DIR/pelorand"
kill -TERM "$runner"; wait "$runner"; rc=$?; runner=
expect "second run ends on SIGTERM" "$rc:$(cat err2.txt)" "0:"
"$PLR" next >/dev/null 2>&1; expect "next after the end" "$?" 1
# Without FILE the settings' ExecuteFile is run.
printf '[Option]\nExecuteFile=%s\n' "$work/sim.plr" > "$XDG_CONFIG_HOME/pelorand/pelorand.ini"
out=$(PATH=$work/fakes:$PATH "$PLR" run --mode turn --start "$START" --ticks 1 --setter-command setter 2>err.txt); rc=$?
expect "run without FILE takes ExecuteFile" "$rc:$(echo "$out" | cut -f2):$(cat err.txt)" "0:$work/a.jpg:"
rm "$XDG_CONFIG_HOME/pelorand/pelorand.ini"
"$PLR" run --setter-command setter >/dev/null 2>err.txt; rc=$?
expect "run without FILE or ExecuteFile" "$rc:$(cat err.txt)" \
  "2:plr: no FILE given, and no ExecuteFile in the section [Option] of $XDG_CONFIG_HOME/pelorand/pelorand.ini"

# -- Errors that stop it at once.
"$PLR" run missing.plr --setter-command setter >/dev/null 2>err.txt; rc=$?
expect "unreadable collection" "$rc:$(cat err.txt)" "2:plr: cannot open missing.plr: No such file or directory"
PATH=/nonexistent "$PLR" run sim.plr --setter hsetroot >/dev/null 2>err.txt; rc=$?
expect "missing tool names its package" "$rc:$(cat err.txt)" "2:plr: hsetroot not found: install the package hsetroot"
PATH=/nonexistent DISPLAY=:0 "$PLR" run sim.plr >/dev/null 2>err.txt; rc=$?
expect "no root setter on X" "$rc:$(cat err.txt)" "2:plr: no root-window setter found: install the package xwallpaper, feh or hsetroot"
"$PLR" run sim.plr >/dev/null 2>err.txt; rc=$?
expect "no desktop at all" "$rc:$(head -c 18 err.txt)" "2:plr: no known desk"
"$PLR" run sim.plr --interval 0 --setter-command setter >/dev/null 2>err.txt
expect "interval range" "$?:$(cat err.txt)" "2:plr: --interval '0' is not a number of seconds from 1 to 9999"
"$PLR" run sim.plr --setter-command "setter 'open" >/dev/null 2>err.txt
expect "unclosed quote in the command" "$?:$(cat err.txt)" "2:plr: unclosed ' in the command"

# -- Desktops reached only through their commands (stand-ins record the argument vectors).
one() { printf 'FILE{\r\nNAME\t"R","1","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\n}FILE\r\n' "$1" > one.plr; }
mkdir -p "odd dir"; /usr/bin/convert -size 8x8 xc:blue "odd dir/it's 100%.jpg"
one "$work/odd dir/it's 100%.jpg"
uri="file://$work/odd%20dir/it%27s%20100%25.jpg"

# -- A command that hangs is stopped at its time limit and counts as a failure; one that leaves
# something running in the background with its outputs is not waited for.
SECONDS=0
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run one.plr --start "$START" --ticks 2 --timeout 1 --setter-command slow 2>err.txt); rc=$?
expect "hanging setter: stopped each tick, then goes on" "$rc:$out:$(sort | uniq -c < err.txt | tr -s ' '):$((SECONDS < 6))" \
  "0:: 2 plr: cannot set $work/odd dir/it's 100%.jpg: slow did not finish in time:1"
SECONDS=0
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run one.plr --start "$START" --ticks 1 --setter-command "sh -c 'sleep 9 & exit 0'" 2>err.txt)
expect "background left by the setter: not waited for" "$(echo "$out" | cut -f3):$(cat err.txt):$((SECONDS < 3))" "it's 100%.jpg::1"

# A command that hangs is ended with everything it started: its process group goes.
PATH=$work/fakes:$PATH timeout 30 "$PLR" run one.plr --start "$START" --ticks 1 --timeout 1 \
  --setter-command "sh -c 'sleep 3701 & sleep 3702'" >/dev/null 2>err.txt
expect "timed-out setter: its whole group ended" "$(pgrep -fc 'sleep 370[12]'):$(cat err.txt)" \
  "0:plr: cannot set $work/odd dir/it's 100%.jpg: sh did not finish in time"

# -- An ending signal is heard at once, whether a tick is overdue or a command is running: the
# command's group is ended, and the end wallpaper is set last.
printf '[Option]\nEndFileSetCheck=1\nEndFileName=%s\n' "$work/calm.jpg" > "$XDG_CONFIG_HOME/pelorand/pelorand.ini"
touch calm.jpg
ends_quickly() { # NAME SIGNAL SLOW-SECONDS TIMEOUT: a run of ticks the lazy setter overruns
  : > "$RECORD"
  SLOW=$3 PATH=$work/fakes:$PATH "$PLR" run one.plr --interval 1 --timeout "$4" --setter-command lazy >out.txt 2>err.txt &
  runner=$!
  # Into the second tick: the first overran, the next one is already due.
  for _ in $(seq 1 200); do [ "$(pgrep -fc "sleep $3")" -ge 1 ] && break; sleep 0.02; done
  sleep 1.7
  SECONDS=0
  kill -s "$2" "$runner"; wait "$runner"; rc=$?; runner=
  expect "$1: ends at once, end wallpaper last, nothing left" \
    "$rc:$((SECONDS <= 1)):$(cat "$RECORD"):$(pgrep -fc "sleep $3")" "0:1:$work/calm.jpg:0"
}
ends_quickly "SIGTERM while a slow setter overruns" TERM 1.5 15
ends_quickly "SIGINT while a setter hangs" INT 3703 3
ends_quickly "SIGHUP while a setter hangs" HUP 3704 60
rm "$XDG_CONFIG_HOME/pelorand/pelorand.ini"

setter_for() { # DESKTOP [ARGS...]: runs one tick under that desktop name, prints the record
  local desktop=$1; shift
  : > "$RECORD"
  XDG_CURRENT_DESKTOP=$desktop PATH=$work/fakes /usr/bin/timeout 20 "$PLR" run one.plr --start "$START" --ticks 1 "$@" >/dev/null 2>err.txt
  cat "$RECORD"
}
expect "Cinnamon" "$(setter_for X-Cinnamon)" "gsettings
[set]
[org.cinnamon.desktop.background]
[picture-uri]
['$uri']"
expect "MATE" "$(setter_for MATE)" "gsettings
[set]
[org.mate.background]
[picture-filename]
['$work/odd dir/it\\'s 100%.jpg']"
out=$(setter_for KDE)
expect "KDE through qdbus" "$(echo "$out" | head -4)" "qdbus
[org.kde.plasmashell]
[/PlasmaShell]
[org.kde.PlasmaShell.evaluateScript]"
expect "KDE script sets every desktop" "$(echo "$out" | grep -c 'desktops()\|writeConfig("Image", "'"$uri"'")')" 2
rm fakes/qdbus
out=$(setter_for KDE)
expect "KDE through gdbus" "$(echo "$out" | sed -n '2,9p' | tr '\n' ' ')" "[call] [--session] [--dest] [org.kde.plasmashell] [--object-path] [/PlasmaShell] [--method] [org.kde.PlasmaShell.evaluateScript] "
# One GVariant string, its line breaks escaped: GLib's own parser takes it back unchanged.
script=$(echo "$out" | sed -n '10p' | sed 's/^\[\(.*\)\]$/\1/')
expect "KDE script is one GVariant string" "$(XDG_CONFIG_HOME=$work/gv GSETTINGS_BACKEND=keyfile \
  gsettings set org.gnome.desktop.background picture-uri "$script" && XDG_CONFIG_HOME=$work/gv GSETTINGS_BACKEND=keyfile \
  gsettings get org.gnome.desktop.background picture-uri)" "$script"
expect "KDE script over gdbus sets every desktop" "$(echo "$script" | grep -c "desktops();.*writeConfig(\"Image\", \"$uri\")")" 1
# sway: swaybg takes the name as one argument, which nothing expands; names that a shell or
# sway's own parser would take apart come through byte for byte.
mkdir -p hostile
/usr/bin/convert -size 8x8 xc:red hostile/red.png
hostile_names=('dollar $(touch pwned1).png' 'back `touch pwned2`.png' '$HOME.png' "it's.png"
  'semi; touch pwned3.png' 'comma, more.png' 'star *.png' 'pipe | cat.png' '表示 ソフト.png' '-m.png')
for name in "${hostile_names[@]}"; do
  cp hostile/red.png "hostile/$name"
  one "$work/hostile/$name"  # a collection written on Linux names its files in UTF-8
  expect "sway: $name as one argument" "$(SWAYSOCK=/run/sway.sock setter_for "" | tr '\n' ' ')" \
    "swaybg [-o] [*] [-i] [$work/hostile/$name] [-m] [fill] "
  expect "sway: $name told nothing" "$(cat err.txt)" ""
done
expect "sway: nothing ran from a name" "$(ls "$work" "$work/hostile" | grep -cx 'pwned[0-9]')" 0
{ printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\n'
  for name in "${hostile_names[@]}"; do printf 'DATA\t"%s","2","?","?","0","1"\r\n' "$work/hostile/$name"; done
  printf '}FILE\r\n'; } > hostile.plr
# The new swaybg starts before the old one ends; the last one keeps showing the picture after
# plr has gone, and the next run ends it.
: > "$RECORD"
out=$(XDG_CURRENT_DESKTOP=sway PATH=$work/fakes:$PATH timeout 30 "$PLR" run hostile.plr --interval 1 --start "$START" --ticks 6 2>err.txt)
expect "sway: one swaybg left showing the last picture" "$(swaybgs):$(grep -c '^swaybg' "$RECORD")" "1:$(echo "$out" | grep -c .)"
first=$(cat "$XDG_RUNTIME_DIR/pelorand-swaybg.pid")
XDG_CURRENT_DESKTOP=sway PATH=$work/fakes:$PATH timeout 30 "$PLR" run hostile.plr --interval 1 --start "$START" --ticks 2 >/dev/null 2>err.txt
expect "sway: the next run ends the one left before" "$(swaybgs):$(ps -o stat= -p "$first" | grep -v Z)" "1:"
kill -- "-$(cat "$XDG_RUNTIME_DIR/pelorand-swaybg.pid")"
mkdir -p broken; printf '#!/bin/sh\necho "cannot connect" >&2\nexit 1\n' > broken/swaybg
chmod +x broken/swaybg
one "$work/hostile/red.png"
XDG_CURRENT_DESKTOP=sway PATH=$work/broken:$PATH timeout 30 "$PLR" run one.plr --start "$START" --ticks 1 >out.txt 2>err.txt
expect "sway: a swaybg that gives up is told" "$(cat out.txt):$(cat err.txt)" ":plr: cannot set $work/hostile/red.png: swaybg failed (exit 1): cannot connect"
one "$work/odd dir/it's 100%.jpg"
expect "plain X takes the first root setter found" "$(DISPLAY=:9 setter_for "" | head -2 | tr '\n' ' ')" "feh [--no-fehbg] "
expect "hsetroot" "$(setter_for "" --setter hsetroot | tr '\n' ' ')" "hsetroot [-fill] [$work/odd dir/it's 100%.jpg] "
out=$(setter_for "" --setter-command 'setter' --notify)
expect "notification: the information window's lines" "$(echo "$out" | sed -n '/^notify-send/,$p')" "notify-send
[-a]
[Pelorand]
[-i]
[$work/odd dir/it's 100%.jpg]
[--]
[壁紙情報]
[it's 100%.jpg
OKだよ
?
?]"

# -- Which desktop: XDG_CURRENT_DESKTOP first, then the compositors' own variables; a Wayland
# session never falls to the X setters through Xwayland's DISPLAY.
session_for() { # ENV...: the first tool the run called
  : > "$RECORD"
  env -u DISPLAY -u WAYLAND_DISPLAY "$@" PATH=$work/fakes:$work/fakes2 /usr/bin/timeout 20 "$PLR" run one.plr --start "$START" --ticks 1 >/dev/null 2>err.txt
  { head -1 "$RECORD"; cat err.txt; } | head -c 60
}
expect "sway by SWAYSOCK, with Xwayland" "$(session_for SWAYSOCK=/run/s.sock WAYLAND_DISPLAY=wayland-1 DISPLAY=:0)" "swaybg"
expect "Hyprland by its signature" "$(session_for HYPRLAND_INSTANCE_SIGNATURE=abc WAYLAND_DISPLAY=wayland-1)" "hyprctl"
expect "LXQt" "$(session_for XDG_CURRENT_DESKTOP=LXQt)" "pcmanfm-qt"
expect "LXDE" "$(session_for XDG_CURRENT_DESKTOP=LXDE DISPLAY=:0)" "pcmanfm"
expect "plain X: xwallpaper first" "$(session_for DISPLAY=:0)" "xwallpaper"
expect "an unknown Wayland compositor, with Xwayland" "$(session_for WAYLAND_DISPLAY=wayland-1 DISPLAY=:0 XDG_CURRENT_DESKTOP=river)" \
  "plr: a Wayland compositor plr does not know (XDG_CURRENT_DES"
: > "$RECORD"
XDG_CURRENT_DESKTOP=Hyprland PATH=$work/fakes /usr/bin/timeout 20 "$PLR" run one.plr --start "$START" --ticks 1 >/dev/null 2>err.txt
expect "Hyprland: hyprpaper loads, shows on every monitor, lets go" "$(tr '\n' ' ' < "$RECORD")" \
  "hyprctl [hyprpaper] [preload] [$work/odd dir/it's 100%.jpg] hyprctl [hyprpaper] [wallpaper] [,$work/odd dir/it's 100%.jpg] hyprctl [hyprpaper] [unload] [unused] "
printf '#!/bin/sh\necho "Desktop manager not active"\n' > fakes2/pcmanfm; chmod +x fakes2/pcmanfm
XDG_CURRENT_DESKTOP=LXDE PATH=$work/fakes2:$work/fakes /usr/bin/timeout 20 "$PLR" run one.plr --start "$START" --ticks 1 >/dev/null 2>err.txt
expect "LXDE without its desktop manager is told" "$(cat err.txt)" \
  "plr: cannot set $work/odd dir/it's 100%.jpg: pcmanfm: its desktop manager is not active (start it with pcmanfm --desktop)"
rm fakes2/pcmanfm

# -- The options' fit, in each desktop's own words; 0 leaves a desktop's own choice alone.
fit_for() { # FITTYPE SETTER|- ENV...: the record of one tick
  local setter=()
  : > "$RECORD"
  printf '[Option]\nFitType=%s\n' "$1" > "$XDG_CONFIG_HOME/pelorand/pelorand.ini"
  [ "$2" != - ] && setter=(--setter "$2"); shift 2
  env -u DISPLAY "$@" PATH=$work/fakes:$work/fakes2 /usr/bin/timeout 20 "$PLR" run one.plr --start "$START" --ticks 1 --no-history "${setter[@]}" >/dev/null 2>err.txt
  tr '\n' ' ' < "$RECORD"
}
fit_word() { # FITTYPE SETTER|- DESKTOP-ENV... : the word the desktop was given for the fit, or "-"
  local rec; rec=$(fit_for "$@")
  case "$rec" in
    gsettings*) echo "$rec" | sed -n "s/.*\[picture-options\] \['\([a-z]*\)'\].*/\1/p";;
    qdbus*|gdbus*) echo "$rec" | sed -n 's/.*FillMode", \([0-9]\).*/\1/p';;
    xfconf*) echo "$rec" | sed -n 's/.*image-style\] \[-n\] \[-t\] \[int\] \[-s\] \[\([0-9]\)\].*/\1/p';;
    swaybg*) echo "$rec" | sed -n 's/.*\[-m\] \[\([a-z_]*\)\].*/\1/p';;
    pcmanfm*) echo "$rec" | sed -n 's/.*\[--wallpaper-mode\] \[\([a-z]*\)\].*/\1/p';;
    xwallpaper*|hsetroot*) echo "$rec" | cut -d' ' -f2 | tr -d '[]';;
    feh*) echo "$rec" | cut -d' ' -f3 | tr -d '[]';;
  esac
}
fits() { # SETTER|- DESKTOP-ENV...: the words for FitType 0 to 5
  local f out=""
  for f in 0 1 2 3 4 5; do out+="$(fit_word $f "$@")|"; done
  echo "$out"
}
expect "fit: GNOME" "$(fits - XDG_CURRENT_DESKTOP=GNOME)" "|centered|wallpaper|stretched|scaled|zoom|"
expect "fit: Cinnamon" "$(fits - XDG_CURRENT_DESKTOP=X-Cinnamon)" "|centered|wallpaper|stretched|scaled|zoom|"
expect "fit: MATE" "$(fits - XDG_CURRENT_DESKTOP=MATE)" "|centered|wallpaper|stretched|scaled|zoom|"
expect "fit: KDE" "$(fits - XDG_CURRENT_DESKTOP=KDE)" "|6|3|0|1|2|"
expect "fit: XFCE" "$(fits - XDG_CURRENT_DESKTOP=XFCE)" "|1|2|3|4|5|"
expect "fit: sway" "$(fits - SWAYSOCK=/s)" "fill|center|tile|stretch|fit|fill|"
expect "fit: LXQt" "$(fits - XDG_CURRENT_DESKTOP=LXQt)" "|center|tile|stretch|fit|zoom|"
expect "fit: LXDE" "$(fits - XDG_CURRENT_DESKTOP=LXDE)" "|center|tile|stretch|fit|crop|"
expect "fit: xwallpaper" "$(fits xwallpaper)" "--zoom|--center|--tile|--stretch|--maximize|--zoom|"
expect "fit: feh" "$(fits feh)" "--bg-fill|--bg-center|--bg-tile|--bg-scale|--bg-max|--bg-fill|"
expect "fit: hsetroot" "$(fits hsetroot)" "-fill|-center|-tile|-fill|-extend|-full|"
expect "fit: --fit over the settings file" "$(fit_word 1 - SWAYSOCK=/s X=1 2>/dev/null; : > "$RECORD";
  SWAYSOCK=/s PATH=$work/fakes /usr/bin/timeout 20 "$PLR" run one.plr --start "$START" --ticks 1 --no-history --fit tile >/dev/null 2>&1; sed -n '/^\[-m\]$/{n;p}' "$RECORD")" "center
[tile]"
rm "$XDG_CONFIG_HOME/pelorand/pelorand.ini"

# -- Only pictures reach a desktop's tool, and what changes nothing says why, once.
mkdir -p notpics/web
printf '<html><body>404</body></html>' > notpics/web/page.jpg
: > notpics/empty.png
printf '\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\0\0\0\x01\0\0\x08\x02' > notpics/huge.png  # 65536x65536
printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\n}FILE\r\n' \
  "$work/notpics/web" "$work/notpics/empty.png" "$work/notpics/huge.png" > notpics.plr
: > "$RECORD"
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run notpics.plr --setter hsetroot --mode turn --filetype JPG --start "$START" --ticks 6 2>err.txt); rc=$?
expect "not pictures: no tool ran, each told once" "$rc:$out:$(cat "$RECORD"):$(sort err.txt)" "0:::plr: passed over $work/notpics/empty.png: an empty file, not a picture
plr: passed over $work/notpics/huge.png: a picture of 65536x65536, more than a desktop takes
plr: passed over $work/notpics/web/page.jpg: not a picture (JPEG, PNG, GIF, BMP or WebP)"
printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\n}FILE\r\n' \
  "$work/gone.jpg" "$work/notpics/web" > nothing.plr
out=$(PATH=$work/fakes:$PATH timeout 30 "$PLR" run nothing.plr --setter-command setter --mode turn --filetype PNG --start "$START" --ticks 6 2>err.txt); rc=$?
expect "missing files and a folder of no such type: told once each" "$rc:$out:$(sort err.txt)" "0::plr: cannot find $work/gone.jpg: No such file or directory
plr: no file of the types 'PNG' in $work/notpics/web"
printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\n}FILE\r\n' > empty.plr
: > zero.plr
for f in empty.plr zero.plr; do
  PATH=$work/fakes:$PATH timeout 30 "$PLR" run $f --setter-command setter --start "$START" --ticks 3 >/dev/null 2>err.txt
  expect "$f: says once why nothing changes" "$?:$(wc -l < err.txt):$(grep -c "$f has no\|a folder of $f has no" err.txt)" "0:1:1"
done
PATH=$work/fakes:$PATH timeout 30 "$PLR" run hostile/red.png --setter-command setter --start "$START" --ticks 3 >/dev/null 2>err.txt
expect "a picture given as the collection" "$?:$(cat err.txt)" "2:plr: hostile/red.png is not a collection: it holds no folder"
PATH=$work/fakes:$PATH timeout 30 "$PLR" run hostile --setter-command setter --start "$START" --ticks 3 >/dev/null 2>err.txt
expect "a directory given as the collection" "$?:$(cat err.txt)" "2:plr: hostile is a directory, not a collection"

# -- Real desktops.
colour_of() { # FILE: the colour name an image was made in
  case "$1" in *red*) echo red;; *green*) echo green;; *blue*) echo blue;; esac
}
# follow N CHECK: as each of the first N lines of run.out appears, CHECK LINE must print the
# colour or value that line's path stands for.
follow() {
  local n=$1 check=$2 k line
  for k in $(seq 1 "$n"); do
    for _ in $(seq 1 200); do [ "$(wc -l < run.out)" -ge "$k" ] && break; sleep 0.02; done
    line=$(sed -n "${k}p" run.out)
    got=$($check "$line")
    # On a busy machine the next tick may have come while this one was being read.
    if [ "$(wc -l < run.out)" -gt "$k" ] && [ "$got" = "$(colour_of "$(sed -n "$((k+1))p" run.out | cut -f2)")" ]; then
      got=$(colour_of "$(echo "$line" | cut -f2)")
    fi
    expect "$check tick $k" "$got" "$(colour_of "$(echo "$line" | cut -f2)")"
  done
}
mkdir -p colours
for c in red:FF0000 green:00FF00 blue:0000FF; do /usr/bin/convert -size 64x64 "xc:#${c#*:}" "colours/${c%:*}.png"; done
printf 'FILE{\r\nNAME\t"Colours","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\nDATA\t"%s","2","?","?","0","1"\r\n}FILE\r\n' \
  "$work/colours/red.png" "$work/colours/green.png" "$work/colours/blue.png" > colours.plr

# X without a desktop: the root window itself, read back from the screen.
source "$here/scripts/xvfb.sh"
export PELORAND_DISPLAY=${PELORAND_DISPLAY:-77}
if xvfb_start; then
  root_colour() { # the colour of the root window's middle, by its strongest channel
    xwd -root -silent | /usr/bin/convert xwd:- -crop 1x1+20+20 -depth 8 txt:- | tail -1 |
      sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
      awk '{ if ($1 > 128 && $2 < 64 && $3 < 64) print "red"; else if ($2 > 128 && $1 < 64 && $3 < 64) print "green";
             else if ($3 > 128 && $1 < 64 && $2 < 64) print "blue"; else print "other " $0 }'
  }
  # Xvfb resets itself, root window included, whenever its last client leaves; a session always
  # has one, and so does this test.
  xprop -root -spy >/dev/null 2>&1 &
  holder=$!
  xwallpaper --zoom colours/green.png
  "$PLR" run colours.plr --mode turn --interval 2 --end "$work/colours/red.png" >run.out 2>err.txt &
  runner=$!
  follow 3 root_colour
  kill -TERM "$runner"; wait "$runner"; rc=$?; runner=
  expect "xwallpaper: the three in turn" "$(cut -f2 run.out | xargs -n1 basename | tr '\n' ' ')" "red.png green.png blue.png "
  expect "xwallpaper: SIGTERM ends on the end wallpaper" "$rc:$(root_colour):$(cat err.txt)" "0:red:"
  kill "$holder"; wait "$holder" 2>/dev/null; holder=
  xvfb_stop
else
  fails=$((fails+1)); echo "FAIL no Xvfb"
fi

# sway: a real headless sway of an ordinary user (sway refuses root), the picture read back from
# its output with grim. The pictures' names would run commands in a shell or in sway's parser.
sw=$(mktemp -d); chmod 755 "$sw"
as_user=()
if [ "$(id -u)" = 0 ]; then
  as_user=(setpriv --reuid=plrsway --regid=plrsway --init-groups)
  chown plrsway "$sw"
fi
mkdir -m 700 "$sw/run"; [ "$(id -u)" = 0 ] && chown plrsway "$sw/run"
for c in red green blue; do cp "colours/$c.png" "$sw/$c it's \$(touch pwned) \`touch pwned\`;.png"; done
printf 'FILE{\r\nNAME\t"C","2","?","?","0","1"\r\n' > "$sw/c.plr"
for c in red green blue; do printf 'DATA\t"%s","2","?","?","0","1"\r\n' "$sw/$c it's \$(touch pwned) \`touch pwned\`;.png" >> "$sw/c.plr"; done
printf '}FILE\r\n' >> "$sw/c.plr"
cp "$PLR" "$sw/plr"
# Run directly, not through a function, so that $! is the program itself.
in_sway=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$sw" XDG_RUNTIME_DIR="$sw/run")
# Its configuration sets a background of its own, as sway's default one does: that one's swaybg
# would hide plr's.
/usr/bin/convert -size 64x64 xc:#808080 "$sw/grey.png"
printf 'output * bg %s fill\n' "$sw/grey.png" > "$sw/config"
"${in_sway[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$sw/config" >"$sw/sway.log" 2>&1 &
compositor=$!
for _ in $(seq 1 250); do ls "$sw/run"/sway-ipc.*.sock >/dev/null 2>&1 && [ -e "$sw/run/wayland-1" ] && break; sleep 0.04; done
sway_env=(SWAYSOCK="$(ls "$sw/run"/sway-ipc.*.sock 2>/dev/null | head -1)" WAYLAND_DISPLAY=wayland-1)
if [ -S "${sway_env[0]#SWAYSOCK=}" ]; then
  sway_colour() { # the colour in the middle of sway's output
    "${in_sway[@]}" "${sway_env[@]}" grim -g "320,240 1x1" - | /usr/bin/convert - -depth 8 txt:- | tail -1 |
      sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
      awk '{ if ($1 > 128 && $2 < 64 && $3 < 64) print "red"; else if ($2 > 128 && $1 < 64 && $3 < 64) print "green";
             else if ($3 > 128 && $1 < 64 && $2 < 64) print "blue"; else print "other " $0 }'
  }
  "${in_sway[@]}" "${sway_env[@]}" "$sw/plr" run "$sw/c.plr" --mode turn --interval 2 --no-history \
    --end "$sw/red it's \$(touch pwned) \`touch pwned\`;.png" >run.out 2>err.txt &
  runner=$!
  follow 3 sway_colour
  kill -TERM "$runner"; wait "$runner"; rc=$?; runner=
  expect "sway: SIGTERM ends on the end wallpaper, one swaybg left" "$rc:$(sway_colour):$(cat err.txt):$(pgrep -fc "^swaybg .*$sw/")" "0:red::1"
  expect "sway: nothing ran from the names" "$(find "$sw" "$PWD" /tmp / -maxdepth 3 -xdev -name pwned 2>/dev/null | head -1)" ""
  left=$(cat "$sw/run/pelorand-swaybg.pid" 2>/dev/null); [ -n "$left" ] && kill "$left"
else
  fails=$((fails+1)); echo "FAIL no headless sway: $(tail -3 "$sw/sway.log")"
fi
kill "$compositor" 2>/dev/null; wait "$compositor" 2>/dev/null
rm -rf "$sw"

# GNOME: the real schemas, GSettings' keyfile backend in this run's own config folder.
gnome_uri() { GSETTINGS_BACKEND=keyfile gsettings get org.gnome.desktop.background "$1" | sed "s|^'file://$work/colours/||; s|\.png'\$||"; }
gnome_both() { [ "$(gnome_uri picture-uri)" = "$(gnome_uri picture-uri-dark)" ] && gnome_uri picture-uri; }
GSETTINGS_BACKEND=keyfile XDG_CURRENT_DESKTOP=ubuntu:GNOME "$PLR" run colours.plr --mode turn --interval 2 >run.out 2>err.txt &
runner=$!
follow 3 gnome_both
kill -TERM "$runner"; wait "$runner"; runner=
expect "GNOME: no complaint" "$(cat err.txt)" ""
expect "GNOME: the keyfile holds it" "$(grep -c "^picture-uri='file://$work/colours/blue.png'" "$XDG_CONFIG_HOME/glib-2.0/settings/keyfile")" 1
GSETTINGS_BACKEND=keyfile XDG_CURRENT_DESKTOP=GNOME "$PLR" run colours.plr --fit fit --start "$START" --ticks 1 --no-history >/dev/null 2>err.txt
expect "GNOME: the fit reaches the real schema" "$(cat err.txt)$(GSETTINGS_BACKEND=keyfile gsettings get org.gnome.desktop.background picture-options)" "'scaled'"

# XFCE: a real xfconfd on a private session bus; two monitors' last-image properties.
cat > xfce.sh <<'EOF'
xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorVirtual1/workspace0/last-image -n -t string -s /old/one
xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace1/last-image -n -t string -s /old/two
xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace1/image-style -n -t int -s 5
XDG_CURRENT_DESKTOP=XFCE "$PLR" run colours.plr --mode turn --interval 1 --start "2026-12-06 14:00:00" --ticks 2 >run.out 2>err.txt
echo "$?"
xfconf-query -c xfce4-desktop -lv
EOF
out=$(XDG_CONFIG_HOME=$work/xfce1 timeout 60 dbus-run-session -- bash xfce.sh 2>/dev/null)
expect "XFCE: every last-image, nothing else" "$(echo "$out" | tr -s ' ')" "0
/backdrop/screen0/monitorHDMI-1/workspace1/image-style 5
/backdrop/screen0/monitorHDMI-1/workspace1/last-image $work/colours/green.png
/backdrop/screen0/monitorVirtual1/workspace0/last-image $work/colours/green.png"
expect "XFCE: lines" "$(cut -f2 run.out | xargs -n1 basename | tr '\n' ' '):$(cat err.txt)" "red.png green.png :"
cat > xfce-empty.sh <<'EOF'
XDG_CURRENT_DESKTOP=XFCE "$PLR" run colours.plr --mode turn --interval 1 --ticks 1 >/dev/null 2>err.txt
xfconf-query -c xfce4-desktop -lv
EOF
out=$(XDG_CONFIG_HOME=$work/xfce2 timeout 60 dbus-run-session -- bash xfce-empty.sh 2>/dev/null)
expect "XFCE: a channel without last-image gets the first monitor's" "$(echo "$out" | tr -s ' ')" \
  "/backdrop/screen0/monitor0/workspace0/last-image $work/colours/red.png"

cat > xfce-fit.sh <<'EOF'
xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorVirtual1/workspace0/last-image -n -t string -s /old/one
xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace1/image-style -n -t int -s 5
xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace1/last-image -n -t string -s /old/two
XDG_CURRENT_DESKTOP=XFCE "$PLR" run colours.plr --fit center --mode turn --interval 1 --start "2026-12-06 14:00:00" --ticks 1 --no-history >/dev/null 2>err.txt
xfconf-query -c xfce4-desktop -lv | grep image-style
EOF
out=$(XDG_CONFIG_HOME=$work/xfce3 timeout 60 dbus-run-session -- bash xfce-fit.sh 2>/dev/null)
expect "XFCE: the fit on every monitor and workspace" "$(echo "$out" | tr -s ' '):$(cat err.txt)" "/backdrop/screen0/monitorHDMI-1/workspace1/image-style 1
/backdrop/screen0/monitorVirtual1/workspace0/image-style 1:"

# -- A picture for each monitor.
# XFCE with two monitors, one with two workspaces, and a numbered property left from an older
# version: each monitor its own picture on each of its workspaces, the old one following the
# first monitor.
cat > xfce-each.sh <<'EOF'
for p in monitorHDMI-1/workspace0 monitorHDMI-1/workspace1 monitorDP-2/workspace0 monitor0/workspace0; do
  xfconf-query -c xfce4-desktop -p "/backdrop/screen0/$p/last-image" -n -t string -s /old
done
XDG_CURRENT_DESKTOP=XFCE "$PLR" run colours.plr --per-monitor --mode turn --interval 1 --start "2026-12-06 14:00:00" --ticks 2 --no-history >run.out 2>err.txt
echo "$?"
xfconf-query -c xfce4-desktop -lv
EOF
out=$(XDG_CONFIG_HOME=$work/xfce4 timeout 60 dbus-run-session -- bash xfce-each.sh 2>/dev/null)
expect "XFCE per monitor: each monitor's properties" "$(echo "$out" | tr -s ' ')" "0
/backdrop/screen0/monitor0/workspace0/last-image $work/colours/blue.png
/backdrop/screen0/monitorDP-2/workspace0/last-image $work/colours/blue.png
/backdrop/screen0/monitorHDMI-1/workspace0/last-image $work/colours/red.png
/backdrop/screen0/monitorHDMI-1/workspace1/last-image $work/colours/red.png"
expect "XFCE per monitor: a line per monitor" "$(awk -F'\t' '{ n = split($2, p, "/"); printf "%s %s|", p[n], $7 }' run.out):$(cat err.txt)" \
  "red.png DP-2|green.png HDMI-1|blue.png DP-2|red.png HDMI-1|:"

# The other desktops through stand-ins: Plasma's screens counted by a script, RandR's monitors
# (the primary listed second) for xwallpaper and feh, and the desktops of one picture for all.
mkdir -p fakes3
printf '#!/bin/sh\n{ echo qdbus; for a; do printf "[%%s]\\n" "$a"; done; } >> "$RECORD"\ncase "$4" in *screenCount*) echo 2;; esac\n' > fakes3/qdbus
printf '#!/bin/sh\necho "Monitors: 2"\necho " 0: +DP-1 1920/527x1080/296+1920+0  DP-1"\necho " 1: +*HDMI-1 1920/527x1080/296+0+0  HDMI-1"\n' > fakes3/xrandr
chmod +x fakes3/qdbus fakes3/xrandr
each_for() { # SETTER ENV...: the record of one tick for two monitors, on one line
  local setter=$1; shift
  : > "$RECORD"
  env "$@" PATH=$work/fakes3:$work/fakes:$work/fakes2 /usr/bin/timeout 20 "$PLR" run colours.plr --per-monitor --mode turn \
    --start "$START" --ticks 1 --no-history --setter "$setter" >run.out 2>err.txt
  tr '\n' ' ' < "$RECORD"
}
c=$work/colours
expect "feh per monitor: a file per screen in RandR's order" "$(each_for feh)" \
  "feh [--no-fehbg] [--bg-fill] [$c/red.png] [$c/green.png] "
expect "feh per monitor: lines" "$(cut -f7 run.out | tr '\n' ' '):$(cat err.txt)" "DP-1 HDMI-1 :"
expect "xwallpaper per monitor: --output each, the primary first" "$(each_for xwallpaper):$(cut -f7 run.out | tr '\n' ' ')" \
  "xwallpaper [--output] [HDMI-1] [--zoom] [$c/red.png] [--output] [DP-1] [--zoom] [$c/green.png] :HDMI-1 DP-1 "
out=$(each_for kde)
expect "KDE per monitor: counts the screens, then a picture per screen" \
  "$(echo "$out" | grep -o 'print(screenCount);\|var pictures = \[[^]]*\]\|pictures\[d.screen\]);' | tr '\n' '|')" \
  "print(screenCount);|var pictures = [\"file://$c/red.png\", \"file://$c/green.png\"]|pictures[d.screen]);|"
expect "KDE per monitor: lines" "$(cut -f7 run.out | tr '\n' ' '):$(cat err.txt)" "0 1 :"
for desktop in gnome cinnamon mate; do
  : > "$RECORD"
  PATH=$work/fakes /usr/bin/timeout 20 "$PLR" run colours.plr --per-monitor --mode turn --setter $desktop \
    --start "$START" --ticks 2 --no-history >run.out 2>err.txt
  expect "$desktop per monitor: said once, one picture set for all" \
    "$(cat err.txt):$(grep -c '^\[picture-uri\]\|^\[picture-filename\]' "$RECORD"):$(cut -f2 run.out | xargs -n1 basename | tr '\n' ' ')" \
    "plr: $desktop shows one picture on every monitor: one is set for all:2:red.png green.png "
done

# sway, for real: a headless sway of two outputs, the option from the settings file; each
# output's picture read back with grim, and one swaybg showing both.
sw=$(mktemp -d); chmod 755 "$sw"
mkdir -m 700 "$sw/run"; mkdir -p "$sw/.config/pelorand"
printf '[Option]\nCheckPerMonitor=1\n' > "$sw/.config/pelorand/pelorand.ini"
cp colours/*.png "$sw/"; cp "$PLR" "$sw/plr"; : > "$sw/config"
sed "s|$work/colours/|$sw/|g" colours.plr > "$sw/c.plr"
[ "$(id -u)" = 0 ] && chown -R plrsway "$sw"
in_sway=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$sw" XDG_RUNTIME_DIR="$sw/run")
"${in_sway[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$sw/config" >"$sw/sway.log" 2>&1 &
compositor=$!
for _ in $(seq 1 250); do ls "$sw/run"/sway-ipc.*.sock >/dev/null 2>&1 && [ -e "$sw/run/wayland-1" ] && break; sleep 0.04; done
sway_env=(SWAYSOCK="$(ls "$sw/run"/sway-ipc.*.sock 2>/dev/null | head -1)" WAYLAND_DISPLAY=wayland-1)
if [ -S "${sway_env[0]#SWAYSOCK=}" ]; then
  output_colour() { # OUTPUT: the colour in the middle of that output
    "${in_sway[@]}" "${sway_env[@]}" grim -o "$1" - | /usr/bin/convert - -gravity center -crop 1x1+0+0 -depth 8 txt:- | tail -1 |
      sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
      awk '{ if ($1 > 128 && $2 < 64 && $3 < 64) print "red"; else if ($2 > 128 && $1 < 64 && $3 < 64) print "green";
             else if ($3 > 128 && $1 < 64 && $2 < 64) print "blue"; else print "other " $0 }'
  }
  "${in_sway[@]}" "${sway_env[@]}" "$sw/plr" run "$sw/c.plr" --mode turn --interval 1 --start "$START" --ticks 2 --no-history >run.out 2>err.txt
  rc=$?
  expect "sway per output: lines" "$rc:$(awk -F'\t' '{ n = split($2, p, "/"); printf "%s %s|", p[n], $7 }' run.out):$(cat err.txt)" \
    "0:red.png HEADLESS-1|green.png HEADLESS-2|blue.png HEADLESS-1|red.png HEADLESS-2|:"
  # Polled: the last swaybg has only just drawn.
  for _ in $(seq 1 50); do [ "$(output_colour HEADLESS-1):$(output_colour HEADLESS-2)" = "blue:red" ] && break; sleep 0.1; done
  expect "sway per output: each output shows its own, one swaybg" "$(output_colour HEADLESS-1):$(output_colour HEADLESS-2):$(pgrep -fc "^swaybg .*$sw/")" "blue:red:1"
  left=$(cat "$sw/run/pelorand-swaybg.pid" 2>/dev/null); [ -n "$left" ] && kill "$left"
else
  fails=$((fails+1)); echo "FAIL no headless sway of two outputs: $(tail -3 "$sw/sway.log")"
fi
kill "$compositor" 2>/dev/null; wait "$compositor" 2>/dev/null
rm -rf "$sw"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
