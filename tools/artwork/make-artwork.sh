#!/bin/sh
# Draws the menu's artwork (run by hand; the results are committed under
# src/resources): an 800 x 600 baseline JPEG background and a 32 x 32,
# 16-colour icon. Needs ImageMagick.
set -eu
out=${1:-$(dirname "$0")/../../src/resources}
convert -size 800x600 gradient:'#bfe6ff'-'#2f7fc1' \
    -fill '#ffffff40' -draw 'circle 120,90 120,20' -draw 'circle 700,520 700,420' \
    -fill '#ffd54f' -draw 'circle 720,80 720,40' \
    -fill '#66bb6a' -draw 'ellipse 400,640 520,130 180,360' \
    -fill '#43a047' -draw 'ellipse 90,620 260,110 180,360' -draw 'ellipse 720,630 240,100 180,360' \
    -fill '#ffffffb0' -draw 'ellipse 260,60 70,22 0,360' -draw 'ellipse 300,52 50,20 0,360' \
    -draw 'ellipse 560,40 60,18 0,360' -draw 'ellipse 600,46 46,16 0,360' \
    -strip -sampling-factor 2x2 -interlace none -quality 88 "JPEG:$out/background.jpg"
convert -size 32x32 xc:none \
    -fill '#1565c0' -draw 'roundrectangle 3,5 28,28 4,4' \
    -fill '#ffffff' -draw 'rectangle 7,9 15,25' -draw 'rectangle 17,9 25,25' \
    -fill '#1565c0' -draw 'line 9,13 13,13' -draw 'line 9,17 13,17' -draw 'line 19,13 23,13' -draw 'line 19,17 23,17' \
    -fill '#ffd54f' -draw 'rectangle 15,3 17,27' \
    -colors 16 -type PaletteAlpha "PNG8:$out/icon.png"
