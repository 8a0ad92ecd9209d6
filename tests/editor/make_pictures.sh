#!/bin/bash
# Pictures in the forms the thumbnail pane meets, drawn with ImageMagick for the decoder's tests
# (the damaged ones are made from these by the tests themselves).
set -e
out=$1
mkdir -p "$out"
cd "$out"
[ -s photo.jpg ] && [ -s interlaced.png ] && exit 0
convert -size 1600x1200 gradient:red-blue -quality 85 photo.jpg
convert -size 160x120 xc:'#00C000' -quality 90 thumb.jpg
convert -size 64x48 gradient:yellow-navy -interlace JPEG progressive.jpg
convert -size 64x48 gradient:cyan-magenta -colorspace CMYK cmyk.jpg
convert -size 64x48 gradient:white-black -colorspace Gray gray.jpg
convert -size 64x48 gradient:red-green -depth 16 PNG48:png16.png
convert -size 64x48 gradient:red-green PNG8:palette.png
convert -size 64x48 gradient:orange-purple -interlace PNG interlaced.png
convert -size 64x48 xc:teal -alpha set -channel A -evaluate set 50% PNG32:alpha.png
