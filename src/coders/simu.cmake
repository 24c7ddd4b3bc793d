# The simulation coder.
target_sources(probedata_obj PRIVATE
  src/coders/PDSimuCoder.cpp)
