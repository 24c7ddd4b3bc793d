# The probe's device handler.
target_sources(probedata_obj PRIVATE
  src/devices/ProbeDevices.cpp)
