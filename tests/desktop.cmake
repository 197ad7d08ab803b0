# The desktop window under a private X server (Xvfb with xcompmgr, input
# from xdotool), the program also under real window managers and on the
# Wayland compositors sway and KWin. Registered only when asked for (scripts/test-desktop),
# since they need those programs and take about a minute.
option(FENWILLOW_DESKTOP_TESTS 
  "Register the desktop window tests (need Xvfb, xcompmgr, xdotool, wmctrl and the window managers)" OFF)
if(TARGET fw_gtk AND FENWILLOW_DESKTOP_TESTS)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FW_X11 REQUIRED IMPORTED_TARGET x11)
  add_library(fw_desktop_support STATIC desktop/child_process.cpp desktop/test_display.cpp)
  target_include_directories(fw_desktop_support PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(fw_desktop_support PUBLIC PkgConfig::FW_X11)

  fw_add_test(desktop_backend_test
    SOURCES desktop/autostart_glib_test.cpp desktop/backend_fixture.cpp desktop/backend_dialogs_test.cpp
            desktop/backend_mapping_test.cpp desktop/backend_presentation_test.cpp
    LIBS fw_gtk fw_desktop_support)

  # The pointer of the tests on Wayland compositors, from the protocols'
  # descriptions.
  find_program(FW_WAYLAND_SCANNER wayland-scanner REQUIRED)
  pkg_check_modules(FW_WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
  find_file(FW_FAKE_INPUT_XML fake-input.xml PATHS /usr/share/plasma-wayland-protocols REQUIRED NO_DEFAULT_PATH)
  set(fw_protocol_dir ${CMAKE_CURRENT_BINARY_DIR}/protocols)
  set(fw_protocol_sources "")
  foreach(xml ${CMAKE_CURRENT_SOURCE_DIR}/desktop/protocols/wlr-virtual-pointer-unstable-v1.xml ${FW_FAKE_INPUT_XML})
    get_filename_component(name ${xml} NAME_WE)
    add_custom_command(OUTPUT ${fw_protocol_dir}/${name}-client-protocol.h ${fw_protocol_dir}/${name}-protocol.c
      COMMAND ${CMAKE_COMMAND} -E make_directory ${fw_protocol_dir}
      COMMAND ${FW_WAYLAND_SCANNER} client-header ${xml} ${fw_protocol_dir}/${name}-client-protocol.h
      COMMAND ${FW_WAYLAND_SCANNER} private-code ${xml} ${fw_protocol_dir}/${name}-protocol.c
      DEPENDS ${xml} VERBATIM)
    list(APPEND fw_protocol_sources ${fw_protocol_dir}/${name}-client-protocol.h ${fw_protocol_dir}/${name}-protocol.c)
  endforeach()
  add_executable(wayland-pointer desktop/wayland_pointer.cpp ${fw_protocol_sources})
  target_include_directories(wayland-pointer PRIVATE ${fw_protocol_dir})
  target_link_libraries(wayland-pointer PRIVATE PkgConfig::FW_WAYLAND_CLIENT)
  foreach(compositor sway kwin)
    add_test(NAME OnWayland.${compositor}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/desktop/on-wayland ${compositor} $<TARGET_FILE:fenwillow>
                     $<TARGET_FILE:wayland-pointer>)
    set_tests_properties(OnWayland.${compositor} PROPERTIES TIMEOUT 180)
  endforeach()

  fw_add_test(desktop_program_test SOURCES desktop/program_test.cpp LIBS fw_desktop_support)
  target_compile_definitions(desktop_program_test PRIVATE FENWILLOW_EXECUTABLE="$<TARGET_FILE:fenwillow>"
                             FENWILLOW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(desktop_program_test fenwillow)
  # The program again under each window manager people use, each on an X
  # server of its own: they reparent, place and move windows their own way.
  foreach(manager openbox xfwm4 metacity fluxbox)
    gtest_discover_tests(desktop_program_test TEST_PREFIX "${manager}." DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 600 ENVIRONMENT "FENWILLOW_TEST_WM=${manager}")
  endforeach()
  # GNOME's window manager, whose move follows the left button only; its
  # own compositing leaves the screen's pixels to the other managers' runs.
  gtest_discover_tests(desktop_program_test TEST_PREFIX "mutter." TEST_FILTER "ProgramTest.ADragWithAnyButton*"
                       DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600 ENVIRONMENT "FENWILLOW_TEST_WM=mutter")
endif()
