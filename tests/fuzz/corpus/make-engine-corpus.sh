#!/usr/bin/env bash
# Remakes the engine harness's seed corpus with Info-ZIP zip. Each seed is one option byte
# (see EngineFuzz.cpp: 1 folder names, 2 test only, 4 preview.png only, 8 record password,
# 16 no overwrite, 32 callback answers the password) followed by an archive.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/engine"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p layers
printf '\x89PNG\r\n\x1a\nnot really a picture, but bytes to extract\n' > preview.png
for i in 1 2 3; do echo "layer $i of the picture, layer $i of the picture" > layers/l$i.txt; done

seed() { # seed NAME OPTION-BYTE: archive on stdin
  { printf "\\x$2"; cat; } > "$out/$1"
}
zip -q -0 - preview.png | seed stored 00                               # stored, one member
zip -q -9 - preview.png layers/l1.txt | seed deflated-preview 04       # deflated, viewer's road
zip -q -r - preview.png layers | cat | seed streamed-folders 01        # data descriptors, folders
zip -q -P secret - preview.png | seed encrypted 08                     # password in the record
zip -q -P secret - preview.png layers/l2.txt | seed encrypted-asked 24 # password from the callback
cat layers/l3.txt | zip -q - - | cat | seed stdin-zip64 02             # ZIP64 descriptor, test only
{ printf 'MZ stub in front'; zip -q - preview.png; } | seed prefixed 10 # bytes before the archive
