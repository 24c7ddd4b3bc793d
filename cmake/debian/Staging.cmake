# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) once it has installed each component into its staging
# directory, before it packs them: does for the staged packages what Debian's helpers do.
#   - Strips every binary as Debian strips it: debugging information, the symbols that a shared
#     object does not need at run time, and the compiler's .comment and .note sections.
#   - Gives libprobedata1 its control files: shlibs, and a symbols file made by dpkg-gensymbols
#     from the staged libraries, every symbol dated to this version (the first one packaged).
#     Its triggers file is configured beside them.
#   - Finds libprobedata1's run-time dependencies with dpkg-shlibdeps.
# CPack's own shlibs and dependency options would add postinst and postrm scripts that call
# ldconfig, which the trigger replaces; so this script does that part.
set(staging ${CPACK_TEMPORARY_DIRECTORY})
set(package ${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME})
set(version ${CPACK_DEBIAN_PACKAGE_VERSION})
set(control_dir ${CPACK_PROBE_CONTROL_DIR})
find_program(READELF readelf REQUIRED)
find_program(DPKG_GENSYMBOLS dpkg-gensymbols REQUIRED)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps REQUIRED)

# run(COMMAND...): runs it in the staging directory, stops cpack if it fails; its standard
# output in `output`.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${staging}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# --- Stripping, as Debian's dh_strip does -------------------------------------------------------
set(unneeded_sections --remove-section=.comment --remove-section=.note)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  file(GLOB_RECURSE files LIST_DIRECTORIES false ${staging}/${component}/*)
  foreach(file IN LISTS files)
    if(IS_SYMLINK ${file})
      continue()
    endif()
    file(READ ${file} magic LIMIT 8 HEX)
    if(magic MATCHES "^7f454c46")  # ELF
      if(file MATCHES "\\.so(\\.[0-9]+)*$")
        run(${CPACK_PROBE_STRIP} ${unneeded_sections} --strip-unneeded ${file})
      else()
        run(${CPACK_PROBE_STRIP} ${unneeded_sections} ${file})
      endif()
    elseif(magic STREQUAL "213c617263683e0a")  # "!<arch>\n", a static library
      run(${CPACK_PROBE_STRIP} ${unneeded_sections} --strip-debug --enable-deterministic-archives
        ${file})
    endif()
  endforeach()
endforeach()

# --- libprobedata1's shlibs and symbols files -----------------------------------------------------
set(root ${staging}/runtime)
file(GLOB_RECURSE candidates LIST_DIRECTORIES false ${root}/*.so.*)
set(libraries)
set(shlibs)
set(symbols_template)
foreach(library IN LISTS candidates)
  if(IS_SYMLINK ${library})
    continue()
  endif()
  run(${READELF} -d ${library})
  if(NOT output MATCHES "Library soname: \\[(([^]]+)\\.so\\.([0-9]+))\\]")
    message(FATAL_ERROR "${library}: no soname of the form NAME.so.N")
  endif()
  list(APPEND libraries ${library})
  string(APPEND shlibs "${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${package} (>= ${version})\n")
  # A host built against a newer libprobedata-dev depends on at least that version.
  string(APPEND symbols_template "${CMAKE_MATCH_1} ${package} #MINVER#\n"
    "* Build-Depends-Package: ${CPACK_DEBIAN_DEV_PACKAGE_NAME}\n")
endforeach()
if(NOT libraries)
  message(FATAL_ERROR "no shared library staged in ${root}")
endif()
file(MAKE_DIRECTORY ${control_dir})
file(WRITE ${control_dir}/shlibs "${shlibs}")
file(WRITE ${control_dir}/symbols.template "${symbols_template}")
run(${DPKG_GENSYMBOLS} -q -p${package} -v${version} -P${root} -I${control_dir}/symbols.template
  -O${control_dir}/symbols)

# --- libprobedata1's dependencies --------------------------------------------------------------------
# dpkg-shlibdeps wants a debian/control where it runs; CPack makes the same empty one for the
# other packages. The package's own libraries need no dependency.
list(GET libraries 0 library)
get_filename_component(libdir ${library} DIRECTORY)
file(WRITE ${staging}/debian/control "")
run(${DPKG_SHLIBDEPS} -O --ignore-missing-info -x${package} -l${libdir} ${libraries})
if(NOT output MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps found no dependency:\n${output}")
endif()
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
