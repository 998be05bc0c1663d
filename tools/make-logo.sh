#!/usr/bin/env bash
# Draws the About dialog's logo (600 x 300, 8-bit RGBA) with ImageMagick and writes it to
# app/resources/logo.png. The artwork is ours: a rounded card with a soft gradient, a
# stylised picture frame and the program's name. The version text is drawn over it by the
# dialog at 184, 76, so that strip is left plain.
set -euo pipefail
out=${1:-"$(dirname "$0")/../app/resources/logo.png"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert -size 600x300 gradient:'#fdfcf7-#d9e6f5' "$tmp/bg.png"
convert -size 600x300 xc:none -fill white -draw 'roundrectangle 0,0 599,299 28,28' "$tmp/mask.png"
convert "$tmp/bg.png" "$tmp/mask.png" -alpha off -compose CopyOpacity -composite "$tmp/card.png"

convert "$tmp/card.png" \
  -fill '#2f5d9e' -stroke none -draw 'roundrectangle 40,70 160,190 14,14' \
  -fill '#fdfcf7' -draw 'roundrectangle 50,80 150,180 8,8' \
  -fill '#f2b134' -draw 'circle 122,104 122,116' \
  -fill '#4f9a6b' -draw 'polygon 54,176 92,122 118,158 132,142 146,176' \
  -fill '#2f5d9e' -draw 'polygon 150,252 156,234 204,196 214,204 166,244' \
  -font Helvetica-Bold -pointsize 42 -fill '#1f3b66' -annotate +184+62 'JIB Viewer' \
  -font Helvetica -pointsize 17 -fill '#3d4f66' -annotate +186+124 'Thumbnails of your Lumenpix projects,' \
  -annotate +186+146 'right where your files are.' \
  -font Helvetica-Bold -pointsize 15 -fill '#2f5d9e' -annotate +40+276 'Quillbrew' \
  -font Helvetica -pointsize 13 -fill '#6b7a8c' -annotate +118+276 'Free edition' \
  -define png:color-type=6 -depth 8 "PNG32:$out"
echo "wrote $out"
