# qbm_help_pages(<program> <folder>)
# The help pages (docs/help) copied to <folder>/help, beside the desktop program, before <program>
# is built: target qbmerge_help.
function(qbm_help_pages program folder)
  file(GLOB help_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/help/*)
  set(help_stamp ${folder}/help.stamp)
  add_custom_command(OUTPUT ${help_stamp}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/help ${folder}/help
    COMMAND ${CMAKE_COMMAND} -E touch ${help_stamp}
    DEPENDS ${help_pages}
    COMMENT "Copying the help pages beside ${program}")
  add_custom_target(qbmerge_help ALL DEPENDS ${help_stamp})
  add_dependencies(${program} qbmerge_help)
endfunction()
