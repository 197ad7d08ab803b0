# The Windows backend under Wine, and the helper of the Wine integration
# test (tests/wine/run-integration).
if(WIN32)
  add_executable(fenwillow-probe wine/probe.cpp)
endif()
