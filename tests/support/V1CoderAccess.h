// The version-1 coder with its protected codecs and transfer state opened to the tests.
#ifndef PROBE_TEST_V1_CODER_ACCESS_H
#define PROBE_TEST_V1_CODER_ACCESS_H

#include <string>
#include <vector>

#include "ProbeDataV1Coder.h"

class V1CoderAccess : public ProbeDataV1Coder {
 public:
  explicit V1CoderAccess(boost::shared_ptr<DataHandler> handler = {})
      : ProbeDataV1Coder(handler) {}

  using ProbeDataV1Coder::getLength;
  using ProbeDataV1Coder::getOffset;
  using ProbeDataV1Coder::setDataCheckFromRaw;
  using ProbeDataV1Coder::setDataCheckToRaw;
  using ProbeDataV1Coder::setDefaultDirFromRaw;
  using ProbeDataV1Coder::setDefaultDirToRaw;
  using ProbeDataV1Coder::setFromRaw;
  using ProbeDataV1Coder::setMaskThicknessFromRaw;
  using ProbeDataV1Coder::setMaskThicknessToRaw;
  using ProbeDataV1Coder::setRigidBodyFromRaw;
  using ProbeDataV1Coder::setRigidBodyToRaw;
  using ProbeDataV1Coder::setToRaw;
  using ProbeDataV1Coder::setVersionFromRaw;
  using ProbeDataV1Coder::setVersionToRaw;

  void setInputVersion(unsigned int version) { inputVersion_ = version; }
  unsigned int pendingReads() const { return pendingReads_; }
  unsigned int pendingWrites() const { return pendingWrites_; }
  ReadAction currentAction() const { return currentAction_; }
  ReadAction nextAction() const { return nextAction_; }
  bool idle() const {
    return pendingReads_ == 0 && currentAction_ == NoReadAction && nextAction_ == NoReadAction;
  }

  // One item written into a buffer of exactly size bytes (so the sanitizer sees any overrun).
  std::vector<unsigned char> encode(const ProbeData& data, StreamItems item, std::size_t size) {
    std::vector<unsigned char> bytes(size);
    setToRaw(data, item, bytes.data(), bytes.size());
    return bytes;
  }
};

inline std::vector<unsigned char> bytesOf(const unsigned char* begin, std::size_t size) {
  return std::vector<unsigned char>(begin, begin + size);
}

template <std::size_t N>
std::vector<unsigned char> bytesOf(const unsigned char (&array)[N]) {
  return bytesOf(array, N);
}

#endif
