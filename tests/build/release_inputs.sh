#!/usr/bin/env bash
# What the configure step makes of each input of a release build (the driver
# package, the certificate, a key in a token, the time-stamp server), in
# scratch trees of the checks alone; and that what it then signs verifies,
# time-stamped by a server of the test's own on 127.0.0.1.
#   release_inputs.sh <cmake> <source dir> <program to sign>
set -u
cmake=$1 src=$2 program=$3
work=$(mktemp -d) tsa_pid=
trap '[ -n "$tsa_pid" ] && kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
ssl() { openssl "$@" >/dev/null 2>&1; }
ca() { ssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -keyout "$1.key" -out "$1.crt" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign; }
leaf() { # name, its CA, extended key usage
  printf 'extendedKeyUsage=critical,%s\nbasicConstraints=critical,CA:FALSE\n' "$3" >"$1.ext"
  ssl req -newkey rsa:2048 -nodes -subj "/CN=$1" -keyout "$1.key" -out "$1.csr" &&
    ssl x509 -req -in "$1.csr" -CA "$2.crt" -CAkey "$2.key" -CAcreateserial -days 2 -extfile "$1.ext" -out "$1.crt"
}
ca root; ca other; leaf signer root codeSigning; leaf stranger other codeSigning; leaf tsa root timeStamping
# A token with the signer's key and certificate, and the stranger's key.
module=/usr/lib/softhsm/libsofthsm2.so
export SOFTHSM2_CONF=$work/softhsm2.conf
mkdir tokens && printf 'directories.tokendir = %s\nobjectstore.backend = file\n' "$work/tokens" >"$SOFTHSM2_CONF"
softhsm2-util --init-token --free --label kivo --pin 1234 --so-pin 5678 >/dev/null
for who in signer stranger; do
  ssl pkcs8 -topk8 -nocrypt -in $who.key -out $who.p8
  softhsm2-util --import $who.p8 --token kivo --label $who --id 0${#who} --pin 1234 >/dev/null
done
ssl x509 -in signer.crt -outform DER -out signer.der
pkcs11-tool --module $module --token-label kivo --login --pin 1234 --write-object signer.der --type cert --id 06 >/dev/null 2>&1
echo 1234 >pin
token=(-DKIVO_SIGN_CERT=signer.crt "-DKIVO_SIGN_PKCS11_MODULE=$module" -DKIVO_SIGN_PASS_FILE=pin)
# Driver packages: folder, INF name, [Version] lines, catalogue made (signed, or "plain").
package() {
  mkdir "$1" && printf '[Version]\r\nSignature="$WINDOWS NT$"\r\n%b\r\n' "$3" >"$1/$2" && echo sys >"$1/kvfb.sys"
  if [ "${5:-}" = plain ]; then echo cat >"$1/$4"; elif [ -n "${4:-}" ]; then
    ssl cms -sign -binary -outform DER -signer signer.crt -inkey signer.key -in "$1/kvfb.sys" -out "$1/$4"; fi
}
package x86only KivoFunctionButton.inf 'CatalogFile.NTx86=x86.cat' x86.cat
package lost KivoFunctionButton.inf 'CatalogFile = kivo.cat'
package renamed vendor.inf 'CatalogFile=kivo.cat' kivo.cat
package plain KivoFunctionButton.inf 'CatalogFile=kivo.cat' kivo.cat plain
package vendor KivoFunctionButton.inf '; CatalogFile=old.cat\r\nCatalogFile.NTamd64 = %Cat% ; x64\r\n[Strings]\r\nCat="Kivo.cat"' Kivo.cat
iconv -f UTF-8 -t UTF-16 vendor/KivoFunctionButton.inf >vendor.inf && mv vendor.inf vendor/KivoFunctionButton.inf
python3 "$src/tests/build/local_tsa.py" tsa.crt tsa.key 100 >tsa.port & tsa_pid=$!
for _ in $(seq 100); do [ -s tsa.port ] && break; sleep 0.1; done
port=$(cat tsa.port)
ts=-DKIVO_SIGN_TIMESTAMP_URL=http://127.0.0.1:$port/
verdict() { # signs a copy of the program with the tree's settings; verifies it against the settings' root
  cp "$program" "$1/signed.exe" && bash "$src/cmake/kivo_sign.sh" "$1/signing/sign.conf" "$1/signed.exe" >/dev/null 2>&1 || { echo "not signed"; return; }
  out=$(osslsigncode verify -CAfile "$(source "$1/signing/sign.conf"; echo "$ca_file")" -TSA-CAfile root.crt -ignore-cdp -in "$1/signed.exe" 2>&1) || { echo "not verified"; return; }
  grep -m1 'Timestamp time' <<<"$out" >&2
  [[ $out == *"Timestamp Server Signature verification: ok"* ]] && echo "verified, time stamp" || echo "verified, no time stamp"
}
bed=-DKIVO_TESTBED_DRIVER_PACKAGE=ON
# row | configure arguments | what the configure step says, or how the signed program verifies
table="
no package||Driver package: none given.
x64 catalogue missing|-DKIVO_DRIVER_PACKAGE_DIR=x86only|Driver package: $work/x86only/KivoFunctionButton.inf names no catalogue for x64
catalogue missing|-DKIVO_DRIVER_PACKAGE_DIR=lost|Driver package: $work/lost/KivoFunctionButton.inf names the catalogue kivo.cat, which is missing from $work/lost
INF named otherwise|-DKIVO_DRIVER_PACKAGE_DIR=renamed|Driver package: $work/renamed holds vendor.inf, and the device installer looks for KivoFunctionButton.inf
catalogue unsigned|-DKIVO_DRIVER_PACKAGE_DIR=plain|Driver package: the catalogue $work/plain/kivo.cat is not signed
vendor package, test certificate|-DKIVO_DRIVER_PACKAGE_DIR=vendor|verified, no time stamp
release build, test certificate|-DKIVO_DRIVER_PACKAGE_DIR=vendor -DKIVO_RELEASE_BUILD=ON|Code signing: a release build (KIVO_RELEASE_BUILD) is signed with the vendor's certificate
release build, simulated driver|$bed -DKIVO_RELEASE_BUILD=ON $ts -DKIVO_SIGN_CERT=signer.crt -DKIVO_SIGN_KEY=signer.key|Driver package: a release build (KIVO_RELEASE_BUILD) carries the vendor's driver package, never the simulated one
release certificate, no time stamp|$bed -DKIVO_SIGN_CERT=signer.crt -DKIVO_SIGN_KEY=signer.key|Code signing: the certificate $work/signer.crt is not the build's test certificate, and a release signature needs a time stamp
pkcs11 key, no module|$bed $ts -DKIVO_SIGN_CERT=signer.crt -DKIVO_SIGN_KEY=pkcs11:token=kivo;object=signer|Code signing: KIVO_SIGN_KEY is a key in a token (pkcs11:token=kivo;object=signer), and KIVO_SIGN_PKCS11_MODULE names no PKCS #11 module
module does not load|$bed $ts ${token[*]/$module/$work/pin} -DKIVO_SIGN_KEY=pkcs11:object=signer|Code signing: the PKCS #11 module $work/pin (KIVO_SIGN_PKCS11_MODULE) does not load
token key not the certificate's|$bed $ts ${token[*]} -DKIVO_SIGN_KEY=pkcs11:object=stranger;type=private|Code signing: the key pkcs11:object=stranger;type=private in the token is not the private key of the certificate
leaf of another CA|$bed $ts -DKIVO_SIGN_CERT=stranger.crt -DKIVO_SIGN_KEY=stranger.key -DKIVO_SIGN_CA_FILE=root.crt|Code signing: the certificate $work/stranger.crt does not lead to the root in KIVO_SIGN_CA_FILE
leaf of the CA, time-stamped|$bed $ts -DKIVO_SIGN_CERT=signer.crt -DKIVO_SIGN_KEY=signer.key -DKIVO_SIGN_CA_FILE=root.crt|verified, time stamp
token, time-stamped|$bed $ts ${token[*]} -DKIVO_SIGN_KEY=pkcs11:token=kivo;object=signer;type=private -DKIVO_SIGN_CA_FILE=root.crt|verified, time stamp"
passed=0 failed=0 n=0
while IFS='|' read -r name args expected; do
  [ -n "$name" ] || continue
  tree=$work/tree$((n += 1))
  # shellcheck disable=SC2086
  if "$cmake" -S "$src/tests/build/configure_probe" -B "$tree" $args >"$tree.log" 2>&1; then
    actual=$(verdict "$tree" 2>>"$tree.log")
  else # CMake wraps the message: compared as one line
    actual=$(tr -s ' \n' ' ' <"$tree.log" | sed 's/\.  /. /g')
  fi
  if [[ "$actual" == "$expected" || ( "$expected" == *:* && "$actual" == *"$expected"* ) ]]; then
    passed=$((passed + 1)); echo "ok: $name: $expected"
  else
    failed=$((failed + 1)); echo "FAILED: $name: expected [$expected], got:"; sed 's/^/  /' "$tree.log"
  fi
done <<<"$table"
echo "release inputs: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
