#!/usr/bin/env bash
# Builds the fuzz targets with clang in a tree of their own, seeds each from generated files and runs each for
# a bounded time. A crash, a sanitizer report, a leak, a slow input or running out of memory fails the run;
# the input that did it is kept under <build>/crashes. What each target learnt stays in <build>/corpus.
# Usage: run.sh <clang++> <build dir> <seconds per target>
set -euo pipefail
cxx="$1"
build="$2"
seconds="$3"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

cmake -S "$here/project" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -rf "$build/seeds"
"$build/make_seeds" "$build/seeds"
# The module readers' seeds come from their libraries' own tools; make_seeds writes those of RAW and SVG.
png="$build/seeds/png_decoder/alpha.png"
webp="$build/seeds/webp_reader"
tiff="$build/seeds/tiff_reader"
jxl="$build/seeds/jxl_reader"
jp2="$build/seeds/jp2_reader"
heif="$build/seeds/heif_reader"
avif="$build/seeds/avif_reader"
mkdir -p "$webp" "$tiff" "$jxl" "$jp2" "$heif" "$avif"
cwebp -quiet "$png" -o "$webp/lossy.webp"
cwebp -quiet -lossless "$png" -o "$webp/lossless.webp"
convert "$png" -alpha off -depth 8 -compress none "$tiff/plain.tif"
convert "$png" -depth 16 -compress lzw "$tiff/lzw16.tif"
tiffcp -c jpeg -r 16 "$tiff/plain.tif" "$tiff/jpeg.tif"
tiffcp -t -w 16 -l 16 -c zip -p separate "$tiff/plain.tif" "$tiff/tiled.tif"
cjxl --quiet "$png" "$jxl/lossy.jxl"
cjxl --quiet -d 0 "$png" "$jxl/lossless.jxl"
convert "$png" -background white -flatten "$build/from.jpg"
cjxl --quiet "$build/from.jpg" "$jxl/from-jpeg.jxl"
opj_compress -n 3 -i "$png" -o "$jp2/lossless.jp2" >/dev/null
opj_compress -n 3 -r 20 -SOP -EPH -t 16,16 -i "$png" -o "$jp2/tiled.j2k" >/dev/null
# The OpenEXR seeds come from make_seeds, through OpenEXR itself.
# QOI has no tool here: its seed is written by hand, one operation of each kind.
tga="$build/seeds/tga_reader"
psd="$build/seeds/psd_reader"
qoi="$build/seeds/qoi_reader"
mkdir -p "$tga" "$psd" "$qoi"
convert "$png" -compress RLE "$tga/rle.tga"
convert "$png" -type Palette "$tga/mapped.tga"
convert "$png" -colorspace gray -orient TopRight "$tga/grey.tga"
convert "$png" -depth 5 "$tga/sixteen.tga"
convert "$png" "$psd/packbits.psd"
convert "$png" -colorspace cmyk -compress none "$psd/cmyk.psd"
convert "$png" -type Palette "$psd/indexed.psd"
convert "$png" -colorspace gray -depth 16 "$psd/grey16.psd"
printf 'qoif\0\0\0\x08\0\0\0\x01\x04\0\xfe\x10\x20\x30\x72\xaa\xa3\xff\x50\x60\x70\0\xc1\x15\x6a\0\0\0\0\0\0\0\x01' \
  >"$qoi/operations.qoi"
heif-enc -q 50 "$png" -o "$heif/alpha.heic" >/dev/null
convert "$png" -depth 16 "$build/seeds/wide.png"
heif-enc -q 50 -b 10 --no-alpha "$build/seeds/wide.png" -o "$heif/ten.heic" >/dev/null
avifenc -s 10 "$png" "$avif/alpha.avif" >/dev/null
avifenc -s 10 -d 10 -y 444 --irot 1 --crop 0,0,8,8 "$png" "$avif/turned.avif" >/dev/null
avifenc -s 10 "$png" "$png" "$avif/sequence.avif" >/dev/null
rm "$build/seeds/wide.png"
mkdir -p "$build/crashes"

# Leaks inside outside libraries are left to them, as in the sanitized suite.
export LSAN_OPTIONS="suppressions=$here/../scripts/sanitizers/lsan.supp:print_suppressions=0"
failed=()
# Every target the project builds, the formats' from their table.
mapfile -t targets <"$build/targets.txt"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  options=(-max_total_time="$seconds" -rss_limit_mb=2560 -timeout=10 -print_final_stats=1
           -artifact_prefix="$build/crashes/$target-")
  [ -f "$here/$target.dict" ] && options+=(-dict="$here/$target.dict")
  echo "== fuzz_$target for ${seconds}s"
  "$build/fuzz_$target" "${options[@]}" "$build/corpus/$target" "$build/seeds/$target" || failed+=("$target")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed: ${failed[*]}; inputs in $build/crashes"
  exit 1
fi
