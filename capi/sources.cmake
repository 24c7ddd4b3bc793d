# The C interface: a layer over the public C++ headers alone (and the simulator's), compiled into
# the same shared library. Its include path holds no private header of the library.
add_library(probedata_c_obj OBJECT
  capi/Coder.cpp
  capi/Record.cpp
  capi/Report.cpp
  capi/Status.cpp)
target_compile_definitions(probedata_c_obj PRIVATE PROBEDATA_BUILDING)
target_include_directories(probedata_c_obj PRIVATE
  ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/sim)
target_link_libraries(probedata_c_obj PRIVATE probeoutside Boost::headers log4cplus::log4cplus)
probe_library_warnings(probedata_c_obj)

# The C exports as a module-definition file, from the header's declarations, with the five plain
# version functions: what a Windows host of another compiler makes an import library from
# (`lib /def:probedata.def`). The export test compares it with what the library exports.
file(READ ${PROJECT_SOURCE_DIR}/include/probedata_c.h probe_c_header)
# A declaration may wrap anywhere between the export macro and the function's name.
string(REGEX MATCHALL "\nPROBEDATA_API[^(;]*[ *\n]probedata_[a-z0-9_]+\\(" probe_c_declarations
  "${probe_c_header}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/include/probedata_c.h)
set(probe_c_exports GetDllVersion GetDllVersionUnicode GetDllVersionMajor GetDllVersionMinor
  GetDllBuildNumber)
foreach(declaration IN LISTS probe_c_declarations)
  string(REGEX MATCH "probedata_[a-z0-9_]+\\($" name "${declaration}")
  string(REPLACE "(" "" name "${name}")
  list(APPEND probe_c_exports ${name})
endforeach()
list(JOIN probe_c_exports "\n  " probe_c_export_lines)
set(PROBE_C_DEF ${PROJECT_BINARY_DIR}/probedata.def)
file(WRITE ${PROBE_C_DEF} "LIBRARY probedata\nEXPORTS\n  ${probe_c_export_lines}\n")
if(WIN32)
  install(FILES ${PROBE_C_DEF} DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
endif()
