#!/usr/bin/env bash
# Writes the thumbnailer test fixtures beside this script with ImageMagick: previews of the
# colour types, depths and interlacing the tests cover, and for each the thumbnail that
# ImageMagick's -thumbnail makes of it at the size the tests ask for, as 8-bit RGBA
# (ref-<name>-<size>.png; '>' so that, as ours, it never enlarges). FIXTURES.txt gets one
# line per file.
set -euo pipefail
cd "$(dirname "$0")"
rm -f preview-*.png ref-*.png FIXTURES.txt

make_preview() { # name size how format convert-arguments...
  local name=$1 size=$2 how=$3 format=$4
  shift 4
  convert "$@" "$format:preview-$name.png"
  convert "preview-$name.png" -thumbnail "${size}x${size}>" -depth 8 "PNG32:ref-$name-$size.png"
  echo "preview-$name.png: ImageMagick convert $how" >>FIXTURES.txt
  echo "ref-$name-$size.png: ImageMagick convert preview-$name.png -thumbnail '${size}x${size}>' -depth 8 PNG32:" >>FIXTURES.txt
}

alpha_disc() { # width height: a disc of opacity fading to transparent corners
  echo \( -size "$1x$2" radial-gradient:white-black \) -alpha off -compose CopyOpacity -composite
}

make_preview rgb8 100 "161x121 plasma (seed 21), RGB 8-bit" PNG24 \
  -seed 21 -size 161x121 plasma: -define png:color-type=2 -depth 8
make_preview rgba8-i 64 "150x100 plasma (seed 22) with a radial alpha, RGBA 8-bit, Adam7" PNG32 \
  -seed 22 -size 150x100 plasma: $(alpha_disc 150 100) -interlace PNG -define png:color-type=6 -depth 8
make_preview palette8 80 "120x90 plasma (seed 23) quantised to 200 colours, palette 8-bit" PNG8 \
  -seed 23 -size 120x90 plasma: -colors 200
make_preview palette-trns 50 "120x90 plasma (seed 24) with a radial alpha cut at half, 64 colours, palette 8-bit with tRNS" PNG8 \
  -seed 24 -size 120x90 plasma: $(alpha_disc 120 90) -channel A -threshold 50% +channel -colors 64
make_preview grey8 50 "130x70 plasma (seed 25) in grey, greyscale 8-bit" PNG \
  -seed 25 -size 130x70 plasma: -colorspace Gray -define png:color-type=0 -define png:bit-depth=8
make_preview grey16 90 "140x100 plasma (seed 26) in grey, greyscale 16-bit" PNG \
  -seed 26 -size 140x100 plasma: -colorspace Gray -define png:color-type=0 -define png:bit-depth=16
make_preview grey2-i 32 "90x60 grey gradient, greyscale 2-bit, Adam7" PNG \
  -size 90x60 gradient:white-black -define png:color-type=0 -define png:bit-depth=2 -interlace PNG
make_preview rgb16-i 70 "150x110 plasma (seed 27), RGB 16-bit, Adam7" PNG48 \
  -seed 27 -size 150x110 plasma: -define png:color-type=2 -depth 16 -interlace PNG
make_preview greyalpha8 48 "100x80 grey gradient with a radial alpha, grey+alpha 8-bit" PNG \
  -size 100x80 gradient:black-white $(alpha_disc 100 80) -define png:color-type=4 -depth 8
make_preview rgba16 77 "120x100 plasma (seed 28) with a radial alpha, RGBA 16-bit" PNG64 \
  -seed 28 -size 120x100 plasma: $(alpha_disc 120 100) -define png:color-type=6 -depth 16
make_preview small 256 "40x30 plasma (seed 29) with a radial alpha, RGBA 8-bit: smaller than the thumbnail" PNG32 \
  -seed 29 -size 40x30 plasma: $(alpha_disc 40 30) -define png:color-type=6 -depth 8
