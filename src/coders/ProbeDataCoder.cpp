#include "ProbeDataCoder.h"

#include <log4cplus/loggingmacros.h>

#include <string>

#include "ProbeLogger.h"
#include "ThrowError.h"

ProbeDataCoderCB::ProbeDataCoderCB() = default;
ProbeDataCoderCB::ProbeDataCoderCB(const ProbeDataCoderCB&) = default;
ProbeDataCoderCB& ProbeDataCoderCB::operator=(const ProbeDataCoderCB&) = default;
ProbeDataCoderCB::~ProbeDataCoderCB() = default;
void ProbeDataCoderCB::onChecksumRed(bool) {}
void ProbeDataCoderCB::onAllRed(bool) {}
void ProbeDataCoderCB::onSaved(bool) {}
void ProbeDataCoderCB::onError() {}

const unsigned int ProbeDataCoder::NoVersionDefined;

ProbeDataCoder::ProbeDataCoder(boost::shared_ptr<DataHandler> dataHandler)
    : inputVersion_(NoVersionDefined),
      outputVersion_(NoVersionDefined),
      error_(NoError),
      dataHandler_(dataHandler),
      pendingWrites_(0),
      pendingReads_(0),
      nextAction_(NoReadAction),
      currentAction_(NoReadAction) {}

ProbeDataCoder::ProbeDataCoder(const ProbeDataCoder& other) = default;
ProbeDataCoder& ProbeDataCoder::operator=(const ProbeDataCoder& other) = default;
ProbeDataCoder::~ProbeDataCoder() = default;

void ProbeDataCoder::setOutputVersion(unsigned short version) { outputVersion_ = version; }

void ProbeDataCoder::acceptOutputVersion(unsigned short version, unsigned short highest,
                                         const char* who) {
  if (version > highest) {
    PROBE_THROW(std::string(who) +
                "::setOutputVersion() unhandled version : " + std::to_string(version));
  }
  outputVersion_ = version;
}

// The message is built only when a request is refused.
void ProbeDataCoder::refuse(const char* operation, const char* writeOngoing,
                            unsigned int reads) const {
  if (!dataHandler_) PROBE_THROW(std::string(operation) + " no DH pointer defined!");
  if (pendingWrites_ != 0) {
    PROBE_THROW(std::string(operation) + writeOngoing + std::to_string(pendingWrites_));
  }
  if (reads != 0) PROBE_THROW(std::string(operation) + " read is ongoing " + std::to_string(reads));
}

void ProbeDataCoder::report(Result result, bool ok, bool errorFirst, const char* noCallback) const {
  const boost::shared_ptr<ProbeDataCoderCB> callback = callback_;
  if (!callback) {
    if (noCallback != nullptr) LOG4CPLUS_WARN(g_probeLogger, noCallback);
    return;
  }
  if (errorFirst) callback->onError();
  if (result != nullptr) ((*callback).*result)(ok);
}

// Leaves the transfer state alone: a pending request still ends with its own completion.
void ProbeDataCoder::reportError(const char* noCallback) {
  if (dataHandler_ && dataHandler_->getError() == DataHandler::DHTransferError) {
    error_ = TransferError;
  }
  report(nullptr, false, true, noCallback);
}

void ProbeDataCoder::setCB(boost::shared_ptr<ProbeDataCoderCB> callback) { callback_ = callback; }
void ProbeDataCoder::clearCB() { callback_.reset(); }

unsigned int ProbeDataCoder::getInputVersion() const { return inputVersion_; }
unsigned int ProbeDataCoder::getOutputVersion() const { return outputVersion_; }
ProbeDataCoder::PDCError ProbeDataCoder::getError() const { return error_; }
const ProbeData& ProbeDataCoder::getProbeData() const { return probeData_; }
