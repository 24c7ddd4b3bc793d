#include "ProbeDataCoder.h"

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

void ProbeDataCoder::setCB(boost::shared_ptr<ProbeDataCoderCB> callback) { callback_ = callback; }
void ProbeDataCoder::clearCB() { callback_.reset(); }

unsigned int ProbeDataCoder::getInputVersion() const { return inputVersion_; }
unsigned int ProbeDataCoder::getOutputVersion() const { return outputVersion_; }
ProbeDataCoder::PDCError ProbeDataCoder::getError() const { return error_; }
const ProbeData& ProbeDataCoder::getProbeData() const { return probeData_; }
