# eSpeak NG's library for the Windows builds, libespeak-ng.dll, with the compiled data it reads, in
# bin/modules beside vxtts.dll: the folder that engines.conf's eSpeak modules load it from by
# default. Compiled from Debian's source package, which "./vx win" fetches into
# build/third_party/espeak-ng; the build never downloads anything by itself.
set(VX_ESPEAK_SOURCE_DIR "${PROJECT_SOURCE_DIR}/build/third_party/espeak-ng"
    CACHE PATH "Folder of eSpeak NG's unpacked source (src/libespeak-ng, src/ucd-tools)")
# The data is Debian's espeak-ng-data package, the same on every architecture (its folder is not):
# the library reads the compiled data of the release before its own unchanged.
file(GLOB vx_espeak_data_found LIST_DIRECTORIES true "/usr/lib/*/espeak-ng-data")
list(GET vx_espeak_data_found 0 vx_espeak_data_default)
set(VX_ESPEAK_DATA_DIR "${vx_espeak_data_default}"
    CACHE PATH "eSpeak NG's compiled data (espeak-ng-data) to ship beside the library")

set(vx_espeak_library "${VX_ESPEAK_SOURCE_DIR}/src/libespeak-ng")
if(NOT EXISTS "${vx_espeak_library}/speech.c" OR NOT EXISTS "${VX_ESPEAK_SOURCE_DIR}/src/ucd-tools/src/case.c")
  message(FATAL_ERROR
    "eSpeak NG's source is missing: no src/libespeak-ng/speech.c in ${VX_ESPEAK_SOURCE_DIR}. "
    "Run \"./vx win\" (it fetches Debian's espeak-ng source package there), or set "
    "VX_ESPEAK_SOURCE_DIR to a folder holding eSpeak NG's source.")
endif()
if(NOT EXISTS "${VX_ESPEAK_DATA_DIR}/phontab")
  message(FATAL_ERROR
    "eSpeak NG's compiled data is missing: no phontab in '${VX_ESPEAK_DATA_DIR}'. Install Debian's "
    "espeak-ng-data package (\"./vx setup\"), or set VX_ESPEAK_DATA_DIR to an espeak-ng-data folder.")
endif()

enable_language(C)
# The synthesis sources of the library's own build with the Klatt voices; left out are the
# asynchronous mode (event.c, fifo.c, espeak_command.c) and MBROLA (mbrowrap.c, compilembrola.c,
# synth_mbrola.c), as config.h says.
set(vx_espeak_sources
  common mnemonics error ieee80 compiledata compiledict dictionary encoding intonation langopts
  numbers phoneme phonemelist readclause setlengths soundicon spect ssml synthdata synthesize
  tr_languages translate translateword voices wavegen speech espeak_api klatt)
list(TRANSFORM vx_espeak_sources PREPEND "${vx_espeak_library}/")
list(TRANSFORM vx_espeak_sources APPEND ".c")
set(vx_ucd_sources case categories ctype proplist scripts tostring)
list(TRANSFORM vx_ucd_sources PREPEND "${VX_ESPEAK_SOURCE_DIR}/src/ucd-tools/src/")
list(TRANSFORM vx_ucd_sources APPEND ".c")

set(VX_MODULES_OUTPUT_DIR "${CMAKE_BINARY_DIR}/bin/modules")
add_library(espeak_ng SHARED ${vx_espeak_sources} ${vx_ucd_sources})
# Third-party code: none of our warning flags, and its own warnings not shown. The API is exported
# by the library's own dllexport declarations, under its undecorated cdecl names.
target_include_directories(espeak_ng SYSTEM PRIVATE
  "${CMAKE_CURRENT_LIST_DIR}/espeak-ng"
  "${VX_ESPEAK_SOURCE_DIR}/src/include"
  "${VX_ESPEAK_SOURCE_DIR}/src/include/compat"
  "${VX_ESPEAK_SOURCE_DIR}/src/ucd-tools/src/include")
target_compile_definitions(espeak_ng PRIVATE LIBESPEAK_NG_EXPORT=1 "PATH_ESPEAK_DATA=\"espeak-ng-data\"")
# As the library's own build: its arithmetic expects signed overflow to wrap.
target_compile_options(espeak_ng PRIVATE -w -fwrapv)
set_target_properties(espeak_ng PROPERTIES
  OUTPUT_NAME espeak-ng PREFIX lib C_STANDARD 99 C_EXTENSIONS ON
  RUNTIME_OUTPUT_DIRECTORY "${VX_MODULES_OUTPUT_DIR}")

# The data, copied again whenever the package replaces its files.
set(vx_espeak_data_stamp "${CMAKE_CURRENT_BINARY_DIR}/espeak-ng-data.copied")
add_custom_command(
  OUTPUT "${vx_espeak_data_stamp}"
  COMMAND "${CMAKE_COMMAND}" -E rm -rf "${VX_MODULES_OUTPUT_DIR}/espeak-ng-data"
  COMMAND "${CMAKE_COMMAND}" -E copy_directory "${VX_ESPEAK_DATA_DIR}" "${VX_MODULES_OUTPUT_DIR}/espeak-ng-data"
  COMMAND "${CMAKE_COMMAND}" -E touch "${vx_espeak_data_stamp}"
  DEPENDS "${VX_ESPEAK_DATA_DIR}/phontab" "${VX_ESPEAK_DATA_DIR}/phondata"
  COMMENT "Copying eSpeak NG's data to bin/modules/espeak-ng-data"
  VERBATIM)
add_custom_target(espeak_ng_data ALL DEPENDS "${vx_espeak_data_stamp}")
add_dependencies(espeak_ng espeak_ng_data)
