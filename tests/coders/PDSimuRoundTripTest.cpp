// A host's use of the simulation coder: records saved into the simulated probe memory by one
// coder and read back by another over the same memory, in each way the memory completes.
#include <gtest/gtest.h>

#include <boost/shared_ptr.hpp>

#include <functional>
#include <list>
#include <string>
#include <vector>

#include "PDSimuCoder.h"
#include "RecordingCallback.h"
#include "RigidBodies.h"
#include "SimDeviceMemory.h"
#include "Utils.h"

namespace {

using probesim::SimDeviceMemory;
using Completion = SimDeviceMemory::Completion;
using Storage = SimDeviceMemory::Storage;

const unsigned long kWholeText = 0xFFFFFFFFul;

// The callback base has no virtual destructor, so the callbacks the tests share with a coder are
// of a final type, deleted as what they are.
using Callback = RecordingCallback;

std::string textOf(const ProbeData& record) {
  std::string text;
  EXPECT_TRUE(saveToString(text, record));
  return text;
}

class PDSimuRoundTripTest : public ::testing::TestWithParam<Completion> {
 protected:
  ~PDSimuRoundTripTest() override { memory->bind(nullptr); }

  // Lets the memory deliver the one completion it owes, as the host's event loop would: nothing
  // to do when it completes at once, pump() when it queues, waitIdle() when its own thread
  // delivers.
  void settle() {
    switch (GetParam()) {
      case Completion::Synchronous:
        EXPECT_EQ(0u, memory->queued());
        break;
      case Completion::Queued:
        EXPECT_EQ(1u, memory->pump());
        break;
      case Completion::Threaded:
        memory->waitIdle();
        break;
    }
  }

  boost::shared_ptr<SimDeviceMemory> memory{new SimDeviceMemory(0, GetParam(), Storage::Text)};
};

struct RoundTripCase {
  const char* name;
  ProbeData record;
  std::function<void(PDSimuCoder&)> read;
};

// Longest first, so each save must replace a longer text than its own.
std::vector<RoundTripCase> roundTripCases() {
  return {
      {"many full targets, readAll", sampleRecord(30, true),
       [](PDSimuCoder& c) { c.readAll(); }},
      {"renumbered targets, readVersion",
       makeRecord(makeBody("RT-1",
                           {target(2.5, 1, 2, 3, 0, 0, 1, 30), target(1, -4, 5, 6),
                            withAngle(target(3, 7, 8, -9), 12.5),
                            withNormal(target(0.5, 0, 0, 0), 0, 1, 0)},
                           100, 7),
                  0.25, -0.5, 1, 9, 777),
       [](PDSimuCoder& c) { c.readVersion(); }},
      {"no targets, readChecksum", makeRecord(makeBody("EMPTY", {})),
       [](PDSimuCoder& c) { c.readChecksum(); }},
  };
}

TEST_P(PDSimuRoundTripTest, SavedRecordReadsBackThroughASecondCoder) {
  for (const RoundTripCase& c : roundTripCases()) {
    SCOPED_TRACE(c.name);
    const std::string text = textOf(c.record);
    ASSERT_FALSE(text.empty());

    PDSimuCoder writer(memory);
    boost::shared_ptr<Callback> saved(new Callback);
    writer.setCB(saved);
    memory->bind(&writer);
    memory->clearRequests();
    writer.save(c.record);
    if (GetParam() == Completion::Queued) {
      EXPECT_TRUE(saved->calls.empty());
      EXPECT_TRUE(sameRecord(ProbeData(), writer.getProbeData()));
    }
    settle();
    EXPECT_EQ(std::vector<std::string>{"onSaved(1)"}, saved->calls);
    EXPECT_EQ(text, memory->contents());
    std::vector<SimDeviceMemory::Request> requests = memory->requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(SimDeviceMemory::Request::Save, requests[0].kind);
    EXPECT_EQ(0u, requests[0].offset);
    EXPECT_EQ(text.size(), requests[0].length);
    EXPECT_TRUE(sameRecord(c.record, writer.getProbeData()));

    PDSimuCoder reader(memory);
    boost::shared_ptr<Callback> red(new Callback);
    reader.setCB(red);
    memory->bind(&reader);
    memory->clearRequests();
    c.read(reader);
    settle();
    memory->bind(nullptr);
    EXPECT_EQ(std::vector<std::string>{"onAllRed(1)"}, red->calls);
    requests = memory->requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(SimDeviceMemory::Request::Read, requests[0].kind);
    EXPECT_EQ(0u, requests[0].offset);
    EXPECT_EQ(kWholeText, requests[0].length);

    EXPECT_TRUE(sameRecord(c.record, reader.getProbeData()));
    std::list<int> ids;
    reader.getProbeData().getRigidBody().getTargetsList(ids);
    int expectedId = 0;
    for (int id : ids) EXPECT_EQ(expectedId++, id);
    EXPECT_EQ(ProbeDataCoder::NoError, reader.getError());
    // The text keeps no target ids, so renumbering leaves the checksum alone.
    EXPECT_EQ(writer.computeDataCheksum(c.record),
              reader.computeDataCheksum(reader.getProbeData()));
  }
}

TEST_P(PDSimuRoundTripTest, DeviceFaultsReachTheCallback) {
  struct Case {
    const char* name;
    std::function<void(SimDeviceMemory&)> fault;
    bool save;
    const char* report;
    ProbeDataCoder::PDCError error;
  };
  const Case cases[] = {
      {"failed read", [](SimDeviceMemory& m) { m.failNextRead(); }, false, "onAllRed(0)",
       ProbeDataCoder::TransferError},
      {"corrupt text", [](SimDeviceMemory& m) { m.corruptByte(1); }, false, "onAllRed(0)",
       ProbeDataCoder::DecodeError},
      {"empty memory", [](SimDeviceMemory& m) { m.load(std::string()); }, false, "onAllRed(0)",
       ProbeDataCoder::DecodeError},
      {"failed save", [](SimDeviceMemory& m) { m.failNextSave(); }, true, "onSaved(0)",
       ProbeDataCoder::TransferError},
  };
  const ProbeData stored = sampleRecord(3, true);
  const std::string text = textOf(stored);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    memory->load(text);
    PDSimuCoder coder(memory);
    boost::shared_ptr<Callback> callback(new Callback);
    coder.setCB(callback);
    memory->bind(&coder);
    c.fault(*memory);
    const std::string before = memory->contents();
    if (c.save) {
      coder.save(sampleRecord(1, false));
    } else {
      coder.readAll();
    }
    settle();
    memory->bind(nullptr);
    EXPECT_EQ(std::vector<std::string>{c.report}, callback->calls);
    EXPECT_EQ(c.error, coder.getError());
    EXPECT_EQ(before, memory->contents());
    if (c.error == ProbeDataCoder::TransferError) {
      EXPECT_TRUE(sameRecord(ProbeData(), coder.getProbeData()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EachCompletion, PDSimuRoundTripTest,
                         ::testing::Values(Completion::Synchronous, Completion::Queued,
                                           Completion::Threaded),
                         [](const ::testing::TestParamInfo<Completion>& param) {
                           switch (param.param) {
                             case Completion::Synchronous:
                               return "Synchronous";
                             case Completion::Queued:
                               return "Queued";
                             case Completion::Threaded:
                               break;
                           }
                           return "Threaded";
                         });

}  // namespace
