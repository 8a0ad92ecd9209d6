#!/usr/bin/env bash
# The release zip as a user gets it: made by scripts/release.sh from BUILD_DIR's programs,
# unpacked into a new folder whose path has Japanese characters and blanks, run in a Wine prefix
# of its own (nothing of the other tests' settings). There plr.exe says the zip's version, and
# sample.cmd writes the sample collection where it was unpacked and opens it in the editor.
# Needs DISPLAY (scripts/test.sh provides it). Usage: release_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e-release"
rm -rf "$work"
mkdir -p "$work"
e2e_name="release e2e"
# shellcheck source=lib.sh
source "$root/tests/e2e/lib.sh"

version=$(sed -n 's/^project(Pelorand VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
bash "$root/scripts/release.sh" "$build" "$work" >/dev/null
zip="$work/Pelorand-$version-win64.zip"
[ -f "$zip" ] || fail "no $zip"
size=$(stat -c %s "$zip")
[ "$size" -le 1572864 ] || fail "the zip is $size bytes, more than 1.5 MB"
listing=$(unzip -Z1 "$zip")
for f in Pelorand.exe plr.exe Pelorand.html README.txt LICENSE.txt sample.cmd sample/template.plr; do
  grep -qx "Pelorand-$version/$f" <<<"$listing" || fail "the zip lacks Pelorand-$version/$f"
done
[ -z "$(echo "$listing" | grep -v "^Pelorand-$version/")" ] || fail "the zip has entries outside its folder"

place="$work/ダウンロード した もの"
mkdir -p "$place"
unzip -q "$zip" -d "$place"
dir="$place/Pelorand-$version"

# What Windows reads before the program runs: the version resource and the manifest.
strings -el "$dir/Pelorand.exe" | grep -qx "Pelorand Version $version" || fail "the About box does not say $version"
strings -el "$dir/Pelorand.exe" | grep -qx "$version" || fail "Pelorand.exe has no version resource $version"
strings -el "$dir/plr.exe" | grep -qx "$version" || fail "plr.exe has no version resource $version"
manifest=$(strings "$dir/Pelorand.exe" | sed -n '/<assembly/,/<\/assembly>/p')
for want in 'level="asInvoker"' 'processorArchitecture="\*"' 'Common-Controls' '<dpiAware' \
            '>PerMonitorV2, System<' \
            '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
  grep -q "$want" <<<"$manifest" || fail "the manifest lacks $want"
done
grep -qi "<activeCodePage" <<<"$manifest" && fail "the manifest changes the ANSI code page"

# A prefix of its own, as a user's machine that never saw Pelorand.
source "$root/scripts/wine-env.sh" "$work"
wine_start
on_fail() { wine_stop; }
trap 'wine_stop' EXIT

out=$(cd "$dir" && wine_ wine plr.exe --version 2>/dev/null | tr -d '\r')
[ "$out" = "plr (Pelorand) $version" ] || fail "plr --version says '$out'"

# The user double-clicks sample.cmd: it runs in its folder's own path, and opens the editor.
wdir="Z:${dir//\//\\}"
wine_ wine explorer /desktop=PelorandRelease,1024x768 cmd /c "$wdir\\sample.cmd" >/dev/null 2>&1 &
title="sample.plr - Pelorand For ActiveDesktop"
editor_window 120
# The sample was made whole where it was unpacked: its pictures are found from anywhere.
tree=$(cd "$work" && wine_ wine "$dir/plr.exe" tree "$wdir\\sample\\sample.plr" --utf8 2>/dev/null | tr -d '\r')
grep -qF "$wdir\\sample\\images\\sea.jpg" <<<"$tree" || fail "the sample does not name its pictures where it was unpacked: $tree"
closed() { ! xdotool search --name "$title" >/dev/null 2>&1; }
exit_editor

# Where the sample cannot be written (here a read-only sample.plr, which plr refuses to
# replace), sample.cmd writes it to %TEMP% and opens that one.
chmod 444 "$dir/sample/sample.plr"
temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -iname temp | head -1)
rm -f "$temp/PelorandSample.plr"
wine_ wine explorer /desktop=PelorandRelease,1024x768 cmd /c "$wdir\\sample.cmd" >/dev/null 2>&1 &
title="PelorandSample.plr - Pelorand For ActiveDesktop"
editor_window 120
iconv -f CP932 -t UTF-8 "$temp/PelorandSample.plr" | grep -qF "$wdir\\sample\\images\\sea.jpg" ||
  fail "the sample in %TEMP% does not name its pictures where they are"
exit_editor
echo "release e2e: $(basename "$zip") ($size bytes) unpacked and run: 1 passed, 0 failed"
