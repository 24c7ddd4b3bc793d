#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <boost/crc.hpp>
#include <boost/shared_array.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "Error.h"
#include "ErrorMatchers.h"
#include "PDSimuCoder.h"
#include "RecordingCallback.h"
#include "RigidBodies.h"
#include "Utils.h"

namespace {

const unsigned long kWholeText = 0xFFFFFFFFul;
const unsigned int kNoVersion = 0xFFFFFFFFu;
using Calls = std::vector<std::string>;

// A data handler that completes nothing by itself: it records each request, keeps its share of
// each save buffer, and answers getError with what the test sets. Tests deliver completions.
class ScriptedHandler : public DataHandler {
 public:
  struct Request {
    bool save;
    unsigned long offset, length;
    boost::shared_array<unsigned char> data;
  };
  void readData(unsigned long offset, unsigned long length) override {
    if (throwNext) throw std::runtime_error("read refused");
    requests.push_back(Request{false, offset, length, {}});
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    if (throwNext) throw std::runtime_error("save refused");
    requests.push_back(Request{true, offset, length, data});
  }
  DHError getError() const override { return error; }

  std::vector<Request> requests;
  DHError error = NoDHError;
  bool throwNext = false;
};

// Reaches the protected members, as a host's test would.
class SimuCoder : public PDSimuCoder {
 public:
  using PDSimuCoder::PDSimuCoder;
  using PDSimuCoder::_nClassVersion;
  using PDSimuCoder::codeStream;
  using PDSimuCoder::decodeStream;
};

std::string textOf(const ProbeData& record) {
  std::string text;
  EXPECT_TRUE(saveToString(text, record));
  return text;
}

// Hands the coder a completion whose data are exactly these bytes (none: a null pointer), so a
// read past them is a heap overflow under the sanitizers.
void complete(PDSimuCoder& coder, bool save, bool ok, const std::string& bytes,
              unsigned long length, unsigned long offset = 0) {
  std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
  unsigned char* data = buffer.empty() ? nullptr : buffer.data();
  save ? coder.onDataSaved(ok, offset, length, data) : coder.onDataRed(ok, offset, length, data);
}
void complete(PDSimuCoder& coder, bool save, bool ok, const std::string& bytes) {
  complete(coder, save, ok, bytes, static_cast<unsigned long>(bytes.size()));
}

class PDSimuCoderTest : public ::testing::Test {
 protected:
  PDSimuCoderTest() { coder.setCB(callback); }

  LogCapture log;
  boost::shared_ptr<ScriptedHandler> handler{new ScriptedHandler};
  SimuCoder coder{handler};
  boost::shared_ptr<RecordingCallback> callback{new RecordingCallback};
  ProbeData record = makeRecord(makeBody("P-17", {target(2.5, 1, 2, 3, 0, 0, 1, 30),
                                                  target(1, -4, 5, 6),
                                                  withNormal(target(3, 7, 8, -9), 1, 0, 0)},
                                         40, 3),
                                0, 0.5, -1, 12, 4242);
  std::string text = textOf(record);
};

TEST_F(PDSimuCoderTest, NewCoderAndOutputVersions) {
  EXPECT_EQ(kNoVersion, coder.getInputVersion());
  EXPECT_EQ(kNoVersion, coder.getOutputVersion());
  EXPECT_EQ(ProbeDataCoder::NoError, coder.getError());
  EXPECT_TRUE(sameRecord(ProbeData(), coder.getProbeData()));
  EXPECT_EQ(16, PDSimuCoder::getClassVersion());
  EXPECT_EQ(16, SimuCoder::_nClassVersion);
  EXPECT_TRUE(log.events().empty());
  // Versions up to the class version are taken; a refused one leaves the last one in place.
  for (unsigned short version : {0, 1, 16, 17, 0xFFFF}) {
    SCOPED_TRACE(version);
    coder.setOutputVersion(5);
    if (version <= 16) {
      coder.setOutputVersion(version);
      EXPECT_EQ(version, coder.getOutputVersion());
    } else {
      EXPECT_PROBE_ERROR(coder.setOutputVersion(version),
                         "PDSimuCoder::setOutputVersion() unhandled version : " +
                             std::to_string(version));
      EXPECT_EQ(5u, coder.getOutputVersion());
    }
  }
  EXPECT_TRUE(handler->requests.empty());
}

// Each request logs its TRACE line first, so a host's log shows which request failed; without a
// data handler it then throws. A version or checksum read is a whole read: one request for all
// the memory holds, from offset 0, reported through onAllRed. A save sends exactly the text and
// keeps no share of the buffer.
TEST_F(PDSimuCoderTest, RequestTable) {
  struct Case {
    const char* name;
    std::function<void(PDSimuCoder&)> request;
    const char* trace;
    const char* message;
    const ProbeData* saved;  // null for a read
  };
  const char kRead[] = "PDSimuCoder::readAll";
  const char kReadRefused[] = "PDSimuCoder::readAll no DH pointer defined!";
  const ProbeData small = sampleRecord(0, false);
  const Case cases[] = {
      {"save", [this](PDSimuCoder& c) { c.save(record); }, "PDSimuCoder::save(All)",
       "PDSimuCoder::save(All) no DH pointer defined!", &record},
      {"save, no targets", [&small](PDSimuCoder& c) { c.save(small); }, "PDSimuCoder::save(All)",
       "PDSimuCoder::save(All) no DH pointer defined!", &small},
      {"readAll", [](PDSimuCoder& c) { c.readAll(); }, kRead, kReadRefused, nullptr},
      {"readVersion", [](PDSimuCoder& c) { c.readVersion(); }, kRead, kReadRefused, nullptr},
      {"readChecksum", [](PDSimuCoder& c) { c.readChecksum(); }, kRead, kReadRefused, nullptr},
  };
  // Saves come first: the record must stay the default until a save is confirmed.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool save = c.saved != nullptr;
    handler->requests.clear();
    callback->calls.clear();
    log.clear();
    c.request(coder);
    ASSERT_EQ(1u, handler->requests.size());
    const ScriptedHandler::Request& request = handler->requests[0];
    EXPECT_EQ(save, request.save);
    EXPECT_EQ(0u, request.offset);
    EXPECT_EQ(Calls{c.trace}, log.messages(log4cplus::TRACE_LOG_LEVEL));
    EXPECT_TRUE(callback->calls.empty());
    if (save) {
      const std::string sent(reinterpret_cast<const char*>(request.data.get()), request.length);
      EXPECT_EQ(textOf(*c.saved), sent);
      EXPECT_EQ(1, request.data.use_count());
      EXPECT_TRUE(sameRecord(ProbeData(), coder.getProbeData()));
    } else {
      EXPECT_EQ(kWholeText, request.length);
      complete(coder, false, true, text);
      EXPECT_EQ(Calls{"onAllRed(1)"}, callback->calls);
    }

    LogCapture bareLog;
    boost::shared_ptr<RecordingCallback> bareCallback(new RecordingCallback);
    PDSimuCoder bare((boost::shared_ptr<DataHandler>()));
    bare.setCB(bareCallback);
    try {
      c.request(bare);
      ADD_FAILURE() << "no Error thrown";
    } catch (const Error& error) {
      EXPECT_EQ(c.message, error.getMessage());
      EXPECT_EQ("PDSimuCoder.cpp", error.getFile());
    }
    ASSERT_EQ(2u, bareLog.events().size());
    EXPECT_EQ(log4cplus::TRACE_LOG_LEVEL, bareLog.events()[0].level);
    EXPECT_EQ(c.trace, bareLog.events()[0].message);
    EXPECT_EQ(log4cplus::ERROR_LOG_LEVEL, bareLog.events()[1].level);
    EXPECT_EQ(c.message, bareLog.events()[1].message);
    EXPECT_TRUE(bareCallback->calls.empty());
    EXPECT_EQ(ProbeDataCoder::NoError, bare.getError());
  }
}

TEST(PDSimuCoderDispatchTest, VersionAndChecksumReadsRunAnOverriddenReadAll) {
  struct CountingCoder : PDSimuCoder {
    using PDSimuCoder::PDSimuCoder;
    void readAll() override { ++reads; }
    int reads = 0;
  };
  boost::shared_ptr<ScriptedHandler> handler(new ScriptedHandler);
  CountingCoder coder(handler);
  coder.readVersion();
  coder.readChecksum();
  EXPECT_EQ(2, coder.reads);
  EXPECT_TRUE(handler->requests.empty());
}

// The error is set before the report, which the callback sees through getError; a failed
// transfer ignores its data and leaves the record alone. The text ends at the first NUL or after
// length bytes, whichever comes first, and the offset plays no part.
TEST_F(PDSimuCoderTest, CompletionTable) {
  struct Case {
    const char* name;
    bool save, ok;
    std::string bytes;
    unsigned long length, offset;
    const char* report;
    ProbeDataCoder::PDCError error;
  };
  const unsigned long size = static_cast<unsigned long>(text.size());
  const std::string nulEnded = text + std::string(1, '\0');
  const std::string trailing = nulEnded + "<Data_Checksum>1</Data_Checksum>";
  const std::string garbage = "<probe>not quite";
  const unsigned long garbageSize = static_cast<unsigned long>(garbage.size());
  const Case cases[] = {
      {"read at offset 77", false, true, text, size, 77, "onAllRed(1)", ProbeDataCoder::NoError},
      {"read, whole-text length, NUL after the text", false, true, nulEnded, kWholeText, 0,
       "onAllRed(1)", ProbeDataCoder::NoError},
      {"read, bytes after the NUL", false, true, trailing,
       static_cast<unsigned long>(trailing.size()), 0, "onAllRed(1)", ProbeDataCoder::NoError},
      {"read does not decode", false, true, garbage, garbageSize, 0, "onAllRed(0)",
       ProbeDataCoder::DecodeError},
      {"read without data", false, true, "", 0, 0, "onAllRed(0)", ProbeDataCoder::DecodeError},
      {"length cuts the text", false, true, text, size / 2, 0, "onAllRed(0)",
       ProbeDataCoder::DecodeError},
      {"zero length", false, true, text, 0, 0, "onAllRed(0)", ProbeDataCoder::DecodeError},
      {"NUL first", false, true, std::string(1, '\0') + text, kWholeText, 0, "onAllRed(0)",
       ProbeDataCoder::DecodeError},
      {"read failed", false, false, text, size, 0, "onAllRed(0)", ProbeDataCoder::TransferError},
      {"read failed without data", false, false, "", 0, 0, "onAllRed(0)",
       ProbeDataCoder::TransferError},
      {"save", true, true, text, size, 0, "onSaved(1)", ProbeDataCoder::NoError},
      {"save does not decode", true, true, garbage, garbageSize, 0, "onSaved(0)",
       ProbeDataCoder::CodeError},
      {"save failed", true, false, text, size, 0, "onSaved(0)", ProbeDataCoder::TransferError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture caseLog;
    boost::shared_ptr<RecordingCallback> cb(new RecordingCallback);
    PDSimuCoder fresh(handler);
    fresh.setCB(cb);
    ProbeDataCoder::PDCError errorAtReport = ProbeDataCoder::NoError;
    cb->onReport = [&] { errorAtReport = fresh.getError(); };
    complete(fresh, c.save, c.ok, c.bytes, c.length, c.offset);

    EXPECT_EQ(Calls{c.report}, cb->calls);
    EXPECT_EQ(c.error, fresh.getError());
    EXPECT_EQ(c.error, errorAtReport);
    EXPECT_EQ(kNoVersion, fresh.getInputVersion());
    if (c.error == ProbeDataCoder::NoError) {
      EXPECT_TRUE(sameRecord(record, fresh.getProbeData()));
    } else if (!c.ok) {
      EXPECT_TRUE(sameRecord(ProbeData(), fresh.getProbeData()));
    }
    EXPECT_EQ(Calls{c.save ? "PDSimuCoder received onDataSaved()"
                           : "PDSimuCoder received onDataRed()"},
              caseLog.messages(log4cplus::TRACE_LOG_LEVEL));
    EXPECT_TRUE(caseLog.messages(log4cplus::WARN_LOG_LEVEL).empty());
  }
  EXPECT_TRUE(handler->requests.empty());
}

// A success keeps the last failure; without a callback a completion only records its outcome.
TEST_F(PDSimuCoderTest, SuccessKeepsTheLastFailureAndNoCallbackIsFine) {
  complete(coder, false, true, "garbage");
  complete(coder, false, true, text);
  EXPECT_EQ(ProbeDataCoder::DecodeError, coder.getError());
  complete(coder, true, false, text);
  complete(coder, true, true, text);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_EQ((Calls{"onAllRed(0)", "onAllRed(1)", "onSaved(0)", "onSaved(1)"}), callback->calls);
  EXPECT_TRUE(sameRecord(record, coder.getProbeData()));

  coder.clearCB();
  complete(coder, false, true, textOf(sampleRecord(2, true)));
  EXPECT_TRUE(sameRecord(sampleRecord(2, true), coder.getProbeData()));
  complete(coder, false, false, text);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  complete(coder, true, true, "garbage");
  EXPECT_EQ(ProbeDataCoder::CodeError, coder.getError());
  EXPECT_EQ(4u, callback->calls.size());
  EXPECT_TRUE(log.messages(log4cplus::WARN_LOG_LEVEL).empty());
}

// The coder keeps no transfer state: requests go out while others are pending, each completion
// is handled by itself, and its report goes to the callback set when it arrives.
TEST_F(PDSimuCoderTest, RequestsMayOverlap) {
  coder.readAll();
  coder.save(record);
  coder.readVersion();
  ASSERT_EQ(3u, handler->requests.size());
  EXPECT_FALSE(handler->requests[0].save);
  EXPECT_TRUE(handler->requests[1].save);
  EXPECT_FALSE(handler->requests[2].save);

  complete(coder, false, false, "");
  coder.onDataSaved(true, 0, handler->requests[1].length, handler->requests[1].data.get());
  boost::shared_ptr<RecordingCallback> later(new RecordingCallback);
  coder.setCB(later);
  complete(coder, false, true, text);
  EXPECT_EQ((Calls{"onAllRed(0)", "onSaved(1)"}), callback->calls);
  EXPECT_EQ(Calls{"onAllRed(1)"}, later->calls);
  EXPECT_EQ(kNoVersion, coder.getInputVersion());
}

// Regression test: a callback that only the coder holds and that clears itself from the coder
// must live until its report returns.
TEST_F(PDSimuCoderTest, CallbackThatClearsItselfSurvivesItsReport) {
  boost::weak_ptr<RecordingCallback> weak(callback);
  bool aliveInReport = false;
  callback->onReport = [&] {
    coder.clearCB();
    aliveInReport = !weak.expired();
  };
  callback.reset();
  complete(coder, false, true, text);
  EXPECT_TRUE(aliveInReport);
  EXPECT_TRUE(weak.expired());
}

TEST_F(PDSimuCoderTest, OnErrorTable) {
  struct Case {
    const char* name;
    bool withHandler;
    DataHandler::DHError handlerError;
    bool withCallback;
    ProbeDataCoder::PDCError error;
  };
  // Every case starts from a decode failure, so an untouched error state shows as DecodeError.
  const Case cases[] = {
      {"transfer error", true, DataHandler::DHTransferError, true, ProbeDataCoder::TransferError},
      {"device error", true, DataHandler::DHDeviceError, true, ProbeDataCoder::DecodeError},
      {"no error", true, DataHandler::NoDHError, true, ProbeDataCoder::DecodeError},
      {"no handler", false, DataHandler::DHTransferError, true, ProbeDataCoder::DecodeError},
      {"transfer error, no callback", true, DataHandler::DHTransferError, false,
       ProbeDataCoder::TransferError},
      {"no handler, no callback", false, DataHandler::NoDHError, false,
       ProbeDataCoder::DecodeError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    handler->error = c.handlerError;
    PDSimuCoder fresh(c.withHandler ? handler : boost::shared_ptr<ScriptedHandler>());
    boost::shared_ptr<RecordingCallback> cb(new RecordingCallback);
    if (c.withCallback) fresh.setCB(cb);
    complete(fresh, false, true, "");
    ASSERT_EQ(ProbeDataCoder::DecodeError, fresh.getError());
    cb->calls.clear();
    ProbeDataCoder::PDCError errorAtReport = ProbeDataCoder::NoError;
    cb->onReport = [&] { errorAtReport = fresh.getError(); };
    log.clear();

    fresh.onError();
    EXPECT_EQ(c.error, fresh.getError());
    if (c.withCallback) {
      EXPECT_EQ(Calls{"onError()"}, cb->calls);
      EXPECT_EQ(c.error, errorAtReport);
      EXPECT_TRUE(log.events().empty());
    } else {
      EXPECT_TRUE(cb->calls.empty());
      ASSERT_EQ(1u, log.events().size());
      EXPECT_EQ(log4cplus::WARN_LOG_LEVEL, log.events()[0].level);
      EXPECT_EQ("PDSimuCoder::onError() no CB defined", log.events()[0].message);
    }
  }
}

// The checksum is the CRC-16 (ARC) of the XML text codeStream writes, which replaces what the
// string held; decodeStream reads that text back and does not touch the error.
TEST_F(PDSimuCoderTest, ChecksumAndStreamsUseTheXmlText) {
  for (const ProbeData& data : {record, sampleRecord(0, false), sampleRecord(25, true)}) {
    SCOPED_TRACE(data.getRigidBody().getId());
    log.clear();
    std::string coded = "left over";
    ASSERT_TRUE(coder.codeStream(data, coded));
    EXPECT_EQ(textOf(data), coded);
    boost::crc_16_type crc;
    crc.process_bytes(coded.data(), coded.size());
    const unsigned int checksum = coder.computeDataCheksum(data);
    EXPECT_EQ(crc.checksum(), checksum);
    EXPECT_EQ(Calls{"PDSimuCoder::checksum result " + std::to_string(checksum)},
              log.messages(log4cplus::DEBUG_LOG_LEVEL));
    ASSERT_FALSE(log.events().empty());
    EXPECT_NE(std::string::npos, log.events().back().file.find("PDSimuCoder.cpp"));
    EXPECT_EQ(data.computeChecksum(), checksum);
    EXPECT_TRUE(coder.decodeStream(coded));
    EXPECT_TRUE(sameRecord(data, coder.getProbeData()));
  }
  ProbeData changed(record);
  changed.setChecksum(record.getChecksum() + 1);
  EXPECT_NE(coder.computeDataCheksum(record), coder.computeDataCheksum(changed));
  EXPECT_FALSE(coder.decodeStream("no document"));
  EXPECT_EQ(ProbeDataCoder::NoError, coder.getError());
  EXPECT_TRUE(handler->requests.empty());
  EXPECT_TRUE(callback->calls.empty());
}

TEST_F(PDSimuCoderTest, ExceptionsPassThroughUnchanged) {
  handler->throwNext = true;
  EXPECT_THROW(coder.readAll(), std::runtime_error);
  EXPECT_THROW(coder.save(record), std::runtime_error);
  EXPECT_TRUE(handler->requests.empty());

  callback->onReport = [] { throw std::logic_error("callback failed"); };
  EXPECT_THROW(complete(coder, false, false, text), std::logic_error);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_THROW(coder.onError(), std::logic_error);
}

// A copy, made by construction or by assignment over a coder with its own handler and callback,
// shares the data handler and callback with its source and holds its own record and error.
TEST_F(PDSimuCoderTest, CopySharesHandlerAndCallbackButNotTheRecord) {
  coder.setOutputVersion(7);
  complete(coder, false, true, text);
  complete(coder, false, true, "garbage");
  const ProbeData other = sampleRecord(4, false);
  for (bool assign : {false, true}) {
    SCOPED_TRACE(assign ? "assigned" : "constructed");
    handler->requests.clear();
    callback->calls.clear();
    boost::shared_ptr<ScriptedHandler> otherHandler(new ScriptedHandler);
    boost::shared_ptr<RecordingCallback> otherCallback(new RecordingCallback);
    SimuCoder assigned(otherHandler);
    assigned.setCB(otherCallback);
    if (assign) {
      EXPECT_EQ(&assigned, &(assigned = coder));
    }
    SimuCoder constructed(coder);
    SimuCoder& copy = assign ? assigned : constructed;
    EXPECT_EQ(7u, copy.getOutputVersion());
    EXPECT_EQ(kNoVersion, copy.getInputVersion());
    EXPECT_EQ(ProbeDataCoder::DecodeError, copy.getError());
    EXPECT_TRUE(sameRecord(record, copy.getProbeData()));

    copy.readAll();
    EXPECT_EQ(1u, handler->requests.size());
    EXPECT_TRUE(otherHandler->requests.empty());
    complete(copy, false, true, textOf(other));
    EXPECT_EQ(Calls{"onAllRed(1)"}, callback->calls);
    EXPECT_TRUE(otherCallback->calls.empty());
    EXPECT_TRUE(sameRecord(other, copy.getProbeData()));
    EXPECT_TRUE(sameRecord(record, coder.getProbeData()));
    complete(copy, false, false, "");
    EXPECT_EQ(ProbeDataCoder::TransferError, copy.getError());
    EXPECT_EQ(ProbeDataCoder::DecodeError, coder.getError());
  }
}

}  // namespace
