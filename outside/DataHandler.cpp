#include "DataHandler.h"

DataHandlerCB::DataHandlerCB() = default;
DataHandlerCB::~DataHandlerCB() = default;
DataHandler::~DataHandler() = default;
