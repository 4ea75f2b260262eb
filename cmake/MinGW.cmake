# Cross build for Windows with MinGW-w64, win32 thread model, for CMAKE_SYSTEM_PROCESSOR (set by
# the including toolchain file). Programs of the build machine (Python for the data encoder) are
# found on the host; libraries and headers only in the MinGW sysroot.
set(CMAKE_SYSTEM_NAME Windows)

set(VX_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${VX_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VX_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${VX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The DLL must import system DLLs only: libgcc, libstdc++ and (if it gets pulled in)
# winpthread are linked statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
