# Signing with a key held in a hardware token (code-signing certificates are
# issued for such keys only since 2023): KIVO_SIGN_KEY is the key's pkcs11:
# URI, KIVO_SIGN_PKCS11_MODULE the token's PKCS #11 module, KIVO_SIGN_PASS_FILE
# its PIN (or the URI's pin-value). osslsigncode reaches the module through
# OpenSSL's pkcs11 engine (libp11).
#
# The key cannot be read out, so the configure step makes a trial signature
# through the token: a module that does not load, a token
# that is not there, a wrong PIN or a key that is not the certificate's stop
# the configure step, not the build half-way.

find_program(KIVO_PYTHON3 python3 REQUIRED)

# KIVO_SIGN_PKCS11_MODULE and a pkcs11: key come together; the module loads
# and is a PKCS #11 module.
function(kivo_check_pkcs11_module)
  if(NOT KIVO_SIGN_TOKEN)
    if(NOT KIVO_SIGN_PKCS11_MODULE STREQUAL "")
      message(FATAL_ERROR "Code signing: KIVO_SIGN_PKCS11_MODULE names a token's module, and KIVO_SIGN_KEY is no pkcs11: URI of a key in it (\"${KIVO_SIGN_KEY}\")")
    endif()
    return()
  endif()
  if(KIVO_SIGN_PKCS11_MODULE STREQUAL "")
    message(FATAL_ERROR "Code signing: KIVO_SIGN_KEY is a key in a token (${KIVO_SIGN_KEY}), and KIVO_SIGN_PKCS11_MODULE names no PKCS #11 module to reach it: set it to the token's module (its vendor's .so)")
  endif()
  if(KIVO_SIGN_CERT STREQUAL "")
    message(FATAL_ERROR "Code signing: a key in a token needs its certificate (and chain) as a file in KIVO_SIGN_CERT")
  endif()
  execute_process(COMMAND ${KIVO_PYTHON3} -c
      "import ctypes, sys; ctypes.CDLL(sys.argv[1]).C_GetFunctionList"
      ${KIVO_SIGN_PKCS11_MODULE}
    OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REGEX REPLACE ".*\n([^\n]+)\n*$" "\\1" err "${err}")
    message(FATAL_ERROR "Code signing: the PKCS #11 module ${KIVO_SIGN_PKCS11_MODULE} (KIVO_SIGN_PKCS11_MODULE) does not load: ${err}")
  endif()
endfunction()

# A trial signature with the build's signing settings, without a time stamp
# (no server is asked at configure time). osslsigncode checks that the key
# is the certificate's before it signs.
function(kivo_check_token_key)
  set(trial ${KIVO_SIGN_DIR}/token-trial.ps1)
  file(WRITE ${trial} "# A trial signature through the token, made at configure time.\r\n")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env KIVO_SIGN_NO_TIMESTAMP=1 ${KIVO_SIGN_COMMAND} ${trial}
    INPUT_FILE /dev/null OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  file(REMOVE ${trial})
  if(rc EQUAL 0)
    return()
  endif()
  if(out MATCHES "consistency of a private key")
    message(FATAL_ERROR "Code signing: the key ${KIVO_SIGN_KEY} in the token is not the private key of the certificate ${KIVO_SIGN_CERT_FILE}\n${out}")
  endif()
  message(FATAL_ERROR "Code signing: the token gives no signature with the key ${KIVO_SIGN_KEY} through ${KIVO_SIGN_PKCS11_MODULE} (is the token there, the URI right, the PIN in KIVO_SIGN_PASS_FILE or the URI's pin-value?)\n${out}")
endfunction()
