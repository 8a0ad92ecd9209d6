#!/usr/bin/env bash
# Figures for reading and writing collections of about a million entries, one shape after the
# other: each round times cp of the file to a new file, plr check and plr save of the same
# file, so that every ratio to cp is taken within one round; the median of the rounds is
# reported, with the peak memory of plr (the larger of check and save) against the file's size
# and per entry. Then the pool figures of the benchmark's own shape.
#
#   ROUNDS=9            rounds per shape (fewer while iterating)
#   SHAPES="a b"        the shapes to run (default: all; `bench_collection shape list`)
#   BEFORE=path/to/plr  a second plr timed in the same rounds, for before and after figures
#   KEEP=dir            generate the files there and keep them (default: a temporary folder)
#
# The machine's load moves every figure; the ratios, taken round by round, move far less.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELORAND_TESTS=OFF >/dev/null
ninja -C build/bench bench_collection plr >/dev/null
B=$PWD/build/bench/bench/bench_collection
P=$PWD/build/bench/tools/plr/plr
ROUNDS=${ROUNDS:-9}
BEFORE=${BEFORE:-}
SHAPES=${SHAPES:-$($B shape list)}
if [ -n "${KEEP:-}" ]; then
  dir=$KEEP; mkdir -p "$dir"; trap 'rm -f "$dir"/copy.plr "$dir"/out*.plr "$dir"/t.*' EXIT
else
  dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
fi

# Runs a command with its output thrown away; prints its wall and processor time in
# microseconds and its peak memory in KiB.
timed() { "$B" time "$@" || true; }
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores; $ROUNDS rounds per shape"
head() { printf ' | %5s %5s %5s %5s %6s %5s %5s' check cpu save cpu peakMB xfile B/ent; }
printf '%-9s %6s %8s %6s' shape MB entries cp/ms
head
[ -z "$BEFORE" ] || { printf '   (before:'; head; printf ')'; }
echo
for shape in $SHAPES; do
  f=$dir/$shape.plr
  [ -s "$f" ] || $B shape "$shape" "$f"
  bytes=$(stat -c %s "$f")
  entries=$($P check "$f" | awk 'NR==1 {print $2 + $4}')
  cat "$f" >/dev/null   # in the page cache for every contender
  : >"$dir/t.rounds"
  for ((i = 1; i <= ROUNDS; i++)); do
    # Columns: cp wall, cpu; then wall, cpu, peak of check and of save; the same for BEFORE.
    rm -f "$dir/copy.plr"
    line="$(timed cp "$f" "$dir/copy.plr" | cut -d' ' -f1-2)"
    rm -f "$dir/copy.plr"
    # The two builds take turns to go first: the one right after cp shares the machine with
    # the writing back of cp's pages.
    # Saves, like cp, write a new file: replacing the last round's output would add the
    # old file's deletion, which the kernel does within the rename, to save's time alone.
    rm -f "$dir/out.plr" "$dir/out-before.plr"
    if [ -n "$BEFORE" ] && ((i % 2 == 0)); then
      b="$(timed "$BEFORE" check "$f") $(timed "$BEFORE" save "$f" "$dir/out-before.plr")"
      a="$(timed "$P" check "$f") $(timed "$P" save "$f" "$dir/out.plr")"
    else
      a="$(timed "$P" check "$f") $(timed "$P" save "$f" "$dir/out.plr")"
      [ -z "$BEFORE" ] || b="$(timed "$BEFORE" check "$f") $(timed "$BEFORE" save "$f" "$dir/out-before.plr")"
    fi
    line="$line $a"
    [ -z "$BEFORE" ] || line="$line $b"
    echo "$line" >>"$dir/t.rounds"
  done
  cmp -s "$f" "$dir/out.plr" || echo "$shape: the saved file differs from the input"
  if [ -n "$BEFORE" ]; then
    cmp -s "$dir/out.plr" "$dir/out-before.plr" || echo "$shape: the two plr wrote different files"
  fi
  # The ratio of column a to column b, round by round, and its median.
  ratio() { awk -v a="$1" -v b="$2" '{print $a / $b}' "$dir/t.rounds" | median; }
  peak() { awk -v a="$1" -v b="$2" '{print ($a > $b) ? $a : $b}' "$dir/t.rounds" | median; }
  row() {  # the first of the six columns of one plr
    local c=$1 kib
    kib=$(peak $((c + 2)) $((c + 5)))
    printf ' | %5.2f %5.2f %5.2f %5.2f %6.1f %5.2f %5.1f' "$(ratio "$c" 1)" "$(ratio $((c + 1)) 2)" \
      "$(ratio $((c + 3)) 1)" "$(ratio $((c + 4)) 2)" "$(echo "$kib / 1024" | bc -l)" \
      "$(echo "$kib * 1024 / $bytes" | bc -l)" "$(echo "$kib * 1024 / $entries" | bc -l)"
  }
  printf '%-9s %6.1f %8d %6.1f' "$shape" "$(echo "$bytes / 1000000" | bc -l)" "$entries" \
    "$(awk '{print $1 / 1000}' "$dir/t.rounds" | median)"
  row 3
  if [ -n "$BEFORE" ]; then printf '   (before:'; row 9; printf ')'; fi
  echo
  rm -f "$dir/out.plr" "$dir/out-before.plr"
  [ -n "${KEEP:-}" ] || rm -f "$f"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "check, save: median over the rounds of the ratio to cp in the same round, in wall time"
echo "and in processor time (cpu); peak: median of the larger of check's and save's peak memory"
echo "(whole process), against the file's size (xfile) and per entry (B/ent)."
if [ "${POOL:-1}" = 1 ]; then
  $B generate "$dir/big.plr" 1000000 10000
  $B read "$dir/big.plr"
  $B reuse "$dir/big.plr"
  rm -f "$dir/big.plr"
fi
