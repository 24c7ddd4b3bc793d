// The simulated device memory: which requests it answers, with what, when and on which thread.
// The coder suites drive it through its fault switches; make tsan runs this suite under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <boost/shared_array.hpp>

#include <stdexcept>
#include <thread>

#include "CoderRig.h"
#include "PDSimuCoder.h"
#include "ProbeDataV1Coder.h"

namespace {

using namespace std::string_literals;

// Each completion as "read 2+3 ok 'bytes'".
class Completions : public DataHandlerCB {
 public:
  void onDataRed(bool ok, unsigned long offset, unsigned long length,
                 unsigned char* data) override {
    add("read", ok, offset, length, data);
  }
  void onDataSaved(bool ok, unsigned long offset, unsigned long length,
                   unsigned char* data) override {
    add("save", ok, offset, length, data);
  }
  void onError() override { seen += "error; "; }
  std::string seen;

 private:
  void add(const char* what, bool ok, unsigned long offset, unsigned long length,
           const unsigned char* data) {
    seen += std::string(what) + " " + std::to_string(offset) + "+" + std::to_string(length) +
            (ok ? " ok '" + std::string(data, data + length) + "'; " : " failed; ");
  }
};

boost::shared_array<unsigned char> bytes(const std::string& text) {
  boost::shared_array<unsigned char> array(new unsigned char[text.size()]);
  std::copy(text.begin(), text.end(), array.get());
  return array;
}

TEST(SimDeviceMemoryTest, AnswersRequestsInsideItsMemory) {
  for (const auto completion :
       {SimDeviceMemory::Completion::Synchronous, SimDeviceMemory::Completion::Queued,
        SimDeviceMemory::Completion::Threaded}) {
    SimDeviceMemory memory(6, completion);
    Completions seen;
    memory.bind(&seen);
    memory.saveData(1, 3, bytes("abc"));
    memory.saveData(4, 3, bytes("xyz"));
    memory.readData(0, 6);
    memory.readData(6, 1);
    memory.raiseError();
    memory.pump();
    memory.waitIdle();
    EXPECT_EQ(
        "save 1+3 ok 'abc'; save 4+3 failed; read 0+6 ok '\0abc\0\0'; read 6+1 failed; error; "s,
        seen.seen);
    EXPECT_EQ(DataHandler::DHTransferError, memory.getError());
    EXPECT_EQ(4u, memory.requests().size());
    memory.bind(nullptr);
  }
}

// A text is read up to its first NUL, and a save at 0 replaces it whole.
TEST(SimDeviceMemoryTest, TextStorageHoldsOneText) {
  SimDeviceMemory memory(0, SimDeviceMemory::Completion::Synchronous,
                         SimDeviceMemory::Storage::Text);
  Completions seen;
  memory.bind(&seen);
  memory.load(std::string("text\0tail", 9));
  memory.readData(0, SimDeviceMemory::kWholeText);
  memory.saveData(0, 2, bytes("ab"));
  memory.readData(0, SimDeviceMemory::kWholeText);
  EXPECT_EQ("read 0+4 ok 'text'; save 0+2 ok 'ab'; read 0+2 ok 'ab'; ", seen.seen);
  EXPECT_EQ("ab", memory.contents());
}

// Regression test: two threads that changed the mode at once raced on it and on the worker.
TEST(SimDeviceMemoryTest, ChangesModeFromTwoThreads) {
  SimDeviceMemory memory(1);
  const auto toggle = [&memory] {
    for (int i = 0; i < 100; ++i) {
      memory.setCompletion(i % 2 == 0 ? SimDeviceMemory::Completion::Threaded
                                      : SimDeviceMemory::Completion::Queued);
      memory.readData(0, 1);
    }
  };
  std::thread other(toggle);
  toggle();
  other.join();
  memory.setCompletion(SimDeviceMemory::Completion::Threaded);
  memory.waitIdle();
  EXPECT_EQ(0u, memory.queued());
}

// A host whose report handlers run on the worker thread: they may start the next request, but
// not wait for the worker (regression test: that waited for itself). The host waits outside.
template <class Coder>
void roundTripOnTheWorker(SimDeviceMemory::Storage storage, const std::string& expected) {
  CoderRig<Coder> rig(std::string(ProbeDataV1Coder::getImageLength(), '\0'),
                      makeRecord(makeBody("P", {TargetSpec{1.5, 1, -2, 0.5}}), 0, 0, 1, 2),
                      storage);
  rig.callback->then = [&rig] {
    EXPECT_THROW(rig.memory().waitIdle(), std::logic_error);
    EXPECT_THROW(rig.memory().setCompletion(SimDeviceMemory::Completion::Queued), std::logic_error);
    if (rig.trace.back() == "onSaved(1)") rig.coder.readAll();
  };
  rig.memory().setCompletion(SimDeviceMemory::Completion::Threaded);
  rig.act("save");
  rig.memory().waitIdle();
  EXPECT_EQ(expected, rig.run(""));
  EXPECT_EQ(describe(rig.toSave), describe(rig.coder.getProbeData()));
}

TEST(SimDeviceMemoryTest, DrivesBothCodersFromItsWorker) {
  roundTripOnTheWorker<ProbeDataV1Coder>(SimDeviceMemory::Storage::Image,
                                         "save 0+428; onSaved(1); read 0+428; onAllRed(1)");
  roundTripOnTheWorker<PDSimuCoder>(SimDeviceMemory::Storage::Text,
                                    "save 0+675; onSaved(1); read 0+4294967295; onAllRed(1)");
}

}  // namespace
