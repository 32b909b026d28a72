# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix), tests run
# under wine64:
#
#   cmake -S . -B build/windows --toolchain cmake/toolchains/x86_64-w64-mingw32.cmake \
#         -DCORVANE_BUILD_UI=OFF -DCORVANE_BUILD_BENCH=OFF \
#         -DCORVANE_GTEST_SOURCE_DIR=/usr/src/googletest
#
# The programs link their C and C++ runtimes statically, so they start on any Windows (and
# under wine) without MinGW's DLLs beside them. Wine gets its own prefix in the build folder
# (CORVANE_WINEPREFIX), runs quiet and needs no display.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CORVANE_TARGET_TRIPLE x86_64-w64-mingw32)
# The posix flavour: std::thread and std::mutex (GoogleTest uses them) need its threads.
set(CMAKE_C_COMPILER ${CORVANE_TARGET_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_TARGET_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_TARGET_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(CORVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(CORVANE_WINE64)
  set(CORVANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Wine prefix the tests run in")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      sh ${CMAKE_CURRENT_LIST_DIR}/run_in_wine.sh ${CORVANE_WINE64} ${CORVANE_WINEPREFIX})
endif()
