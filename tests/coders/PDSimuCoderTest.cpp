// The simulation coder: every request moves the record's whole XML text, here through a
// simulated memory that holds the golden text (tests/data/probe.xml).
#include <gtest/gtest.h>

#include <cmath>

#include "CoderRig.h"
#include "PDSimuCoder.h"
#include "Utils.h"

namespace {

using Rig = CoderRig<PDSimuCoder>;

ProbeData xmlRecord() {
  ProbeData record;
  EXPECT_TRUE(loadFromString(golden("probe.xml"), record));
  return record;
}

TEST(PDSimuCoderTest, Scripts) {
  struct Case {
    const char* steps;
    const char* trace;
    const char* state;
    bool holdsText;  // the held record is the golden text's; otherwise the default
  };
  const Case cases[] = {
      {"all go ver go sum go",
       "read 0+4294967295; onAllRed(1); read 0+4294967295; onAllRed(1); read 0+4294967295; "
       "onAllRed(1)",
       "error 0, versions none/none", true},
      // No transfer state: requests may overlap, and each completion is reported by itself.
      {"all all go go", "read 0+4294967295; read 0+4294967295; onAllRed(1); onAllRed(1)",
       "error 0, versions none/none", true},
      {"save go", "save 0+2268; onSaved(1)", "error 0, versions none/none", true},
      {"!read all go all go", "read 0+4294967295; onAllRed(0); read 0+4294967295; onAllRed(1)",
       "error 4, versions none/none", true},
      {"!save save go", "save 0+2268; onSaved(0)", "error 4, versions none/none", false},
      // A record that cannot be written goes out as an empty text, which reads back as nothing.
      {"alt save go",
       "ERROR could not code to stream ; save 0+0; ERROR could not decode stream ; onSaved(0)",
       "error 3, versions none/none", false},
      {"x1 all go",
       "read 0+4294967295; ERROR could not decode stream <\xC0xml version=\"1.0\" "
       "encoding=\"UTF-8\" "
       "standalone=\"yes\" ?>; onAllRed(0)",
       "error 2, versions none/none", false},
      {"error go error2 go", "onError(); onError()", "error 4, versions none/none", false},
      {"nocb all go error go", "read 0+4294967295; WARN PDSimuCoder::onError() no CB defined",
       "error 4, versions none/none", true},
      {"!ask all", "read 0+4294967295; threw simulated read request failure",
       "error 0, versions none/none", false},
      {"out16 out0 out17", "refused PDSimuCoder::setOutputVersion() unhandled version : 17",
       "error 0, versions none/0x0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    Rig rig(golden("probe.xml"), xmlRecord(), SimDeviceMemory::Storage::Text);
    rig.alternative.setDefaultDir(std::nan(""), 0, 0);
    std::string trace = rig.run(c.steps);
    // The text of a damaged document is logged whole: its first line is enough here.
    const std::size_t cut = trace.find("\n");
    if (cut != std::string::npos) trace.erase(cut, trace.find(";", cut) - cut);
    EXPECT_EQ(c.trace, trace);
    EXPECT_EQ(c.state, rig.state());
    EXPECT_EQ(describe(c.holdsText ? xmlRecord() : ProbeData()),
              describe(rig.coder.getProbeData()));
    if (std::string(c.steps) == "save go") {
      EXPECT_EQ(golden("probe.xml"), rig.memory().contents());
    }
  }
}

// A completion's text ends at its first NUL and never reaches past its length; a null pointer
// is an empty text.
TEST(PDSimuCoderTest, TakesTheTextUpToNulOrLength) {
  const std::string text = golden("probe.xml");
  struct Case {
    std::string bytes;
    unsigned long length;
    bool ok;
  } const cases[] = {
      {text + '\0' + "junk", static_cast<unsigned long>(text.size() + 5), true},
      {text, static_cast<unsigned long>(text.size()), true},
      {text, static_cast<unsigned long>(text.size() - 100), false},
      {"", 0, false},
  };
  for (const Case& c : cases) {
    PDSimuCoder coder{boost::shared_ptr<DataHandler>()};
    std::vector<unsigned char> bytes(c.bytes.begin(), c.bytes.end());
    coder.onDataRed(true, 99, c.length, bytes.empty() ? nullptr : bytes.data());
    EXPECT_EQ(c.ok ? ProbeDataCoder::NoError : ProbeDataCoder::DecodeError, coder.getError());
  }
}

TEST(PDSimuCoderTest, RefusesWithoutDataHandlerAndChecksumsTheText) {
  PDSimuCoder coder{boost::shared_ptr<DataHandler>()};
  Trace trace;
  LogLines lines(trace, log4cplus::TRACE_LOG_LEVEL);
  EXPECT_PROBE_ERROR(coder.readChecksum(), "PDSimuCoder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.save(ProbeData()), "PDSimuCoder::save(All) no DH pointer defined!");
  EXPECT_EQ(0x92BEu, coder.computeDataCheksum(xmlRecord()));  // CRC-16/ARC of probe.xml
  EXPECT_EQ(
      (Trace{"TRACE PDSimuCoder::readAll", "ERROR PDSimuCoder::readAll no DH pointer defined!",
             "TRACE PDSimuCoder::save(All)", "ERROR PDSimuCoder::save(All) no DH pointer defined!",
             "DEBUG PDSimuCoder::checksum result 37566"}),
      trace);
}

}  // namespace
