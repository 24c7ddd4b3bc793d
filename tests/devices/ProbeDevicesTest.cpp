// The probe's device handler: its two choices, fixed once the hardware is created.
#include <gtest/gtest.h>

#include <sstream>

#include "ProbeDevices.h"
#include "Support.h"

namespace {

// A host's handler supplies the six operations that stay pure.
class HostDevices final : public ProbeDevices {
 public:
  void createDataHandler() override {}
  void deleteDataHandler() override {}
  void startDevice() override {}
  void stopDevice() override {}
  void suspendDevice() override {}
  void resumeDevice() override {}
};

// Steps D1 D0 U1 U0 (handleData, handleUI), create, clear and copy (the handler becomes a copy
// of itself); the result lists the choices after each step, and the refusals.
std::string run(const std::string& steps) {
  HostDevices devices;
  std::string result;
  std::istringstream in(steps);
  std::string step;
  while (in >> step) {
    try {
      if (step == "create") devices.createUIHandler();
      if (step == "clear") devices.clearHdw();
      if (step == "copy") devices = HostDevices(devices);
      if (step[0] == 'D') devices.handleData(step[1] == '1');
      if (step[0] == 'U') devices.handleUI(step[1] == '1');
    } catch (const Error& error) {
      result += "(" + error.getMessage() + ") ";
    }
    result +=
        std::string(devices.isDataHandled() ? "d" : "-") + (devices.isUIHandled() ? "u " : "- ");
  }
  EXPECT_FALSE(devices.isInitialized() || devices.isDeviceAvailable());
  return result;
}

TEST(ProbeDevicesTest, ChoicesAreFixedOnceTheHardwareIsCreated) {
  const std::string refusedData = "(ProbeDevices::handleData Cannot handle data once hdw created) ";
  const std::string refusedUI = "(ProbeDevices::handleUI Cannot handle data once hdw created) ";
  EXPECT_EQ("d- du -u -u ", run("D1 U1 D0 copy"));
  EXPECT_EQ("d- d- " + refusedUI + "d- " + refusedData + "d- d- -- ",
            run("D1 create U1 D0 clear D0"));
  EXPECT_EQ("-u -u -u " + refusedData + "-u ", run("U1 create copy D1"));
  EXPECT_EQ("-- -- -- d- du ", run("create create clear D1 U1"));
}

}  // namespace
