# Compile and link settings shared by every user-mode program and library.

# Unicode, warnings, static runtime and the PE hardening flags.
add_library(kivo_options INTERFACE)
target_compile_definitions(kivo_options INTERFACE
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00
  STRSAFE_NO_DEPRECATE)
target_compile_options(kivo_options INTERFACE -Wall -Wextra -Werror=format-security)
target_link_options(kivo_options INTERFACE
  -static -static-libgcc -static-libstdc++
  -Wl,--dynamicbase,--high-entropy-va,--nxcompat
  # Reproducible files: no link time in the PE header.
  -Wl,--no-insert-timestamp)

# Programs whose entry point is wmain or wWinMain.
add_library(kivo_unicode_entry INTERFACE)
target_link_options(kivo_unicode_entry INTERFACE -municode)

# The version resource of every deliverable: each resource script defines
# KIVO_FILE_DESCRIPTION, KIVO_ORIGINAL_FILENAME and KIVO_FILE_TYPE and then
# includes kivo_version.rc.
set(KIVO_RESOURCE_INCLUDE_DIR ${CMAKE_CURRENT_LIST_DIR}/resources)

function(kivo_add_resources target)
  target_sources(${target} PRIVATE ${ARGN})
  target_include_directories(${target} PRIVATE ${KIVO_RESOURCE_INCLUDE_DIR})
  set_property(TARGET ${target} APPEND PROPERTY COMPILE_DEFINITIONS
    KIVO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    KIVO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    KIVO_VERSION_PATCH=${PROJECT_VERSION_PATCH})
endfunction()
