#!/usr/bin/env bash
# Sets up, builds and runs every test: the native core under sanitizers, the Windows build
# under Wine, the command-line tool both ways, and a bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
FUZZ_SECONDS=${FUZZ_SECONDS:-60}

bash scripts/setup.sh

echo "== native build (sanitizers)"
cmake -S . -B build/native -G Ninja -DPELORAND_SANITIZE=ON >/dev/null
ninja -C build/native
(cd build/native && ctest --output-on-failure)

echo "== windows build"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
ninja -C build/win

echo "== windows tests under wine"
# shellcheck source=wine-env.sh
source scripts/wine-env.sh build/win
source scripts/xvfb.sh
xvfb_start
trap 'wine_stop; xvfb_stop' EXIT
wine_start
(cd build/win && LANG=ja_JP.UTF-8 ctest --output-on-failure)

echo "== the editor end to end (xdotool)"
bash tests/e2e/editor_e2e.sh build/win
echo "== editing a collection end to end (xdotool)"
bash tests/e2e/edit_e2e.sh build/win
wine_stop

echo "== fuzzing the record reader for ${FUZZ_SECONDS}s"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPELORAND_FUZZ=ON >/dev/null
ninja -C build/fuzz
mkdir -p build/fuzz/corpus
build/fuzz/tests/fuzz/fuzz_records -max_total_time="$FUZZ_SECONDS" -max_len=4096 -print_final_stats=0 \
  build/fuzz/corpus tests/fuzz/corpus 2>&1 | tail -2
echo "== all tests passed"
