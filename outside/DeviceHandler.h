// The host system's device handler base. The order of the virtual operations is the order in
// which the host's framework calls through the table; derived handlers keep it.
#ifndef PROBE_OUTSIDE_DEVICEHANDLER_H
#define PROBE_OUTSIDE_DEVICEHANDLER_H

#include "OutsideExport.h"

class PROBEOUTSIDE_API DeviceHandler {
 public:
  DeviceHandler();
  DeviceHandler(const DeviceHandler& other);
  DeviceHandler& operator=(const DeviceHandler& other);
  // Not virtual: the framework never deletes a handler through this base.
  ~DeviceHandler();

  virtual void findDevice() = 0;
  virtual void initDevice() = 0;
  virtual void resetDevice() = 0;
  virtual void testDevice() = 0;
  virtual bool isInitialized() const = 0;
  virtual bool isDeviceAvailable() const = 0;
  virtual void createUIHandler() = 0;
  virtual void createDataHandler() = 0;
  virtual void deleteDataHandler() = 0;
  virtual void clearHdw() = 0;
  virtual void startDevice() = 0;
  virtual void stopDevice() = 0;
  virtual void suspendDevice() = 0;
  virtual void resumeDevice() = 0;
};

#endif
