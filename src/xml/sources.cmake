target_sources(probedata_obj PRIVATE
  src/xml/Boost137XmlIArchive.cpp
  src/xml/Boost137XmlOArchive.cpp
  src/xml/ReplaceFile.cpp
  src/xml/Utils.cpp
  src/xml/XmlSchema.cpp)
