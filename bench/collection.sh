#!/usr/bin/env bash
# Figures for reading and writing a 1,000,000-entry collection in 10,000 folders,
# with the time of cp of the same file for scale.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELORAND_TESTS=OFF >/dev/null
ninja -C build/bench bench_collection >/dev/null
B=build/bench/bench/bench_collection
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
$B generate "$dir/big.plr" 1000000 10000
ls -l "$dir/big.plr" | awk '{printf "file: %.1f MB\n", $5/1e6}'
cat "$dir/big.plr" >/dev/null   # warm the page cache for every contender
for i in 1 2 3; do
  s=$(date +%s.%N); cp "$dir/big.plr" "$dir/copy.plr"; e=$(date +%s.%N)
  echo "cp: $(echo "$e - $s" | bc) s"; rm -f "$dir/copy.plr"
done
for i in 1 2 3; do $B roundtrip "$dir/big.plr" "$dir/out.plr"; done
cmp "$dir/big.plr" "$dir/out.plr" && echo "written file identical to the input"
$B read "$dir/big.plr"
