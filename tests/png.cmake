# Tests of the PNG codec (png/), its inspection tool and the PngSuite.
if(WIN32)
  # Under Wine: the codec's drawing and conversion on the real GDI. The
  # comparisons with libpng and the tool's output run in the native build;
  # stb_image (header only) reads reference alpha.
  find_path(FENWILLOW_STB_INCLUDE stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  fw_add_test(png_tests
    SOURCES
      png_chunk_stream_test.cpp
      png_header_test.cpp
      png_decode_test.cpp
      png_ancillary_test.cpp
      png_render_test.cpp
      png_convert_test.cpp
    LIBS fw_png fw_png_rgba ZLIB::ZLIB)
  target_include_directories(png_tests SYSTEM PRIVATE ${FENWILLOW_STB_INCLUDE})
  return()
endif()
find_package(PNG REQUIRED)

fw_add_test(png_tests
  SOURCES
    png_chunk_stream_test.cpp
    png_header_test.cpp
    png_decode_test.cpp
    png_ancillary_test.cpp
    png_suite_test.cpp
    png_render_test.cpp
    png_convert_test.cpp
  LIBS fw_png fw_png_rgba PNG::PNG ZLIB::ZLIB)
target_compile_definitions(png_tests PRIVATE PNG_INSPECT_PATH="$<TARGET_FILE:png-inspect>")
add_dependencies(png_tests png-inspect)
