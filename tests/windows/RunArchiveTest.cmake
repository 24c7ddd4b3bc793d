# The archive for Windows hosts, used as a host's developer uses it: unpacked into an empty folder,
# a C host built against that folder alone (its headers, and an import library made from its
# .def) and run beside its DLLs, and its probetool.exe run on a file whose name is not ASCII.
# Every DLL in bin/ is loaded by something there, and the README names each one to ship.
# Script mode: ARCHIVE, WORK, CC, DLLTOOL, OBJDUMP, EMULATOR, HOST (the C host's source), DATA.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/unpacked)

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE result
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()
function(expect text)
  string(FIND "${output}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected \"${text}\" in:\n${output}")
  endif()
endfunction()

run(${CMAKE_COMMAND} -E chdir ${WORK}/unpacked ${CMAKE_COMMAND} -E tar xf ${ARCHIVE})
get_filename_component(name ${ARCHIVE} NAME_WLE)
set(top ${WORK}/unpacked/${name})
file(GLOB entries RELATIVE ${WORK}/unpacked ${WORK}/unpacked/* ${top}/*)
set(expected ${name} ${name}/README.txt ${name}/bin ${name}/include ${name}/lib ${name}/licenses)
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "the archive holds: ${entries}")
endif()

# bin/ holds probetool.exe and the DLLs the README names, each loaded by something there.
file(READ ${top}/README.txt output)
file(GLOB dlls RELATIVE ${top}/bin ${top}/bin/*.dll)
file(GLOB programs RELATIVE ${top}/bin ${top}/bin/*)
list(REMOVE_ITEM programs ${dlls})
if(NOT programs STREQUAL "probetool.exe")
  message(FATAL_ERROR "bin/ holds more than DLLs and probetool.exe: ${programs}")
endif()
set(readme "${output}")
run(${OBJDUMP} -p ${top}/bin/probetool.exe ${top}/bin/probedata.dll)
set(imports "${output}")
foreach(dll IN LISTS dlls)
  run(${OBJDUMP} -p ${top}/bin/${dll})
  string(APPEND imports "${output}")
endforeach()
foreach(dll IN LISTS dlls)
  set(output "${imports}")
  expect("DLL Name: ${dll}\n")
  set(output "${readme}")
  expect(" ${dll}")
endforeach()
string(REGEX MATCHALL "licenses\\\\[a-z0-9-]+\\.txt" licenses "${readme}")
foreach(license IN LISTS licenses)
  string(REPLACE "\\" "/" license "${license}")
  if(NOT EXISTS ${top}/${license})
    message(FATAL_ERROR "the README names ${license}, which the archive lacks")
  endif()
endforeach()

# A C host, built as MinGW-w64 builds one against the folder, beside the DLLs it ships with.
run(${DLLTOOL} -d ${top}/lib/probedata.def -l ${WORK}/libprobedata.a)
run(${CC} -std=c99 -Wall -Wextra -pedantic -Werror -I${top}/include/probedata ${HOST}
  ${WORK}/libprobedata.a -o ${top}/bin/probe_host.exe)
run(${EMULATOR} ${top}/bin/probe_host.exe)
expect("probe C-HOST-01, 3 targets")
expect("the record came back: yes")

# probetool.exe on names outside ASCII, one that code page 1252 spells and one that no ANSI code
# page spells (Cyrillic and Greek): it reads the image, shows the name as given, in UTF-8, and as
# JSON, and writes the XML under the name it was given.
configure_file(${DATA}/probe21.bin ${WORK}/Sonde_München.bin COPYONLY)
configure_file(${DATA}/probe21.bin ${WORK}/Зонд_Ω.bin COPYONLY)
run(${EMULATOR} ${top}/bin/probetool.exe check Sonde_München.bin)
expect("\nSonde_München.bin: intact\n")
run(${EMULATOR} ${top}/bin/probetool.exe check Зонд_Ω.bin)
expect("\nЗонд_Ω.bin: intact\n")
run(${EMULATOR} ${top}/bin/probetool.exe show --json Зонд_Ω.bin)
expect("\"file\": \"\\u0417\\u043e\\u043d\\u0434_\\u03a9.bin\"")
expect("\"id\": \"DEMO-PROBE-01\"")
run(${EMULATOR} ${top}/bin/probetool.exe convert Зонд_Ω.bin Sonde_München.xml)
run(${CMAKE_COMMAND} -E compare_files ${WORK}/Sonde_München.xml ${DATA}/probe.xml)
