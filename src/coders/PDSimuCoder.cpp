#include "PDSimuCoder.h"

#include <log4cplus/loggingmacros.h>

#include <algorithm>

#include "ProbeLogger.h"
#include "Utils.h"

namespace {

// The memory holds one text from offset 0; this length asks for all of it.
const unsigned long kWholeText = 0xFFFFFFFFul;

// The text of a completed transfer: its bytes up to the first NUL, and never more than length.
// The handler may answer a whole-text read with the requested length and a NUL after the text,
// so the scan must stop at the NUL rather than trust length.
std::string transferredText(unsigned long length, const unsigned char* data) {
  unsigned long size = 0;
  while (data != nullptr && size < length && data[size] != 0) ++size;
  return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace

const unsigned short PDSimuCoder::_nClassVersion;

PDSimuCoder::PDSimuCoder(boost::shared_ptr<DataHandler> dataHandler)
    : ProbeDataCoder(dataHandler) {}

PDSimuCoder::PDSimuCoder(const PDSimuCoder& other) = default;
PDSimuCoder& PDSimuCoder::operator=(const PDSimuCoder& other) = default;
PDSimuCoder::~PDSimuCoder() = default;

unsigned short PDSimuCoder::getClassVersion() { return _nClassVersion; }

void PDSimuCoder::setOutputVersion(unsigned short version) {
  acceptOutputVersion(version, _nClassVersion, "PDSimuCoder");
}

void PDSimuCoder::readVersion() { readAll(); }
void PDSimuCoder::readChecksum() { readAll(); }

void PDSimuCoder::readAll() {
  LOG4CPLUS_TRACE(g_probeLogger, "PDSimuCoder::readAll");
  refuse("PDSimuCoder::readAll", "", 0);
  dataHandler_->readData(0, kWholeText);
}

// The coder keeps no transfer state: a save may start while other transfers are pending, and
// its record changes only when the handler confirms the save.
void PDSimuCoder::save(const ProbeData& data) {
  LOG4CPLUS_TRACE(g_probeLogger, "PDSimuCoder::save(All)");
  refuse("PDSimuCoder::save(All)", "", 0);
  std::string text;
  // A record that cannot be written leaves the text empty, and an empty save still goes out.
  codeStream(data, text);
  boost::shared_array<unsigned char> buffer(new unsigned char[text.size()]);
  std::copy(text.begin(), text.end(), buffer.get());
  // The handler's share alone keeps the buffer alive once this returns.
  dataHandler_->saveData(0, static_cast<unsigned long>(text.size()), buffer);
}

void PDSimuCoder::onDataRed(bool ok, unsigned long, unsigned long length, unsigned char* data) {
  LOG4CPLUS_TRACE(g_probeLogger, "PDSimuCoder received onDataRed()");
  completeTransfer(ok, length, data, DecodeError, &ProbeDataCoderCB::onAllRed);
}

void PDSimuCoder::onDataSaved(bool ok, unsigned long, unsigned long length, unsigned char* data) {
  LOG4CPLUS_TRACE(g_probeLogger, "PDSimuCoder received onDataSaved()");
  completeTransfer(ok, length, data, CodeError, &ProbeDataCoderCB::onSaved);
}

// The error changes before the callback runs, so the callback reads the outcome with getError.
void PDSimuCoder::completeTransfer(bool ok, unsigned long length, const unsigned char* data,
                                   PDCError decodeFailure, Result result) {
  const bool decoded = ok && decodeStream(transferredText(length, data));
  if (!decoded) error_ = ok ? decodeFailure : TransferError;
  report(result, decoded, false, nullptr);
}

void PDSimuCoder::onError() { reportError("PDSimuCoder::onError() no CB defined"); }

// The record checksum: the CRC-16 of the record's XML text, 0 for a record that cannot be
// written, logged as this coder's.
unsigned int PDSimuCoder::computeDataCheksum(const ProbeData& data) const {
  return data.computeChecksum();
}

bool PDSimuCoder::codeStream(const ProbeData& data, std::string& text) const {
  return saveToString(text, data);
}

bool PDSimuCoder::decodeStream(const std::string& text) { return loadFromString(text, probeData_); }
