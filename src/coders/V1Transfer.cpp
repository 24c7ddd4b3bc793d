// Reading and saving the image through the data handler. One read and one save may be pending;
// pendingReads_, currentAction_ and nextAction_ describe the read side, pendingWrites_ the save.
// Each request records its state before it calls the data handler, because the completion may
// arrive inside that call; each completion settles the state before it reports, because the
// callback may start the next request at once.
#include <log4cplus/loggingmacros.h>
#include <boost/config.hpp>

#include <string>

#include "ByteCursor.h"
#include "Error.h"
#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"
#include "ThrowError.h"
#include "V1Layout.h"

namespace {

// How readAll and readChecksum report, and what they log when their request fails.
struct ReadKind {
  const char* name;        // "ProbeDataV1Coder::readAll"
  const char* failureLog;  // ERROR line of a failed request, or null for none
  void (ProbeDataCoderCB::*result)(bool ok);
  const char* noCallbackText;  // WARN line when a report is due and no callback is set
};

const ReadKind kReadAll{"ProbeDataV1Coder::readAll", "ProbeDataV1Coder::readAll()",
                        &ProbeDataCoderCB::onAllRed, "ProbeDataV1Coder::readAll() no CB defined"};
const ReadKind kReadChecksum{"ProbeDataV1Coder::readChecksum", nullptr,
                             &ProbeDataCoderCB::onChecksumRed,
                             "ProbeDataV1Coder::readChecksum no CB defined"};

// A chained read that a save started in the meantime would refuse. Kept out of line: it is the
// rare path, and its log statement would otherwise weigh on every completion.
BOOST_NOINLINE void logChainedReadRefused(unsigned int pendingWrites) {
  LOG4CPLUS_ERROR(g_probeLogger,
                  "ProbeDataV1Coder::onDataRed() read refused, write is ongoing " << pendingWrites);
}

const ReadKind& readKind(ProbeDataCoder::ReadAction action) {
  return action == ProbeDataCoder::ReadAllAction ? kReadAll : kReadChecksum;
}

}  // namespace

void ProbeDataV1Coder::readVersion() {
  LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder::readVersion");
  refuse("ProbeDataV1Coder::readVersion", " write is ongoing ", pendingReads_);
  // nextAction_ stays: a readAll or readChecksum that chains behind this read has just set it.
  pendingReads_ = 1;
  currentAction_ = ReadVersionAction;
  try {
    dataHandler_->readData(0, getLength(VersionItem));
  } catch (...) {
    // The request never went out: the coder is idle again, so later reads are not refused.
    if (pendingReads_ == 1 && currentAction_ == ReadVersionAction) settleRead();
    throw;
  }
}

void ProbeDataV1Coder::readAll() { startRead(ReadAllAction); }
void ProbeDataV1Coder::readChecksum() { startRead(ReadChecksumAction); }

// Without a known version the layout is unknown: read the version block first and chain the
// real read on its completion. A failed request is reported, never thrown.
void ProbeDataV1Coder::startRead(ReadAction action) {
  const ReadKind& kind = readKind(action);
  LOG4CPLUS_TRACE(g_probeLogger, kind.name);
  refuse(kind.name, " write is ongoing ", pendingReads_);
  try {
    if (inputVersion_ == NoVersionDefined) {
      nextAction_ = action;
      return ProbeDataV1Coder::readVersion();
    }
    // No read is chained here: a chained read is cleared before it starts, and a request is
    // refused while a read is pending.
    currentAction_ = action;
    pendingReads_ = 1;
    const StreamItems range = action == ReadAllAction ? AllItems : DataCheckItem;
    dataHandler_->readData(getOffset(range), getLength(range));
  } catch (...) {
    if (kind.failureLog != nullptr) LOG4CPLUS_ERROR(g_probeLogger, kind.failureLog);
    settleRead();
    error_ = TransferError;
    report(kind.result, false, true, kind.noCallbackText);
  }
}

// A pending read does not stop a save. The image is sized for the current input version and
// coded in the output version.
void ProbeDataV1Coder::save(const ProbeData& data) {
  LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder::save(All)");
  refuse("ProbeDataV1Coder::save(All)", " write is already ongoing ", 0);
  try {
    const unsigned int length = getLength(AllItems);
    boost::shared_array<unsigned char> image(new unsigned char[length]());
    setToRaw(data, AllItems, image.get(), length);
    ++pendingWrites_;
    try {
      dataHandler_->saveData(0, length, image);
    } catch (...) {
      // The write is withdrawn so that later saves are accepted; an Error is reported below,
      // anything else passes on to the caller.
      if (pendingWrites_ > 0) --pendingWrites_;
      throw;
    }
  } catch (const Error&) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::save(All) Could not code stream");
    error_ = CodeError;
    report(&ProbeDataCoderCB::onSaved, false, false, "ProbeDataV1Coder::save(All) no CB defined");
  }
}

// A range of whole items, starting at an item, is decoded into a copy of the held record that
// replaces it only when every item has decoded. A version block on the way sets the input
// version, and so the lengths of the items after it, even if a later item fails. A range that
// does not decode is logged with failure and kept as DecodeError.
bool ProbeDataV1Coder::decodeRange(unsigned long offset, unsigned long length, unsigned char* data,
                                   const char* failure) try {
  ProbeData copy(probeData_);
  int first = VersionItem;
  while (first <= DataCheckItem && offset > getOffset(static_cast<StreamItems>(first))) ++first;
  if (offset != getOffset(static_cast<StreamItems>(first))) {
    PROBE_THROW("ProbeDataV1Coder::onDataRed(...) Incorrect data offset " + std::to_string(offset));
  }
  unsigned long consumed = 0;
  v1::walkItems(
      ByteWindow{data, data == nullptr ? 0 : static_cast<std::size_t>(length)}, offset,
      static_cast<StreamItems>(first), DataCheckItem, [&] { return inputVersion_; },
      [&](StreamItems item, ByteWindow slot) {
        if (getLength(item) > length - consumed) return false;
        // The empty items of the cut image have nothing to decode.
        if (getLength(item) != 0) setFromRaw(copy, item, slot.data, slot.size);
        consumed += getLength(item);
        return true;
      });
  if (consumed != length) {
    PROBE_THROW("ProbeDataV1Coder::onDataRed(...) Incorrect data offset/length " +
                std::to_string(offset) + " / " + std::to_string(length));
  }
  probeData_ = copy;
  return true;
} catch (const Error&) {
  LOG4CPLUS_ERROR(g_probeLogger, failure);
  error_ = DecodeError;
  return false;
}

void ProbeDataV1Coder::onDataRed(bool ok, unsigned long offset, unsigned long length,
                                 unsigned char* data) {
  const ReadAction action = currentAction_;

  // Decode failures are reported below. Any other exception (memory exhausted) passes on to the
  // data handler, but the read is over all the same: the coder is left idle, as after a failed
  // completion, so that the next request is accepted.
  try {
    LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder received onDataRed()");
    if (!ok) {
      error_ = TransferError;
    } else if (action == ReadVersionAction) {
      try {
        setVersionFromRaw(data, data == nullptr ? 0 : static_cast<std::size_t>(length));
        outputVersion_ = inputVersion_;
      } catch (const Error&) {
        LOG4CPLUS_ERROR(g_probeLogger,
                        "ProbeDataV1Coder::onDataRed() Could not decode version stream");
        error_ = DecodeError;
        ok = false;
      }
    } else if (action == ReadAllAction || action == ReadChecksumAction) {
      ok = decodeRange(offset, length, data,
                       "ProbeDataV1Coder::onDataRed() Could not decode stream");
    } else {
      // Nothing is awaited, so settling below changes nothing either.
      PROBE_THROW("ProbeDataV1Coder::onDataRed() incorrect current action " +
                  std::to_string(static_cast<int>(action)));
    }
    // A version read that fails forgets the version.
    if (!ok && action == ReadVersionAction) inputVersion_ = outputVersion_ = NoVersionDefined;
  } catch (...) {
    settleRead();
    throw;
  }

  if (pendingReads_ > 0) --pendingReads_;
  currentAction_ = NoReadAction;
  // A version read with a read chained behind it does not end the caller's request, unless it
  // fails: then the chained read is dropped instead of started.
  const bool endsRequest = !ok || nextAction_ == NoReadAction;
  if (!ok) nextAction_ = NoReadAction;
  startNextAction();

  // A version read reports as a checksum read does.
  if (pendingReads_ == 0 && endsRequest) {
    report(readKind(action).result, ok, false, "ProbeDataV1Coder::onDataRed() no CB defined");
  }
}

// A chained read that a save started in the meantime would refuse is reported as failed: the
// caller hears of its readAll or readChecksum once, as it would for any other failed request.
void ProbeDataV1Coder::startNextAction() {
  const ReadAction next = nextAction_;
  if (next == NoReadAction) return;
  nextAction_ = NoReadAction;
  if (pendingWrites_ == 0) return startRead(next);
  error_ = TransferError;
  logChainedReadRefused(pendingWrites_);
  report(readKind(next).result, false, true, readKind(next).noCallbackText);
}

// After a save the held record and input version are what the written bytes decode to. The
// write is over before anything can throw: as in onDataRed, an exception other than a decode
// failure passes on with the coder ready for the next save.
void ProbeDataV1Coder::onDataSaved(bool ok, unsigned long offset, unsigned long length,
                                   unsigned char* data) {
  if (pendingWrites_ > 0) --pendingWrites_;
  LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder received onDataSaved()");
  if (ok) {
    inputVersion_ = outputVersion_;
    ok = decodeRange(offset, length, data,
                     "ProbeDataV1Coder::onDataSaved() Could not decode stream");
  } else {
    error_ = TransferError;
  }
  if (pendingWrites_ == 0) {
    report(&ProbeDataCoderCB::onSaved, ok, false, "ProbeDataV1Coder::onDataSaved() no CB defined");
  }
}

void ProbeDataV1Coder::onError() { reportError("ProbeDataV1Coder::onError() no CB defined"); }

void ProbeDataV1Coder::settleRead() {
  pendingReads_ = 0;
  currentAction_ = NoReadAction;
  nextAction_ = NoReadAction;
}
