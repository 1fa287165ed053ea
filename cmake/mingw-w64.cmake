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

# The static Qt for 64-bit Windows that the window program is built with
# (Debian has none): by default ../shared/qt6-mingw beside the repository,
# or the folder in QUENBY_QT_MINGW_DIR (cache value or environment). Its host
# tools (moc, rcc, uic) are Debian's own of the same version.
# A checkout in a folder of its own (a worktree, a CI clone) finds it in the
# nearest shared/qt6-mingw beside one of the folders above the repository.
if(DEFINED ENV{QUENBY_QT_MINGW_DIR} AND NOT "$ENV{QUENBY_QT_MINGW_DIR}" STREQUAL "")
  set(quenby_qt_default "$ENV{QUENBY_QT_MINGW_DIR}")
else()
  get_filename_component(quenby_qt_default "${CMAKE_CURRENT_LIST_DIR}/../../shared/qt6-mingw"
    ABSOLUTE)
  get_filename_component(quenby_qt_parent "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
  while(NOT EXISTS "${quenby_qt_parent}/shared/qt6-mingw/lib/cmake/Qt6/Qt6Config.cmake")
    get_filename_component(quenby_qt_next "${quenby_qt_parent}" DIRECTORY)
    if(quenby_qt_next STREQUAL quenby_qt_parent)
      break()
    endif()
    set(quenby_qt_parent "${quenby_qt_next}")
  endwhile()
  if(EXISTS "${quenby_qt_parent}/shared/qt6-mingw/lib/cmake/Qt6/Qt6Config.cmake")
    set(quenby_qt_default "${quenby_qt_parent}/shared/qt6-mingw")
  endif()
endif()
set(QUENBY_QT_MINGW_DIR "${quenby_qt_default}" CACHE PATH
  "Static Qt 6 for MinGW-w64 (the window program is built when it is there)")
if(EXISTS "${QUENBY_QT_MINGW_DIR}/lib/cmake/Qt6/Qt6Config.cmake")
  list(APPEND CMAKE_FIND_ROOT_PATH "${QUENBY_QT_MINGW_DIR}")
  list(APPEND CMAKE_PREFIX_PATH "${QUENBY_QT_MINGW_DIR}")
  set(QT_HOST_PATH /usr CACHE PATH "Qt's host tools of the same version")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH
    "CMake packages of Qt's host tools")
endif()
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
