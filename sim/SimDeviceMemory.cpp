#include "SimDeviceMemory.h"
