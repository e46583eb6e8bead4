# Shared part of the MinGW-w64 toolchains: set TIVARO_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR, then include this file.
#
# The -posix compilers use the POSIX thread model, which GoogleTest needs for std::mutex.
# Everything is linked statically so that Tivaro.scr needs no DLL beyond the system's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${TIVARO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIVARO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TIVARO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TIVARO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows programs built here run under Wine: CTest (and GoogleTest's test discovery)
# start them through it, with one more try where Wine could not start the process at all.
find_program(TIVARO_WINE wine)
if(TIVARO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tests/windows/wine_start.sh
                                    ${TIVARO_WINE})
endif()
