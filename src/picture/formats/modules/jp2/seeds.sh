# The JPEG 2000 target's seeds, by OpenJPEG's own encoder; sourced by fuzz/run.sh with $png, $out and $scratch.
opj_compress -n 3 -i "$png" -o "$out/lossless.jp2" >/dev/null
opj_compress -n 3 -r 20 -SOP -EPH -t 16,16 -i "$png" -o "$out/tiled.j2k" >/dev/null
