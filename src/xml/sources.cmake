target_sources(probedata_obj PRIVATE
  src/xml/LegacyXmlIArchive.cpp
  src/xml/LegacyXmlOArchive.cpp
  src/xml/TextBuffers.cpp
  src/xml/Utils.cpp
  src/xml/XmlSchema.cpp)
