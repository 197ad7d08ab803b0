# The decoder's fast paths (whole-buffer inflate, vector filters, row
# copiers) against the straightforward ones.
fw_add_test(png_fastpath_tests
  SOURCES png_fastpath_test.cpp png_filters_simd_test.cpp png_row_copiers_direct_test.cpp
  LIBS fw_png ZLIB::ZLIB)
# A laxer inflater, to show that the streams zlib refuses are ones it takes.
if(TARGET PkgConfig::LIBDEFLATE)
  target_link_libraries(png_fastpath_tests PRIVATE PkgConfig::LIBDEFLATE)
endif()
