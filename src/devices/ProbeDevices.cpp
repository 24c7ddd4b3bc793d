#include "ProbeDevices.h"

#include "ThrowError.h"

ProbeDevices::ProbeDevices()
    : DeviceHandler(), _bHandleData(0), _bHandleUI(0), _unusedBits(0), _bHdwCreated(false) {}

ProbeDevices::ProbeDevices(const ProbeDevices& other) = default;
ProbeDevices& ProbeDevices::operator=(const ProbeDevices& other) = default;
ProbeDevices::~ProbeDevices() = default;

void ProbeDevices::handleData(bool handle) {
  if (_bHdwCreated) PROBE_THROW("ProbeDevices::handleData Cannot handle data once hdw created");
  _bHandleData = handle ? 1u : 0u;
}

void ProbeDevices::handleUI(bool handle) {
  // The message names data for the user interface too; hosts match on it as it stands.
  if (_bHdwCreated) PROBE_THROW("ProbeDevices::handleUI Cannot handle data once hdw created");
  _bHandleUI = handle ? 1u : 0u;
}

bool ProbeDevices::isDataHandled() const { return _bHandleData != 0; }
bool ProbeDevices::isUIHandled() const { return _bHandleUI != 0; }

void ProbeDevices::findDevice() {}
void ProbeDevices::initDevice() {}
void ProbeDevices::resetDevice() {}
void ProbeDevices::testDevice() {}
bool ProbeDevices::isInitialized() const { return false; }
bool ProbeDevices::isDeviceAvailable() const { return false; }

void ProbeDevices::createUIHandler() { _bHdwCreated = true; }
void ProbeDevices::clearHdw() { _bHdwCreated = false; }
