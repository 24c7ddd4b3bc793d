#include <gtest/gtest.h>

#include <log4cplus/loglevel.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "ErrorMatchers.h"
#include "GoldenV1.h"
#include "RecordingCallback.h"
#include "RigidBodies.h"
#include "V1CoderAccess.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Calls = std::vector<std::string>;

// Records requests; the test completes them by hand.
class ScriptedHandler : public DataHandler {
 public:
  struct Request {
    bool save;
    unsigned long offset;
    unsigned long length;
    Bytes bytes;
  };

  void readData(unsigned long offset, unsigned long length) override {
    requests.push_back(Request{false, offset, length, {}});
    if (throwNext) {
      throwNext = false;
      throw std::runtime_error("scripted request failure");
    }
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    requests.push_back(Request{true, offset, length, Bytes(data.get(), data.get() + length)});
    if (throwNext) {
      throwNext = false;
      throw std::runtime_error("scripted request failure");
    }
  }
  DHError getError() const override { return error; }

  std::vector<Request> requests;
  bool throwNext = false;
  DHError error = NoDHError;
};

class V1TransferTest : public ::testing::Test {
 protected:
  V1TransferTest() { coder.setCB(callback); }

  // Completes the last read with bytes from the image at the range it asked for.
  void completeRead(const Bytes& from, bool ok = true) {
    const ScriptedHandler::Request request = handler->requests.back();
    Bytes bytes(from.begin() + static_cast<std::ptrdiff_t>(request.offset),
                from.begin() + static_cast<std::ptrdiff_t>(request.offset + request.length));
    coder.onDataRed(ok, request.offset, request.length, bytes.data());
  }
  void completeSave(bool ok = true) {
    ScriptedHandler::Request request = handler->requests.back();
    coder.onDataSaved(ok, request.offset, request.length, request.bytes.data());
  }
  std::vector<std::pair<unsigned long, unsigned long>> ranges() const {
    std::vector<std::pair<unsigned long, unsigned long>> result;
    for (const auto& request : handler->requests) result.emplace_back(request.offset, request.length);
    return result;
  }

  const Bytes image = bytesOf(golden::kEmptyBodyImage.bytes);
  const ProbeData imageRecord = makeRecord(makeBody("P1", {}), 0, 0, 1, 2, 0x1234);
  LogCapture log;
  boost::shared_ptr<ScriptedHandler> handler{new ScriptedHandler};
  boost::shared_ptr<RecordingCallback> callback{new RecordingCallback};
  V1CoderAccess coder{handler};
};

using Ranges = std::vector<std::pair<unsigned long, unsigned long>>;

TEST_F(V1TransferTest, ReadAllChainsTheVersionReadAndReportsOnce) {
  coder.readAll();
  EXPECT_EQ((Ranges{{0, 8}}), ranges());
  completeRead(image);
  EXPECT_EQ((Ranges{{0, 8}, {0, 428}}), ranges());
  EXPECT_TRUE(callback->calls.empty());
  completeRead(image);
  EXPECT_EQ((Calls{"onAllRed(1)"}), callback->calls);
  EXPECT_TRUE(sameRecord(imageRecord, coder.getProbeData(), 1e-12));
  EXPECT_EQ(0x21u, coder.getInputVersion());
  EXPECT_TRUE(coder.idle());
  EXPECT_EQ((Calls{"ProbeDataV1Coder::readAll", "ProbeDataV1Coder::readVersion",
                   "ProbeDataV1Coder received onDataRed()", "ProbeDataV1Coder::readAll",
                   "ProbeDataV1Coder received onDataRed()"}),
            log.messages(log4cplus::TRACE_LOG_LEVEL));

  coder.readAll();  // the version is known now
  coder.onDataRed(false, 0, 0, nullptr);
  coder.readChecksum();
  EXPECT_EQ((std::pair<unsigned long, unsigned long>{406, 22}), ranges().back());
}

TEST_F(V1TransferTest, ChecksumReadOfDirectionAndThicknessOnly) {
  coder.setInputVersion(0x21);
  coder.readChecksum();
  Bytes range(image.begin() + 396, image.begin() + 406);
  coder.onDataRed(true, 396, 10, range.data());
  EXPECT_EQ((Calls{"onChecksumRed(1)"}), callback->calls);
  ProbeData expected;
  expected.setDefaultDir(0, 0, 1);
  expected.setMaskThickness(2);
  EXPECT_TRUE(sameRecord(expected, coder.getProbeData(), 1e-12));
}

// Ranges that do not start at an item or split one are refused; the record stays.
TEST_F(V1TransferTest, RangesMustBeWholeItems) {
  struct Case {
    unsigned long offset, length;
    const char* message;
  } const cases[] = {
      {0, 427, "ProbeDataV1Coder::onDataRed(...) Incorrect data offset/length 0 / 427"},
      {400, 28, "ProbeDataV1Coder::onDataRed(...) Incorrect data offset 400"},
      {500, 8, "ProbeDataV1Coder::onDataRed(...) Incorrect data offset 500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    log.clear();
    callback->calls.clear();
    coder.setInputVersion(0x21);
    coder.readAll();
    Bytes bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(c.length));
    coder.onDataRed(true, c.offset, c.length, bytes.data());
    EXPECT_EQ((Calls{"onAllRed(0)"}), callback->calls);
    EXPECT_EQ(ProbeDataCoder::DecodeError, coder.getError());
    EXPECT_EQ((Calls{c.message, "ProbeDataV1Coder::onDataRed() Could not decode stream"}),
              log.messages(log4cplus::ERROR_LOG_LEVEL));
    EXPECT_TRUE(sameRecord(ProbeData(), coder.getProbeData()));
  }
}

TEST_F(V1TransferTest, VersionCompletionsSetBothVersionsOrClearThem) {
  struct Case {
    bool ok;
    Bytes bytes;
    unsigned int version;
    const char* report;
  } const cases[] = {
      {true, bytesOf(golden::kVersion21), 0x21, "onChecksumRed(1)"},
      {true, Bytes(8, 0), 0x10, "onChecksumRed(1)"},
      {false, Bytes(8, 0), 0xFFFFFFFFu, "onChecksumRed(0)"},
      {true, Bytes(golden::kVersion21, golden::kVersion21 + 7), 0xFFFFFFFFu,
       "onChecksumRed(0)"},  // shorter than the block: a decode failure
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    callback->calls.clear();
    coder.readVersion();
    Bytes bytes = c.bytes;
    coder.onDataRed(c.ok, 0, bytes.size(), bytes.data());
    EXPECT_EQ(c.version, coder.getInputVersion());
    EXPECT_EQ(c.version, coder.getOutputVersion());
    EXPECT_EQ((Calls{c.report}), callback->calls);
    EXPECT_TRUE(coder.idle());
  }
  EXPECT_EQ(ProbeDataCoder::DecodeError, coder.getError());
  EXPECT_TRUE(log.has(log4cplus::ERROR_LOG_LEVEL,
                      "ProbeDataV1Coder::onDataRed() Could not decode version stream"));
}

// A failed version read ends a readAll with onChecksumRed(false); the next readAll works.
TEST_F(V1TransferTest, FailedVersionReadOfReadAllReportsAsChecksum) {
  coder.readAll();
  coder.onDataRed(false, 0, 8, nullptr);
  EXPECT_EQ((Calls{"onChecksumRed(0)"}), callback->calls);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  coder.readAll();
  completeRead(image);
  completeRead(image);
  EXPECT_EQ((Calls{"onChecksumRed(0)", "onAllRed(1)"}), callback->calls);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
}

TEST_F(V1TransferTest, RefusalsThrowAndChangeNothing) {
  V1CoderAccess orphan{boost::shared_ptr<DataHandler>()};
  EXPECT_PROBE_ERROR(orphan.readVersion(), "ProbeDataV1Coder::readVersion no DH pointer defined!");
  EXPECT_PROBE_ERROR(orphan.readAll(), "ProbeDataV1Coder::readAll no DH pointer defined!");
  EXPECT_PROBE_ERROR(orphan.readChecksum(),
                     "ProbeDataV1Coder::readChecksum no DH pointer defined!");
  EXPECT_PROBE_ERROR(orphan.save(ProbeData()), "ProbeDataV1Coder::save(All) no DH pointer defined!");
  EXPECT_TRUE(log.has(log4cplus::TRACE_LOG_LEVEL, "ProbeDataV1Coder::save(All)"));

  coder.readAll();
  EXPECT_PROBE_ERROR(coder.readAll(), "ProbeDataV1Coder::readAll read is ongoing 1");
  EXPECT_PROBE_ERROR(coder.readVersion(), "ProbeDataV1Coder::readVersion read is ongoing 1");
  EXPECT_EQ(ProbeDataV1Coder::ReadAllAction, coder.nextAction());
  coder.save(imageRecord);  // a pending read does not stop a save
  EXPECT_PROBE_ERROR(coder.save(imageRecord),
                     "ProbeDataV1Coder::save(All) write is already ongoing 1");
  EXPECT_PROBE_ERROR(coder.readChecksum(), "ProbeDataV1Coder::readChecksum write is ongoing 1");
  EXPECT_EQ(2u, handler->requests.size());
  EXPECT_TRUE(callback->calls.empty());
}

TEST_F(V1TransferTest, FailedReadRequestsAreReportedAndLeaveTheCoderIdle) {
  handler->throwNext = true;
  coder.readAll();
  EXPECT_EQ((Calls{"onError()", "onAllRed(0)"}), callback->calls);
  EXPECT_EQ((Calls{"ProbeDataV1Coder::readAll()"}), log.messages(log4cplus::ERROR_LOG_LEVEL));
  EXPECT_TRUE(coder.idle());

  callback->calls.clear();
  coder.setInputVersion(0x21);
  handler->throwNext = true;
  coder.readChecksum();
  EXPECT_EQ((Calls{"onError()", "onChecksumRed(0)"}), callback->calls);
  EXPECT_EQ(1u, log.messages(log4cplus::ERROR_LOG_LEVEL).size());
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());

  // The chained read's own request fails: still one report.
  callback->calls.clear();
  coder.setInputVersion(0xFFFFFFFFu);
  coder.readAll();
  handler->throwNext = true;
  completeRead(image);
  EXPECT_EQ((Calls{"onError()", "onAllRed(0)"}), callback->calls);
  EXPECT_TRUE(coder.idle());

  // A direct version read passes the failure on, idle again.
  handler->throwNext = true;
  EXPECT_THROW(coder.readVersion(), std::runtime_error);
  EXPECT_TRUE(coder.idle());
  EXPECT_NO_THROW(coder.readVersion());
}

TEST_F(V1TransferTest, SaveWritesTheImageAndTakesBackWhatWasWritten) {
  coder.save(imageRecord);
  ASSERT_EQ(1u, handler->requests.size());
  EXPECT_TRUE(handler->requests[0].save);
  EXPECT_EQ(0u, handler->requests[0].offset);
  EXPECT_EQ(image, handler->requests[0].bytes);
  EXPECT_EQ(1u, coder.pendingWrites());
  EXPECT_TRUE(sameRecord(ProbeData(), coder.getProbeData()));
  completeSave();
  EXPECT_EQ((Calls{"onSaved(1)"}), callback->calls);
  EXPECT_EQ(0x21u, coder.getInputVersion());
  EXPECT_TRUE(sameRecord(imageRecord, coder.getProbeData(), 1e-12));

  coder.save(sampleRecord(2, true));
  handler->requests.back().bytes[396] ^= 1;  // what came back does not decode
  completeSave();
  EXPECT_TRUE(sameRecord(imageRecord, coder.getProbeData(), 1e-12));
  coder.save(imageRecord);
  completeSave(false);
  EXPECT_EQ((Calls{"onSaved(1)", "onSaved(0)", "onSaved(0)"}), callback->calls);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_TRUE(log.has(log4cplus::ERROR_LOG_LEVEL,
                      "ProbeDataV1Coder::onDataSaved() Could not decode stream"));
}

// A record that cannot be coded never reaches the data handler.
TEST_F(V1TransferTest, SaveThatCannotBeCodedReportsCodeError) {
  for (unsigned int inputVersion : {0x21u, 1u}) {
    SCOPED_TRACE(inputVersion);
    callback->calls.clear();
    log.clear();
    coder.setInputVersion(inputVersion);
    coder.save(inputVersion == 1 ? sampleRecord(1, false) : sampleRecord(17, true));
    EXPECT_EQ((Calls{"onSaved(0)"}), callback->calls);
    EXPECT_EQ(ProbeDataCoder::CodeError, coder.getError());
    EXPECT_EQ("ProbeDataV1Coder::save(All) Could not code stream",
              log.messages(log4cplus::ERROR_LOG_LEVEL).back());
    EXPECT_EQ(0u, coder.pendingWrites());
  }
  EXPECT_TRUE(handler->requests.empty());

  coder.setInputVersion(0x21);
  handler->throwNext = true;  // other failures pass, the write withdrawn
  EXPECT_THROW(coder.save(ProbeData()), std::runtime_error);
  EXPECT_EQ(0u, coder.pendingWrites());
}

// The read chained behind a version read is refused by a save accepted in between: it is
// reported failed, and the save still reports its own result.
TEST_F(V1TransferTest, SaveBetweenVersionReadAndChainedReadFailsTheRead) {
  for (bool whole : {true, false}) {
    SCOPED_TRACE(whole);
    V1CoderAccess fresh{handler};
    fresh.setCB(callback);
    callback->calls.clear();
    handler->requests.clear();
    whole ? fresh.readAll() : fresh.readChecksum();
    fresh.save(imageRecord);
    Bytes version = bytesOf(golden::kVersion21);
    fresh.onDataRed(true, 0, 8, version.data());
    EXPECT_TRUE(fresh.idle());
    EXPECT_EQ(ProbeDataCoder::TransferError, fresh.getError());
    Bytes written = handler->requests.back().bytes;
    fresh.onDataSaved(true, 0, 428, written.data());
    EXPECT_EQ((Calls{"onError()", whole ? "onAllRed(0)" : "onChecksumRed(0)", "onSaved(1)"}),
              callback->calls);
    EXPECT_EQ(2u, handler->requests.size());
  }
}

TEST_F(V1TransferTest, WithoutCallbackEveryOutcomeIsHandledAndWarned) {
  coder.clearCB();
  coder.readAll();
  completeRead(image);
  completeRead(image);
  EXPECT_TRUE(sameRecord(imageRecord, coder.getProbeData(), 1e-12));
  handler->throwNext = true;
  coder.readAll();
  handler->throwNext = true;
  coder.readChecksum();
  coder.save(sampleRecord(17, true));
  coder.save(imageRecord);
  completeSave();
  coder.onError();
  EXPECT_EQ((Calls{"ProbeDataV1Coder::onDataRed() no CB defined",
                   "ProbeDataV1Coder::readAll() no CB defined",
                   "ProbeDataV1Coder::readChecksum no CB defined",
                   "ProbeDataV1Coder::save(All) no CB defined",
                   "ProbeDataV1Coder::onDataSaved() no CB defined",
                   "ProbeDataV1Coder::onError() no CB defined"}),
            log.messages(log4cplus::WARN_LOG_LEVEL));
  EXPECT_TRUE(callback->calls.empty());
}

TEST_F(V1TransferTest, DataHandlerErrorsAreReportedWithoutEndingTransfers) {
  coder.readAll();
  handler->error = DataHandler::DHDeviceError;
  coder.onError();
  EXPECT_EQ(ProbeDataCoder::NoError, coder.getError());
  handler->error = DataHandler::DHTransferError;
  coder.onError();
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_EQ((Calls{"onError()", "onError()"}), callback->calls);
  EXPECT_EQ(1u, coder.pendingReads());
}

TEST_F(V1TransferTest, UnexpectedCompletionThrows) {
  Bytes bytes(8, 0);
  EXPECT_PROBE_ERROR(coder.onDataRed(true, 0, 8, bytes.data()),
                     "ProbeDataV1Coder::onDataRed() incorrect current action 0");
  EXPECT_EQ(0xFFFFFFFFu, coder.getInputVersion());
  EXPECT_TRUE(callback->calls.empty());
}

}  // namespace
