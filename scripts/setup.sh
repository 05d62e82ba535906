#!/usr/bin/env bash
# Shared by run.sh and test.sh: install what is missing, configure and build.
# Quick when nothing changed: no apt call when every package is present, and an incremental build.
# Usage: setup.sh [--tests]
#   without --tests: builds only the program and the files beside it, enough to start it;
#   with --tests: adds the packages that the test suite needs and builds everything, warnings as errors.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KESTRELLE_BUILD:-$root/build}"

lists=("$root/scripts/packages/build.txt")
if [ "${1:-}" = "--tests" ]; then
  for f in "$root"/scripts/packages/test-*.txt; do [ -e "$f" ] && lists+=("$f"); done
fi
# The formats' table names each format's packages in its fifth column, and those of its tests in its sixth.
table="$root/src/picture/formats/formats.txt"
columns='$5'
[ "${1:-}" = "--tests" ] && columns='$5 " " $6'
mapfile -t packages < <({ cat "${lists[@]}"; awk -F'|' "!/^#/ { print $columns }" "$table"; } | sed 's/#.*//' |
  tr -s ' \t' '\n' | grep -v '^$' | sort -u)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
if [ "${1:-}" = "--tests" ]; then
  # Configured again every time: a part whose packages came after the last configuration (run.sh's, say)
  # is taken in now, and one that still cannot be built stops the configuration instead of leaving its
  # tests out without a word.
  cmake -S "$root" -B "$build" -DKESTRELLE_WERROR=ON -DKESTRELLE_REQUIRE_ALL_PARTS=ON
  cmake --build "$build" -j "$(nproc)"
else
  cmake --build "$build" -j "$(nproc)" --target kestrelle
fi
