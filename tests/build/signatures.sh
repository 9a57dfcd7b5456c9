#!/usr/bin/env bash
# Every program that ships carries a valid Authenticode signature (SHA-256)
# from the build's certificate; and the check tells a changed, an unsigned
# and a foreign-signed copy apart from them.
#
#   signatures.sh <sign settings> <dist dir> <setup helper>
set -u
settings=${1:?sign settings}
dist=${2:?dist dir}
helper=${3:?setup helper}
# shellcheck source=../support/authenticode.sh
source "$(dirname "$0")/../support/authenticode.sh"
# shellcheck source=/dev/null
source "$settings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# Copies of the host: one byte of its code changed, its signature removed,
# and signed by a certificate of someone else.
host=$dist/KivoFunctionButtonApl.exe
cp "$host" "$work/changed.exe"
byte=$(od -An -tu1 -j 4096 -N1 "$work/changed.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
"$osslsigncode" remove-signature -in "$host" -out "$work/unsigned.exe" >/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=someone else" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/other.key" -out "$work/other.crt" 2>/dev/null
"$osslsigncode" sign -h sha256 -certs "$work/other.crt" -key "$work/other.key" \
  -in "$host" -out "$work/foreign.exe" >/dev/null

# file | expected verdict
table="
$dist/KivoFunctionButtonApl.exe|signed sha256
$dist/KivoFCtrl.dll|signed sha256
$dist/ZrInstallPrep.dll|signed sha256
$dist/KivoDevInst.exe|signed sha256
$dist/KivoChargeCtl.exe|signed sha256
$dist/KivoFunctionButtonSetup.exe|signed sha256
$helper|signed sha256
$work/changed.exe|changed after signing
$work/unsigned.exe|unsigned
$work/foreign.exe|not verified"
while IFS='|' read -r file expected; do
  [ -n "$file" ] || continue
  actual=$(authenticode_verdict "$settings" "$file")
  if [ "$actual" == "$expected" ]; then
    passed=$((passed + 1))
    echo "ok: $(basename "$file"): $actual"
  else
    failed=$((failed + 1))
    echo "FAILED: $(basename "$file"): expected [$expected], got [$actual]"
  fi
done <<<"$table"
echo "signatures: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
