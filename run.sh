#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/setup.sh"
exec "${KESTRELLE_BUILD:-$root/build}/kestrelle"
