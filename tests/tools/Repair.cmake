# The repair a salvage document asks for, done as an engineer does it, then checked: its "lost"
# member must list exactly the blocks LOST; the members FILL of its record are filled in from the
# record of SAMPLE (a document of show --json), "lost" is emptied, and the document converted
# back with TOOL must give WANT byte for byte. Lists are separated by "|".
#   cmake -DTOOL=... -DIN=s.json -DSAMPLE=... -DWANT=... -DLOST=a|b -DFILL=m|n -P Repair.cmake
cmake_minimum_required(VERSION 3.19)
file(READ "${IN}" salvaged)
file(READ "${SAMPLE}" sample)
string(REPLACE "|" ";" LOST "${LOST}")
string(REPLACE "|" ";" FILL "${FILL}")

set(lost "")
string(JSON count LENGTH "${salvaged}" lost)
if(count GREATER 0)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(JSON block GET "${salvaged}" lost ${i} block)
    list(APPEND lost "${block}")
  endforeach()
endif()
if(NOT "${lost}" STREQUAL "${LOST}")
  message(FATAL_ERROR "lost lists \"${lost}\", not \"${LOST}\"")
endif()

foreach(member IN LISTS FILL)
  string(JSON value GET "${sample}" record ${member})
  string(JSON type TYPE "${sample}" record ${member})
  if(type STREQUAL "STRING")
    set(value "\"${value}\"")
  endif()
  string(JSON salvaged SET "${salvaged}" record ${member} "${value}")
endforeach()
string(JSON salvaged SET "${salvaged}" lost "[]")
get_filename_component(dir "${IN}" DIRECTORY)
file(WRITE "${dir}/repaired.json" "${salvaged}")
execute_process(COMMAND "${TOOL}" convert "${dir}/repaired.json" "${dir}/repaired.bin"
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "the repaired document does not convert: ${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${dir}/repaired.bin" "${WANT}"
  RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the repaired image differs from ${WANT}")
endif()
