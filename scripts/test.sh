#!/usr/bin/env bash
# Installs missing prerequisites, builds, and runs every test under Wine.
# Whatever happens, the Wine machine and its display are shut down after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
trap 'bash "$root/scripts/testbed.sh" stop "$root/build" >/dev/null 2>&1 || true' EXIT
cd "$root"
ctest --preset windows-x64 "$@"
