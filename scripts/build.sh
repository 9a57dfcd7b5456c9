#!/usr/bin/env bash
# Installs missing prerequisites, configures and builds the tree (build/):
# everything, or only the targets given (scripts/demo.sh builds "demo").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/prereqs.sh"
cd "$root"
cmake --preset windows-x64 >/dev/null
if [ $# -gt 0 ]; then
  cmake --build --preset windows-x64 --target "$@"
else
  cmake --build --preset windows-x64
fi
