# Desktop integration (launcher entry, icon, software-centre metadata) and the Debian package:
#   cmake --preset release && cmake --build build/release && cd build/release && cpack -G DEB
# The agent's D-Bus service file and its install rule live with the agent in src/CMakeLists.txt.

set(TENDREL_APP_ID app.tendrel.Tendrel)
set(_desktop ${PROJECT_SOURCE_DIR}/resources/desktop)

install(FILES ${_desktop}/${TENDREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/app/${TENDREL_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_desktop}/${TENDREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The launcher entry and the metadata are checked by the tools that desktops and software centres
# themselves use (desktop-file-utils, appstream; scripts/bootstrap installs both).
if(TENDREL_BUILD_TESTS)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(APPSTREAMCLI appstreamcli)
  if(DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry COMMAND ${DESKTOP_FILE_VALIDATE} ${_desktop}/${TENDREL_APP_ID}.desktop)
  endif()
  if(APPSTREAMCLI)
    add_test(NAME appstream_metainfo COMMAND ${APPSTREAMCLI} validate --no-net ${_desktop}/${TENDREL_APP_ID}.metainfo.xml)
  endif()
endif()

set(TENDREL_MAINTAINER "Tendrel developers <developers@tendrel.app>" CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME tendrel)
set(CPACK_PACKAGE_VENDOR Tendrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TENDREL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "care schedules and daily reminders for houseplants")
set(CPACK_PACKAGE_DESCRIPTION "Tendrel keeps track of the houseplants you own and of the care each one \
needs: watering, fertilizing and misting schedules, a care log per plant, a catalog of common \
houseplants and an optional daily reminder. All data stays on your computer.")
set(CPACK_STRIP_FILES ON)
# Paths written into installed files (the agent's D-Bus service) come from CMAKE_INSTALL_PREFIX, so
# the package installs under the same prefix; configure with -DCMAKE_INSTALL_PREFIX=/usr for a
# package that follows Debian's layout.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "Debian package will install under ${CMAKE_INSTALL_PREFIX} (configure with -DCMAKE_INSTALL_PREFIX=/usr for /usr)")
endif()

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TENDREL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Shared libraries are found by dpkg-shlibdeps; Qt plugins are loaded at run time and have to be
# named: the SQLite driver of the store and the WebP/TIFF readers for picked photos.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-image-formats-plugins")
# Recommended, so a desktop user gets them with the app: Wayland without XWayland; the GTK platform
# theme (GNOME, Xfce, Cinnamon, MATE: GTK's file dialogs, fonts and icon theme in stock controls);
# the portal platform theme (KDE and sandboxed sessions: the desktop's dialogs through the XDG
# portal when QT_QPA_PLATFORMTHEME=xdgdesktopportal).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-gtk-platformtheme, qt6-xdgdesktopportal-platformtheme")

include(CPack)
