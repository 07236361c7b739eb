# Cross-compiles the plug-in for 32-bit Windows with mingw-w64: what ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VANTU_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
