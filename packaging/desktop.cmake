# Installing the desktop program (bin, its menu entry and icons) and the
# .deb package made from that: cmake --install, cpack -G DEB.
install(TARGETS fenwillow RUNTIME DESTINATION bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/fenwillow.desktop DESTINATION share/applications)
foreach(size 48 64 128 256)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/hicolor/${size}x${size}/apps/fenwillow.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

set(CPACK_PACKAGE_NAME fenwillow)
set(CPACK_PACKAGE_VENDOR "Fenwillow")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop ornament: a decorated tree with garland and falling stars")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Fenwillow developers <fenwillow@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
# The libraries as the binary needs them (GTK 3, zlib, …), where the Debian
# tool that reads them is at hand.
find_program(FW_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(FW_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgtk-3-0")
endif()
include(CPack)
