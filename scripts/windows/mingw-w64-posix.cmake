# Cross-compiling for 64-bit Windows with mingw-w64. The -posix compilers are named on purpose:
# the win32 thread model has no std::thread or std::mutex in GCC 12, and installing it flips the
# unversioned x86_64-w64-mingw32-g++ over to it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER   /usr/bin/x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  /usr/bin/x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# ctest runs the test programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
# One self-contained exe: without -static, mingw's libgcc_s.a import library pulls in libgcc_s_seh-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
