fw_add_test(platform_registry_tests
  SOURCES
    platform_registry_fixture.cpp
    platform_registry_api_test.cpp
    platform_registry_autostart_test.cpp
    platform_registry_concurrency_test.cpp
    platform_registry_damage_test.cpp
    platform_registry_store_test.cpp
  LIBS fw_platform)
