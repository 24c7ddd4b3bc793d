target_sources(probedata_obj PRIVATE
  src/xml/Utils.cpp)
