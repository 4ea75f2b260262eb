# vx_lame_tones(TARGET FOLDER RATE:KBPS...): a second of 440 Hz at half of full scale, 16-bit mono,
# as FOLDER/tone<RATE>.raw and made MP3 by lame as FOLDER/tone<RATE>-<KBPS>.mp3, built by TARGET.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(VX_LAME lame REQUIRED)

function(vx_lame_tones target folder)
  string(CONCAT script "import math, struct, sys$<SEMICOLON> rate = int(sys.argv[1])$<SEMICOLON> "
         "open(sys.argv[2], 'wb').write(b''.join(struct.pack('<h', round(16384 * math.sin(2 * math.pi * 440 * i / rate)))"
         " for i in range(rate)))")
  set(tones)
  foreach(tone IN LISTS ARGN)
    string(REPLACE ":" ";" tone ${tone})
    list(GET tone 0 rate)
    list(GET tone 1 kbps)
    if(NOT ${folder}/tone${rate}.raw IN_LIST tones)
      add_custom_command(OUTPUT ${folder}/tone${rate}.raw
                         COMMAND ${Python3_EXECUTABLE} -c ${script} ${rate} ${folder}/tone${rate}.raw VERBATIM)
      list(APPEND tones ${folder}/tone${rate}.raw)
    endif()
    add_custom_command(OUTPUT ${folder}/tone${rate}-${kbps}.mp3 DEPENDS ${folder}/tone${rate}.raw
                       COMMAND ${VX_LAME} --silent -r -s ${rate} -m m --bitwidth 16 -b ${kbps} --resample ${rate}
                               ${folder}/tone${rate}.raw ${folder}/tone${rate}-${kbps}.mp3
                       VERBATIM)
    list(APPEND tones ${folder}/tone${rate}-${kbps}.mp3)
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${tones})
endfunction()
