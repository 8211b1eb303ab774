# 64-bit Windows on x86-64 with mingw-w64, where long double is still the x87
# 80-bit format; tests run under the 64-bit Wine loader, which needs no
# kernel support for 32-bit programs, in a 64-bit prefix of its own (a prefix
# made by the 32-bit loader cannot run 64-bit programs).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(WINE_COMMAND env WINEPREFIX=$ENV{HOME}/.wine64 WINEARCH=win64 /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
