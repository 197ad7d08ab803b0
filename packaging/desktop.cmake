# The desktop program as it is installed (cmake --install) and packed
# (the `deb` target): the program, its menu entry, icons, AppStream
# metadata, man page, About page, copyright and changelog.
include(${PROJECT_SOURCE_DIR}/cmake/AboutPage.cmake)
set(fw_packaging ${CMAKE_CURRENT_LIST_DIR})
set(fw_generated ${CMAKE_CURRENT_BINARY_DIR}/packaging)

# The changelog and the AppStream releases are written by hand; a version
# bump must not ship with either of them behind.
file(STRINGS ${fw_packaging}/changelog fw_changelog_top LIMIT_COUNT 1)
file(READ ${fw_packaging}/org.example.fenwillow.metainfo.xml fw_metainfo)
string(REGEX MATCH "<release version=\"[^\"]*\"" fw_metainfo_top "${fw_metainfo}")
if(NOT fw_changelog_top MATCHES "^fenwillow \\(${PROJECT_VERSION}\\) " OR
   NOT fw_metainfo_top STREQUAL "<release version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "packaging/changelog and packaging/org.example.fenwillow.metainfo.xml "
                      "must begin with an entry for version ${PROJECT_VERSION}")
endif()

# The program looks for its About page at ../share/fenwillow/ from its own
# directory; the build tree keeps one there too.
get_filename_component(fw_build_share ${CMAKE_CURRENT_BINARY_DIR}/../share ABSOLUTE)
set(fw_about_page ${fw_build_share}/fenwillow/about.html)
fw_about_page(${fw_about_page})

# Man page and changelog compressed as Debian wants them: at the highest
# level, without the file's name and time.
configure_file(${fw_packaging}/fenwillow.1.in ${fw_generated}/fenwillow.1 @ONLY)
set(fw_compressed "")
foreach(source ${fw_generated}/fenwillow.1 ${fw_packaging}/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${fw_generated}/gz/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${fw_generated}/gz/${name}
    COMMAND gzip -9nf ${fw_generated}/gz/${name}
    DEPENDS ${source} VERBATIM)
  list(APPEND fw_compressed ${output})
endforeach()
add_custom_target(fenwillow-docs ALL DEPENDS ${fw_compressed})

install(TARGETS fenwillow RUNTIME DESTINATION bin)
install(CODE "set(FW_ENTRY_SOURCE \"${fw_packaging}/fenwillow.desktop.in\")
              set(FW_ENTRY_STAGE \"${fw_generated}/entry\")")
install(SCRIPT ${fw_packaging}/menu_entry.cmake)
install(FILES ${fw_packaging}/org.example.fenwillow.metainfo.xml DESTINATION share/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${fw_packaging}/icons/hicolor/${size}x${size}/apps/fenwillow.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${fw_packaging}/icons/hicolor/scalable/apps/fenwillow.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${fw_about_page} DESTINATION share/fenwillow)
install(FILES ${fw_generated}/gz/fenwillow.1.gz DESTINATION share/man/man1)
install(FILES ${fw_packaging}/copyright ${fw_generated}/gz/changelog.gz DESTINATION share/doc/fenwillow)
install(FILES ${fw_packaging}/lintian-overrides DESTINATION share/lintian/overrides RENAME fenwillow)

set(CPACK_PACKAGE_NAME fenwillow)
set(CPACK_PACKAGE_VENDOR "Fenwillow developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decorated tree with a twinkling garland and falling stars for the desktop")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${fw_packaging}/description.txt)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Fenwillow developers <fenwillow@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
# The dependencies are the libraries the binary needs, as dpkg-shlibdeps
# reads them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# `--target deb` builds only what the package holds, then packs it.
find_program(FW_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(FW_DPKG_SHLIBDEPS)
  add_custom_target(deb
    COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR} VERBATIM)
  add_dependencies(deb fenwillow fenwillow-docs)
else()
  add_custom_target(deb
    COMMAND ${CMAKE_COMMAND} -E echo "deb: the package's dependencies need dpkg-shlibdeps (dpkg-dev); run scripts/setup package"
    COMMAND ${CMAKE_COMMAND} -E false VERBATIM)
endif()
