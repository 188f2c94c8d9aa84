#!/bin/sh
# Draws the program icon (icon group 200): a blue file sheet with "NC" and an
# arrow towards a machine. Run by hand when the picture changes; the .ico is
# kept in the repository so that a build needs no ImageMagick.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
for size in 16 32 48; do
  s=$((size * 4))
  convert -size ${s}x${s} xc:none \
    -fill '#1f4e9a' -draw "roundrectangle $((s/16)),$((s/16)) $((s*15/16)),$((s*15/16)) $((s/8)),$((s/8))" \
    -fill white -draw "polygon $((s/5)),$((s/5)) $((s*3/5)),$((s/5)) $((s*3/4)),$((s*7/20)) $((s*3/4)),$((s*4/5)) $((s/5)),$((s*4/5))" \
    -fill '#1f4e9a' -font DejaVu-Sans-Bold -pointsize $((s*3/10)) -gravity center -annotate +0-$((s/20)) NC \
    -fill '#f0a020' -draw "polygon $((s*11/20)),$((s*13/20)) $((s*9/10)),$((s*13/20)) $((s*9/10)),$((s*11/20)) $((s*15/16)),$((s*3/4)) $((s*9/10)),$((s*19/20)) $((s*9/10)),$((s*17/20)) $((s*11/20)),$((s*17/20))" \
    -resize ${size}x${size} "$tmp/icon$size.png"
done
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" vantrel.ico
rm -rf "$tmp"
