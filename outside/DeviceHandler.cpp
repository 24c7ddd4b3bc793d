#include "DeviceHandler.h"

// The host's framework keeps its own state in the handler; the stand-in keeps none.
DeviceHandler::DeviceHandler() = default;
DeviceHandler::DeviceHandler(const DeviceHandler&) = default;
DeviceHandler& DeviceHandler::operator=(const DeviceHandler&) = default;
DeviceHandler::~DeviceHandler() = default;
