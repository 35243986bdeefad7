# Installation into the standard places and a Debian package through CPack.
include(GNUInstallDirs)

foreach(tgt vantreldaq vantreldaq-cli vantrel-logger-sim)
  if(TARGET ${tgt})
    install(TARGETS ${tgt} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES packaging/vantreldaq.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
