# The JPEG XL target's seeds, by libjxl's own encoder, one from a JPEG; sourced by fuzz/run.sh with $png, $out
# and $scratch.
cjxl --quiet "$png" "$out/lossy.jxl"
cjxl --quiet -d 0 "$png" "$out/lossless.jxl"
convert "$png" -background white -flatten "$scratch/from.jpg"
cjxl --quiet "$scratch/from.jpg" "$out/from-jpeg.jxl"
