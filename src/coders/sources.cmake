target_sources(probedata_obj PRIVATE
  src/coders/ProbeDataCoder.cpp
  src/coders/V1Conversion.cpp
  src/coders/V1Fit.cpp
  src/coders/V1Layout.cpp
  src/coders/V1Report.cpp
  src/coders/V1RigidBodyCodec.cpp
  src/coders/V1ScalarCodecs.cpp
  src/coders/V1Transfer.cpp)
