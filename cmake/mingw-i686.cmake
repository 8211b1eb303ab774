# 32-bit Windows on x86, the program's home, with mingw-w64; tests run under
# the 32-bit Wine loader in the default Wine prefix.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
set(WINE_COMMAND wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
