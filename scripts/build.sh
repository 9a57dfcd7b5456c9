#!/usr/bin/env bash
# Installs missing prerequisites, configures and builds the tree (build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/prereqs.sh"
cd "$root"
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
