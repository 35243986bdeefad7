# Installation into the standard places and a Debian package through CPack.
include(GNUInstallDirs)

foreach(tgt vantreldaq vantreldaq-cli vantrel-logger-sim)
  if(TARGET ${tgt})
    install(TARGETS ${tgt} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES packaging/vantreldaq.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The MIME type of recording files (*.udd); the desktop entry names it.
install(FILES packaging/vantreldaq-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME vantreldaq.xml)
# Straight into a prefix (not a staging folder, not a package, whose
# triggers do this), refresh the MIME and desktop databases there so that the
# association holds at once; missing tools are no failure.
install(CODE [[
  if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
    find_program(VANTREL_UPDATE_MIME update-mime-database)
    find_program(VANTREL_UPDATE_DESKTOP update-desktop-database)
    if(VANTREL_UPDATE_MIME)
      execute_process(COMMAND ${VANTREL_UPDATE_MIME} "${CMAKE_INSTALL_PREFIX}/share/mime")
    endif()
    if(VANTREL_UPDATE_DESKTOP)
      execute_process(COMMAND ${VANTREL_UPDATE_DESKTOP} -q "${CMAKE_INSTALL_PREFIX}/share/applications")
    endif()
  endif()
]])
foreach(size 16 32 64 128)
  if(EXISTS ${PROJECT_SOURCE_DIR}/resources/icons/vantreldaq-${size}.png)
    install(FILES resources/icons/vantreldaq-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vantreldaq.png)
  endif()
endforeach()
if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/vantreldaq-cli.1)
  install(FILES packaging/vantreldaq-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantreldaq)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VantrelDAQ developers <dev@vantreldaq.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop front-end of the Vantrel portable power logger")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, qt6-translations-l10n")
# Lets the file manager open recordings: the package triggers of these two
# refresh the MIME and desktop databases when the package comes and goes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
