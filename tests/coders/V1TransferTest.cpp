// The version-1 coder's transfers, run as scripts against a simulated device memory that holds
// the sample image (tests/data/probe21.bin). CoderRig.h names the steps.
#include <gtest/gtest.h>

#include <cmath>

#include "CoderRig.h"
#include "ProbeDataV1Coder.h"

namespace {

// The scripts of tests/data/expected/v1-transfers.txt, each with its trace, the coder's state and
// the record it holds.
TEST(V1TransferTest, Scripts) {
  const ProbeData alternative = makeRecord(makeBody("", {TargetSpec{std::nan(""), 0, 0, 0}}));
  expectTransfers<ProbeDataV1Coder>("expected/v1-transfers.txt", golden("probe21.bin"),
                                    SimDeviceMemory::Storage::Image, alternative);
}

TEST(V1TransferTest, RefusesWithoutDataHandler) {
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  EXPECT_PROBE_ERROR(coder.readVersion(), "ProbeDataV1Coder::readVersion no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.readAll(), "ProbeDataV1Coder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.readChecksum(), "ProbeDataV1Coder::readChecksum no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.save(ProbeData()), "ProbeDataV1Coder::save(All) no DH pointer defined!");
}

}  // namespace
