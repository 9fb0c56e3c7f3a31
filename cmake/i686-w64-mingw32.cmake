# Cross-builds the 32-bit Windows program with Debian's MinGW-w64 compilers.
# 32-bit on purpose: the records the handlers fill have their 32-bit sizes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(ORVENNA_MINGW_PREFIX i686-w64-mingw32)
# GCC's "posix" thread model: the picture libraries (and doctest) use std::thread and
# std::mutex, which the default "win32" model lacks.
set(CMAKE_C_COMPILER ${ORVENNA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVENNA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVENNA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVENNA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and tests run through Wine on the build machine (without it, only the build).
find_program(ORVENNA_WINE wine)
if(ORVENNA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVENNA_WINE})
endif()

# No MinGW DLL beside the program: everything but Windows' own libraries goes in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
