target_sources(probedata_obj PRIVATE
  src/coders/ProbeDataCoder.cpp)
