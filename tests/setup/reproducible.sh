#!/usr/bin/env bash
# Makes the setup package twice from the same staged files and compares the
# bytes with each other and with the staged setup; signs each staged program
# again and compares it with itself; checks that no staged program carries a
# link time (TimeDateStamp 0).
# Usage: reproducible.sh <makensis> <objdump> <script> <dist> <driver dir> <helper> <icon>
#        <sign script> <sign settings> [<driver catalogue>]
set -euo pipefail
makensis=$1 objdump=$2 script=$3 dist=$4 driver=$5 helper=$6 icon=$7 sign_script=$8 sign_settings=$9
catalogue=()
[ -n "${10:-}" ] && catalogue=(-DDRIVER_CATALOGUE="${10}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
# shellcheck source=/dev/null
source "$sign_settings"
# A time stamp from a server differs each time: with one configured, the
# files are made here without it and compared with each other only, and the
# staged programs without their signatures.
export KIVO_SIGN_NO_TIMESTAMP=1
sign=(bash "$sign_script" "$sign_settings")
for n in 1 2; do
  "$makensis" -V1 -NOCD -DDIST="$dist" -DDRIVER_DIR="$driver" "${catalogue[@]}" -DHELPER="$helper" -DICON="$icon" \
    -DSIGN="bash \"$sign_script\" \"$sign_settings\"" -DOUTFILE="$work/setup$n.exe" "$script" >/dev/null
done
staged=$dist/KivoFunctionButtonSetup.exe
[ -n "$timestamp_url" ] && staged=$work/setup1.exe
if cmp -s "$work/setup1.exe" "$work/setup2.exe" && cmp -s "$work/setup1.exe" "$staged"; then
  echo "ok: the setup package is the same bytes each time"
else
  echo "FAILED: two makings of the setup package differ"; failed=1
fi
# Signing a signed program again gives the same bytes.
without_signature() { # file: the file, or with a time stamp its copy without the signature
  if [ -n "$timestamp_url" ]; then
    "$osslsigncode" remove-signature -in "$1" -out "$1.unsigned" >/dev/null && echo "$1.unsigned"
  else
    echo "$1"
  fi
}
for pe in "$dist"/{KivoFunctionButtonApl.exe,KivoFCtrl.dll,ZrInstallPrep.dll,KivoDevInst.exe,KivoChargeCtl.exe} "$helper"; do
  copy=$work/$(basename "$pe")
  cp "$pe" "$copy"
  "${sign[@]}" "$copy"
  if cmp -s "$(without_signature "$copy")" "$(without_signature "$pe")"; then
    echo "ok: $(basename "$pe") signed again is the same bytes"
  else
    echo "FAILED: $(basename "$pe") signed again differs"; failed=1
  fi
done
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
