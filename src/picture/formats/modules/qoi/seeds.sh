# The QOI target's seed: no tool here writes QOI, so it is written by hand, one operation of each kind.
# Sourced by fuzz/run.sh with $png, $out and $scratch.
printf 'qoif\0\0\0\x08\0\0\0\x01\x04\0\xfe\x10\x20\x30\x72\xaa\xa3\xff\x50\x60\x70\0\xc1\x15\x6a\0\0\0\0\0\0\0\x01' \
  >"$out/operations.qoi"
