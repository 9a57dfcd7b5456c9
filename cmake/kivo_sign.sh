#!/usr/bin/env bash
# Signs PE files in place with Authenticode (SHA-256), with the certificate
# and key that the build's signing settings name (build/signing/sign.conf,
# made by cmake/KivoSigning.cmake). A file that is signed already gets the
# new signature in place of the old one. With a time-stamp server set, each
# signature gets an RFC 3161 time stamp (a server that does not answer fails
# the signing).
#
# The signature is the same bytes for the same file each time: RSA
# signatures (PKCS #1 v1.5) are deterministic and the signing time is a
# fixed one. A time stamp from a server is not; KIVO_SIGN_NO_TIMESTAMP=1
# leaves it out.
#
#   kivo_sign.sh <settings> <file>...
set -euo pipefail
settings=${1:?settings}
shift
# shellcheck source=/dev/null
source "$settings"
args=(sign -h sha256 -comm -n "Kivo Function Button" -time "$signing_time")
# A key in a hardware token (a pkcs11: URI) is reached through its module.
[ -n "${pkcs11_module:-}" ] && args+=(-pkcs11module "$pkcs11_module")
args+=(-certs "$cert" -key "$key")
[ -n "$pass_file" ] && args+=(-readpass "$pass_file")
[ -n "$timestamp_url" ] && [ -z "${KIVO_SIGN_NO_TIMESTAMP:-}" ] && args+=(-ts "$timestamp_url")
for file in "$@"; do
  signed="$file.signed"
  if ! out=$("$osslsigncode" "${args[@]}" -in "$file" -out "$signed" 2>&1); then
    rm -f "$signed"
    echo "kivo_sign.sh: $file could not be signed:" >&2
    echo "$out" >&2
    exit 1
  fi
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
done
