#!/usr/bin/env bash
# Sets up, builds and runs every test: the native core under sanitizers, the Windows build
# under Wine, the command-line tool both ways, and a bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
FUZZ_SECONDS=${FUZZ_SECONDS:-40}
# Each section's line ends with the seconds since the start, to see where the time goes.
section() { echo "== $* [${SECONDS}s]"; }

bash scripts/setup.sh

section "native build (sanitizers)"
cmake -S . -B build/native -G Ninja -DPELORAND_SANITIZE=ON >/dev/null
ninja -C build/native
(cd build/native && ctest --output-on-failure)

section "the command-line tool from a plain build (the sanitizers cannot run its out-of-memory case)"
cmake -S . -B build/plain -G Ninja -DPELORAND_TESTS=OFF >/dev/null
ninja -C build/plain plr
PLR="$ROOT/build/plain/tools/plr/plr" bash tests/cli/plr_test.sh
section "plr run on free desktops: the root window under Xvfb, a headless sway, GSettings, xfconfd"
PLR="$ROOT/build/plain/tools/plr/plr" bash tests/cli/plr_run_test.sh

section "the Debian package: built, unpacked into a throwaway root, its plr run from there"
deb=$(bash scripts/package-deb.sh)
lintian "$deb" 2>&1 | grep -E '^E:' && { echo "lintian reports errors"; exit 1; }
debroot=$(mktemp -d)
dpkg -x "$deb" "$debroot"
"$debroot/usr/bin/plr" --version | grep -qx "plr (Pelorand) $(sed -n 's/^project(Pelorand VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
mkdir -p "$debroot/pics" && cp dist/debian/copyright "$debroot/pics/a.jpg"
"$debroot/usr/bin/plr" new "$debroot/c.plr" >/dev/null
"$debroot/usr/bin/plr" import "$debroot/c.plr" "$debroot/pics" >/dev/null
"$debroot/usr/bin/plr" simulate "$debroot/c.plr" --mode turn --start "2026-12-06 14:00:00" --ticks 2 |
  grep -q "^2	$debroot/pics/a.jpg	a.jpg	"
mandoc -T lint -W warning <(gzip -dc "$debroot/usr/share/man/man1/plr.1.gz")
rm -rf "$debroot"

section "windows build"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
ninja -C build/win

section "windows tests under wine"
# shellcheck source=wine-env.sh
source scripts/wine-env.sh build/win
source scripts/xvfb.sh
xvfb_start
trap 'wine_stop; xvfb_stop' EXIT
wine_start
# The in-process tests' windows are left unmanaged: with no window manager on Xvfb, Wine would
# wait two seconds for each managed window (one with a caption) to be withdrawn.
wine_ wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
(cd build/win && LANG=ja_JP.UTF-8 ctest -LE 'two-monitors|other-dpi' --output-on-failure)
section "the dialogs at 120, 144 and 192 DPI, the information window on two monitors"
wine_stop
bash tests/editor/screens.sh build/win
wine_start

# The end-to-end scripts drive the program through X as a user does. On a busy machine Wine now
# and then drops a key or a click sent that way; each script waits for what it can see, and one
# that still fails runs once more in a fresh Wine server, saying so. A fault of the program
# fails both times.
e2e() {
  bash "tests/e2e/$1" build/win && return 0
  section "$1 failed; once more in a fresh Wine server"
  wine_stop
  wine_start
  bash "tests/e2e/$1" build/win
}
section "the editor end to end (xdotool)"
e2e editor_e2e.sh
section "the changer end to end"
e2e changer_e2e.sh
section "the changer's notification-area menu end to end"
e2e tray_e2e.sh
section "the editor's dialogs end to end (xdotool)"
e2e dialogs_e2e.sh
section "the thumbnail pane end to end (xdotool)"
e2e thumbs_e2e.sh
section "editing a collection end to end (xdotool)"
e2e edit_e2e.sh
wine_stop
section "the release zip, unpacked into a new folder and run in a Wine prefix of its own"
bash tests/e2e/release_e2e.sh build/win

section "fuzzing for ${FUZZ_SECONDS}s: the record reader, then the fast splitter against the general one"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPELORAND_FUZZ=ON >/dev/null
ninja -C build/fuzz
half=$(( (FUZZ_SECONDS + 1) / 2 ))
for target in fuzz_records fuzz_split; do
  mkdir -p "build/fuzz/corpus-$target"
  seeds=(); [ "$target" = fuzz_records ] && seeds=(tests/fuzz/corpus)
  build/fuzz/tests/fuzz/$target -max_total_time="$half" -max_len=4096 -print_final_stats=0 \
    "build/fuzz/corpus-$target" "${seeds[@]}" 2>&1 | tail -2
done
section "all tests passed"
