#!/usr/bin/env bash
# Remakes the thumbnail harness's seed corpus (corpus/thumbnail): small JIBs written by
# Info-ZIP zip in each form, around previews copied from tests/data/png (see SEEDS.txt).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/corpus/thumbnail"
png="$here/../data/png"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cd "$work"
echo "layer one of the picture, layer one of the picture" > layer.bin
jib() { # NAME PREVIEW ZIP-ARGUMENTS...: zip's archive on stdout becomes the seed
  local name=$1 preview=$2
  shift 2
  cp "$png/$preview" preview.png
  zip -q "$@" - layer.bin preview.png > "$out/$name"
}
jib palette-deflated.jib pattern-c3-d4.png -9
jib rgba-interlaced-stored.jib pattern-c6-d8-i.png -0
jib grey16-deflated.jib pattern-c0-d16.png -6
jib greyalpha-streamed.jib pattern-c4-d8.png -1
cp "$png/pattern-c3-d4.png" preview.png
zip -q -fz zip64.jib preview.png layer.bin && mv zip64.jib "$out/palette-zip64.jib"
zip -q -P secret - preview.png > "$out/encrypted.jib"
cp preview.png PREVIEW.PNG && rm preview.png && zip -q - layer.bin PREVIEW.PNG > "$out/name-in-capitals.jib"
