# Staging of the ready-to-install folder (KIVO_DIST_DIR).
#
#   kivo_stage_target(<target>)   stage the target's output file
#   kivo_stage_file(<path>)       stage a source file as it is
#
# kivo_add_dist_target() then makes the "dist" target (built by default) that
# copies everything staged into KIVO_DIST_DIR.

function(kivo_stage_target target)
  set_property(GLOBAL APPEND PROPERTY KIVO_DIST_FILES "$<TARGET_FILE:${target}>")
  set_property(GLOBAL APPEND PROPERTY KIVO_DIST_TARGETS ${target})
endfunction()

function(kivo_stage_file path)
  get_filename_component(absolute ${path} ABSOLUTE)
  set_property(GLOBAL APPEND PROPERTY KIVO_DIST_FILES ${absolute})
endfunction()

function(kivo_add_dist_target)
  get_property(files GLOBAL PROPERTY KIVO_DIST_FILES)
  get_property(targets GLOBAL PROPERTY KIVO_DIST_TARGETS)
  add_custom_target(dist ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KIVO_DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${KIVO_DIST_DIR}
    COMMENT "Staging the ready-to-install folder ${KIVO_DIST_DIR}"
    VERBATIM)
  add_dependencies(dist ${targets})
endfunction()
