// The version-1 coder's transfers, run as scripts against a simulated device memory that holds
// the sample image (tests/data/probe21.bin). CoderRig.h names the steps.
#include <gtest/gtest.h>

#include <cmath>

#include "CoderRig.h"
#include "ProbeDataV1Coder.h"

namespace {

// Each script's trace, then the coder's state and the record it holds, against
// tests/data/expected/v1-transfers.txt.
TEST(V1TransferTest, Scripts) {
  const char* const scripts[] = {
      // A read of an unknown version reads the version block first and reports once, at the end.
      "all go go", "sum go go", "ver go all go sum go", "sync all", "x0 ver go",
      // Failed transfers and undecodable data, each reported once; the error outlives later
      // successes, and a failed version read forgets the version.
      "!read all go", "ver go !read ver go", "ver go !read all go all go", "x12 all go go",
      "x401 ver go all go",
      // Ranges must be runs of whole items from an item's start.
      "ver go all @0+427", "ver go all @400+28", "ver go sum @396+10", "ver @0+7", "@0+8",
      "ver go sum @407+21", "ver go all @428+0",
      // A completion that says ok but carries no data decodes nothing.
      "ver #0+8", "ver go all #0+428", "ver go sum #406+22", "save %0+428", "save %404+24",
      // One read and one save at a time; a save may start while a read is pending, and the read
      // chained behind a version read then fails.
      "all all", "ver sum", "all save sum", "save save ver", "all save go go",
      // A save codes the image, and holds what the written bytes decode to.
      "save go all go", "!save save go", "out32 save go", "alt save",
      // A request the handler refuses.
      "!ask all all", "!ask sum", "!ask ver ver go", "ver go !ask save save go",
      // The handler's errors: only error 1 is a transfer error.
      "error go error2 go", "error2 go",
      // Without a callback every outcome is kept and a WARN line stands for the report.
      "nocb all go go error go", "nocb save go", "nocb !ask all !ask sum", "nocb alt save",
      // An image of input version 1 is read, its empty items too; it cannot hold what the writer
      // codes.
      "probe01 all go go sum go save",
      // Requests and completions log their entry at TRACE. A callback may start the next request
      // from inside its report.
      "TRACE chain all go go go sum go"};
  const ProbeData alternative = makeRecord(makeBody("", {TargetSpec{std::nan(""), 0, 0, 0}}));
  expectGolden("expected/v1-transfers.txt",
               transferRuns<ProbeDataV1Coder>(scripts, golden("probe21.bin"),
                                              SimDeviceMemory::Storage::Image, alternative));
}

TEST(V1TransferTest, RefusesWithoutDataHandler) {
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  EXPECT_PROBE_ERROR(coder.readVersion(), "ProbeDataV1Coder::readVersion no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.readAll(), "ProbeDataV1Coder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.readChecksum(), "ProbeDataV1Coder::readChecksum no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.save(ProbeData()), "ProbeDataV1Coder::save(All) no DH pointer defined!");
}

}  // namespace
