// The probe's device handler in the host's hardware interface framework. It records whether the
// host wants the probe's data and user interface handled, and refuses to change either choice
// once the hardware has been created. The host derives from it and supplies the six operations
// that stay pure.
#ifndef PROBE_DEVICES_H
#define PROBE_DEVICES_H

#include "DeviceHandler.h"
#include "ProbeExport.h"

class PROBEDATA_API ProbeDevices : public DeviceHandler {
 public:
  // Neither choice made, hardware not created.
  ProbeDevices();
  // Copies take over the source's choices and its hardware state.
  ProbeDevices(const ProbeDevices& other);
  ProbeDevices& operator=(const ProbeDevices& other);
  // Not virtual, as the base's: the framework never deletes a handler through a base pointer.
  ~ProbeDevices();

  // Throw Error once the hardware has been created; each changes only its own choice.
  void handleData(bool handle);
  void handleUI(bool handle);
  bool isDataHandled() const;
  bool isUIHandled() const;

  // The device itself is the host's: these do nothing and report no device.
  void findDevice() override;
  void initDevice() override;
  void resetDevice() override;
  void testDevice() override;
  bool isInitialized() const override;
  bool isDeviceAvailable() const override;

  // Marks the hardware as created; creates nothing itself.
  void createUIHandler() override;
  // Marks the hardware as gone; the choices stay as they were.
  void clearHdw() override;

 private:
  // The two choices share one word; the rest of it is held at 0 so that the word copies and
  // compares as a whole.
  unsigned int _bHandleData : 1;
  unsigned int _bHandleUI : 1;
  unsigned int _unusedBits : 30;
  bool _bHdwCreated;
};

#endif
