# Cross-compiles the plug-in for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The posix thread model gives std::mutex and std::thread (GoogleTest needs
# them); its winpthread goes in statically like the rest of the runtime.
if(NOT VANTU_MINGW_THREADS)
  set(VANTU_MINGW_THREADS posix)
endif()
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${VANTU_MINGW_THREADS})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${VANTU_MINGW_THREADS})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
