#!/bin/sh
# Bitmap files written by an independent encoder (ImageMagick 6), read back by the tests
# and compared with the PNG each was made from. Run from this folder to make them again.
set -e
convert -size 23x11 xc:white -fill red -draw "rectangle 0,0 7,5" -fill "#0040C0" \
    -draw "rectangle 8,0 15,10" -fill "#20A040" -draw "rectangle 16,3 22,10" -fill black \
    -draw "point 0,10" -fill "#FFE000" -draw "line 0,7 7,9" PNG24:top.png
convert -size 23x4 gradient:"#102030"-"#F0E0A0" PNG24:bottom.png
convert top.png bottom.png -append PNG24:colours.png
rm top.png bottom.png
convert -size 21x9 xc:white -fill black -draw "rectangle 2,2 10,6" -draw "point 20,8" \
    -type bilevel PNG:bilevel.png
convert colours.png -colors 12 -type palette PNG8:few.png

convert colours.png -type palette -compress None BMP3:im-v3-8bit.bmp
convert colours.png -type palette -compress RLE BMP3:im-v3-rle8.bmp
convert colours.png -type truecolor BMP3:im-v3-24bit.bmp
convert colours.png -type truecoloralpha BMP:im-v5-32bit.bmp
convert colours.png -define bmp:subtype=RGB565 BMP:im-v5-565.bmp
convert colours.png -define bmp:subtype=RGB555 BMP:im-v5-555.bmp
convert few.png -type palette BMP3:im-v3-4bit.bmp
convert few.png -type palette BMP2:im-core-4bit.bmp
convert colours.png -type palette BMP2:im-core-8bit.bmp
convert colours.png -type truecolor BMP2:im-core-24bit.bmp
convert bilevel.png -type bilevel BMP3:im-v3-1bit.bmp
