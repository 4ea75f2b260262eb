# sonic (speed and pitch change) as a static library for builds that have no system package of
# it: compiled from sonic's unpacked source, which "./vx win" fetches from Debian's source
# package into build/third_party/sonic. The build never downloads anything by itself.
set(VX_SONIC_SOURCE_DIR "${PROJECT_SOURCE_DIR}/build/third_party/sonic"
    CACHE PATH "Folder of sonic's unpacked source (sonic.c, sonic.h)")

if(NOT EXISTS "${VX_SONIC_SOURCE_DIR}/sonic.c" OR NOT EXISTS "${VX_SONIC_SOURCE_DIR}/sonic.h")
  message(FATAL_ERROR
    "sonic's source is missing: no sonic.c and sonic.h in ${VX_SONIC_SOURCE_DIR}. "
    "Run \"./vx win\" (it fetches Debian's sonic source package there), or set "
    "VX_SONIC_SOURCE_DIR to a folder holding sonic's source.")
endif()

enable_language(C)
add_library(sonic STATIC "${VX_SONIC_SOURCE_DIR}/sonic.c")
# Third-party code: none of our warning flags. Consumers include <sonic.h>.
target_include_directories(sonic SYSTEM PUBLIC "${VX_SONIC_SOURCE_DIR}")
set_target_properties(sonic PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)
