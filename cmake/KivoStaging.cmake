# Staging of the ready-to-install folder (KIVO_DIST_DIR).
#
#   kivo_stage_target(<target>)   stage the target's output file
#   kivo_stage_file(<path> [<folder>])
#                                 stage a source file as it is, into that
#                                 folder of KIVO_DIST_DIR (default: its top)
#
# kivo_add_dist_target() then makes the "dist" target (built by default) that
# copies everything staged into KIVO_DIST_DIR; the programs among them lose
# their debug information and are signed.

function(kivo_stage_target target)
  set_property(GLOBAL APPEND PROPERTY KIVO_DIST_FILES "$<TARGET_FILE:${target}>")
  set_property(GLOBAL APPEND PROPERTY KIVO_DIST_TARGETS ${target})
endfunction()

function(kivo_stage_file path)
  get_filename_component(absolute ${path} ABSOLUTE)
  if(ARGC GREATER 1)
    set_property(GLOBAL APPEND PROPERTY KIVO_DIST_FOLDERS ${ARGV1})
    set_property(GLOBAL APPEND PROPERTY KIVO_DIST_FILES_IN_${ARGV1} ${absolute})
  else()
    set_property(GLOBAL APPEND PROPERTY KIVO_DIST_FILES ${absolute})
  endif()
endfunction()

function(kivo_add_dist_target)
  get_property(files GLOBAL PROPERTY KIVO_DIST_FILES)
  get_property(targets GLOBAL PROPERTY KIVO_DIST_TARGETS)
  set(programs)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY")
      list(APPEND programs "${KIVO_DIST_DIR}/$<TARGET_FILE_NAME:${target}>")
    endif()
  endforeach()
  get_property(folders GLOBAL PROPERTY KIVO_DIST_FOLDERS)
  if(folders)
    list(REMOVE_DUPLICATES folders)
  endif()
  set(copyIntoFolders)
  foreach(folder ${folders})
    get_property(filesInFolder GLOBAL PROPERTY KIVO_DIST_FILES_IN_${folder})
    list(APPEND copyIntoFolders
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KIVO_DIST_DIR}/${folder}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${filesInFolder} ${KIVO_DIST_DIR}/${folder})
  endforeach()
  # What ships carries no debug information: it is of no use to a user, and
  # triples the files (Wine even reads it into every process's private
  # memory). The programs in build/bin keep it for debugging. strip would
  # write today's date into the PE header; SOURCE_DATE_EPOCH keeps it at 0,
  # as the linker left it, so two builds still give the same files.
  # Then every program is signed (cmake/KivoSigning.cmake).
  add_custom_target(dist ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KIVO_DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${KIVO_DIST_DIR}
    ${copyIntoFolders}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-debug ${programs}
    COMMAND ${KIVO_SIGN_COMMAND} ${programs}
    COMMENT "Staging the ready-to-install folder ${KIVO_DIST_DIR}"
    VERBATIM)
  add_dependencies(dist ${targets})
endfunction()
