#!/usr/bin/env bash
# Writes the ImageMagick fixtures of the decoder tests beside this script (run
# make_fixtures.py first: it starts FIXTURES.txt afresh), and for each
# (and for the About logo) the CRC-32 of ImageMagick's own decoding to 8-bit RGBA, which
# the tests compare with the decoder's pixels. Appends one line per file to FIXTURES.txt.
set -euo pipefail
cd "$(dirname "$0")"
logo=../../../app/resources/logo.png

make_png() { # name how format convert-arguments...
  local name=$1 how=$2 format=$3
  shift 3
  convert "$@" "$format:$name"
  echo "$name: ImageMagick convert $how" >>FIXTURES.txt
}

make_png im-plasma-rgba8-i.png "64x40 plasma (seed 7) with a radial alpha, RGBA 8-bit, Adam7" PNG32 \
  -seed 7 -size 64x40 plasma: \( -size 64x40 radial-gradient: \) -alpha off \
  -compose CopyOpacity -composite -interlace PNG -define png:color-type=6 -depth 8
make_png im-plasma-rgb8.png "64x40 plasma (seed 9), RGB 8-bit" PNG24 \
  -seed 9 -size 64x40 plasma: -define png:color-type=2 -depth 8
make_png im-plasma-palette8.png "64x40 plasma (seed 11) quantised to 200 colours, palette 8-bit" PNG8 \
  -seed 11 -size 64x40 plasma: -colors 200
make_png im-gradient-grey4-i.png "61x23 grey gradient, greyscale 4-bit, Adam7" PNG \
  -size 61x23 gradient:white-black -define png:color-type=0 -define png:bit-depth=4 \
  -interlace PNG
make_png im-gradient-greyalpha8.png "50x30 grey gradient with a linear alpha, grey+alpha 8-bit" PNG \
  -size 50x30 gradient:black-white \( -size 30x50 gradient: -rotate 90 \) -alpha off \
  -compose CopyOpacity -composite -define png:color-type=4 -depth 8

{
  for f in im-*.png "$logo"; do
    printf '%s %s\n' "$(basename "$f")" \
      "$(convert "$f" -depth 8 rgba:- | python3 -c 'import sys,zlib; print("%08x" % zlib.crc32(sys.stdin.buffer.read()))')"
  done
} >rgba-crc32.txt
echo "rgba-crc32.txt: CRC-32 (Python zlib) of 'convert <file> -depth 8 rgba:-' for each im-*.png and app/resources/logo.png" >>FIXTURES.txt
