# Tests of the PNG codec (png/), its inspection tool and the PngSuite.
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
