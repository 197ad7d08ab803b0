# Graphics calls (device contexts, blits, DIB transfers, palettes,
# clipboard) and TBitmap/TCanvas on top of them, held against the software
# backend here and against the real gdi32 in the Windows build.
fw_add_test(platform_gfx_tests
  SOURCES
    platform_gfx_bitmap_test.cpp
    platform_gfx_blit_test.cpp
    platform_gfx_dib_test.cpp
    platform_gfx_objects_test.cpp
    platform_gfx_support.cpp
  LIBS fw_platform)
