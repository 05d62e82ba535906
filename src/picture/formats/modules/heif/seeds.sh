# The HEIF target's seeds, by libheif's own encoder, one of 10 bits; sourced by fuzz/run.sh with $png, $out
# and $scratch.
heif-enc -q 50 "$png" -o "$out/alpha.heic" >/dev/null
convert "$png" -depth 16 "$scratch/wide.png"
heif-enc -q 50 -b 10 --no-alpha "$scratch/wide.png" -o "$out/ten.heic" >/dev/null
