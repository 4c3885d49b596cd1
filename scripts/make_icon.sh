#!/usr/bin/env bash
# Draws the program icon (res/velmora.ico): rails running into a dusk sky,
# at 256, 48, 32 and 16 pixels. Run by hand when the icon changes.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 256x256 gradient:'#1d2b53-#e8875a' "$work/sky.png"
convert -size 256x256 xc:none -fill white -draw 'roundrectangle 8,8 247,247 40,40' "$work/mask.png"
convert "$work/sky.png" \
  -fill '#3b3b46' -draw 'polygon 20,247 236,247 138,140 118,140' \
  -fill '#f2d48a' -draw 'circle 128,122 128,104' \
  -fill '#2a2a30' -draw 'rectangle 0,140 256,146' \
  -stroke '#8a6a4a' -strokewidth 7 -draw 'line 46,230 210,230' \
  -strokewidth 5 -draw 'line 72,200 184,200' \
  -strokewidth 4 -draw 'line 92,176 164,176' \
  -strokewidth 3 -draw 'line 106,158 150,158' \
  -stroke '#e6e6ef' -strokewidth 8 -draw 'line 62,247 124,140' -draw 'line 194,247 132,140' \
  "$work/art.png"
convert "$work/art.png" "$work/mask.png" -alpha off -compose CopyOpacity -composite "$work/icon.png"
convert "$work/icon.png" -define icon:auto-resize=256,48,32,16 res/velmora.ico
echo "wrote res/velmora.ico"
