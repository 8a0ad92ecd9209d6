#!/usr/bin/env bash
# Drives the plr tool as a user would: exit codes, messages and output bytes.
# PLR is the tool; EMULATOR (may be empty) runs it, e.g. wine for plr.exe.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fails=0; passes=0
plr() { ${EMULATOR:+$EMULATOR} "$PLR" "$@" 2>err.txt | tr -d '\r'; return "${PIPESTATUS[0]}"; }
expect() { # expect NAME ACTUAL WANTED
  if [ "$2" == "$3" ]; then passes=$((passes+1)); else
    fails=$((fails+1)); echo "FAIL $1"; echo "  got:    $(printf %q "$2")"; echo "  wanted: $(printf %q "$3")"; fi
}

printf 'FILE{\r\nNAME\t"Root","1","me","top","0","1"\r\nFILE{\r\nNAME\t"Sub","2","?","?","1","0"\r\nDATA\t"C:\\a.jpg","0","x","y","0","1"\r\n}FILE\r\nDATA\t"C:\\b.bmp","4","?","?","1","1"\r\n}FILE\r\n}FILE\r\nDATA\t"stray"\r\n' > ok.plr

out=$(plr check ok.plr); rc=$?
expect "check exit" "$rc" 0
expect "check output" "$out" $'folders 2 files 2\nline 9: "}FILE" with no open folder ignored\nline 10: "DATA" with no open folder ignored'

out=$(plr tree ok.plr); rc=$?
expect "tree exit" "$rc" 0
want=$(printf '[Root]\t%s\tme\ttop\t-\tC\n  [Sub]\t%s\t?\t?\tI\t-\n    C:\\a.jpg\t%s\tx\ty\t-\tC\n  C:\\b.bmp\t%s\t?\t?\tI\tC' \
  "$(printf 'つぼにはまりすぎ' | iconv -f UTF-8 -t CP932)" "$(printf 'OKだよ' | iconv -f UTF-8 -t CP932)" \
  "$(printf '萌え萌え！' | iconv -f UTF-8 -t CP932)" "$(printf 'たまに見るのも良いかな' | iconv -f UTF-8 -t CP932)")
expect "tree output (CP932 bytes)" "$out" "$want"
out=$(plr tree ok.plr --utf8 | head -1)
expect "tree --utf8" "$out" $'[Root]\tつぼにはまりすぎ\tme\ttop\t-\tC'

plr save ok.plr out.plr; rc=$?
expect "save exit" "$rc" 0
expect "save output" "$(od -c out.plr | head -2 | tail -1 | tr -s ' ')" "$(printf 'FILE{\r\nNAME\t"Root","1","me","top","0","1"\r\n' | od -c | head -2 | tail -1 | tr -s ' ')"
plr save out.plr again.plr
expect "save is stable" "$(cmp -s out.plr again.plr; echo $?)" 0

out=$(plr check missing.plr); rc=$?
expect "missing exit" "$rc" 2
expect "missing message" "$(tr -d '\r' < err.txt)" "plr: cannot open missing.plr: No such file or directory"

echo "keep" > target.plr
mkdir target.plr.tmp
plr save ok.plr target.plr; rc=$?
expect "failed save exit" "$rc" 2
expect "failed save keeps old file" "$(cat target.plr)" "keep"

plr check >/dev/null; expect "no args exit" "$?" 2
plr check --help >/dev/null; expect "help exit" "$?" 0
out=$(plr --help); expect "top help lists check" "$(echo "$out" | grep -c '^  check')" 1

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
