# probedata-VERSION-win32.zip (win64 in the 64-bit build), in the build directory: what a Windows
# host takes, and nothing else. One folder of the archive's name holds
#   bin/       probedata.dll, the DLLs it loads (PROBE_RUNTIME_DLLS) and probetool.exe, without
#              their debugging sections (Debian's libstdc++-6.dll has 21 MB of them, 4 MB without)
#   include/   the public headers, include/probedata/ as installed
#   lib/       probedata.def, for an import library of another compiler's tools
#   licenses/  the library's LICENSE and the licence of each part built into what bin/ holds
#   README.txt for the host's developer (archive-README.txt.in)
# The licences are the copyright files of the Debian packages the parts come from: the MinGW-w64
# run time's packages, found by the DLL's path; log4cplus's and Boost's source packages, which
# cmake/windows/build-deps.sh built from, in PROBE_DEPENDENCY_SOURCES (mk/windows.mk names
# WIN_CACHE/src); CLI11 and nlohmann-json, compiled into probetool.exe, from their packages.
# Without PROBE_DEPENDENCY_SOURCES no archive is made.
if(NOT PROBE_DEPENDENCY_SOURCES)
  message(STATUS "PROBE_DEPENDENCY_SOURCES not given: no archive for Windows hosts")
  return()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PROBE_ARCHIVE_BITS 64)
  set(PROBE_ARCHIVE_MACHINE x64)
else()
  set(PROBE_ARCHIVE_BITS 32)
  set(PROBE_ARCHIVE_MACHINE x86)
endif()
set(PROBE_ARCHIVE_NAME probedata-${PROJECT_VERSION}-win${PROBE_ARCHIVE_BITS})
set(PROBE_ARCHIVE ${PROJECT_BINARY_DIR}/${PROBE_ARCHIVE_NAME}.zip)
set(stage ${PROJECT_BINARY_DIR}/archive/${PROBE_ARCHIVE_NAME})

# probe_license(NAME FILE PART...): licenses/NAME.txt is FILE, and covers the PARTs.
set(probe_license_commands)
set(probe_license_files)
set(PROBE_ARCHIVE_LICENSES)
function(probe_license name file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file}: no licence text for ${ARGN}")
  endif()
  list(JOIN ARGN ", " parts)
  string(LENGTH "${name}" length)
  math(EXPR padding "14 - ${length}")
  string(REPEAT " " ${padding} padding)
  string(APPEND PROBE_ARCHIVE_LICENSES "  licenses\\${name}.txt${padding}${parts}\n")
  set(PROBE_ARCHIVE_LICENSES "${PROBE_ARCHIVE_LICENSES}" PARENT_SCOPE)
  set(probe_license_commands ${probe_license_commands}
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${stage}/licenses/${name}.txt PARENT_SCOPE)
  set(probe_license_files ${probe_license_files} ${file} PARENT_SCOPE)
endfunction()
# A Debian package's copyright file, by the package or by a file it installed.
function(probe_package_copyright out path_or_package)
  set(package ${path_or_package})
  if(IS_ABSOLUTE "${path_or_package}")
    get_filename_component(path "${path_or_package}" ABSOLUTE)
    execute_process(COMMAND dpkg-query -S "${path}" OUTPUT_VARIABLE owner ERROR_QUIET)
    string(REGEX REPLACE ":.*" "" package "${owner}")
  endif()
  set(${out} /usr/share/doc/${package}/copyright PARENT_SCOPE)
endfunction()

probe_license(probedata ${PROJECT_SOURCE_DIR}/LICENSE
  probedata.dll probeoutside.dll probetool.exe "the headers")
file(GLOB boost_license ${PROBE_DEPENDENCY_SOURCES}/boost1.*/LICENSE_1_0.txt)
probe_license(boost "${boost_license}" "Boost.Serialization, built into probedata.dll")
set(PROBE_ARCHIVE_DLLS probedata.dll probeoutside.dll)
set(gcc_dlls)
foreach(dll IN LISTS PROBE_RUNTIME_DLLS)
  get_filename_component(name ${dll} NAME)
  list(APPEND PROBE_ARCHIVE_DLLS ${name})
  if(name MATCHES "log4cplus")
    file(GLOB copyright ${PROBE_DEPENDENCY_SOURCES}/log4cplus-*/debian/copyright)
    probe_license(log4cplus "${copyright}" ${name})
  elseif(name MATCHES "winpthread")
    probe_package_copyright(copyright ${dll})
    probe_license(mingw-w64 "${copyright}" ${name})
  else()
    probe_package_copyright(gcc_copyright ${dll})
    list(APPEND gcc_dlls ${name})
  endif()
endforeach()
probe_license(gcc "${gcc_copyright}" ${gcc_dlls})
probe_package_copyright(copyright libcli11-dev)
probe_license(cli11 ${copyright} "CLI11, built into probetool.exe")
probe_package_copyright(copyright nlohmann-json3-dev)
probe_license(nlohmann-json ${copyright} "nlohmann-json, built into probetool.exe")

list(JOIN PROBE_ARCHIVE_DLLS " " PROBE_ARCHIVE_DLL_LIST)
string(REGEX MATCH "^[0-9]+" PROBE_ARCHIVE_GCC ${CMAKE_CXX_COMPILER_VERSION})
configure_file(${CMAKE_CURRENT_LIST_DIR}/archive-README.txt.in
  ${PROJECT_BINARY_DIR}/archive/README.txt @ONLY)
# A copy that changes only with its text: each configure writes probedata.def afresh.
configure_file(${PROBE_C_DEF} ${PROJECT_BINARY_DIR}/archive/probedata.def COPYONLY)

list(TRANSFORM PROBE_ARCHIVE_DLLS PREPEND ${stage}/bin/ OUTPUT_VARIABLE staged_programs)
list(APPEND staged_programs ${stage}/bin/$<TARGET_FILE_NAME:probetool>)
# The headers of the library's C and C++ interfaces; the simulator's header stays out, as its
# static library does.
set(archive_headers ${PROBE_PUBLIC_HEADERS})
list(TRANSFORM archive_headers PREPEND ${PROJECT_SOURCE_DIR}/)
add_custom_command(OUTPUT ${PROBE_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${PROBE_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/bin ${stage}/include/probedata ${stage}/lib
    ${stage}/licenses
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:probedata> $<TARGET_FILE:probeoutside>
    ${PROBE_RUNTIME_DLLS} $<TARGET_FILE:probetool> ${stage}/bin
  COMMAND ${CMAKE_STRIP} --strip-debug ${staged_programs}
  COMMAND ${CMAKE_COMMAND} -E copy ${archive_headers} ${stage}/include/probedata
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/archive/probedata.def ${stage}/lib
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/archive/README.txt ${stage}
  ${probe_license_commands}
  COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_BINARY_DIR}/archive
    ${CMAKE_COMMAND} -E tar cf ${PROBE_ARCHIVE} --format=zip ${PROBE_ARCHIVE_NAME}
  DEPENDS probedata probeoutside probetool ${archive_headers} ${probe_license_files}
    ${PROJECT_BINARY_DIR}/archive/README.txt ${PROJECT_BINARY_DIR}/archive/probedata.def
  COMMENT "Packing ${PROBE_ARCHIVE_NAME}.zip for Windows hosts"
  VERBATIM)
add_custom_target(probedata_archive ALL DEPENDS ${PROBE_ARCHIVE})
