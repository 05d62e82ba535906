# The PSD target's seeds, by ImageMagick; sourced by fuzz/run.sh with $png, $out and $scratch.
convert "$png" "$out/packbits.psd"
convert "$png" -colorspace cmyk -compress none "$out/cmyk.psd"
convert "$png" -type Palette "$out/indexed.psd"
convert "$png" -colorspace gray -depth 16 "$out/grey16.psd"
