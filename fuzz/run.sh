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
# A module format's folder may hold seeds.sh, which writes its target's seeds with its library's own tools
# from $png into $out, with $scratch for files on the way; make_seeds writes those of RAW, SVG and OpenEXR.
png="$build/seeds/png_reader/alpha.png"
scratch="$build/scratch"
mkdir -p "$scratch"
for recipe in "$here"/../src/picture/formats/modules/*/seeds.sh; do
  fuzzer=("$(dirname "$recipe")"/*_fuzzer.cpp)
  out="$build/seeds/$(basename "${fuzzer[0]}" _fuzzer.cpp)"
  mkdir -p "$out"
  (. "$recipe")
done
rm -rf "$scratch"
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
