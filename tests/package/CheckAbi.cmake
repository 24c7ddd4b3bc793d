# The shared library's ABI against the baseline in abi/: a removed or changed exported function
# or variable, or a changed type of one, fails with abidiff's report; additions pass and are
# listed. Script mode: ABIDIFF, SOURCE_DIR, LIBRARY and BASELINE (a file name in abi/) are given
# on the command line. The public headers' folders tell abidiff which types are the interface's.
set(compare ${ABIDIFF} --suppressions ${SOURCE_DIR}/abi/suppressions.ini
  --headers-dir2 ${SOURCE_DIR}/include --headers-dir2 ${SOURCE_DIR}/outside
  --headers-dir2 ${SOURCE_DIR}/sim ${SOURCE_DIR}/abi/${BASELINE} ${LIBRARY})
execute_process(COMMAND ${compare} RESULT_VARIABLE result OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(result EQUAL 0)
  message(STATUS "the ABI is the baseline's")
  return()
endif()
# abidiff says 4 for any change, additions too: without them, nothing may be left.
execute_process(COMMAND ${compare} --no-added-syms RESULT_VARIABLE changed
  OUTPUT_VARIABLE ignored ERROR_VARIABLE ignored)
if(NOT changed EQUAL 0)
  message(FATAL_ERROR "the ABI differs from abi/${BASELINE} (abidiff ${result}):\n${report}\n"
    "A change that breaks hosts needs a new soname; an addition, `make abi-baseline`.")
endif()
message(STATUS "additions to the ABI, compatible with the baseline:\n${report}")
