# The build installed into a scratch prefix, as users install it, then used as hosts use it:
# the versioned shared objects and the files beside them are in place, the CMake package answers
# version requests, the example hosts build with find_package and with pkg-config and run, and
# the installed probetool runs.
# Script mode: BUILD_DIR, SOURCE_DIR, WORK_DIR, CXX and CC (the build's compilers) and TOOLS
# (whether probetool was built) are given on the command line; CXX, CC, CXXFLAGS, CFLAGS and
# LDFLAGS in the environment take precedence, as for any host.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect text)
  if(NOT output MATCHES "${text}")
    message(FATAL_ERROR "expected \"${text}\" in:\n${output}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The shared objects: the real file, the soname link and the link that linkers look for.
file(GLOB_RECURSE pc_files ${prefix}/*/probedata.pc)
get_filename_component(libdir ${pc_files} DIRECTORY)
get_filename_component(libdir ${libdir} DIRECTORY)
foreach(lib probedata probeoutside)
  file(READ_SYMLINK ${libdir}/lib${lib}.so dev_link)
  file(READ_SYMLINK ${libdir}/lib${lib}.so.1 soname_link)
  if(NOT dev_link STREQUAL "lib${lib}.so.1" OR NOT soname_link STREQUAL "lib${lib}.so.1.1.1112")
    message(FATAL_ERROR "lib${lib}.so -> ${dev_link}, lib${lib}.so.1 -> ${soname_link}")
  endif()
  run(readelf -d ${libdir}/lib${lib}.so.1.1.1112)
  expect("Library soname: \\[lib${lib}\\.so\\.1\\]")
endforeach()
set(files include/probedata/SimDeviceMemory.h ${libdir}/libprobesim.a ${libdir}/pkgconfig/probesim.pc)
if(TOOLS)
  list(APPEND files share/man/man1/probetool.1.gz share/bash-completion/completions/probetool)
endif()
foreach(file IN LISTS files)
  get_filename_component(file ${file} ABSOLUTE BASE_DIR ${prefix})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# Installed anywhere but /usr, the pkg-config files find the prefix from where they lie.
file(READ ${libdir}/pkgconfig/probedata.pc output)
expect("(^|\n)prefix=\\\${pcfiledir}/")

# find_package(ProbeData X): any 1.x up to this version, nothing of another major version.
foreach(request 1.0=TRUE 1.1=TRUE 1.1.1112=TRUE 1.2=FALSE 2.0=FALSE)
  string(REPLACE "=" ";" request ${request})
  list(GET request 0 PACKAGE_FIND_VERSION)
  list(GET request 1 expected)
  string(REGEX MATCH "^[0-9]+" PACKAGE_FIND_VERSION_MAJOR ${PACKAGE_FIND_VERSION})
  include(${libdir}/cmake/ProbeData/ProbeDataConfigVersion.cmake)
  if(NOT PACKAGE_VERSION_COMPATIBLE STREQUAL expected)
    message(FATAL_ERROR "find_package(ProbeData ${PACKAGE_FIND_VERSION}): compatible "
                        "${PACKAGE_VERSION_COMPATIBLE}, expected ${expected}")
  endif()
endforeach()

# The examples, built as hosts build them: with CMake, then with pkg-config.
foreach(compiler CXX CC)
  if(DEFINED ENV{${compiler}})
    set(${compiler} $ENV{${compiler}})
  endif()
endforeach()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples -B ${WORK_DIR}/cmake -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake)
separate_arguments(flags UNIX_COMMAND "$ENV{CXXFLAGS} $ENV{LDFLAGS}")
set(pkg_env ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${libdir}/pkgconfig)
run(${pkg_env} pkg-config --cflags --libs probesim probedata)
separate_arguments(pkg_flags UNIX_COMMAND "${output}")
file(MAKE_DIRECTORY ${WORK_DIR}/pkg-config)
foreach(example read_probe xml_round_trip)
  run(${CXX} -std=c++17 ${flags} ${SOURCE_DIR}/examples/${example}.cpp ${pkg_flags}
      -o ${WORK_DIR}/pkg-config/${example})
endforeach()
# The examples include <probedata/...>; hosts written for earlier releases include flat.
run(${pkg_env} pkg-config --cflags probesim probedata)
separate_arguments(pkg_cflags UNIX_COMMAND "${output}")
file(WRITE ${WORK_DIR}/flat.cpp "#include \"ProbeDataV1Coder.h\"\n#include \"SimDeviceMemory.h\"\n")
run(${CXX} -std=c++17 ${flags} -fsyntax-only ${WORK_DIR}/flat.cpp ${pkg_cflags})

set(run_env ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir})
foreach(build cmake pkg-config)
  run(${run_env} ${WORK_DIR}/${build}/read_probe ${SOURCE_DIR}/tests/data/probe21.bin)
  expect("probe DEMO-PROBE-01, image version 2.1, 5 targets.*data checksum 0xC616")
  run(${run_env} ${WORK_DIR}/${build}/read_probe)
  expect("probe EXAMPLE-PROBE, image version 2.1, 2 targets")
  run(${run_env} ${WORK_DIR}/${build}/xml_round_trip ${WORK_DIR}/${build}/probe.xml)
  expect("the record came back whole")
endforeach()

# The version macros of the installed headers, and the library's version functions.
run(${CXX} -std=c++17 ${flags} ${SOURCE_DIR}/tests/package/version_host.cpp ${pkg_flags}
    -o ${WORK_DIR}/pkg-config/version_host)
run(${run_env} ${WORK_DIR}/pkg-config/version_host)
expect("^headers 1\\.1 build 1112, library 1\\.1 build 1112\n$")

# The installed tool finds its libraries by its run path.
if(TOOLS)
  run(${prefix}/bin/probetool --version)
  expect("probetool 1.1.1112")
endif()
