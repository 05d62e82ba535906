#!/usr/bin/env bash
# Shared by run.sh and test.sh: install what is missing, configure and build.
# Quick when nothing changed: no apt call when every package is present, and an incremental build.
# Usage: setup.sh [--tests]   (--tests adds the packages that the test suite needs)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KESTRELLE_BUILD:-$root/build}"

lists=("$root/scripts/packages/build.txt")
if [ "${1:-}" = "--tests" ]; then
  for f in "$root"/scripts/packages/test-*.txt; do [ -e "$f" ] && lists+=("$f"); done
fi
mapfile -t packages < <(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)

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
cmake --build "$build" -j "$(nproc)"
