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
# The module readers' seeds come from their libraries' own tools.
png="$build/seeds/png_decoder/alpha.png"
webp="$build/seeds/webp_reader"
tiff="$build/seeds/tiff_reader"
heif="$build/seeds/heif_reader"
avif="$build/seeds/avif_reader"
mkdir -p "$webp" "$tiff" "$heif" "$avif"
cwebp -quiet "$png" -o "$webp/lossy.webp"
cwebp -quiet -lossless "$png" -o "$webp/lossless.webp"
convert "$png" -alpha off -depth 8 -compress none "$tiff/plain.tif"
convert "$png" -depth 16 -compress lzw "$tiff/lzw16.tif"
tiffcp -c jpeg -r 16 "$tiff/plain.tif" "$tiff/jpeg.tif"
tiffcp -t -w 16 -l 16 -c zip -p separate "$tiff/plain.tif" "$tiff/tiled.tif"
heif-enc -q 50 "$png" -o "$heif/alpha.heic" >/dev/null
convert "$png" -depth 16 "$build/seeds/wide.png"
heif-enc -q 50 -b 10 --no-alpha "$build/seeds/wide.png" -o "$heif/ten.heic" >/dev/null
avifenc -s 10 "$png" "$avif/alpha.avif" >/dev/null
avifenc -s 10 -d 10 -y 444 --irot 1 --crop 0,0,8,8 "$png" "$avif/turned.avif" >/dev/null
avifenc -s 10 "$png" "$png" "$avif/sequence.avif" >/dev/null
rm "$build/seeds/wide.png"
mkdir -p "$build/crashes"

failed=()
for target in cursor_file style_sheet picture_loader jpeg_decoder png_decoder gif_decoder text_picture bmp_decoder colour_profile \
  webp_reader tiff_reader heif_reader avif_reader; do
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
