# The simulated device memory, a small static library that hosts link to test without hardware.
add_library(probesim STATIC sim/SimDeviceMemory.cpp)
add_library(ProbeData::probesim ALIAS probesim)
target_include_directories(probesim PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/sim>
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${PROBE_INCLUDE_INSTALL_DIR}>)
find_package(Threads REQUIRED)
target_link_libraries(probesim PUBLIC probeoutside Threads::Threads)
probe_library_warnings(probesim)
set(PROBE_SIM_TARGETS probesim)
set(PROBE_SIM_PUBLIC_HEADERS sim/SimDeviceMemory.h)
