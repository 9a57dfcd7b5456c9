#!/usr/bin/env bash
# Builds, starts the Wine test bed with the simulated device, runs every
# benchmark and prints its table; the test bed is shut down afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bash "$root/scripts/build.sh" >/dev/null
trap 'bash "$root/scripts/testbed.sh" stop "$build" >/dev/null 2>&1 || true' EXIT
bash "$root/scripts/testbed.sh" start "$build" >/dev/null
bash "$root/scripts/testbed.sh" device "$build" >/dev/null
echo "Control library against the simulated driver ($(nproc) cores, $(date -u +%Y-%m-%d))"
"$build/wine-run" "$build/bin/kvf_bench.exe"
