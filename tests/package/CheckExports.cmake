# The dynamic symbols of the built shared libraries, as a host's linker and loader see them:
# every name that hosts of this and earlier releases need is there, and no instantiation of the
# standard library's, libstdc++'s or Boost's templates is (cmake/probedata.map).
# The C functions are exactly those of the module-definition file made from the C header (DEF).
# Script mode: NM, PROBEDATA, PROBEOUTSIDE (the libraries' files) and DEF on the command line.

cmake_policy(SET CMP0057 NEW)  # if(... IN_LIST ...)

# Each name: exact, or, when it ends in "(", a function of that name with any parameters.
set(probedata_needs
  GetDllVersion GetDllVersionUnicode GetDllVersionMajor GetDllVersionMinor GetDllBuildNumber
  g_probeLogger "saveToString(" "saveToFile(" "loadFromString(" "loadFromFile(" "inspectImage("
  "ProbeData::ProbeData()" "ProbeData::operator=(ProbeData const&)" "ProbeData::~ProbeData()"
  "ProbeDataCoder::NoVersionDefined" "ProbeDataCoder::setCB(" "typeinfo for ProbeDataCoder"
  "ProbeDataCoderCB::onAllRed(bool)" "typeinfo for ProbeDataCoderCB"
  "vtable for ProbeDataCoderCB"
  "ProbeDataV1Coder::ProbeDataV1Coder(" "ProbeDataV1Coder::readAll()"
  "ProbeDataV1Coder::convertFromString(" "typeinfo for ProbeDataV1Coder"
  ProbeDataV1Coder::_nClassVersion ProbeDataV1Coder::_nVersionDataSize
  ProbeDataV1Coder::_nRigidBodyDataSize ProbeDataV1Coder::_nRigidBodyData20Size
  ProbeDataV1Coder::_nDefaultDirDataSize ProbeDataV1Coder::_nMaskThicknessDataSize
  ProbeDataV1Coder::_nDataCheckDataSize
  "PDSimuCoder::PDSimuCoder(" PDSimuCoder::_nClassVersion "typeinfo for PDSimuCoder"
  "ProbeDevices::ProbeDevices()" "ProbeDevices::initDevice()" "typeinfo for ProbeDevices"
  "ProbeImageReport::intact() const" "checkImageFit("
  "ProbeImageReport::verdictName(ProbeImageReport::Verdict)"
  "ProbeImageReport::faultName(ProbeImageReport::Fault)"
  "ProbeImageReport::hasVersion() const" "ProbeDataV1Coder::getImageLength(unsigned int)")
set(probeoutside_needs
  "admin::exist(" "admin::getFileSize(" "Rb::RigidBody::RigidBody()" "typeinfo for Rb::RigidBody"
  "Error::Error(" "typeinfo for Error" "typeinfo for DataHandler" "typeinfo for DataHandlerCB"
  "typeinfo for DeviceHandler")

# A symbol whose own name, after "typeinfo for " and the like and a one-word return type, is in
# the namespace std, __gnu_cxx or boost.
set(foreign "^((typeinfo |typeinfo name |vtable |VTT |guard variable )for )?([^ (]+ )?(std|__gnu_cxx|boost)::")

foreach(library probedata probeoutside)
  string(TOUPPER ${library} upper)
  execute_process(COMMAND ${NM} -D -C --defined-only ${${upper}}
    RESULT_VARIABLE result OUTPUT_VARIABLE listing ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${${upper}}: ${error}")
  endif()
  # "0000000000012340 T ProbeData::ProbeData()" lines: the names, one a line.
  string(REGEX REPLACE "(^|\n)[0-9a-f]* *[A-Za-z] " "\\1" names "${listing}")
  string(REGEX MATCHALL "[^\n]+" symbols "${names}")
  list(LENGTH symbols count)
  message(STATUS "lib${library}: ${count} dynamic symbols")

  set(not_exported)
  foreach(name IN LISTS ${library}_needs)
    if(name MATCHES "\\($")
      string(FIND "\n${names}" "\n${name}" at)
    else()
      string(FIND "\n${names}\n" "\n${name}\n" at)
    endif()
    if(at LESS 0)
      list(APPEND not_exported "${name}")
    endif()
  endforeach()
  # C names (no "(" in nm's output for them) beyond those the .def file lists, or missing.
  set(c_exports)
  if(library STREQUAL "probedata")
    file(STRINGS ${DEF} c_names REGEX "^  [A-Za-z_0-9]+$")
    string(REPLACE " " "" c_names "${c_names}")
    foreach(symbol IN LISTS symbols)
      if(symbol MATCHES "^probedata_" AND NOT symbol IN_LIST c_names)
        list(APPEND c_exports "${symbol} (not in the C header)")
      endif()
    endforeach()
    foreach(name IN LISTS c_names)
      if(NOT name IN_LIST symbols)
        list(APPEND not_exported "${name}")
      endif()
    endforeach()
  endif()
  set(foreign_exports)
  foreach(symbol IN LISTS symbols)
    if(symbol MATCHES "${foreign}")
      list(APPEND foreign_exports "${symbol}")
    endif()
  endforeach()
  set(report)
  foreach(kind not_exported foreign_exports c_exports)
    if(${kind})
      list(JOIN ${kind} "\n  " lines)
      string(APPEND report "\n${kind}:\n  ${lines}")
    endif()
  endforeach()
  if(report)
    message(FATAL_ERROR "lib${library}:${report}")
  endif()
endforeach()
