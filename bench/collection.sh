#!/usr/bin/env bash
# Figures for reading and writing a 1,000,000-entry collection in 10,000 folders: cp of the
# file, plr check and plr save side by side in each of five rounds (best of five, and the
# ratios to cp), memory per entry, the time to free the tree, and the pool's memory while a
# tenth of the folders is cut and pasted again and again.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELORAND_TESTS=OFF >/dev/null
ninja -C build/bench bench_collection plr >/dev/null
B=build/bench/bench/bench_collection
P=build/bench/tools/plr/plr
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
$B generate "$dir/big.plr" 1000000 10000
ls -l "$dir/big.plr" | awk '{printf "file: %.1f MB\n", $5/1e6}'
cat "$dir/big.plr" >/dev/null   # warm the page cache for every contender
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
best() { sort -n | head -1; }
for i in 1 2 3 4 5; do
  echo "cp $(seconds cp "$dir/big.plr" "$dir/copy.plr")" >>"$dir/times"; rm -f "$dir/copy.plr"
  echo "check $(seconds $P check "$dir/big.plr")" >>"$dir/times"
  echo "save $(seconds $P save "$dir/big.plr" "$dir/out.plr")" >>"$dir/times"
done
cp_s=$(awk '$1=="cp"{print $2}' "$dir/times" | best)
check_s=$(awk '$1=="check"{print $2}' "$dir/times" | best)
save_s=$(awk '$1=="save"{print $2}' "$dir/times" | best)
printf 'best of 5: cp %.3f s, plr check %.3f s (%.1fx cp), plr save %.3f s (%.1fx cp)\n' \
  "$cp_s" "$check_s" "$(echo "$check_s / $cp_s" | bc -l)" "$save_s" "$(echo "$save_s / $cp_s" | bc -l)"
cmp "$dir/big.plr" "$dir/out.plr" && echo "written file identical to the input"
/usr/bin/time -f "plr check peak memory: %M KiB" $P check "$dir/big.plr" 2>&1 >/dev/null |
  awk '{print; printf "plr check: %.1f bytes/entry (whole process)\n", $5 * 1024 / 1010001}'
$B read "$dir/big.plr"
$B reuse "$dir/big.plr"
