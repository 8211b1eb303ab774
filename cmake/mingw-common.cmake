# What both Windows builds share: mingw-w64 with the posix thread model (which
# the test framework needs), the C and C++ runtimes linked in, and the tests
# run under Wine with a Japanese locale, so that the ANSI code page is 932.
#
# The including toolchain file sets MINGW_TRIPLE (i686-w64-mingw32 or
# x86_64-w64-mingw32) and WINE_COMMAND (the loader, with the prefix it uses).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables stand alone: the C and C++ runtimes are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR env LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all ${WINE_COMMAND})
