# Runs probetool once as a test describes it, then checks its exit code, its output and the
# files it leaves. Called as
#   cmake [-DEMULATOR=...] -DTOOL=... -DSVGCHECK=... -DDATA=... -DWORK=... -DCASE=... \
#     -P RunTool.cmake
# CASE sets: SETUP (shell commands run first in WORK: a failing one skips the test, as making a
# device node does where the process may not, with what it printed), WRAP (a command the
# program runs under: setpriv to drop privileges, strace, env), ARGS (the arguments), STDIN (a file for standard
# input), STDOUT (a file standard output goes to instead of being checked), RC (the exit code),
# GOLDEN (a file that standard output must equal, line ends aside),
# OUT, NOT_OUT, ERR, NOT_ERR (texts that standard output or error must or must not hold),
# SAME ("a=b": files that must be equal), ABSENT (files that must not exist), COPY ("a=b":
# files put in place first) and THEN (a command that must then succeed). @DATA@, @WORK@ and @TOOL@
# stand for those paths in every value; programs run under EMULATOR when the
# build is a cross build.
cmake_minimum_required(VERSION 3.16)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
include("${CASE}")

set(run_prefix "")
if(EMULATOR)
  set(run_prefix "${EMULATOR};")
endif()

function(expand out)
  set(result "")
  foreach(item IN LISTS ARGN)
    string(REPLACE "@DATA@" "${DATA}" item "${item}")
    string(REPLACE "@WORK@" "${WORK}" item "${item}")
    string(REPLACE "@TOOL@" "${run_prefix}${TOOL}" item "${item}")
    list(APPEND result "${item}")
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

foreach(var SETUP WRAP ARGS STDIN STDOUT GOLDEN OUT NOT_OUT ERR NOT_ERR SAME ABSENT COPY THEN)
  expand(${var} ${${var}})
endforeach()

foreach(pair IN LISTS COPY)
  string(REPLACE "=" ";" files "${pair}")
  list(GET files 0 from)
  list(GET files 1 to)
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy "${from}" "${to}")
endforeach()

foreach(step IN LISTS SETUP)
  execute_process(COMMAND sh -c "${step}" WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE setup_rc
    OUTPUT_VARIABLE setup_out ERROR_VARIABLE setup_out)
  if(setup_rc)
    message("probetool test skipped: ${step} failed here: ${setup_out}")
    return()
  endif()
endforeach()

set(input "")
if(STDIN)
  set(input INPUT_FILE "${STDIN}")
endif()
set(output OUTPUT_VARIABLE out)
if(STDOUT)
  set(output OUTPUT_FILE "${STDOUT}")
endif()
execute_process(COMMAND ${WRAP} ${EMULATOR} "${TOOL}" ${ARGS} ${input}
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE rc ${output} ERROR_VARIABLE err)

set(failures "")
if(NOT "${rc}" STREQUAL "${RC}")
  string(APPEND failures "exit code ${rc}, expected ${RC}\n")
endif()
string(REPLACE "\r\n" "\n" out "${out}")
string(REPLACE "\r\n" "\n" err "${err}")
if(GOLDEN)
  file(READ "${GOLDEN}" golden)
  if(NOT out STREQUAL golden)
    file(WRITE "${WORK}/stdout.txt" "${out}")
    string(APPEND failures "standard output differs from ${GOLDEN}: see ${WORK}/stdout.txt\n")
  endif()
endif()
foreach(stream OUT ERR)
  string(TOLOWER ${stream} text)
  foreach(expected IN LISTS ${stream})
    string(FIND "${${text}}" "${expected}" at)
    if(at EQUAL -1)
      string(APPEND failures "standard ${text} lacks: ${expected}\n")
    endif()
  endforeach()
  foreach(unexpected IN LISTS NOT_${stream})
    string(FIND "${${text}}" "${unexpected}" at)
    if(NOT at EQUAL -1)
      string(APPEND failures "standard ${text} holds: ${unexpected}\n")
    endif()
  endforeach()
endforeach()
foreach(pair IN LISTS SAME)
  string(REPLACE "=" ";" files "${pair}")
  list(GET files 0 actual)
  list(GET files 1 expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${actual}" "${expected}"
    RESULT_VARIABLE differ OUTPUT_QUIET ERROR_QUIET)
  if(differ)
    string(APPEND failures "${actual} differs from ${expected}\n")
  endif()
endforeach()
foreach(file IN LISTS ABSENT)
  if(EXISTS "${file}")
    string(APPEND failures "${file} exists\n")
  endif()
endforeach()
# Outputs are written beside their place and renamed: none may be left behind.
file(GLOB leftovers "${WORK}/*.tmp")
if(leftovers)
  string(APPEND failures "temporary files left: ${leftovers}\n")
endif()
if(THEN AND NOT failures)
  execute_process(COMMAND ${THEN} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE then_rc
    ERROR_VARIABLE then_err)
  if(then_rc)
    string(APPEND failures "${THEN} failed: ${then_err}\n")
  endif()
endif()

if(failures)
  message(FATAL_ERROR "probetool ${ARGS}\n${failures}--- standard output:\n${out}"
                      "--- standard error:\n${err}")
endif()
