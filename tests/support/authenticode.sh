# Shell helper of the signature checks (sourced): what osslsigncode makes of
# a file's Authenticode signature, checked against the certificate the build
# signs with (its signing settings: build/signing/sign.conf).
#
#   authenticode_verdict <sign settings> <file>
# prints one of
#   signed sha256            the signature verifies, with this digest
#   unsigned                 the file carries no signature
#   changed after signing    the file's digest is not the signed one
#   not verified             the signature does not lead to the certificate
authenticode_verdict() {
  local osslsigncode ca_file out
  # shellcheck source=/dev/null
  osslsigncode=$(source "$1" && echo "$osslsigncode")
  # shellcheck source=/dev/null
  ca_file=$(source "$1" && echo "$ca_file")
  # No network here: the certificate's revocation list is not fetched.
  if out=$("$osslsigncode" verify -CAfile "$ca_file" -ignore-cdp -in "$2" 2>&1); then
    echo "signed $(echo "$out" | awk -F': *' '/^Message digest algorithm +:/ { print tolower($2); exit }')"
  elif [[ "$out" == *"No signature found"* ]]; then
    echo unsigned
  elif [[ "$out" == *MISMATCH* ]]; then
    echo "changed after signing"
  else
    echo "not verified"
  fi
}
