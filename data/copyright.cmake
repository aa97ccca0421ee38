# Writes the package's copyright file from data/copyright.in, naming every
# spoken prompt the program plays as the list of `sound_check --list` gives
# them (all but the sox-made OK.WAV and NG.WAV), so that the credit follows
# the one list of prompts.
#   cmake -DLIST_TOOL=sound_check -DIN=copyright.in -DOUT=copyright -P copyright.cmake
execute_process(COMMAND ${LIST_TOOL} --list OUTPUT_VARIABLE names RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${LIST_TOOL} --list failed: ${status}")
endif()
string(REPLACE "\n" ";" names "${names}")
set(lines)
set(line "")
set(count 0)
foreach(name IN LISTS names)
  if(name STREQUAL "" OR name STREQUAL "OK.WAV" OR name STREQUAL "NG.WAV")
    continue()
  endif()
  # Five files a line, each line indented by one space as the format wants.
  string(APPEND line " sounds/${name}")
  math(EXPR count "${count} + 1")
  if(count EQUAL 5)
    list(APPEND lines "${line}")
    set(line "")
    set(count 0)
  endif()
endforeach()
if(NOT line STREQUAL "")
  list(APPEND lines "${line}")
endif()
list(JOIN lines "\n" SANSU_SPOKEN_PROMPTS)
configure_file(${IN} ${OUT} @ONLY)
