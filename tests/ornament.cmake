# The ornament, run on the headless platform.
add_library(fw_ornament_harness STATIC ornament_harness.cpp)
target_include_directories(fw_ornament_harness PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(fw_ornament_harness PUBLIC fw_ornament fw_headless GTest::gtest)

fw_add_test(ornament_tests
  SOURCES ornament_composer_test.cpp ornament_settings_test.cpp ornament_window_test.cpp
          ornament_hardening_test.cpp
  LIBS fw_ornament_harness fw_pictures)

fw_embed_pictures(fw_pictures_damaged DAMAGE imgTree)
fw_add_test(ornament_damaged_test
  SOURCES ornament_damaged_test.cpp
  LIBS fw_ornament_harness fw_pictures_damaged)
