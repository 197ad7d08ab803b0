# Software graphics (device contexts, blits, DIB transfers, palettes,
# clipboard) and TBitmap/TCanvas on top of them. The expected values are
# those of the software backend (its fixed colour tables, its in-memory
# clipboard), so the suite runs only where that backend is built.
if(NOT WIN32)
  fw_add_test(platform_gfx_tests
    SOURCES
      platform_gfx_bitmap_test.cpp
      platform_gfx_blit_test.cpp
      platform_gfx_dib_test.cpp
      platform_gfx_objects_test.cpp
      platform_gfx_support.cpp
    LIBS fw_platform)
endif()
