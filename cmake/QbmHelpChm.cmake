# The compiled help file of the Windows program, build-windows/help/qbmerge.chm: the pages of docs/help
# compiled as packaging/windows/qbmerge.hhp says (context number 1000 opens topic1000.html). The
# compiler is packaging/windows/hhp2chm.pas, built for the build machine with Free Pascal (Debian's
# fp-compiler, fp-units-fcl and fp-units-misc, which scripts/test-windows installs); hhp2chm.pas says
# why not chmcmd.
find_program(QBM_FPC fpc)
if(NOT QBM_FPC)
  if(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "fpc (Debian's fp-compiler) is needed for qbmerge.chm; scripts/test-windows installs it")
  endif()
  message(STATUS "fpc not found: qbmerge.chm is not built")
  return()
endif()

set(qbm_hhp2chm_dir ${PROJECT_BINARY_DIR}/tools/hhp2chm)
set(qbm_hhp2chm ${qbm_hhp2chm_dir}/hhp2chm${CMAKE_HOST_EXECUTABLE_SUFFIX})
add_custom_command(OUTPUT ${qbm_hhp2chm}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${qbm_hhp2chm_dir}
  COMMAND ${QBM_FPC} -v0 -l- -FE${qbm_hhp2chm_dir} -FU${qbm_hhp2chm_dir}
          ${PROJECT_SOURCE_DIR}/packaging/windows/hhp2chm.pas
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/windows/hhp2chm.pas
  COMMENT "Compiling the help compiler hhp2chm")

# The project is compiled in a copy beside the pages: its [FILES] name them relative to itself.
file(GLOB qbm_help_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/help/*)
set(qbm_hhp ${PROJECT_SOURCE_DIR}/packaging/windows/qbmerge.hhp)
set(qbm_help_project ${PROJECT_BINARY_DIR}/help/project)
set(qbm_chm ${PROJECT_BINARY_DIR}/help/qbmerge.chm)
add_custom_command(OUTPUT ${qbm_chm}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${qbm_help_project}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/help ${qbm_help_project}
  COMMAND ${CMAKE_COMMAND} -E copy ${qbm_hhp} ${qbm_help_project}
  COMMAND ${qbm_hhp2chm} ${qbm_help_project}/qbmerge.hhp ${qbm_chm}
  DEPENDS ${qbm_hhp2chm} ${qbm_hhp} ${qbm_help_pages}
  COMMENT "Compiling the help file qbmerge.chm")
add_custom_target(qbmerge_chm ALL DEPENDS ${qbm_chm})
