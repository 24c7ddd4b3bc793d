// The simulation coder: every request moves the record's whole XML text, here through a
// simulated memory that holds the golden text (tests/data/probe.xml).
#include <gtest/gtest.h>

#include <cmath>

#include "CoderRig.h"
#include "PDSimuCoder.h"
#include "Utils.h"

namespace {

using Rig = CoderRig<PDSimuCoder>;

// Each script's trace, then the coder's state and the record it holds ("text" for the golden
// text's), against tests/data/expected/simu-transfers.txt.
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
      "@0+2273", "#0+0 @0+2168"};
  std::string runs;
  for (const char* const script : scripts) {
    Rig rig(golden("probe.xml"), sampleRecord(), SimDeviceMemory::Storage::Text);
    rig.alternative.setDefaultDir(std::nan(""), 0, 0);
    std::string trace = rig.run(script);
    // The text of a damaged document is logged whole: its first line is enough here.
    const std::size_t cut = trace.find("\n");
    if (cut != std::string::npos) trace.erase(cut, trace.find(";", cut) - cut);
    const std::string held = describe(rig.coder.getProbeData());
    runs += std::string("== ") + script + "\n" + trace + "\n" + rig.state() + ", holds " +
            (held == describe(sampleRecord()) ? "text" : held) + "\n";
    if (std::string(script) == "save go") {
      EXPECT_EQ(golden("probe.xml"), rig.memory().contents());
    }
  }
  expectGolden("expected/simu-transfers.txt", runs);
}

TEST(PDSimuCoderTest, RefusesWithoutDataHandlerAndChecksumsTheText) {
  PDSimuCoder coder{boost::shared_ptr<DataHandler>()};
  Trace trace;
  LogLines lines(trace, log4cplus::TRACE_LOG_LEVEL);
  EXPECT_PROBE_ERROR(coder.readChecksum(), "PDSimuCoder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.save(ProbeData()), "PDSimuCoder::save(All) no DH pointer defined!");
  EXPECT_EQ(0x92BEu, coder.computeDataCheksum(sampleRecord()));  // CRC-16/ARC of probe.xml
  EXPECT_EQ(
      (Trace{"TRACE PDSimuCoder::readAll", "ERROR PDSimuCoder::readAll no DH pointer defined!",
             "TRACE PDSimuCoder::save(All)", "ERROR PDSimuCoder::save(All) no DH pointer defined!",
             "DEBUG PDSimuCoder::checksum result 37566"}),
      trace);
}

}  // namespace
