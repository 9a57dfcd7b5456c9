# The driver package the setup installs: the vendor's, or with the test
# bed's switch the simulated driver's.
#
#   KIVO_DRIVER_PACKAGE_DIR      the folder with the vendor's package:
#                                KivoFunctionButton.inf (the name the device
#                                installer looks for), its .sys and the signed
#                                catalogue the INF names
#   KIVO_TESTBED_DRIVER_PACKAGE  ON: the simulated driver's package, staged in
#                                KIVO_DIST_DIR (only good for the Wine test
#                                bed; it has no catalogue)
#
# Windows x64 loads a kernel driver only from a package whose catalogue is
# signed; a package without one would build and then fail on every machine.
# So a package that names no catalogue for x64, or lacks it, stops the
# configure step, and so does a configure that names no package at all.
#
# Sets KIVO_DRIVER_PACKAGE_DIR (the folder, absolute), KIVO_DRIVER_CATALOGUE
# (its catalogue's file name; empty for the simulated package) and
# KIVO_DRIVER_PACKAGE_FILES (what a setup made from it depends on).

option(KIVO_TESTBED_DRIVER_PACKAGE "the setup carries the simulated driver's package (Wine test bed only, never a release)" OFF)
set(KIVO_DRIVER_PACKAGE_DIR "" CACHE PATH
  "folder with the vendor's driver package (KivoFunctionButton.inf, its .sys and signed .cat) that the setup installs")
set(KIVO_DRIVER_INF KivoFunctionButton.inf)
include(${CMAKE_CURRENT_LIST_DIR}/KivoRelease.cmake)
find_program(KIVO_PYTHON3 python3 REQUIRED)
find_program(KIVO_OPENSSL openssl REQUIRED)

function(kivo_driver_package_error message)
  message(FATAL_ERROR "Driver package: ${message}")
endfunction()

# The outputs, in the caller's scope of kivo_check_driver_package().
macro(kivo_driver_package_result folder catalogue files)
  set(KIVO_DRIVER_PACKAGE_DIR ${folder} PARENT_SCOPE)
  set(KIVO_DRIVER_CATALOGUE "${catalogue}" PARENT_SCOPE)
  set(KIVO_DRIVER_PACKAGE_FILES "${files}" PARENT_SCOPE)
endmacro()

function(kivo_check_driver_package)
  get_filename_component(dist ${KIVO_DIST_DIR} ABSOLUTE)
  set(package "")
  if(NOT KIVO_DRIVER_PACKAGE_DIR STREQUAL "")
    get_filename_component(package ${KIVO_DRIVER_PACKAGE_DIR} ABSOLUTE)
  endif()

  if(KIVO_TESTBED_DRIVER_PACKAGE)
    if(KIVO_RELEASE_BUILD)
      kivo_driver_package_error("a release build (KIVO_RELEASE_BUILD) carries the vendor's driver package, never the simulated one: set KIVO_TESTBED_DRIVER_PACKAGE=OFF and KIVO_DRIVER_PACKAGE_DIR")
    endif()
    # An earlier build tree may hold the staging folder here: it is the same.
    if(NOT package STREQUAL "" AND NOT package STREQUAL dist)
      kivo_driver_package_error("KIVO_TESTBED_DRIVER_PACKAGE=ON takes the simulated driver's package, and KIVO_DRIVER_PACKAGE_DIR names another (${package}): set one of them (the windows-x64 preset is the test bed's and sets the switch; a release build configures with the windows-x64-release preset)")
    endif()
    kivo_driver_package_result(${dist} "" "")
    message(STATUS "Driver package: the simulated driver's (test bed only, no catalogue)")
    return()
  endif()

  if(package STREQUAL "")
    kivo_driver_package_error("none given. A product build names the vendor's signed driver package, -DKIVO_DRIVER_PACKAGE_DIR=<folder with ${KIVO_DRIVER_INF}, its .sys and .cat>; the Wine test bed takes the simulated driver's package with -DKIVO_TESTBED_DRIVER_PACKAGE=ON (the windows-x64 preset sets it)")
  endif()
  if(package STREQUAL dist)
    kivo_driver_package_error("KIVO_DRIVER_PACKAGE_DIR names the build's staging folder ${dist}, which holds the simulated driver's package: name the vendor's package, or set -DKIVO_TESTBED_DRIVER_PACKAGE=ON and KIVO_DRIVER_PACKAGE_DIR= for the test bed")
  endif()
  if(NOT IS_DIRECTORY ${package})
    kivo_driver_package_error("KIVO_DRIVER_PACKAGE_DIR names ${package}, which is not a folder")
  endif()

  # file(GLOB) matches case-sensitively; Windows names do not.
  file(GLOB entries RELATIVE ${package} LIST_DIRECTORIES false ${package}/*)
  set(infs ${entries})
  list(FILTER infs INCLUDE REGEX "\\.[iI][nN][fF]$")
  set(drivers ${entries})
  list(FILTER drivers INCLUDE REGEX "\\.[sS][yY][sS]$")
  if(NOT KIVO_DRIVER_INF IN_LIST infs)
    if(infs)
      string(REPLACE ";" ", " infs "${infs}")
      kivo_driver_package_error("${package} holds ${infs}, and the device installer looks for ${KIVO_DRIVER_INF}: the package's INF keeps that name (ask the driver's vendor for a package whose INF is named so)")
    endif()
    kivo_driver_package_error("${package} holds no ${KIVO_DRIVER_INF}")
  endif()
  list(LENGTH infs count)
  if(count GREATER 1)
    list(REMOVE_ITEM infs ${KIVO_DRIVER_INF})
    string(REPLACE ";" ", " infs "${infs}")
    kivo_driver_package_error("${package} holds other INFs beside ${KIVO_DRIVER_INF} (${infs}): the setup ships the whole folder, so it holds one package only")
  endif()
  if(NOT drivers)
    kivo_driver_package_error("${package} holds no driver file (.sys)")
  endif()

  set(inf ${package}/${KIVO_DRIVER_INF})
  execute_process(COMMAND ${KIVO_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/kivo_inf_catalogue.py ${inf}
    OUTPUT_VARIABLE catalogue ERROR_VARIABLE err RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    kivo_driver_package_error("${inf} cannot be read: ${err}")
  endif()
  if(catalogue STREQUAL "")
    kivo_driver_package_error("${inf} names no catalogue for x64 in its [Version] section (CatalogFile, CatalogFile.NT or CatalogFile.NTamd64): Windows x64 installs a kernel driver only from a package with its signed catalogue")
  endif()
  if(catalogue MATCHES "[/\\:]")
    kivo_driver_package_error("${inf} names the catalogue \"${catalogue}\", which is not a file name beside the INF")
  endif()
  # The catalogue as it is named in the folder (Windows matches names in any case).
  string(TOLOWER "${catalogue}" wanted)
  set(found "")
  foreach(entry ${entries})
    string(TOLOWER "${entry}" lower)
    if(lower STREQUAL wanted)
      set(found ${entry})
    endif()
  endforeach()
  if(found STREQUAL "")
    kivo_driver_package_error("${inf} names the catalogue ${catalogue}, which is missing from ${package}")
  endif()
  # Signed: a PKCS #7 file with its signer's certificate. Whether Windows
  # trusts the signer is the vendor's part (attestation or WHQL signing).
  execute_process(COMMAND ${KIVO_OPENSSL} pkcs7 -inform DER -in ${package}/${found} -print_certs
    INPUT_FILE /dev/null OUTPUT_VARIABLE certs ERROR_QUIET RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT certs MATCHES "subject=")
    kivo_driver_package_error("the catalogue ${package}/${found} is not signed (no PKCS #7 signature with its signer's certificate)")
  endif()

  list(TRANSFORM entries PREPEND ${package}/ OUTPUT_VARIABLE files)
  # A package that changes is checked again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${package} ${files})
  message(STATUS "Driver package: ${package} (catalogue ${found})")
  kivo_driver_package_result(${package} ${found} "${files}")
endfunction()

kivo_check_driver_package()
