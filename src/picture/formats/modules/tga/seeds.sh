# The TGA target's seeds, by ImageMagick; sourced by fuzz/run.sh with $png, $out and $scratch.
convert "$png" -compress RLE "$out/rle.tga"
convert "$png" -type Palette "$out/mapped.tga"
convert "$png" -colorspace gray -orient TopRight "$out/grey.tga"
convert "$png" -depth 5 "$out/sixteen.tga"
