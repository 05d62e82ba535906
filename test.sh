#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the normal build's, fuzzing among them, then
# the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer (scripts/sanitize.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/setup.sh" --tests
cd "${KESTRELLE_BUILD:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
"$root/scripts/sanitize.sh"
