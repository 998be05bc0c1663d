#!/usr/bin/env bash
# Makes the thumbnails the preview tests pack into JIB files (with ImageMagick).
set -euo pipefail
cd "$(dirname "$0")"
# preview-40x30.png: 40 x 30 RGBA, a red-to-blue gradient, fully opaque.
convert -size 40x30 gradient:red-blue -alpha on PNG32:preview-40x30.png
# preview-64x48.png: 64 x 48 RGB, solid green, so the two thumbnails tell apart by size.
convert -size 64x48 xc:'#00a000' PNG24:preview-64x48.png
# preview-800x600.png: 800 x 600 palette image, larger than the preview pane.
convert -size 800x600 xc:'#336699' -colors 4 PNG8:preview-800x600.png
# JibSettings-beside.ini: the settings a read-only copy of the program finds beside itself.
printf '[General]\nMainSplit=222\nBrowserSplit=111\n' > JibSettings-beside.ini
