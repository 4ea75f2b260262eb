# The 32-bit Windows build (the DLL for 32-bit SAPI programs).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
