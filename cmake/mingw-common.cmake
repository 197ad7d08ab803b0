# Shared part of the MinGW-w64 toolchain files: a static Windows build whose
# test programs run under Wine (tests/wine/run-wine).
set(CMAKE_SYSTEM_NAME Windows)
# The POSIX thread model: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${FENWILLOW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FENWILLOW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FENWILLOW_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FENWILLOW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLLs beyond the system's: the C and C++ runtimes and zlib are linked in.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs are Windows programs: list and run them under Wine, and
# only when CTest runs (the build machine may not be able to run them).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run-wine)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
