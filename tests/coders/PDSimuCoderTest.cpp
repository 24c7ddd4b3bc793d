// The simulation coder: every request moves the record's whole XML text, here through a
// simulated memory that holds the golden text (tests/data/probe.xml).
#include <gtest/gtest.h>

#include <cmath>

#include "CoderRig.h"
#include "PDSimuCoder.h"

namespace {

// Each script's trace, then the coder's state and the record it holds, against
// tests/data/expected/simu-transfers.txt.
TEST(PDSimuCoderTest, Scripts) {
  const char* const scripts[] = {
      "all go ver go sum go",
      // No transfer state: requests may overlap, and each completion is reported by itself.
      "all all go go", "save go", "!read all go all go", "!save save go",
      // A record that cannot be written goes out as an empty text, which reads back as nothing.
      "alt save go", "x1 all go", "error go error2 go", "nocb all go error go", "!ask all",
      "out16 out0 out17",
      // A completion's text ends at its first NUL and never reaches past its length; a null
      // pointer is an empty text.
      "@0+2273", "#0+0 @0+2168",
      // Requests and completions log their entry at TRACE.
      "TRACE all go save go"};
  ProbeData alternative;
  alternative.setDefaultDir(std::nan(""), 0, 0);
  expectGolden("expected/simu-transfers.txt",
               transferRuns<PDSimuCoder>(scripts, golden("probe.xml"),
                                         SimDeviceMemory::Storage::Text, alternative));
}

TEST(PDSimuCoderTest, RefusesWithoutDataHandlerAndChecksumsTheText) {
  PDSimuCoder coder{boost::shared_ptr<DataHandler>()};
  EXPECT_PROBE_ERROR(coder.readChecksum(), "PDSimuCoder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.save(ProbeData()), "PDSimuCoder::save(All) no DH pointer defined!");
  EXPECT_EQ(0x92BEu, coder.computeDataCheksum(sampleRecord()));  // CRC-16/ARC of probe.xml
}

}  // namespace
