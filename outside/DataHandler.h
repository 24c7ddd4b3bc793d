// The host system's asynchronous access to a device's memory. A request returns at once; its
// completion arrives later (possibly before the request returns) through the DataHandlerCB that
// the owner bound to the handler.
#ifndef PROBE_OUTSIDE_DATAHANDLER_H
#define PROBE_OUTSIDE_DATAHANDLER_H

#include <boost/shared_array.hpp>

#include "OutsideExport.h"

class PROBEOUTSIDE_API DataHandlerCB {
 public:
  DataHandlerCB();
  virtual ~DataHandlerCB();

  // A read request has completed; data points to length bytes, valid during the call.
  virtual void onDataRed(bool ok, unsigned long offset, unsigned long length,
                         unsigned char* data) = 0;
  // A save request has completed; data points to the bytes written.
  virtual void onDataSaved(bool ok, unsigned long offset, unsigned long length,
                           unsigned char* data) = 0;
  // The handler has met an error; DataHandler::getError tells which.
  virtual void onError() = 0;
};

class PROBEOUTSIDE_API DataHandler {
 public:
  enum DHError {
    NoDHError = 0,
    DHTransferError = 1,  // the one value coders tell apart
    DHDeviceError = 2,
  };

  virtual ~DataHandler();

  virtual void readData(unsigned long offset, unsigned long length) = 0;
  // The handler keeps its share of data as long as it needs the bytes.
  virtual void saveData(unsigned long offset, unsigned long length,
                        boost::shared_array<unsigned char> data) = 0;
  virtual DHError getError() const = 0;
};

#endif
