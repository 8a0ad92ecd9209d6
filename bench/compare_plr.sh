#!/usr/bin/env bash
# Runs two builds of plr over the same inputs and reports every difference: the bytes that
# `plr save` writes, exit codes, and what `plr check` and `plr tree` print (stdout and stderr).
# Inputs: the fuzz corpora, the sample collection, small collections with names of every kind
# (backslashes, CP932 characters whose second byte is 0x5C, quotes, escapes), damaged copies of
# all of these (cut short, bytes flipped, lines swapped, CR LF turned round), and any further
# files given.
#   compare_plr.sh BEFORE_PLR AFTER_PLR [FILE...]
# Exit 0 when every run of the two gave the same, 1 otherwise.
set -euo pipefail
A=$1 B=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/in"

# Collections of every kind of name.
{
  printf 'FILE{\r\nNAME\t"R","2","?","?","0","1"\r\n'
  printf 'DATA\t"/walls/a\\b.jpg","2","?","?","0","1"\r\n'
  printf 'DATA\t"C:\\walls\\'; printf '表示能力ソ' | iconv -f UTF-8 -t CP932; printf '.jpg","1","a","b","1","0"\r\n'
  printf 'DATA\t"C:\\walls\\x\\y.jpg","2","?","?","0","1"\r\n'
  printf 'FILE{\r\nNAME\t"q/"uote","2","au","co","0","1"\r\n'
  printf 'DATA\t"C:\\w\\multi/nline.jpg","2","a/rb","c//d","0","1","\\n"\r\n'
  printf 'DATA\t"C:\\w\\","0","",""\r\nDATA\t"only"\r\n}FILE\r\n'
  printf 'NAME\t"late"\r\nbogus line\r\n}FILE\r\n}FILE\r\nDATA\t"after"\r\n'
} >"$dir/in/names.plr"
cp "$root"/tests/fuzz/corpus/* "$dir/in/"
if bash "$root/scripts/make-samples.sh" "$dir/samples" >/dev/null 2>&1; then
  cp "$dir/samples/sample.plr" "$dir/in/"
fi
for f in "$@"; do cp "$f" "$dir/in/"; done

# Damaged copies, the same every run.
python3 - "$dir/in" <<'EOF'
import os, random, sys
d = sys.argv[1]
rng = random.Random(1234)
for name in sorted(os.listdir(d)):
    data = open(os.path.join(d, name), 'rb').read()
    if not data or len(data) > 1 << 20:
        continue
    base = os.path.join(d, name)
    for k, cut in enumerate(sorted({len(data) // 3, len(data) // 2, len(data) - 1, len(data) - 3})):
        if cut > 0:
            open(f'{base}.cut{k}', 'wb').write(data[:cut])
    for k in range(4):
        b = bytearray(data)
        for _ in range(1 + len(b) // 50):
            b[rng.randrange(len(b))] = rng.choice(b'"/\\,\t \r\n{}\x5c\x81\x95\xff\x00' + bytes([rng.randrange(256)]))
        open(f'{base}.flip{k}', 'wb').write(bytes(b))
    lines = data.split(b'\n')
    rng.shuffle(lines)
    open(f'{base}.shuffled', 'wb').write(b'\n'.join(lines))
    open(f'{base}.lf', 'wb').write(data.replace(b'\r\n', b'\n'))
    open(f'{base}.crcr', 'wb').write(data.replace(b'\r\n', b'\n\r'))
EOF

# One run: stdout, stderr and exit code into files named after the build.
run() {  # label plr command args...
  local label=$1 plr=$2
  shift 2
  local rc=0
  "$plr" "$@" >"$dir/$label.out" 2>"$dir/$label.err" || rc=$?
  echo "$rc" >"$dir/$label.rc"
}
diffs=0 runs=0
for f in "$dir"/in/*; do
  for cmd in check tree "tree --utf8" save; do
    runs=$((runs + 1))
    if [ "$cmd" = save ]; then
      rm -f "$dir/a.plr" "$dir/b.plr"
      run a "$A" save "$f" "$dir/a.plr"
      run b "$B" save "$f" "$dir/b.plr"
      if ! cmp -s "$dir/a.plr" "$dir/b.plr"; then
        echo "differs: save $(basename "$f"): written bytes"
        diffs=$((diffs + 1))
        continue
      fi
    else
      # shellcheck disable=SC2086
      run a "$A" $cmd "$f"
      # shellcheck disable=SC2086
      run b "$B" $cmd "$f"
    fi
    # Messages name the file; both builds read the same path.
    for part in out err rc; do
      if ! cmp -s "$dir/a.$part" "$dir/b.$part"; then
        echo "differs: $cmd $(basename "$f"): $part"
        diffs=$((diffs + 1))
        break
      fi
    done
  done
done
echo "$runs runs over $(ls "$dir/in" | wc -l) inputs, $diffs differing"
[ "$diffs" -eq 0 ]
