# 64-bit Windows: the same sources, for running the tests under a Wine that
# has no 32-bit side (kernels without 32-bit user space).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FENWILLOW_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
