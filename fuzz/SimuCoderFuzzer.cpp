// PDSimuCoder under the step interpreter (CoderSteps.h), over a memory that holds text. The
// model: a save sends the text saveToString writes (none if it refuses the record); a
// completion leaves what loadFromString makes of the bytes up to its length, and fails where
// loadFromString fails.
#include "CoderSteps.h"
#include "PDSimuCoder.h"
#include "Utils.h"

struct SimuModel {
  static constexpr int kReadReport[3] = {1, 1, 1};
  static std::string sends(const PDSimuCoder&, const ProbeData& record) {
    std::string text;
    return saveToString(text, record) ? text : std::string();
  }
  static int reads(const std::string& bytes, unsigned long, ProbeData& held) {
    return loadFromString(bytes, held);
  }
};

FUZZ_CODER_TARGET(PDSimuCoder, SimuModel)
