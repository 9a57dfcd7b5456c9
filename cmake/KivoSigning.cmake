# Authenticode signing (SHA-256) of every program that ships, with
# osslsigncode.
#
# A product build names the vendor's certificate:
#   KIVO_SIGN_CERT           the certificate, PEM or DER (a PEM file may hold
#                            the chain, the signing certificate first)
#   KIVO_SIGN_KEY            its private key, PEM or DER; or a key in a
#                            hardware token, as a pkcs11: URI (RFC 7512)
#   KIVO_SIGN_PKCS11_MODULE  the token's PKCS #11 module (a .so), for a
#                            pkcs11: key
#   KIVO_SIGN_PASS_FILE      the key's password (a token's PIN), when it has
#                            one
#   KIVO_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server; needed for any
#                            certificate but the test certificate: without a
#                            time stamp a signature is invalid from the day
#                            its certificate expires
#   KIVO_SIGN_CA_FILE        the root the build's checks verify against, PEM
#                            (by default the certificate file itself); when
#                            given, the certificate must lead to it
#   KIVO_SIGN_TIME           the signing time written into each signature,
#                            in seconds since 1970 (SOURCE_DATE_EPOCH, or 0):
#                            a fixed time keeps two builds byte for byte the
#                            same
# Without KIVO_SIGN_CERT the build makes a test code-signing certificate of
# its own, once per build tree, in build/signing/; a release build
# (KIVO_RELEASE_BUILD, cmake/KivoRelease.cmake) refuses it.
#
# A named file that is missing, a certificate and key that do not belong
# together, a release certificate without a time-stamp server or a token that
# cannot sign stop the configure step: nothing is built unsigned, or signed
# for a limited time only, by accident.
#
# What the build uses (KIVO_SIGN_SETTINGS, a shell file) is read by
# cmake/kivo_sign.sh, which signs files in place:
#   kivo_sign.sh <settings> <file>...
# KIVO_SIGN_COMMAND is that command without the files (a list), and
# KIVO_SIGN_COMMAND_LINE the same as one shell command line.

find_program(KIVO_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(KIVO_OPENSSL openssl REQUIRED)

set(KIVO_SIGN_CERT "" CACHE FILEPATH "code-signing certificate (PEM or DER; empty: a test certificate of the build's own)")
# A file named relative to the working directory becomes an absolute path;
# a pkcs11: URI stays as it is.
if(KIVO_SIGN_KEY MATCHES "^pkcs11:")
  set(key_type STRING)
else()
  set(key_type FILEPATH)
endif()
set(KIVO_SIGN_KEY "" CACHE ${key_type} "private key of KIVO_SIGN_CERT (PEM or DER file, or a pkcs11: URI)")
set(KIVO_SIGN_PKCS11_MODULE "" CACHE FILEPATH "PKCS #11 module of the token that holds a pkcs11: KIVO_SIGN_KEY")
set(KIVO_SIGN_PASS_FILE "" CACHE FILEPATH "file with the password of KIVO_SIGN_KEY (optional)")
set(KIVO_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signatures (needed but for the test certificate)")
set(KIVO_SIGN_CA_FILE "" CACHE FILEPATH "root certificate (PEM) the build's checks verify signatures against (default: KIVO_SIGN_CERT)")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(default_time $ENV{SOURCE_DATE_EPOCH})
else()
  set(default_time 0)
endif()
set(KIVO_SIGN_TIME ${default_time} CACHE STRING "signing time written into the signatures (seconds since 1970)")

set(KIVO_SIGN_DIR ${CMAKE_BINARY_DIR}/signing)
set(KIVO_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/kivo_sign.sh)
set(KIVO_SIGN_SETTINGS ${KIVO_SIGN_DIR}/sign.conf)
include(${CMAKE_CURRENT_LIST_DIR}/KivoRelease.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/KivoSigningToken.cmake)

# openssl <args...>: its output in <out_var>, fails the configure step with
# <message> when it fails.
function(kivo_openssl out_var message)
  execute_process(COMMAND ${KIVO_OPENSSL} ${ARGN}
    INPUT_FILE /dev/null
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(STRIP "${err}" err)
    message(FATAL_ERROR "Code signing: ${message}\n${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

string(FIND "${KIVO_SIGN_KEY}" "pkcs11:" token_at)
if(token_at EQUAL 0)
  set(KIVO_SIGN_TOKEN ON)
else()
  set(KIVO_SIGN_TOKEN OFF)
endif()
kivo_check_pkcs11_module()

if(KIVO_SIGN_CERT STREQUAL "" AND KIVO_SIGN_KEY STREQUAL "")
  if(KIVO_RELEASE_BUILD)
    message(FATAL_ERROR "Code signing: a release build (KIVO_RELEASE_BUILD) is signed with the vendor's certificate: set KIVO_SIGN_CERT and KIVO_SIGN_KEY (and KIVO_SIGN_TIMESTAMP_URL)")
  endif()
  # The test certificate: self-signed, for code signing only. Made once, so
  # that every build in this tree signs with the same key.
  set(cert ${KIVO_SIGN_DIR}/test-code-signing.crt)
  set(key ${KIVO_SIGN_DIR}/test-code-signing.key)
  set(pass_file "")
  if(NOT EXISTS ${cert} OR NOT EXISTS ${key})
    file(MAKE_DIRECTORY ${KIVO_SIGN_DIR})
    message(STATUS "Code signing: making the test certificate ${cert}")
    kivo_openssl(ignored "the test certificate could not be made"
      req -x509 -newkey rsa:3072 -sha256 -nodes -days 3650
      -subj "/O=Zerin/CN=Kivo Function Button test code signing (not for release)"
      -addext "basicConstraints=critical,CA:FALSE"
      -addext "keyUsage=critical,digitalSignature"
      -addext "extendedKeyUsage=codeSigning"
      -keyout ${key} -out ${cert})
  endif()
  set(ca_file ${cert})
  set(KIVO_SIGN_TEST_CERTIFICATE ON)
else()
  foreach(var KIVO_SIGN_CERT KIVO_SIGN_KEY)
    if(${var} STREQUAL "")
      message(FATAL_ERROR "Code signing: KIVO_SIGN_CERT and KIVO_SIGN_KEY name the certificate and its key together; ${var} is empty")
    endif()
  endforeach()
  set(sign_files KIVO_SIGN_CERT KIVO_SIGN_KEY KIVO_SIGN_PASS_FILE KIVO_SIGN_CA_FILE)
  if(KIVO_SIGN_TOKEN)
    list(REMOVE_ITEM sign_files KIVO_SIGN_KEY)
  endif()
  foreach(var ${sign_files})
    if(NOT ${var} STREQUAL "" AND NOT EXISTS ${${var}})
      message(FATAL_ERROR "Code signing: ${var} names ${${var}}, which does not exist")
    endif()
  endforeach()
  set(cert ${KIVO_SIGN_CERT})
  set(key "${KIVO_SIGN_KEY}")
  set(pass_file "${KIVO_SIGN_PASS_FILE}")
  if(KIVO_SIGN_CA_FILE STREQUAL "")
    set(ca_file ${cert})
  else()
    set(ca_file ${KIVO_SIGN_CA_FILE})
  endif()
  set(KIVO_SIGN_TEST_CERTIFICATE OFF)
  # Without a time stamp, Windows takes a signature for invalid once its
  # certificate has expired: the UI-access host would no longer start and the
  # setup would show a broken signature. The time stamp proves the signature
  # was made while the certificate was valid.
  if(KIVO_SIGN_TIMESTAMP_URL STREQUAL "")
    message(FATAL_ERROR "Code signing: the certificate ${KIVO_SIGN_CERT} is not the build's test certificate, and a release signature needs a time stamp: set KIVO_SIGN_TIMESTAMP_URL to an RFC 3161 time-stamp server (your certificate's CA names one); without it every signature turns invalid the day the certificate expires")
  endif()
endif()
if(NOT KIVO_SIGN_TIMESTAMP_URL STREQUAL "" AND NOT KIVO_SIGN_TIMESTAMP_URL MATCHES "^https?://[^/]")
  message(FATAL_ERROR "Code signing: KIVO_SIGN_TIMESTAMP_URL must be an http:// or https:// address, not \"${KIVO_SIGN_TIMESTAMP_URL}\"")
endif()

# The pair must be usable: a certificate (its first one) for code signing
# that has not expired, and the private key of its public key.
if("${pass_file}" STREQUAL "")
  set(passin pass:)
else()
  set(passin file:${pass_file})
endif()
kivo_openssl(cert_public_key "${cert} is not a certificate (PEM or DER)"
  x509 -in ${cert} -noout -pubkey)
# A key in a token cannot be read: a trial signature below checks it.
if(NOT KIVO_SIGN_TOKEN)
  kivo_openssl(key_public_key "${key} is not a private key that can be read (an encrypted key needs KIVO_SIGN_PASS_FILE)"
    pkey -in ${key} -passin ${passin} -pubout)
  if(NOT cert_public_key STREQUAL key_public_key)
    message(FATAL_ERROR "Code signing: the key ${key} is not the private key of the certificate ${cert}")
  endif()
endif()
kivo_openssl(usage "${cert}: its extensions cannot be read"
  x509 -in ${cert} -noout -ext extendedKeyUsage)
string(REGEX REPLACE ".*Extended Key Usage:[ \n]*" "" usage "${usage}")
string(STRIP "${usage}" usage)
if(NOT usage STREQUAL "" AND NOT usage MATCHES "Code Signing")
  message(FATAL_ERROR "Code signing: the certificate ${cert} is not for code signing (its extended key usage: ${usage})")
endif()
kivo_openssl(ignored "the certificate ${cert} has expired" x509 -in ${cert} -noout -checkend 0)
# A certificate from a CA: the chain the signatures carry (the certificate
# file's further certificates) must lead to the root the checks trust.
if(NOT KIVO_SIGN_CA_FILE STREQUAL "" AND NOT KIVO_SIGN_TEST_CERTIFICATE)
  kivo_openssl(ignored "the certificate ${cert} does not lead to the root in KIVO_SIGN_CA_FILE (${KIVO_SIGN_CA_FILE})"
    verify -CAfile ${KIVO_SIGN_CA_FILE} -untrusted ${cert} ${cert})
endif()
if(NOT KIVO_SIGN_TIME MATCHES "^[0-9]+$")
  message(FATAL_ERROR "Code signing: KIVO_SIGN_TIME must be seconds since 1970, not \"${KIVO_SIGN_TIME}\"")
endif()

set(KIVO_SIGN_CERT_FILE ${cert})
set(KIVO_SIGN_KEY_FILE "${key}")
set(KIVO_SIGN_VERIFY_CA ${ca_file})
file(MAKE_DIRECTORY ${KIVO_SIGN_DIR})
file(CONFIGURE OUTPUT ${KIVO_SIGN_SETTINGS} @ONLY CONTENT [[
# Made by CMake (cmake/KivoSigning.cmake): what cmake/kivo_sign.sh signs with
# and what the checks verify against.
osslsigncode='@KIVO_OSSLSIGNCODE@'
cert='@cert@'
key='@key@'
pass_file='@pass_file@'
pkcs11_module='@KIVO_SIGN_PKCS11_MODULE@'
timestamp_url='@KIVO_SIGN_TIMESTAMP_URL@'
signing_time='@KIVO_SIGN_TIME@'
ca_file='@ca_file@'
]])
set(KIVO_SIGN_COMMAND bash ${KIVO_SIGN_SCRIPT} ${KIVO_SIGN_SETTINGS})
# The same as one line for a shell (NSIS runs it with the file's path added).
set(KIVO_SIGN_COMMAND_LINE "bash \"${KIVO_SIGN_SCRIPT}\" \"${KIVO_SIGN_SETTINGS}\"")
if(KIVO_SIGN_TOKEN)
  kivo_check_token_key()
  # The key is in the token; its module stands for it.
  set(key_file ${KIVO_SIGN_PKCS11_MODULE})
else()
  set(key_file ${key})
endif()
# A certificate or key that changes, or goes, is checked (or made) again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${cert} ${key_file})
# Whatever a signature depends on: a change re-signs.
set(KIVO_SIGN_DEPENDS ${KIVO_SIGN_SCRIPT} ${KIVO_SIGN_SETTINGS} ${cert} ${key_file})
