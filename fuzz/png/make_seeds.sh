#!/usr/bin/env bash
# Writes the small seed corpora of fuzz_png, fuzz_webp and fuzz_exif: PNG and WebP files
# in the variants photos come in (ImageMagick, cwebp) and EXIF segments of both byte
# orders. Run from anywhere; the files stay a few hundred bytes each.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
png="$top/fuzz/corpus/fuzz_png"
webp="$top/fuzz/corpus/fuzz_webp"
exif="$top/fuzz/corpus/fuzz_exif"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$png" "$webp" "$exif"

convert -size 19x13 gradient:red-blue -fill lime -draw 'rectangle 3,3 9,7' "$work/src.png"
convert -size 19x13 gradient:red-blue -alpha set -channel A -evaluate set 50% +channel "$work/alpha.png"
convert "$work/src.png" PNG24:"$png/rgb.png"
convert "$work/src.png" -depth 16 PNG48:"$png/rgb16.png"
convert "$work/src.png" PNG8:"$png/palette.png"
convert "$work/src.png" -colorspace Gray "$png/grey.png"
convert "$work/alpha.png" PNG32:"$png/rgba.png"
convert "$work/src.png" -interlace PNG PNG24:"$png/interlaced.png"
cwebp -quiet -q 60 -o "$webp/lossy.webp" "$work/src.png"
cwebp -quiet -lossless -o "$webp/lossless.webp" "$work/src.png"
cwebp -quiet -lossless -exact -o "$webp/alpha.webp" "$work/alpha.png"
cwebp -quiet -q 60 -alpha_q 50 -o "$webp/lossy_alpha.webp" "$work/alpha.png"
printf 'Exif\0\0II*\0\10\0\0\0\1\0\22\1\3\0\1\0\0\0\6\0\0\0\0\0\0\0' > "$exif/le6.bin"
printf 'Exif\0\0MM\0*\0\0\0\10\0\1\1\22\0\3\0\0\0\1\0\10\0\0\0\0\0\0' > "$exif/be8.bin"
