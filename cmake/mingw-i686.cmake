# The 32-bit Windows build (the DLL for 32-bit SAPI programs).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
# SSE2 arithmetic, as the 64-bit and Linux builds use, rather than the x87's wider registers: the
# built-in voice's pitch and shapes are computed in floating point, and every build must make
# the same bytes of the same text.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
