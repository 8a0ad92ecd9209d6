#!/usr/bin/env bash
# Builds the release and writes dist/Pelorand-<version>-win64.zip: one folder Pelorand-<version>/
# with both programs, the help page, the sample collection, the text for the user, the licence.
# The same sources give the same zip byte for byte: no time, path or PE link time reaches the
# binaries, and the archive's entries come in a fixed order with fixed times and modes.
# Usage: release.sh [BUILD_DIR [OUT_DIR]]
#   BUILD_DIR defaults to build/release, a Release build of its own. The test command passes
#   its configured Windows tree instead (the zip is then made of the programs it tested) and
#   an OUT_DIR of its own, so that dist/ keeps only real releases.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

bash scripts/setup.sh >/dev/null

version=$(sed -n 's/^project(Pelorand VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
# One moment for every time the release holds: the last commit's, or what the caller says.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH

build=${1:-build/release}
if [ $# -eq 0 ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DPELORAND_TESTS=OFF --no-warn-unused-cli >/dev/null
fi
ninja -C "$build" Pelorand plr >/dev/null

name="Pelorand-$version"
stage="$(cd "$build" && pwd)/release-stage"
top="$stage/$name"
rm -rf "$stage"
mkdir -p "$top/sample/images/animals"

# The programs without symbols or debug sections (a Release build has none already).
for exe in "$build/Pelorand.exe" "$build/tools/plr/plr.exe"; do
  x86_64-w64-mingw32-strip --strip-all -o "$top/$(basename "$exe")" "$exe"
  if x86_64-w64-mingw32-objdump -h "$top/$(basename "$exe")" | grep -q '\.debug'; then
    echo "release: $(basename "$exe") still has debug sections" >&2; exit 1
  fi
done
cp res/help/Pelorand.html "$top/Pelorand.html"

# The text for the user, as Notepad on a Japanese Windows reads it: CP932 with CR LF.
sed "s/@VERSION@/$version/" res/release/README.txt | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$top/README.txt"
# The licence, as Notepad reads it (ASCII with CR LF).
sed 's/$/\r/' LICENSE >"$top/LICENSE.txt"

# The sample: pictures under sample/images, and a collection naming them relative to
# sample/, which sample.cmd makes whole (plr rebase) where the zip was unpacked. File names
# are ASCII: unzip tools before Windows 10 read non-ASCII names in another code page.
img="$top/sample/images"
draw() { convert -size "$2" "${@:3}" -strip "$1"; }
draw "$img/sunset.bmp" 320x240 gradient:'#ff8c00-#4b0082'
draw "$img/sea.jpg" 640x480 gradient:'#87ceeb-#00008b'
draw "$img/forest.jpg" 640x480 radial-gradient:'#ade08a-#0b4a1a'
draw "$img/animals/cat.jpg" 640x480 -define gradient:angle=45 gradient:'#f5deb3-#8b4513'
draw "$img/animals/dog.jpg" 640x480 radial-gradient:'#fffacd-#a0522d'
{
  printf 'FILE{\n'
  printf 'NAME\t"サンプル","2","?","?","0","1"\n'
  printf 'FILE{\n'
  printf 'NAME\t"風景","1","山田 花子","夕焼けと海","0","1"\n'
  printf 'DATA\t"images\\sunset.bmp","0","山田 花子","オレンジの空","0","1"\n'
  printf 'DATA\t"images\\sea.jpg","2","?","?","1","1"\n'
  printf 'DATA\t"images\\forest.jpg","3","鈴木","森の中","0","1"\n'
  printf '}FILE\n'
  printf 'FILE{\n'
  printf 'NAME\t"動物","3","佐藤","フォルダーごと","0","1"\n'
  printf 'DATA\t"images\\animals","2","?","?","1","1"\n'
  printf '}FILE\n'
  printf '}FILE\n'
} | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$top/sample/template.plr"

# Writes the sample where the folder is (or in %TEMP% when the folder cannot be written) and
# opens it in the editor. Exit codes are read with "if errorlevel": Wine's cmd takes the
# branch of && whatever a program returns.
cat <<'EOF' | sed 's/$/\r/' >"$top/sample.cmd"
@echo off
setlocal
set "here=%~dp0"
set "out=%here%sample\sample.plr"
"%here%plr.exe" rebase "%here%sample\template.plr" "%out%" "%here%sample" >nul 2>&1
if not errorlevel 1 goto open
set "out=%TEMP%\PelorandSample.plr"
"%here%plr.exe" rebase "%here%sample\template.plr" "%out%" "%here%sample" >nul
if errorlevel 1 goto failed
:open
start "" "%here%Pelorand.exe" "%out%"
exit /b 0
:failed
echo Pelorand: the sample collection could not be written.
pause
exit /b 1
EOF

# The archive: sorted entries, one time and one mode for all, no extra fields, no directory
# entries, the same compression; zip writes local times, so the zone is fixed as well.
find "$stage" -exec chmod u+w,go-w {} +
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -exec env TZ=UTC touch -h -d "@$SOURCE_DATE_EPOCH" {} +
out=${2:-dist}
mkdir -p "$out"
zipfile="$(cd "$out" && pwd)/$name-win64.zip"
rm -f "$zipfile"
(cd "$stage" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -9 -q "$zipfile" -@)
size=$(stat -c %s "$zipfile")
echo "release: $zipfile ($size bytes, sha-256 $(sha256sum "$zipfile" | cut -d' ' -f1))"
