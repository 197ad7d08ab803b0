# The software backend's row-copy shortcut against a per-pixel model.
if(NOT WIN32)
  fw_add_test(platform_gfx_fastpath_tests
    SOURCES
      platform_gfx_fastpath_test.cpp
      platform_gfx_support.cpp
    LIBS fw_platform)
endif()
