// The probe library as the tool calls it: records decoded from and coded to images and XML text,
// and the trips of a record through a simulated device memory that the demo shows. What the
// library logs meanwhile goes to --log.
#ifndef PROBETOOL_LIBRARY_CALLS_H
#define PROBETOOL_LIBRARY_CALLS_H

#include <string>
#include <vector>

#include "ProbeData.h"
#include "Text.h"

namespace probetool {

struct Decoded {
  bool ok = false;
  ProbeData record;
  // The data checksum a version-1 coder computes of the record (the one that decoded it, or a
  // new one); absent when the coder cannot write the record.
  bool hasDataChecksum = false;
  unsigned int dataChecksum = 0;
};

// ProbeDataV1Coder::convertFromString on a new coder.
Decoded decodeImage(const Bytes& image);
// loadFromString into a new record.
Decoded decodeXml(const Bytes& text);
// A record the tool read itself (from JSON).
Decoded decodedRecord(const ProbeData& record);

struct Encoded {
  bool ok = false;
  std::string bytes;
};

// ProbeDataV1Coder::convertToString on a new coder (version 2.1), and saveToString.
Encoded encodeImage(const ProbeData& record);
Encoded encodeXml(const ProbeData& record);

// A record saved into a simulated device memory by one coder and read back by a new coder of its
// kind, as two hosts would do it.
struct RoundTrip {
  std::string coder;
  std::vector<std::string> steps;     // the requests the device saw: "read 8 bytes at 0", ...
  std::vector<std::string> problems;  // empty when the record came back
  std::string memory;                 // the device memory after the save
  unsigned int dataChecksum = 0;      // the reading coder's data checksum of what it read
};

RoundTrip roundTripV1(const ProbeData& record);
RoundTrip roundTripSimu(const ProbeData& record);

}  // namespace probetool

#endif
