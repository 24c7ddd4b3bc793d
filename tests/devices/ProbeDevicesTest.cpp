#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <cstring>
#include <functional>
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

// A host's handler: supplies the six operations that ProbeDevices leaves pure and records each
// call, so a test can tell which table slot a call through the base reached.
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

// The state after each step of a scenario: which choices are made, and whether the refusals
// are in force.
struct Expected {
  bool data;
  bool ui;
  bool created;
};

void expectState(const ProbeDevices& devices, const Expected& expected) {
  EXPECT_EQ(expected.data, devices.isDataHandled());
  EXPECT_EQ(expected.ui, devices.isUIHandled());
  EXPECT_FALSE(devices.isInitialized());
  EXPECT_FALSE(devices.isDeviceAvailable());
}

// Checks that the refusals are in force exactly when the hardware is created, and that a
// refused call changes nothing. Probes a scratch copy, so the object itself is left alone.
void expectRefusals(const TestDevices& devices, bool created) {
  TestDevices probe(devices);
  const bool data = probe.isDataHandled();
  const bool ui = probe.isUIHandled();
  if (created) {
    EXPECT_PROBE_ERROR(probe.handleData(!data), kDataRefused);
    EXPECT_PROBE_ERROR(probe.handleUI(!ui), kUIRefused);
    EXPECT_EQ(data, probe.isDataHandled());
    EXPECT_EQ(ui, probe.isUIHandled());
  } else {
    EXPECT_NO_THROW(probe.handleData(!data));
    EXPECT_NO_THROW(probe.handleUI(!ui));
    EXPECT_EQ(!data, probe.isDataHandled());
    EXPECT_EQ(!ui, probe.isUIHandled());
  }
}

struct Step {
  const char* what;
  std::function<void(TestDevices&)> apply;
  const char* refusal;  // the Error message the step throws, or null
  Expected after;
};

struct Scenario {
  const char* name;
  std::vector<Step> steps;
};

Step handleData(bool handle, Expected after, const char* refusal = nullptr) {
  return Step{handle ? "handleData(true)" : "handleData(false)",
              [handle](TestDevices& d) { d.handleData(handle); }, refusal, after};
}
Step handleUI(bool handle, Expected after, const char* refusal = nullptr) {
  return Step{handle ? "handleUI(true)" : "handleUI(false)",
              [handle](TestDevices& d) { d.handleUI(handle); }, refusal, after};
}
Step create(Expected after) {
  return Step{"createUIHandler", [](TestDevices& d) { d.createUIHandler(); }, nullptr, after};
}
Step clear(Expected after) {
  return Step{"clearHdw", [](TestDevices& d) { d.clearHdw(); }, nullptr, after};
}

std::vector<Scenario> scenarios() {
  return {
      {"each choice changes only its own bit",
       {handleData(true, {true, false, false}), handleUI(true, {true, true, false}),
        handleData(false, {false, true, false}), handleUI(false, {false, false, false}),
        handleUI(true, {false, true, false}), handleData(true, {true, true, false})}},
      {"created hardware refuses both choices and keeps the bits",
       {handleData(true, {true, false, false}), create({true, false, true}),
        handleData(true, {true, false, true}, kDataRefused),
        handleUI(false, {true, false, true}, kUIRefused),
        handleData(false, {true, false, true}, kDataRefused),
        handleUI(true, {true, false, true}, kUIRefused)}},
      {"clearing the hardware lifts the refusals and keeps the bits",
       {handleUI(true, {false, true, false}), create({false, true, true}),
        clear({false, true, false}), handleData(true, {true, true, false}),
        handleUI(false, {true, false, false})}},
      {"repeated transitions change nothing",
       {clear({false, false, false}), handleData(true, {true, false, false}),
        create({true, false, true}), create({true, false, true}),
        handleUI(true, {true, false, true}, kUIRefused), clear({true, false, false}),
        clear({true, false, false}), handleUI(true, {true, true, false})}},
  };
}

TEST(ProbeDevicesTest, NewHandlerHasNoChoicesAndNoDevice) {
  TestDevices devices;
  expectState(devices, {false, false, false});
  expectRefusals(devices, false);
  EXPECT_TRUE(devices.calls.empty());
}

TEST(ProbeDevicesTest, StateTable) {
  for (const Scenario& scenario : scenarios()) {
    SCOPED_TRACE(scenario.name);
    TestDevices devices;
    for (const Step& step : scenario.steps) {
      SCOPED_TRACE(step.what);
      if (step.refusal != nullptr) {
        EXPECT_PROBE_ERROR(step.apply(devices), step.refusal);
      } else {
        EXPECT_NO_THROW(step.apply(devices));
      }
      expectState(devices, step.after);
      expectRefusals(devices, step.after.created);
    }
  }
}

TEST(ProbeDevicesTest, RefusalIsAnErrorFromThisFileLoggedAtError) {
  LogCapture log;
  TestDevices devices;
  devices.createUIHandler();
  try {
    devices.handleUI(true);
    FAIL() << "handleUI did not throw";
  } catch (const Error& error) {
    EXPECT_EQ("ProbeDevices.cpp", error.getFile());
    EXPECT_GT(error.getLine(), 0);
    EXPECT_EQ(log4cplus::ERROR_LOG_LEVEL, error.getLevel());
  }
  EXPECT_EQ(std::vector<std::string>{kUIRefused}, log.messages(log4cplus::ERROR_LOG_LEVEL));
}

// The framework calls through DeviceHandler's table: each slot must reach the operation of that
// name, ProbeDevices' own or the host's.
TEST(ProbeDevicesTest, CallsThroughTheBaseReachEachSlot) {
  TestDevices devices;
  DeviceHandler& base = devices;
  base.findDevice();
  base.initDevice();
  base.resetDevice();
  base.testDevice();
  EXPECT_FALSE(base.isInitialized());
  EXPECT_FALSE(base.isDeviceAvailable());
  EXPECT_TRUE(devices.calls.empty());

  base.createUIHandler();
  expectRefusals(devices, true);
  base.createDataHandler();
  base.deleteDataHandler();
  base.clearHdw();
  expectRefusals(devices, false);
  base.startDevice();
  base.stopDevice();
  base.suspendDevice();
  base.resumeDevice();
  EXPECT_EQ((std::vector<std::string>{"createDataHandler", "deleteDataHandler", "startDevice",
                                      "stopDevice", "suspendDevice", "resumeDevice"}),
            devices.calls);
}

// Copies must carry the hardware state along with the choices, or a copy of a running handler
// would accept changes its source refuses.
enum class CopyKind { Construct, Assign };

class ProbeDevicesCopyTest : public ::testing::TestWithParam<CopyKind> {
 protected:
  // Copies source into a fresh handler, or assigns it over a handler whose every field differs.
  void copyInto(const TestDevices& source, const std::function<void(TestDevices&)>& check) {
    if (GetParam() == CopyKind::Construct) {
      TestDevices copy(source);
      check(copy);
      return;
    }
    TestDevices target;
    target.handleData(!source.isDataHandled());
    target.handleUI(!source.isUIHandled());
    if (!source.isDataHandled() && !source.isUIHandled()) target.createUIHandler();
    TestDevices& result = (target = source);
    EXPECT_EQ(&target, &result);
    check(target);
  }
};

TEST_P(ProbeDevicesCopyTest, CopyTakesChoicesAndHardwareState) {
  struct Case {
    Expected source;
  };
  const Case cases[] = {
      {{false, false, false}}, {{true, false, false}}, {{false, true, false}},
      {{true, true, false}},   {{false, false, true}}, {{true, false, true}},
      {{false, true, true}},   {{true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "data " << c.source.data << " ui " << c.source.ui
                                      << " created " << c.source.created);
    TestDevices source;
    source.handleData(c.source.data);
    source.handleUI(c.source.ui);
    if (c.source.created) source.createUIHandler();
    copyInto(source, [&](TestDevices& copy) {
      expectState(copy, c.source);
      expectRefusals(copy, c.source.created);
    });
  }
}

TEST_P(ProbeDevicesCopyTest, CopyAndSourceChangeIndependently) {
  TestDevices source;
  source.handleData(true);
  source.createUIHandler();
  copyInto(source, [&](TestDevices& copy) {
    copy.clearHdw();
    copy.handleData(false);
    copy.handleUI(true);
    expectState(source, {true, false, true});
    expectRefusals(source, true);
    expectState(copy, {false, true, false});
  });
}

TEST_P(ProbeDevicesCopyTest, CopiesBalanceTheFrameworksHandlerCount) {
  const int before = DeviceHandler::getInstanceCount();
  {
    TestDevices source;
    copyInto(source, [&](TestDevices&) {
      EXPECT_EQ(before + 2, DeviceHandler::getInstanceCount());
    });
  }
  EXPECT_EQ(before, DeviceHandler::getInstanceCount());
}

INSTANTIATE_TEST_SUITE_P(BothWays, ProbeDevicesCopyTest,
                         ::testing::Values(CopyKind::Construct, CopyKind::Assign),
                         [](const ::testing::TestParamInfo<CopyKind>& param) {
                           return param.param == CopyKind::Construct ? "Construct" : "Assign";
                         });

TEST(ProbeDevicesTest, SelfAssignmentKeepsTheState) {
  TestDevices devices;
  devices.handleUI(true);
  devices.createUIHandler();
  TestDevices& alias = devices;
  devices = alias;
  expectState(devices, {false, true, true});
  expectRefusals(devices, true);
}

// The choices are bits of one unsigned int just after the table pointer, data the lowest and
// user interface the next, and no other bit of that word is ever set, whatever the memory held
// before: handlers are built over storage filled with ones to show it.
TEST(ProbeDevicesTest, ChoicesShareOneWordWithTheOtherBitsClear) {
  struct Case {
    bool data;
    bool ui;
    unsigned int word;
  };
  const Case cases[] = {{false, false, 0x0u}, {true, false, 0x1u}, {false, true, 0x2u},
                        {true, true, 0x3u}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "data " << c.data << " ui " << c.ui);
    alignas(TestDevices) unsigned char storage[sizeof(TestDevices)];
    std::memset(storage, 0xFF, sizeof storage);
    TestDevices* devices = new (storage) TestDevices;
    devices->handleData(c.data);
    devices->handleUI(c.ui);

    alignas(TestDevices) unsigned char copyStorage[sizeof(TestDevices)];
    std::memset(copyStorage, 0xFF, sizeof copyStorage);
    TestDevices* copy = new (copyStorage) TestDevices(*devices);

    unsigned int word = 0xDEADBEEFu;
    std::memcpy(&word, storage + sizeof(void*), sizeof word);
    EXPECT_EQ(c.word, word);
    std::memcpy(&word, copyStorage + sizeof(void*), sizeof word);
    EXPECT_EQ(c.word, word);
    copy->~TestDevices();
    devices->~TestDevices();
  }
}

}  // namespace
