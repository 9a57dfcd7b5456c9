#!/usr/bin/env bash
# Makes the setup package twice from the same staged files and compares the
# bytes with each other and with the staged setup; checks that no staged
# program carries a link time (TimeDateStamp 0).
# Usage: reproducible.sh <makensis> <objdump> <script> <dist> <driver dir> <helper> <icon>
set -euo pipefail
makensis=$1 objdump=$2 script=$3 dist=$4 driver=$5 helper=$6 icon=$7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for n in 1 2; do
  "$makensis" -V1 -NOCD -DDIST="$dist" -DDRIVER_DIR="$driver" -DHELPER="$helper" -DICON="$icon" \
    -DOUTFILE="$work/setup$n.exe" "$script" >/dev/null
done
if cmp -s "$work/setup1.exe" "$work/setup2.exe" && cmp -s "$work/setup1.exe" "$dist/KivoFunctionButtonSetup.exe"; then
  echo "ok: the setup package is the same bytes each time"
else
  echo "FAILED: two makings of the setup package differ"; failed=1
fi
# The setup itself keeps the fixed time of the NSIS stub it is made from.
for pe in "$dist"/*.exe "$dist"/*.dll "$dist"/*.sys "$helper"; do
  [ "$(basename "$pe")" = KivoFunctionButtonSetup.exe ] && continue
  stamp=$("$objdump" -p "$pe" | awk -F'\t' '/^Time\/Date/ { print $NF }')
  if [[ "$stamp" == *1970* ]]; then
    echo "ok: $(basename "$pe") has no link time"
  else
    echo "FAILED: $(basename "$pe") carries the link time $stamp"; failed=1
  fi
done
exit $failed
