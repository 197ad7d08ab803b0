# The settings store under faults: copies killed at every step of a save,
# many copies saving at once, damaged store files.
fw_add_test(platform_registry_robust_tests
  SOURCES
    platform_registry_fixture.cpp
    platform_registry_kill_test.cpp
    platform_registry_rounds_test.cpp
    platform_registry_damage_cases_test.cpp
  LIBS fw_platform)
