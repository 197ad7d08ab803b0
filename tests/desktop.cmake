# The desktop window under a private X server (Xvfb with xcompmgr, input
# from xdotool). Registered only when asked for (scripts/test-desktop),
# since they need those programs and take about a minute.
option(FENWILLOW_DESKTOP_TESTS "Register the desktop window tests (need Xvfb, xcompmgr, xdotool)" OFF)
if(TARGET fw_gtk AND FENWILLOW_DESKTOP_TESTS)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FW_X11 REQUIRED IMPORTED_TARGET x11)
  add_library(fw_desktop_support STATIC desktop/child_process.cpp desktop/test_display.cpp)
  target_include_directories(fw_desktop_support PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(fw_desktop_support PUBLIC PkgConfig::FW_X11)

  fw_add_test(desktop_backend_test
    SOURCES desktop/backend_fixture.cpp desktop/backend_dialogs_test.cpp desktop/backend_mapping_test.cpp
            desktop/backend_presentation_test.cpp
    LIBS fw_gtk fw_desktop_support)

  fw_add_test(desktop_program_test SOURCES desktop/program_test.cpp LIBS fw_desktop_support)
  target_compile_definitions(desktop_program_test PRIVATE FENWILLOW_EXECUTABLE="$<TARGET_FILE:fenwillow>")
  add_dependencies(desktop_program_test fenwillow)
endif()
