# Cross-compiles the same sources for 64-bit Windows: the twin the tests run
# under wine64 where this machine cannot execute 32-bit x86 processes.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VANTU_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# Debian's wine script would pick the 32-bit loader whenever it is installed.
set(CMAKE_CROSSCOMPILING_EMULATOR env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64)
