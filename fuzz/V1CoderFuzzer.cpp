// The version-1 coder under the step interpreter (CoderSteps.h), over a memory of any size. The
// model: a save sends the image convertToString makes with the coder's versions; a whole 2.1
// image, read or saved, leaves what convertFromString makes of it, or fails and keeps the
// record where convertFromString fails.
#include "CoderSteps.h"
#include "ProbeDataV1Coder.h"
#include "ProbeImageReport.h"

struct V1Model {
  static constexpr int kReadReport[3] = {0, 1, 0};
  // A copy of the coder writes with its versions.
  static std::string sends(const ProbeDataV1Coder& coder, const ProbeData& record) {
    std::string image;
    FUZZ_CHECK(ProbeDataV1Coder(coder).convertToString(record, image), "saved what it refuses");
    return image;
  }
  static int reads(const std::string& bytes, unsigned long offset, ProbeData& held) {
    ProbeData read = held;
    const ProbeImageReport image = inspectImage(bytes);
    if (offset != 0 || image.version != 0x21 || bytes.size() != image.imageLength) return -1;
    if (image.items.front().verdict != image.Intact) return -1;
    return ProbeDataV1Coder(nullptr).convertFromString(bytes, read) ? (held = read, 1) : 0;
  }
};

FUZZ_CODER_TARGET(ProbeDataV1Coder, V1Model)
