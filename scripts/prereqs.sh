#!/usr/bin/env bash
# Installs what the build and the Wine test bed need, when it is missing.
# Debian packages, through apt-get (as root, or with sudo).
set -euo pipefail

# command or file that shows the package is there -> package
declare -A needs=(
  [/usr/bin/cmake]=cmake
  [/usr/bin/python3]=python3
  [/usr/bin/ninja]=ninja-build
  [/usr/bin/x86_64-w64-mingw32-g++-posix]=g++-mingw-w64-x86-64-posix
  [/usr/bin/x86_64-w64-mingw32-gcc-posix]=gcc-mingw-w64-x86-64-posix
  [/usr/bin/x86_64-w64-mingw32-windres]=binutils-mingw-w64-x86-64
  [/usr/bin/x86_64-w64-mingw32-dlltool]=binutils-mingw-w64-x86-64
  [/usr/bin/x86_64-w64-mingw32-objdump]=binutils-mingw-w64-x86-64
  [/usr/bin/x86_64-w64-mingw32-widl]=mingw-w64-tools
  [/usr/share/mingw-w64/include/ddk/ntddk.h]=mingw-w64-x86-64-dev
  [/usr/lib/wine/wine64]=wine64
  [/usr/bin/wine]=wine
  [/usr/bin/Xvfb]=xvfb
  [/usr/bin/convert]=imagemagick
  [/usr/bin/xdotool]=xdotool
  [/usr/bin/makensis]=nsis
  [/usr/share/nsis/Stubs/lzma_solid-amd64-unicode]=nsis-common
  [/usr/bin/osslsigncode]=osslsigncode
  [/usr/bin/openssl]=openssl
  [/usr/lib/x86_64-linux-gnu/engines-3/pkcs11.so]=libengine-pkcs11-openssl
  [/usr/lib/softhsm/libsofthsm2.so]=softhsm2
  [/usr/bin/softhsm2-util]=softhsm2
  [/usr/bin/pkcs11-tool]=opensc
  [/usr/src/googletest/CMakeLists.txt]=googletest
  [/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf]=fonts-ipafont-gothic
)

missing=()
for path in "${!needs[@]}"; do
  [ -e "$path" ] || missing+=("${needs[$path]}")
done
[ ${#missing[@]} -eq 0 ] && exit 0
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
echo "prereqs: installing ${missing[*]}"

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "prereqs: missing packages ${missing[*]}; run this script as root or install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get update -q ||
   ! "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  echo "prereqs: could not install ${missing[*]}" >&2
  exit 1
fi

for path in "${!needs[@]}"; do
  [ -e "$path" ] || { echo "prereqs: ${needs[$path]} is still missing ($path)" >&2; exit 1; }
done
echo "prereqs: done"
