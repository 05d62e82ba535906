# The AVIF target's seeds, by libavif's own encoder: turned and cropped, and a sequence; sourced by fuzz/run.sh
# with $png, $out and $scratch.
avifenc -s 10 "$png" "$out/alpha.avif" >/dev/null
avifenc -s 10 -d 10 -y 444 --irot 1 --crop 0,0,8,8 "$png" "$out/turned.avif" >/dev/null
avifenc -s 10 "$png" "$png" "$out/sequence.avif" >/dev/null
