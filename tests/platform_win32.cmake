# The Windows backend under Wine, and the helper of the Wine integration
# test (tests/wine/run-integration).
if(WIN32)
  fw_add_test(platform_win32_tests
    SOURCES
      platform_win32_calls_test.cpp
      platform_win32_windows_test.cpp
      wine/test_resource.rc
    LIBS fw_win32_windows)

  add_executable(fenwillow-probe wine/probe.cpp)
endif()
