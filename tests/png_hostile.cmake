# The codec against hostile input: mutated PngSuite files and streams built
# to exhaust memory or time.
add_library(fw_png_hostile_cases STATIC png_hostile_cases.cpp)
target_include_directories(fw_png_hostile_cases PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(fw_png_hostile_cases PUBLIC fw_png ZLIB::ZLIB)

fw_add_test(png_hostile_tests
  SOURCES
    png_hostile_exercise.cpp
    png_hostile_test.cpp
    png_hostile_bounds_test.cpp
  LIBS fw_png_hostile_cases)

# Peak memory and time of each hostile stream, one child process per case.
add_executable(png-hostile-measure png_hostile_measure.cpp)
target_link_libraries(png-hostile-measure PRIVATE fw_png_hostile_cases)
