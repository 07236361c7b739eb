# Cross-compiles for Windows with mingw-w64; included by the toolchain file
# of each architecture, which sets CMAKE_SYSTEM_PROCESSOR, VANTU_MINGW_TRIPLE
# and the emulator the cross-built test programs run under.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model gives std::mutex and std::thread (GoogleTest needs
# them); its winpthread goes in statically like the rest of the runtime.
if(NOT VANTU_MINGW_THREADS)
  set(VANTU_MINGW_THREADS posix)
endif()
set(CMAKE_C_COMPILER ${VANTU_MINGW_TRIPLE}-gcc-${VANTU_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${VANTU_MINGW_TRIPLE}-g++-${VANTU_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${VANTU_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VANTU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
