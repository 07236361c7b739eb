# Builds the portable code as 32-bit x86 Linux programs (Debian's
# g++-multilib), so that the native tests run with the DLL's 32-bit pointers
# and size_t. Where this machine cannot run them, the preset native32-qemu
# names qemu-i386 as CMAKE_CROSSCOMPILING_EMULATOR and ctest runs each
# program through it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
