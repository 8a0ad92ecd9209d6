#!/bin/bash
# Decoding figures of the thumbnail pane: draws 20 photographs of 4000 x 3000 and a camera's
# thumbnail with ImageMagick, builds the figures program and runs it under Wine on a private
# Xvfb. ROUNDS (default 5) paired rounds. Prints the figures; never part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/win/bench-pictures
mkdir -p "$out/plain"
if [ ! -s "$out/plain/p19.jpg" ]; then
  convert -size 4000x3000 gradient:'#c84'-'#248' -attenuate 0.5 +noise Gaussian -quality 90 "$out/base.jpg"
  for i in $(seq 0 19); do cp "$out/base.jpg" "$out/plain/p$((100 + i)).jpg"; done
  convert "$out/base.jpg" -resize '160x120!' -quality 85 "$out/thumb.jpg"
fi
ninja -C build/win thumbnail_decode_figures >/dev/null
# shellcheck source=../scripts/wine-env.sh
source scripts/wine-env.sh build/win
# shellcheck source=../scripts/xvfb.sh
source scripts/xvfb.sh
xvfb_start
trap 'wine_stop; xvfb_stop' EXIT
wine_start
wine_ wine build/win/thumbnail_decode_figures.exe "Z:$PWD/$out/plain" "Z:$PWD/$out/thumb.jpg" "${ROUNDS:-5}"
