# The desktop program's own options, where it is built.
if(TARGET fenwillow)
  add_test(NAME CommandLine.HelpAndVersionNeedNoDisplayAndWriteNothing
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/command-line-check $<TARGET_FILE:fenwillow> ${PROJECT_VERSION})
endif()
