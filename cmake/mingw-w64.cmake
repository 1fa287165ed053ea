# Cross build for 64-bit Windows with Debian's MinGW-w64, checked under Wine:
#   cmake -S . -B build/windows --toolchain cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The POSIX-threads variants: GoogleTest needs std::thread and std::mutex,
# which the win32-threads variants lack.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in: Wine cannot load the MinGW runtime DLLs from the
# build tree and ends such a program silently with exit code 53.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian ships GoogleTest for MinGW only as source.
set(QUENBY_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build with the tests")

# Debian's wine64 package keeps its programs outside PATH.
find_program(QUENBY_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUENBY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENBY_WINE})
endif()
