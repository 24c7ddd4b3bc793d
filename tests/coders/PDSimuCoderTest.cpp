// The simulation coder: every request moves the record's whole XML text, here through a
// simulated memory that holds the golden text (tests/data/probe.xml).
#include <gtest/gtest.h>

#include <cmath>

#include "CoderRig.h"
#include "PDSimuCoder.h"

namespace {

// The scripts of tests/data/expected/simu-transfers.txt, each with its trace, the coder's state
// and the record it holds.
TEST(PDSimuCoderTest, Scripts) {
  ProbeData alternative;
  alternative.setDefaultDir(std::nan(""), 0, 0);
  expectTransfers<PDSimuCoder>("expected/simu-transfers.txt", golden("probe.xml"),
                               SimDeviceMemory::Storage::Text, alternative);
}

TEST(PDSimuCoderTest, RefusesWithoutDataHandlerAndChecksumsTheText) {
  PDSimuCoder coder{boost::shared_ptr<DataHandler>()};
  EXPECT_PROBE_ERROR(coder.readChecksum(), "PDSimuCoder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.save(ProbeData()), "PDSimuCoder::save(All) no DH pointer defined!");
  EXPECT_EQ(0x92BEu, coder.computeDataCheksum(sampleRecord()));  // CRC-16/ARC of probe.xml
}

}  // namespace
