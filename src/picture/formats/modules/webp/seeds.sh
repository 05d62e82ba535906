# The WebP target's seeds, by libwebp's own encoder; sourced by fuzz/run.sh with $png, $out and $scratch.
cwebp -quiet "$png" -o "$out/lossy.webp"
cwebp -quiet -lossless "$png" -o "$out/lossless.webp"
