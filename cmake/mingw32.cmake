# 32-bit Windows (the product): i686 MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FENWILLOW_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
