#!/usr/bin/env bash
# Makes the benchmark inputs with ImageMagick into the folder given (default: beside this
# script): a 4096 x 4096 8-bit RGBA image (a plasma with a radial alpha, the kind of
# smooth photographic content that makes encoders pick the Paeth and Average filters) and
# a 1024 x 1024 8-bit palette image of 256 colours; and a 256 x 256 RGBA image of the same
# kind, the size of a preview thumbnail, for the drawing benchmark; and a 64 x 64 one, the
# smallest thumbnail the editor writes.
set -euo pipefail
out=${1:-"$(dirname "$0")"}
mkdir -p "$out"
if [ ! -s "$out/bench-rgba-4096.png" ]; then
  convert -seed 4 -size 4096x4096 plasma:fractal \( -size 4096x4096 radial-gradient: \) \
    -alpha off -compose CopyOpacity -composite -define png:color-type=6 -depth 8 \
    "PNG32:$out/bench-rgba-4096.png"
fi
if [ ! -s "$out/bench-palette-1024.png" ]; then
  convert -seed 5 -size 1024x1024 plasma:fractal -colors 256 "PNG8:$out/bench-palette-1024.png"
fi
if [ ! -s "$out/bench-rgba-256.png" ]; then
  convert -seed 6 -size 256x256 plasma:fractal \( -size 256x256 radial-gradient: \) \
    -alpha off -compose CopyOpacity -composite -define png:color-type=6 -depth 8 \
    "PNG32:$out/bench-rgba-256.png"
fi
if [ ! -s "$out/bench-rgba-64.png" ]; then
  convert -seed 7 -size 64x64 plasma:fractal \( -size 64x64 radial-gradient: \) \
    -alpha off -compose CopyOpacity -composite -define png:color-type=6 -depth 8 \
    "PNG32:$out/bench-rgba-64.png"
fi
