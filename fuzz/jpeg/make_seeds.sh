#!/usr/bin/env bash
# Writes the small seed corpora of fuzz_jpeg and fuzz_bitmap: JPEG files in the
# variants photos come in (made with cjpeg and ImageMagick) and Windows bitmaps in
# the common layouts. Run from anywhere; the files stay a few hundred bytes each.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
jpg="$top/fuzz/corpus/fuzz_jpeg"
bmp="$top/fuzz/corpus/fuzz_bitmap"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$jpg" "$bmp"

convert -size 19x13 gradient:red-blue -fill lime -draw 'rectangle 3,3 9,7' "$work/src.ppm"
convert -size 7x1 gradient:yellow-black "$work/row.ppm"
convert -size 1300x2 gradient:white-navy "$work/wide.ppm"
cjpeg -quality 75 -outfile "$jpg/baseline420.jpg" "$work/src.ppm"
cjpeg -sample 1x1 -outfile "$jpg/baseline444.jpg" "$work/src.ppm"
cjpeg -progressive -outfile "$jpg/progressive.jpg" "$work/src.ppm"
cjpeg -grayscale -outfile "$jpg/gray.jpg" "$work/src.ppm"
cjpeg -restart 1B -outfile "$jpg/restart.jpg" "$work/src.ppm"
cjpeg -arithmetic -outfile "$jpg/arithmetic.jpg" "$work/src.ppm"
cjpeg -progressive -arithmetic -outfile "$jpg/progressive-arithmetic.jpg" "$work/src.ppm"
cjpeg -outfile "$jpg/one-row.jpg" "$work/row.ppm"
cjpeg -quality 30 -outfile "$jpg/wide.jpg" "$work/wide.ppm"
convert "$work/src.ppm" -colorspace CMYK -quality 70 "$jpg/cmyk.jpg"
convert "$work/src.ppm" -sampling-factor 2x1 -interlace Plane "$jpg/im-progressive422.jpg"

convert "$work/src.ppm" -type truecolor bmp3:"$bmp/rgb24.bmp"
convert "$work/src.ppm" -colors 200 -type palette bmp3:"$bmp/pal8.bmp"
convert "$work/src.ppm" -colors 200 -type palette -compress RLE bmp3:"$bmp/rle8.bmp"
convert "$work/src.ppm" -colors 12 -type palette bmp3:"$bmp/pal4.bmp"
convert "$work/src.ppm" -monochrome bmp3:"$bmp/mono.bmp"
convert "$work/src.ppm" -define bmp:subtype=RGB565 bmp:"$bmp/rgb565.bmp"
convert "$work/src.ppm" -alpha on -type truecoloralpha bmp:"$bmp/argb32.bmp"
convert "$work/src.ppm" bmp2:"$bmp/core12.bmp"
ls -l "$jpg" "$bmp"
