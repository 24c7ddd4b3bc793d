// The version-1 coder's transfers, run as scripts against a simulated device memory that holds
// the sample image (tests/data/probe21.bin). CoderRig.h names the steps.
#include <gtest/gtest.h>

#include <cmath>

#include "CoderRig.h"
#include "ProbeDataV1Coder.h"

namespace {

using Rig = CoderRig<ProbeDataV1Coder>;

ProbeData imageRecord() {
  ProbeData record;
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  EXPECT_TRUE(coder.convertFromString(golden("probe21.bin"), record));
  return record;
}

// What the coder holds: the image's record, the default one, or the default with what a
// checksum read takes (the id and the stored checksum).
std::string held(const ProbeData& record) {
  if (describe(record) == describe(imageRecord())) return "image";
  if (describe(record) == describe(ProbeData())) return "default";
  return describe(record);
}

TEST(V1TransferTest, Scripts) {
  struct Case {
    const char* steps;
    const char* trace;
    const char* state;
    const char* record;
    const char* memory = "probe21.bin";
  };
  const char* const checksumRead = "id 'DEMO-PROBE-01'; dir (0 0 0); mask 0; checksum 0";
  const Case cases[] = {
      // A read of an unknown version reads the version block first and reports once, at the end.
      {"all go go", "read 0+8; read 0+428; onAllRed(1)", "error 0, versions 0x21/0x21", "image"},
      {"sum go go", "read 0+8; read 406+22; onChecksumRed(1)", "error 0, versions 0x21/0x21",
       checksumRead},
      {"ver go all go sum go",
       "read 0+8; onChecksumRed(1); read 0+428; onAllRed(1); read 406+22; onChecksumRed(1)",
       "error 0, versions 0x21/0x21", "image"},
      {"sync all", "read 0+8; read 0+428; onAllRed(1)", "error 0, versions 0x21/0x21", "image"},
      {"x0 ver go", "read 0+8; onChecksumRed(1)", "error 0, versions 0x10/0x10", "default"},
      // Failed transfers and undecodable data, each reported once; the error outlives later
      // successes, and a failed version read forgets the version.
      {"!read all go", "read 0+8; onChecksumRed(0)", "error 4, versions none/none", "default"},
      {"ver go !read ver go", "read 0+8; onChecksumRed(1); read 0+8; onChecksumRed(0)",
       "error 4, versions none/none", "default"},
      {"ver go !read all go all go",
       "read 0+8; onChecksumRed(1); read 0+428; onAllRed(0); read 0+428; onAllRed(1)",
       "error 4, versions 0x21/0x21", "image"},
      {"x12 all go go",
       "read 0+8; read 0+428; ERROR Invalid Probe RB read Checksum 45447; ERROR "
       "setRigidBodyFromRaw error; ERROR ProbeDataV1Coder::onDataRed() Could not decode stream; "
       "onAllRed(0)",
       "error 2, versions 0x21/0x21", "default"},
      {"x401 ver go all go",
       "read 0+8; onChecksumRed(1); read 0+428; ERROR Invalid Default Dir read Checksum 64744; "
       "ERROR setDefaultDirFromRaw error; ERROR ProbeDataV1Coder::onDataRed() Could not decode "
       "stream; onAllRed(0)",
       "error 2, versions 0x21/0x21", "default"},
      // Ranges must be runs of whole items from an item's start.
      {"ver go all @0+427",
       "read 0+8; onChecksumRed(1); read 0+428; ERROR ProbeDataV1Coder::onDataRed(...) Incorrect "
       "data offset/length 0 / 427; ERROR ProbeDataV1Coder::onDataRed() Could not decode stream; "
       "onAllRed(0)",
       "error 2, versions 0x21/0x21", "default"},
      {"ver go all @400+28",
       "read 0+8; onChecksumRed(1); read 0+428; ERROR ProbeDataV1Coder::onDataRed(...) Incorrect "
       "data offset 400; ERROR ProbeDataV1Coder::onDataRed() Could not decode stream; "
       "onAllRed(0)",
       "error 2, versions 0x21/0x21", "default"},
      {"ver go sum @396+10", "read 0+8; onChecksumRed(1); read 406+22; onChecksumRed(1)",
       "error 0, versions 0x21/0x21", "id ''; dir (0 0 1); mask 2; checksum 0"},
      {"ver @0+7",
       "read 0+8; ERROR setVersionFromRaw error; ERROR ProbeDataV1Coder::onDataRed() Could not "
       "decode version stream; onChecksumRed(0)",
       "error 2, versions none/none", "default"},
      {"@0+8", "refused ProbeDataV1Coder::onDataRed() incorrect current action 0",
       "error 0, versions none/0x21", "default"},
      // A completion that says ok but carries no data decodes nothing.
      {"ver #0+8",
       "read 0+8; ERROR setVersionFromRaw error; ERROR ProbeDataV1Coder::onDataRed() Could not "
       "decode version stream; onChecksumRed(0)",
       "error 2, versions none/none", "default"},
      {"ver go all #0+428",
       "read 0+8; onChecksumRed(1); read 0+428; ERROR setVersionFromRaw error; ERROR "
       "ProbeDataV1Coder::onDataRed() Could not decode stream; onAllRed(0)",
       "error 2, versions 0x21/0x21", "default"},
      {"save %0+428",
       "save 0+428; ERROR setVersionFromRaw error; ERROR ProbeDataV1Coder::onDataSaved() Could not "
       "decode stream; onSaved(0)",
       "error 2, versions 0x21/0x21", "default"},
      // One read and one save at a time; a save may start while a read is pending, and the read
      // chained behind a version read then fails.
      {"all all", "read 0+8; refused ProbeDataV1Coder::readAll read is ongoing 1",
       "error 0, versions none/0x21", "default"},
      {"ver sum", "read 0+8; refused ProbeDataV1Coder::readChecksum read is ongoing 1",
       "error 0, versions none/0x21", "default"},
      {"all save sum",
       "read 0+8; save 0+428; refused ProbeDataV1Coder::readChecksum write is ongoing 1",
       "error 0, versions none/0x21", "default"},
      {"save save ver",
       "save 0+428; refused ProbeDataV1Coder::save(All) write is already ongoing 1; refused "
       "ProbeDataV1Coder::readVersion write is ongoing 1",
       "error 0, versions none/0x21", "default"},
      {"all save go go",
       "read 0+8; save 0+428; ERROR ProbeDataV1Coder::onDataRed() read refused, write is ongoing "
       "1; onError(); onAllRed(0); onSaved(1)",
       "error 4, versions 0x21/0x21", "image"},
      // A save codes the image, and holds what the written bytes decode to.
      {"save go all go", "save 0+428; onSaved(1); read 0+428; onAllRed(1)",
       "error 0, versions 0x21/0x21", "image"},
      {"!save save go", "save 0+428; onSaved(0)", "error 4, versions none/0x21", "default"},
      {"out32 save go",
       "save 0+428; ERROR Invalid Probe RB read Checksum 52843; ERROR setRigidBodyFromRaw error; "
       "ERROR ProbeDataV1Coder::onDataSaved() Could not decode stream; onSaved(0)",
       "error 2, versions 0x20/0x20", "default"},
      {"alt save",
       "ERROR setRigidBodyToRaw error; ERROR ProbeDataV1Coder::save(All) Could not code stream; "
       "onSaved(0)",
       "error 3, versions none/0x21", "default"},
      // A request the handler refuses.
      {"!ask all all",
       "read 0+8; ERROR ProbeDataV1Coder::readAll(); onError(); onAllRed(0); read 0+8",
       "error 4, versions none/0x21", "default"},
      {"!ask sum", "read 0+8; onError(); onChecksumRed(0)", "error 4, versions none/0x21",
       "default"},
      {"!ask ver ver go",
       "read 0+8; threw simulated read request failure; read 0+8; onChecksumRed(1)",
       "error 0, versions 0x21/0x21", "default"},
      {"ver go !ask save save go",
       "read 0+8; onChecksumRed(1); save 0+428; threw simulated save "
       "request failure; save 0+428; onSaved(1)",
       "error 0, versions 0x21/0x21", "image"},
      // The handler's errors: only error 1 is a transfer error.
      {"error go error2 go", "onError(); onError()", "error 4, versions none/0x21", "default"},
      {"error2 go", "onError()", "error 0, versions none/0x21", "default"},
      // Without a callback every outcome is kept and a WARN line stands for the report.
      {"nocb all go go error go",
       "read 0+8; read 0+428; WARN ProbeDataV1Coder::onDataRed() no CB defined; WARN "
       "ProbeDataV1Coder::onError() no CB defined",
       "error 4, versions 0x21/0x21", "image"},
      {"nocb save go", "save 0+428; WARN ProbeDataV1Coder::onDataSaved() no CB defined",
       "error 0, versions 0x21/0x21", "image"},
      {"nocb !ask all !ask sum",
       "read 0+8; ERROR ProbeDataV1Coder::readAll(); WARN ProbeDataV1Coder::readAll() no CB "
       "defined; read 0+8; WARN ProbeDataV1Coder::readChecksum no CB defined",
       "error 4, versions none/0x21", "default"},
      {"nocb alt save",
       "ERROR setRigidBodyToRaw error; ERROR ProbeDataV1Coder::save(All) Could not code stream; "
       "WARN ProbeDataV1Coder::save(All) no CB defined",
       "error 3, versions none/0x21", "default"},
      // An image of input version 1 is read, its empty items too; it cannot hold what the writer
      // codes.
      {"all go go sum go save",
       "read 0+8; read 0+328; onAllRed(1); read 328+0; onChecksumRed(1); ERROR setRigidBodyToRaw "
       "error; ERROR ProbeDataV1Coder::save(All) Could not code stream; onSaved(0)",
       "error 3, versions 0x1/0x1", nullptr, "probe01.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    Rig rig(golden(c.memory), imageRecord());
    rig.alternative = makeRecord(makeBody("", {TargetSpec{std::nan(""), 0, 0, 0}}));
    EXPECT_EQ(c.trace, rig.run(c.steps));
    EXPECT_EQ(c.state, rig.state());
    if (c.record != nullptr) {
      EXPECT_EQ(c.record, held(rig.coder.getProbeData()));
    }
  }
}

// Requests and completions log their entry at TRACE. A callback may start the next request from
// inside its report.
TEST(V1TransferTest, TracesAndChainsFromTheCallback) {
  Rig rig(golden("probe21.bin"), imageRecord(), SimDeviceMemory::Storage::Image,
          log4cplus::TRACE_LOG_LEVEL);
  bool started = false;
  rig.callback->then = [&] {
    if (!started) rig.coder.save(rig.toSave);
    started = true;
  };
  EXPECT_EQ(
      "TRACE ProbeDataV1Coder::readAll; TRACE ProbeDataV1Coder::readVersion; read 0+8; TRACE "
      "ProbeDataV1Coder received onDataRed(); TRACE ProbeDataV1Coder::readAll; read 0+428; TRACE "
      "ProbeDataV1Coder received onDataRed(); onAllRed(1); TRACE ProbeDataV1Coder::save(All); "
      "save 0+428; TRACE ProbeDataV1Coder received onDataSaved(); onSaved(1); TRACE "
      "ProbeDataV1Coder::readChecksum; read 406+22; TRACE ProbeDataV1Coder received onDataRed(); "
      "onChecksumRed(1)",
      rig.run("all go go go sum go"));
}

TEST(V1TransferTest, RefusesWithoutDataHandler) {
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  EXPECT_PROBE_ERROR(coder.readVersion(), "ProbeDataV1Coder::readVersion no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.readAll(), "ProbeDataV1Coder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.readChecksum(), "ProbeDataV1Coder::readChecksum no DH pointer defined!");
  EXPECT_PROBE_ERROR(coder.save(ProbeData()), "ProbeDataV1Coder::save(All) no DH pointer defined!");
}

// A copy shares the data handler and the callback, and holds a record of its own.
TEST(V1TransferTest, CopiesShareHandlerAndCallback) {
  Rig rig(golden("probe21.bin"), imageRecord());
  ProbeDataV1Coder copy(rig.coder);
  ProbeDataV1Coder assigned{boost::shared_ptr<DataHandler>()};
  assigned = rig.coder;
  rig.run("all go go");
  for (ProbeDataV1Coder* other : {&copy, &assigned}) {
    EXPECT_EQ("default", held(other->getProbeData()));
    EXPECT_EQ(0xFFFFFFFFu, other->getInputVersion());
    other->readChecksum();
  }
  EXPECT_EQ("image", held(rig.coder.getProbeData()));
  EXPECT_EQ("read 0+8; read 0+428; onAllRed(1); read 0+8; read 0+8", rig.run(""));
}

}  // namespace
