// The library, as the tool uses it: records decoded from and coded to images and XML text, the
// two checksums, and round trips through a simulated device memory with each coder.
#ifndef PROBETOOL_PROBE_CODEC_H
#define PROBETOOL_PROBE_CODEC_H

#include <string>
#include <vector>

#include "HexText.h"
#include "ProbeData.h"
#include "RecordView.h"

namespace probetool {

struct Decoded {
  bool ok = false;
  ProbeData record;
  // The data checksum as the decoding coder computes it; absent where the library cannot.
  bool hasDataChecksum = false;
  unsigned int dataChecksum = 0;
  std::string dataChecksumFailure;
  std::vector<std::string> libraryErrors;  // what the library logged at ERROR meanwhile
};

// ProbeDataV1Coder::convertFromString on a fresh coder.
Decoded decodeImage(const Bytes& image);
// loadFromString into a new record; the data checksum is that of a fresh version-1 coder.
Decoded decodeXml(const Bytes& text);
// A record read by the tool itself (from JSON), with its data checksum as for XML.
Decoded decodedRecord(const ProbeData& record);

struct Encoded {
  bool ok = false;
  std::string bytes;
  std::vector<std::string> libraryErrors;
};

// ProbeDataV1Coder::convertToString with the given output version (0x21 or 0x20).
Encoded encodeImage(const ProbeData& record, unsigned short outputVersion);
// saveToString: the text exactly as the library writes it.
Encoded encodeXml(const ProbeData& record);

// When an image cannot be written: the first value that the image cannot hold even alone, found
// by coding records that hold just that value ("targets[0].size: 1e+09"); empty when each value
// fits alone.
std::string unwritableValue(const RecordView& record, unsigned short outputVersion,
                            FieldNames names);

// One trip of a record into a simulated device memory and back, each way with a coder of its
// own, as a host does it.
struct RoundTrip {
  std::string coder;
  bool ok = false;
  std::vector<std::string> steps;     // the requests the device saw: "read 8 bytes at 0", ...
  std::vector<std::string> problems;  // empty when the record came back
  std::string memory;                 // the device memory after the save
  unsigned int dataChecksum = 0;  // the reading coder's data checksum of what it read
};

// Each coder saves the record into a simulated device memory, and a new coder of its kind reads
// it back.
RoundTrip roundTripV1(const ProbeData& record);
RoundTrip roundTripSimu(const ProbeData& record);

// CRC-16/ARC, the CRC of both checksums.
unsigned int crc16(const std::string& bytes);

}  // namespace probetool

#endif
