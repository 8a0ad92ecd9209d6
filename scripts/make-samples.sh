#!/usr/bin/env bash
# Makes the sample collection in OUT_DIR: a few small images drawn with ImageMagick and
# sample.plr, whose entries name them by their paths as Windows programs under Wine see them
# (drive Z: is the root of the Linux file system).
# Usage: make-samples.sh OUT_DIR [lf]   (lf: write the collection with LF line ends)
set -euo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
ending=${2:-crlf}
img="$out/images"
mkdir -p "$img/動物"

draw() { [ -f "$1" ] || convert -size 320x240 "${@:2}" "$1"; }
draw "$img/夕焼け.bmp" gradient:'#ff8c00-#4b0082'
draw "$img/sea.jpg" gradient:'#87ceeb-#00008b'
draw "$img/forest.jpg" radial-gradient:'#ade08a-#0b4a1a'
draw "$img/動物/cat.bmp" -define gradient:angle=45 gradient:'#f5deb3-#8b4513'
draw "$img/動物/dog.jpg" radial-gradient:'#fffacd-#a0522d'
echo "not an image" >"$img/動物/readme.txt"
printf '<HTML><BODY BGCOLOR="#336699"></BODY></HTML>\r\n' >"$img/page.html"

win() { printf 'Z:%s' "${1//\//\\}"; }
eol=$'\r\n'
[ "$ending" = lf ] && eol=$'\n'
{
  printf 'FILE{%s' "$eol"
  printf 'NAME\t"壁紙コレクション","2","?","?","0","1"%s' "$eol"
  printf 'FILE{%s' "$eol"
  printf 'NAME\t"風景","1","山田 花子","夕焼けと海","0","1"%s' "$eol"
  printf 'DATA\t"%s","0","山田 花子","オレンジの空","0","1"%s' "$(win "$img/夕焼け.bmp")" "$eol"
  printf 'DATA\t"%s","2","?","?","1","1"%s' "$(win "$img/sea.jpg")" "$eol"
  printf 'DATA\t"%s","3","鈴木","森の中","0","1"%s' "$(win "$img/forest.jpg")" "$eol"
  printf '}FILE%s' "$eol"
  printf 'FILE{%s' "$eol"
  printf 'NAME\t"動物","3","佐藤","フォルダーごと","0","1"%s' "$eol"
  printf 'DATA\t"%s","2","?","?","1","1"%s' "$(win "$img/動物")" "$eol"
  printf '}FILE%s' "$eol"
  printf 'FILE{%s' "$eol"
  printf 'NAME\t"お休み中","4","?","?","0","0"%s' "$eol"
  printf '}FILE%s' "$eol"
  printf 'DATA\t"%s","2","?","?","0","1"%s' "$(win "$img/page.html")" "$eol"
  printf '}FILE%s' "$eol"
} | iconv -f UTF-8 -t CP932 >"$out/sample.plr"
echo "$out/sample.plr"
