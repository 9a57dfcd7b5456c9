# The Wine test bed.
#
# One Wine prefix per build tree (build/wine). CTest fixtures:
#   kivo_machine  starts Xvfb (when no DISPLAY is given), creates the prefix
#                 and keeps wineserver alive for the run; its cleanup ends
#                 wineserver and Xvfb again.
#   kivo_device   installs the simulated function button device from the
#                 staged driver package (restarting the driver, so that the
#                 freshly built one runs).
#
# Every program runs through build/wine-run, which sets up the environment
# of the prefix and the display.
#
#   kivo_add_gtest(<name> SOURCES ... [LIBS ...] [DEVICE] [POWER] [TIMEOUT s])
#     a GoogleTest program, run once under Wine as one CTest test.
#   kivo_add_wine_test(<name> COMMAND ... [DEVICE] [POWER] [TIMEOUT s])
#     any other command under the test bed.
#
# POWER runs the test with a power state of its own (AC, battery) that it
# sets through tests/support/power_supply.h: cmake/testbed/power-run.sh binds
# the directory build/testbed/power_supply/<name>, named to the test by
# KIVO_POWER_SUPPLY_DIR, over /sys/class/power_supply in a private mount
# namespace, where Wine's GetSystemPowerStatus reads it.

set(KIVO_TESTBED_DIR ${CMAKE_BINARY_DIR}/testbed)
set(KIVO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
set(KIVO_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
set(KIVO_TESTBED_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/testbed.sh)
set(KIVO_POWER_RUN ${CMAKE_CURRENT_LIST_DIR}/testbed/power-run.sh)
set(KIVO_DEFAULT_TEST_TIMEOUT 180)
# Tests that run a program under heap checking: their fixtures mark the
# program's image (GlobalFlag), and Wine reports heap errors on the
# program's standard error, which is the test's own; such a test fails on
# "err:heap".
set(KIVO_HEAP_CHECK_ENVIRONMENT "WINEDEBUG=-all,err+heap;KIVO_HEAP_CHECK=1")

configure_file(${CMAKE_CURRENT_LIST_DIR}/testbed/wine-run.in ${KIVO_WINE_RUN}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE
  @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KIVO_WINE_RUN})

# Windows form of a path of this machine (Wine maps Z: to /).
function(kivo_windows_path out path)
  string(REPLACE "/" "\\\\" converted "${path}")
  set(${out} "Z:${converted}" PARENT_SCOPE)
endfunction()

kivo_windows_path(KIVO_DIST_DIR_WIN ${KIVO_DIST_DIR})
kivo_windows_path(KIVO_BIN_DIR_WIN ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

add_test(NAME testbed.start
  COMMAND bash ${KIVO_TESTBED_SCRIPT} start ${CMAKE_BINARY_DIR})
set_tests_properties(testbed.start PROPERTIES
  FIXTURES_SETUP kivo_machine RESOURCE_LOCK kivo_machine TIMEOUT 300)

add_test(NAME testbed.stop
  COMMAND bash ${KIVO_TESTBED_SCRIPT} stop ${CMAKE_BINARY_DIR})
set_tests_properties(testbed.stop PROPERTIES
  FIXTURES_CLEANUP kivo_machine RESOURCE_LOCK kivo_machine TIMEOUT 60)

add_test(NAME testbed.device
  COMMAND bash ${KIVO_TESTBED_SCRIPT} device ${CMAKE_BINARY_DIR})
set_tests_properties(testbed.device PROPERTIES
  FIXTURES_SETUP kivo_device FIXTURES_REQUIRED kivo_machine
  RESOURCE_LOCK kivo_machine TIMEOUT 180)

function(kivo_set_wine_test_properties name device timeout)
  set(fixtures kivo_machine)
  if(device)
    list(APPEND fixtures kivo_device)
  endif()
  if(NOT timeout)
    set(timeout ${KIVO_DEFAULT_TEST_TIMEOUT})
  endif()
  # All Wine tests share one machine (prefix, driver, registry): one at a time.
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED "${fixtures}" RESOURCE_LOCK kivo_machine TIMEOUT ${timeout})
endfunction()

# The command that runs a test under Wine, with its own power state or not.
function(kivo_wine_command out name power)
  if(power)
    set(${out} ${KIVO_POWER_RUN} ${KIVO_WINE_RUN} PARENT_SCOPE)
  else()
    set(${out} ${KIVO_WINE_RUN} PARENT_SCOPE)
  endif()
endfunction()

function(kivo_set_power_state name power)
  if(power)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
      "KIVO_POWER_SUPPLY_DIR=${KIVO_TESTBED_DIR}/power_supply/${name}")
  endif()
endfunction()

function(kivo_add_wine_test name)
  cmake_parse_arguments(ARG "DEVICE;POWER" "TIMEOUT" "COMMAND" ${ARGN})
  kivo_wine_command(run ${name} "${ARG_POWER}")
  add_test(NAME ${name} COMMAND ${run} ${ARG_COMMAND})
  kivo_set_wine_test_properties(${name} "${ARG_DEVICE}" "${ARG_TIMEOUT}")
  kivo_set_power_state(${name} "${ARG_POWER}")
endfunction()

function(kivo_add_gtest name)
  cmake_parse_arguments(ARG "DEVICE;POWER" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kivo_options kivo_testsupport GTest::gtest_main ${ARG_LIBS})
  add_dependencies(${name} dist DesktopShell)
  kivo_wine_command(run ${name} "${ARG_POWER}")
  add_test(NAME ${name} COMMAND ${run} $<TARGET_FILE:${name}> --gtest_color=no)
  kivo_set_wine_test_properties(${name} "${ARG_DEVICE}" "${ARG_TIMEOUT}")
  kivo_set_power_state(${name} "${ARG_POWER}")
endfunction()
