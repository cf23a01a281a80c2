# What `cmake --install` puts where, and the Debian package CPack builds from it.
#   bin/qbmerge, bin/qbmerge-cli
#   share/qbmerge/help/            the help pages (qbmerge looks there when help/ is not beside it)
#   share/applications/            the desktop entry
#   share/icons/hicolor/           the icon, as SVG and PNG sizes
#   share/man/man1/                both manual pages, compressed as Debian ships them
include(GNUInstallDirs)

install(TARGETS qbmerge-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(qbm_man_pages qbmerge-cli)
if(TARGET qbmerge)
  install(TARGETS qbmerge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/qbmerge/help)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/qbmerge.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/packaging/icons/hicolor/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/qbmerge.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  list(APPEND qbm_man_pages qbmerge)
endif()

# Manual pages: the version filled in, then gzip -n so that the same sources give the same package.
find_program(QBM_GZIP gzip)
foreach(page ${qbm_man_pages})
  set(source ${PROJECT_SOURCE_DIR}/packaging/man/${page}.1)
  set(filled ${PROJECT_BINARY_DIR}/man/${page}.1)
  configure_file(${source} ${filled} @ONLY)
  if(QBM_GZIP)
    add_custom_command(OUTPUT ${filled}.gz
      COMMAND ${QBM_GZIP} -9 -n -c ${filled} > ${filled}.gz
      DEPENDS ${filled}
      COMMENT "Compressing the manual page ${page}.1")
    list(APPEND qbm_man_outputs ${filled}.gz)
    install(FILES ${filled}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${filled} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
if(qbm_man_outputs)
  add_custom_target(qbmerge_man ALL DEPENDS ${qbm_man_outputs})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qbmerge)
set(CPACK_PACKAGE_VENDOR "QB Merge developers")
set(CPACK_PACKAGE_CONTACT "QB Merge developers <dev@qbmerge.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Merge loudspeaker driver databases (Access .mdb files)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "QB Merge copies the loudspeaker drivers of an old driver database into a new one, asking once\n\
before it writes over drivers the new database already holds, and shows any driver's details in\n\
metric or English units. It carries its own engine for Access (Jet 3 and Jet 4) files.\n\
qbmerge is the desktop program; qbmerge-cli does the same work without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
