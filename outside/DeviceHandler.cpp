#include "DeviceHandler.h"

#include <atomic>

namespace {
std::atomic<int> instances{0};
}

DeviceHandler::DeviceHandler() { ++instances; }
DeviceHandler::DeviceHandler(const DeviceHandler&) { ++instances; }
DeviceHandler& DeviceHandler::operator=(const DeviceHandler&) = default;
DeviceHandler::~DeviceHandler() { --instances; }
int DeviceHandler::getInstanceCount() { return instances.load(); }
