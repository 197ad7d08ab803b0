# The programs' command lines: the desktop program's own options, where it
# is built, and what the frame renderer writes and says.
if(TARGET fenwillow)
  add_test(NAME CommandLine.HelpAndVersionNeedNoDisplayAndWriteNothing
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/command-line-check $<TARGET_FILE:fenwillow> ${PROJECT_VERSION})
endif()
add_test(NAME CommandLine.RenderSaysAbsolutePathsAndLeavesNoEarlierFrames
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/render-check $<TARGET_FILE:fenwillow-render>)
