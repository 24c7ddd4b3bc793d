#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SimDeviceMemory.h"

namespace {

using probesim::SimDeviceMemory;
using Completion = SimDeviceMemory::Completion;
using Storage = SimDeviceMemory::Storage;

struct Event {
  std::string kind;
  bool ok;
  unsigned long offset;
  unsigned long length;
  std::string bytes;
  std::thread::id thread;
};

// Records every completion; optionally starts one more request from inside a completion.
class Recorder : public DataHandlerCB {
 public:
  void onDataRed(bool ok, unsigned long offset, unsigned long length,
                 unsigned char* data) override {
    record("read", ok, offset, length, data);
    if (chainRead && device) {
      chainRead = false;
      device->readData(0, 1);
    }
  }
  void onDataSaved(bool ok, unsigned long offset, unsigned long length,
                   unsigned char* data) override {
    record("save", ok, offset, length, data);
  }
  void onError() override { events.push_back(Event{"error", false, 0, 0, "", {}}); }

  std::vector<Event> events;
  bool chainRead = false;
  SimDeviceMemory* device = nullptr;

 private:
  void record(const char* kind, bool ok, unsigned long offset, unsigned long length,
              unsigned char* data) {
    std::string bytes = ok && data ? std::string(reinterpret_cast<char*>(data), length) : "";
    events.push_back(Event{kind, ok, offset, length, bytes, std::this_thread::get_id()});
  }
};

boost::shared_array<unsigned char> bytesOf(const std::string& text) {
  boost::shared_array<unsigned char> data(new unsigned char[text.size() + 1]);
  std::memcpy(data.get(), text.data(), text.size());
  return data;
}

class SimDeviceMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device.load(std::string("0123456789"));
    device.bind(&recorder);
    recorder.device = &device;
  }
  SimDeviceMemory device{0};
  Recorder recorder;
};

// Requests inside the memory succeed; any that reaches past its end is answered ok=false.
TEST_F(SimDeviceMemoryTest, ReadsInsideSucceedAndOutsideFail) {
  struct Case {
    unsigned long offset, length;
    bool ok;
    const char* bytes;
  } cases[] = {
      {0, 10, true, "0123456789"}, {3, 4, true, "3456"},  {10, 0, true, ""},
      {9, 2, false, ""},           {11, 0, false, ""},    {0, 0xFFFFFFFFul, false, ""},
      {0xFFFFFFFFul, 2, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.offset) + "+" + std::to_string(c.length));
    recorder.events.clear();
    device.readData(c.offset, c.length);
    ASSERT_EQ(1u, recorder.events.size());
    EXPECT_EQ("read", recorder.events[0].kind);
    EXPECT_EQ(c.ok, recorder.events[0].ok);
    EXPECT_EQ(c.offset, recorder.events[0].offset);
    EXPECT_EQ(c.length, recorder.events[0].length);
    EXPECT_EQ(c.bytes, recorder.events[0].bytes);
  }
}

TEST_F(SimDeviceMemoryTest, SavesInsideWriteAndOutsideChangeNothing) {
  device.saveData(2, 3, bytesOf("abc"));
  device.saveData(8, 3, bytesOf("xyz"));
  ASSERT_EQ(2u, recorder.events.size());
  EXPECT_TRUE(recorder.events[0].ok);
  EXPECT_EQ("abc", recorder.events[0].bytes);
  EXPECT_FALSE(recorder.events[1].ok);
  EXPECT_EQ("01abc56789", device.contents());
  ASSERT_EQ(2u, device.requests().size());
  EXPECT_EQ(SimDeviceMemory::Request::Save, device.requests()[1].kind);
  EXPECT_EQ(8ul, device.requests()[1].offset);
}

TEST_F(SimDeviceMemoryTest, TextStorageReadsUpToTheFirstNulAndSavesReplaceTheText) {
  device.setStorage(Storage::Text);
  device.load(std::string("<text>\0junk", 11));
  device.readData(0, SimDeviceMemory::kWholeText);
  ASSERT_EQ(1u, recorder.events.size());
  EXPECT_TRUE(recorder.events[0].ok);
  EXPECT_EQ("<text>", recorder.events[0].bytes);
  EXPECT_EQ(6ul, recorder.events[0].length);

  const std::string longer = "a longer text than before";
  device.saveData(0, longer.size(), bytesOf(longer));
  EXPECT_EQ(longer, device.contents());
  device.saveData(0, 3, bytesOf("abc"));
  EXPECT_EQ("abc", device.contents());
  device.readData(0, SimDeviceMemory::kWholeText);
  EXPECT_EQ("abc", recorder.events.back().bytes);
}

TEST_F(SimDeviceMemoryTest, QueuedCompletionsWaitForPumpIncludingThoseTheyCause) {
  device.setCompletion(Completion::Queued);
  recorder.chainRead = true;
  device.readData(0, 2);
  EXPECT_TRUE(recorder.events.empty());
  EXPECT_EQ(1u, device.queued());
  EXPECT_EQ(2u, device.pump());
  ASSERT_EQ(2u, recorder.events.size());
  EXPECT_EQ("01", recorder.events[0].bytes);
  EXPECT_EQ("0", recorder.events[1].bytes);
  EXPECT_EQ(0u, device.pump());
}

TEST_F(SimDeviceMemoryTest, ThreadedCompletionsArriveFromTheWorker) {
  device.setCompletion(Completion::Threaded);
  recorder.chainRead = true;
  device.readData(0, 2);
  device.waitIdle();
  ASSERT_EQ(2u, recorder.events.size());
  EXPECT_NE(std::this_thread::get_id(), recorder.events[0].thread);
  EXPECT_EQ("0", recorder.events[1].bytes);
  device.setCompletion(Completion::Synchronous);
  device.readData(1, 1);
  EXPECT_EQ(std::this_thread::get_id(), recorder.events.back().thread);
}

TEST_F(SimDeviceMemoryTest, FaultSwitchesApplyToOneRequest) {
  device.failNextRead();
  device.readData(0, 1);
  device.readData(0, 1);
  device.failNextSave();
  device.saveData(0, 1, bytesOf("Z"));
  device.saveData(0, 1, bytesOf("Y"));
  ASSERT_EQ(4u, recorder.events.size());
  EXPECT_FALSE(recorder.events[0].ok);
  EXPECT_TRUE(recorder.events[1].ok);
  EXPECT_FALSE(recorder.events[2].ok);
  EXPECT_TRUE(recorder.events[3].ok);
  EXPECT_EQ("Y123456789", device.contents());

  device.throwOnNextRequest();
  EXPECT_THROW(device.readData(0, 1), std::runtime_error);
  EXPECT_NO_THROW(device.readData(0, 1));
  EXPECT_EQ(5u, recorder.events.size());
}

TEST_F(SimDeviceMemoryTest, CorruptByteFlipsStoredBits) {
  device.corruptByte(0, 0x01);
  EXPECT_EQ('1', device.contents()[0]);
  EXPECT_THROW(device.corruptByte(10), std::out_of_range);
}

TEST_F(SimDeviceMemoryTest, RaisedErrorIsReportedAndAnsweredByGetError) {
  EXPECT_EQ(DataHandler::NoDHError, device.getError());
  device.setCompletion(Completion::Queued);
  device.raiseError();
  EXPECT_EQ(DataHandler::DHTransferError, device.getError());
  EXPECT_TRUE(recorder.events.empty());
  device.pump();
  ASSERT_EQ(1u, recorder.events.size());
  EXPECT_EQ("error", recorder.events[0].kind);
  device.raiseError(DataHandler::NoDHError);
  EXPECT_EQ(0u, device.pump());
  EXPECT_EQ(DataHandler::NoDHError, device.getError());
}

TEST(SimDeviceMemoryLifetimeTest, NewMemoryIsZeroFilledAndResizes) {
  SimDeviceMemory device(428);
  EXPECT_EQ(std::string(428, '\0'), device.contents());
  device.resize(430);
  EXPECT_EQ(430u, device.size());
  SimDeviceMemory threaded(4, Completion::Threaded);  // worker stops cleanly when destroyed
}

}  // namespace
