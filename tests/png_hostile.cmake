# The codec against hostile input: mutated PngSuite files and streams built
# to exhaust memory or time.
fw_add_test(png_hostile_tests
  SOURCES
    png_hostile_exercise.cpp
    png_hostile_test.cpp
  LIBS fw_png ZLIB::ZLIB)
