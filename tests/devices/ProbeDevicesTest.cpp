#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "CapturingAppender.h"
#include "Error.h"
#include "ErrorMatchers.h"
#include "ProbeDevices.h"

namespace {

const char kDataRefused[] = "ProbeDevices::handleData Cannot handle data once hdw created";
const char kUIRefused[] = "ProbeDevices::handleUI Cannot handle data once hdw created";

// A host's handler: supplies the six pure operations and records each call, so a test can tell
// which table slot a call through the base reached.
class TestDevices final : public ProbeDevices {
 public:
  void createDataHandler() override { calls.push_back("createDataHandler"); }
  void deleteDataHandler() override { calls.push_back("deleteDataHandler"); }
  void startDevice() override { calls.push_back("startDevice"); }
  void stopDevice() override { calls.push_back("stopDevice"); }
  void suspendDevice() override { calls.push_back("suspendDevice"); }
  void resumeDevice() override { calls.push_back("resumeDevice"); }
  std::vector<std::string> calls;
};

static_assert(std::is_abstract<ProbeDevices>::value, "the host supplies six operations");
static_assert(!std::has_virtual_destructor<ProbeDevices>::value,
              "the framework's handlers have no virtual destructor");

struct State {
  bool data, ui, created;
};

// Checks the choices, that no device is reported, and that the refusals are in force exactly
// when the hardware is created and change nothing (on a scratch copy, leaving devices alone).
void expectState(const TestDevices& devices, const State& s) {
  EXPECT_EQ(s.data, devices.isDataHandled());
  EXPECT_EQ(s.ui, devices.isUIHandled());
  EXPECT_FALSE(devices.isInitialized() || devices.isDeviceAvailable());
  TestDevices probe(devices);
  if (s.created) {
    EXPECT_PROBE_ERROR(probe.handleData(!s.data), kDataRefused);
    EXPECT_PROBE_ERROR(probe.handleUI(!s.ui), kUIRefused);
  } else {
    probe.handleData(!s.data);
    probe.handleUI(!s.ui);
  }
  EXPECT_EQ(s.created ? s.data : !s.data, probe.isDataHandled());
  EXPECT_EQ(s.created ? s.ui : !s.ui, probe.isUIHandled());
}

// op is "D1"/"D0" (handleData), "U1"/"U0" (handleUI), "create" or "clear".
struct Step {
  std::string op;
  State after;
  const char* refusal = nullptr;
};

void apply(TestDevices& d, const std::string& op) {
  if (op == "create") {
    d.createUIHandler();
  } else if (op == "clear") {
    d.clearHdw();
  } else {
    op[0] == 'D' ? d.handleData(op[1] == '1') : d.handleUI(op[1] == '1');
  }
}

TEST(ProbeDevicesTest, StateTable) {
  const std::vector<std::vector<Step>> scenarios = {
      // Each choice changes only its own bit.
      {{"D1", {1, 0, 0}}, {"U1", {1, 1, 0}}, {"D0", {0, 1, 0}}, {"U0", {0, 0, 0}},
       {"U1", {0, 1, 0}}, {"D1", {1, 1, 0}}},
      // Created hardware refuses both choices, either way, and keeps the bits.
      {{"D1", {1, 0, 0}}, {"create", {1, 0, 1}}, {"D1", {1, 0, 1}, kDataRefused},
       {"U0", {1, 0, 1}, kUIRefused}, {"D0", {1, 0, 1}, kDataRefused}, {"U1", {1, 0, 1}, kUIRefused}},
      // Clearing lifts the refusals and keeps the bits; repeated transitions change nothing.
      {{"clear", {0, 0, 0}}, {"U1", {0, 1, 0}}, {"create", {0, 1, 1}}, {"create", {0, 1, 1}},
       {"clear", {0, 1, 0}}, {"clear", {0, 1, 0}}, {"D1", {1, 1, 0}}, {"U0", {1, 0, 0}}},
  };
  for (size_t i = 0; i < scenarios.size(); ++i) {
    TestDevices devices;
    expectState(devices, {false, false, false});
    for (const Step& step : scenarios[i]) {
      SCOPED_TRACE(::testing::Message() << "scenario " << i << " step " << step.op);
      if (step.refusal != nullptr) {
        EXPECT_PROBE_ERROR(apply(devices, step.op), step.refusal);
      } else {
        apply(devices, step.op);
      }
      expectState(devices, step.after);
    }
  }
}

// The framework calls through DeviceHandler's table: each slot must reach the operation of that
// name, ProbeDevices' own or the host's. A refusal is an Error from this file, logged at ERROR.
TEST(ProbeDevicesTest, CallsThroughTheBaseReachEachSlot) {
  TestDevices devices;
  DeviceHandler& base = devices;
  base.findDevice();
  base.initDevice();
  base.resetDevice();
  base.testDevice();
  EXPECT_FALSE(base.isInitialized() || base.isDeviceAvailable());
  EXPECT_TRUE(devices.calls.empty());
  base.createUIHandler();
  {
    LogCapture log;
    try {
      devices.handleUI(true);
      ADD_FAILURE() << "handleUI did not throw";
    } catch (const Error& error) {
      EXPECT_EQ("ProbeDevices.cpp", error.getFile());
      EXPECT_GT(error.getLine(), 0);
      EXPECT_EQ(log4cplus::ERROR_LOG_LEVEL, error.getLevel());
    }
    EXPECT_EQ(std::vector<std::string>{kUIRefused}, log.messages(log4cplus::ERROR_LOG_LEVEL));
  }
  base.createDataHandler();
  base.deleteDataHandler();
  base.clearHdw();
  expectState(devices, {false, false, false});
  base.startDevice();
  base.stopDevice();
  base.suspendDevice();
  base.resumeDevice();
  EXPECT_EQ((std::vector<std::string>{"createDataHandler", "deleteDataHandler", "startDevice",
                                      "stopDevice", "suspendDevice", "resumeDevice"}),
            devices.calls);
}

// Copies must carry the hardware state along with the choices, or a copy of a running handler
// would accept changes its source refuses. Every state is copied by construction, by assignment
// over a handler whose every field differs, and onto itself. The handlers are built over storage
// filled with ones: the choices are the low two bits of the unsigned int just after the table
// pointer, and no other bit of that word is ever set.
TEST(ProbeDevicesTest, CopiesTakeChoicesAndHardwareState) {
  for (unsigned int bits = 0; bits < 8; ++bits) {
    const State s{(bits & 1u) != 0, (bits & 2u) != 0, (bits & 4u) != 0};
    SCOPED_TRACE(::testing::Message() << "data " << s.data << " ui " << s.ui << " created "
                                      << s.created);
    alignas(TestDevices) unsigned char storage[3][sizeof(TestDevices)];
    std::memset(storage, 0xFF, sizeof storage);
    const int before = DeviceHandler::getInstanceCount();
    TestDevices& source = *new (storage[0]) TestDevices;
    source.handleData(s.data);
    source.handleUI(s.ui);
    if (s.created) source.createUIHandler();
    TestDevices& alias = source;
    source = alias;
    TestDevices& constructed = *new (storage[1]) TestDevices(source);
    TestDevices& assigned = *new (storage[2]) TestDevices;
    assigned.handleData(!s.data);
    assigned.handleUI(!s.ui);
    if (!s.created) assigned.createUIHandler();
    EXPECT_EQ(&assigned, &(assigned = source));
    EXPECT_EQ(before + 3, DeviceHandler::getInstanceCount());
    for (const auto& bytes : storage) {
      unsigned int word = 0xDEADBEEFu;
      std::memcpy(&word, bytes + sizeof(void*), sizeof word);
      EXPECT_EQ(bits & 3u, word);
    }
    expectState(source, s);
    for (TestDevices* copy : {&constructed, &assigned}) {
      expectState(*copy, s);
      copy->clearHdw();
      copy->handleData(!s.data);
      copy->handleUI(!s.ui);
      expectState(*copy, {!s.data, !s.ui, false});
      expectState(source, s);
    }
    for (TestDevices* devices : {&assigned, &constructed, &source}) devices->~TestDevices();
    EXPECT_EQ(before, DeviceHandler::getInstanceCount());
  }
}

}  // namespace
