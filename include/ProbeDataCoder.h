// The frame shared by every coder that moves a ProbeData between the caller and a device's
// memory, and the callback interface through which coders report their results.
#ifndef PROBE_DATA_CODER_H
#define PROBE_DATA_CODER_H

#include <boost/shared_ptr.hpp>

#include "DataHandler.h"
#include "ProbeData.h"
#include "ProbeExport.h"

// Results of a coder's transfers. The caller derives from it and overrides what it needs; every
// operation does nothing by default.
class PROBEDATA_API ProbeDataCoderCB {
 public:
  ProbeDataCoderCB();
  ProbeDataCoderCB(const ProbeDataCoderCB& other);
  ProbeDataCoderCB& operator=(const ProbeDataCoderCB& other);
  // Not virtual: coders hold callbacks through boost::shared_ptr, which deletes the object as
  // the type it was created with.
  ~ProbeDataCoderCB();

  // A checksum read has ended, or a version read that started no other read.
  virtual void onChecksumRed(bool ok);
  // A read of the whole record has ended.
  virtual void onAllRed(bool ok);
  // A save has ended.
  virtual void onSaved(bool ok);
  // A failure is being reported; a result call with ok false may follow.
  virtual void onError();
};

// A coder is itself the DataHandlerCB to which its data handler reports completions; the owner
// binds the two. A request starts a transfer and returns; the outcome reaches the callback once
// the completion has come in. The coder must outlive its pending transfers.
//
// Threads. A completion may arrive on whatever thread the data handler uses, and inside the
// request that caused it (the callback then runs inside the request too). The coder takes no
// lock: calls into one coder, its requests, the completions delivered to it and the callbacks it
// makes, must not overlap. Different coders may be used on different threads at once.
class PROBEDATA_API ProbeDataCoder : public DataHandlerCB {
 public:
  // Kind of the most recent failure; never reset by a later success.
  enum PDCError {
    NoError = 0,
    DecodeError = 2,    // data from the device cannot be decoded
    CodeError = 3,      // a save cannot be prepared
    TransferError = 4,  // the data handler reports a failed transfer
  };

  // Reads that a coder awaits or has yet to start.
  enum ReadAction {
    NoReadAction = 0,
    ReadVersionAction = 1,
    ReadAllAction = 2,
    ReadChecksumAction = 3,
  };

  // An empty data handler is accepted; requests then fail.
  explicit ProbeDataCoder(boost::shared_ptr<DataHandler> dataHandler);
  // Copies share the data handler and callback and hold their own record.
  ProbeDataCoder(const ProbeDataCoder& other);
  ProbeDataCoder& operator=(const ProbeDataCoder& other);
  ~ProbeDataCoder() override;

  void onDataRed(bool ok, unsigned long offset, unsigned long length,
                 unsigned char* data) override = 0;
  void onDataSaved(bool ok, unsigned long offset, unsigned long length,
                   unsigned char* data) override = 0;
  void onError() override = 0;

  virtual void setOutputVersion(unsigned short version);
  virtual unsigned int computeDataCheksum(const ProbeData& data) const = 0;
  virtual void readVersion() = 0;
  virtual void readAll() = 0;
  virtual void readChecksum() = 0;
  virtual void save(const ProbeData& data) = 0;

  // The callback is read when a report is made, so the one set then receives it.
  void setCB(boost::shared_ptr<ProbeDataCoderCB> callback);
  void clearCB();

  unsigned int getInputVersion() const;
  unsigned int getOutputVersion() const;
  PDCError getError() const;
  // The record last read from or saved to the device.
  const ProbeData& getProbeData() const;

 protected:
  static const unsigned int NoVersionDefined = 0xFFFFFFFFu;

  // A result call of the callback.
  typedef void (ProbeDataCoderCB::*Result)(bool ok);

  // The rules every coder keeps, said once. A request is refused with Error, nothing changed,
  // without a data handler ("OPERATION no DH pointer defined!"), while a write is pending
  // (OPERATION, writeOngoing, the count) or while reads are.
  void refuse(const char* operation, const char* writeOngoing, unsigned int reads) const;
  // Refuses a version above highest with "WHO::setOutputVersion() unhandled version : N".
  void acceptOutputVersion(unsigned short version, unsigned short highest, const char* who);
  // Calls onError() first when errorFirst, then result unless it is null, on a share of the
  // callback held for the call, so that the callback may clear or replace itself. Without a
  // callback, logs noCallback at WARN, when given.
  void report(Result result, bool ok, bool errorFirst, const char* noCallback) const;
  // onError: the data handler's transfer error becomes TransferError; the callback hears it.
  void reportError(const char* noCallback);

  unsigned int inputVersion_;
  unsigned int outputVersion_;
  ProbeData probeData_;
  PDCError error_;
  boost::shared_ptr<ProbeDataCoderCB> callback_;
  boost::shared_ptr<DataHandler> dataHandler_;
  // Transfer state; only the version-1 coder drives it.
  unsigned int pendingWrites_;
  unsigned int pendingReads_;
  ReadAction nextAction_;
  ReadAction currentAction_;
};

#endif
