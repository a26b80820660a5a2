# Cross-building the 64-bit Windows programs on Linux with MinGW-w64. The -posix compilers,
# because the -win32 ones have no std::thread or std::mutex; the C and C++ runtimes linked in
# statically, so a program needs no DLL beyond those of Windows itself. The tests run under
# Wine through ctest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)
set(CMAKE_ASM_COMPILER ${mingw_prefix}-gcc-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine's 64-bit loader runs the test programs (and lists their tests for ctest), in a prefix
# inside the build folder (see run-under-wine).
set(CMAKE_CROSSCOMPILING_EMULATOR sh;${CMAKE_CURRENT_LIST_DIR}/run-under-wine;${CMAKE_BINARY_DIR})
