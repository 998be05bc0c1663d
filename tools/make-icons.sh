#!/usr/bin/env bash
# Draws the program's icon and writes it into packaging/icons/ in the hicolor theme's
# layout: scalable/apps/<id>.svg and <N>x<N>/apps/<id>.png for every size below.
#
# The artwork is the About logo's (tools/make-logo.sh): the same framed picture with its
# sun and hills, in the same colours and at the same coordinates, and the same pen, moved
# up onto the frame's lower-right corner so the pair fills a square. The SVG is written
# first and every PNG is rendered from it with rsvg-convert (librsvg2-bin), so the sizes
# can never drift apart. The window takes the PNGs through app/resources/jibview.qrc.
set -euo pipefail
id=com.quillbrew.jibview
out=${1:-"$(dirname "$0")/../packaging/icons"}
sizes=(16 24 32 48 64 128 256)

mkdir -p "$out/scalable/apps"
svg="$out/scalable/apps/$id.svg"
# The view box is the logo's frame and the moved pen with a 6-unit margin. The pen keeps
# a cream outline where it crosses the frame, as the logo's background gives it there.
cat >"$svg" <<'SVG'
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="34 64 156 156">
  <title>JIB Viewer</title>
  <rect x="40" y="70" width="120" height="120" rx="14" fill="#2f5d9e"/>
  <rect x="50" y="80" width="100" height="100" rx="8" fill="#fdfcf7"/>
  <circle cx="122" cy="104" r="12" fill="#f2b134"/>
  <polygon points="54,176 92,122 118,158 132,142 146,176" fill="#4f9a6b"/>
  <polygon points="120,212 126,194 174,156 184,164 136,204" fill="#2f5d9e"
           stroke="#fdfcf7" stroke-width="4" stroke-linejoin="round" paint-order="stroke"/>
</svg>
SVG

for n in "${sizes[@]}"; do
  mkdir -p "$out/${n}x${n}/apps"
  rsvg-convert --width "$n" --height "$n" --format png "$svg" --output "$out/${n}x${n}/apps/$id.png"
done
echo "wrote $svg and ${#sizes[@]} PNG sizes"
