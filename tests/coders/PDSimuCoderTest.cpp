#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <boost/crc.hpp>
#include <boost/shared_array.hpp>
#include <boost/shared_ptr.hpp>

#include <functional>
#include <memory>
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

// The callback base has no virtual destructor, so the callbacks the tests share with a coder are
// of a final type, deleted as what they are.
using Callback = RecordingCallback;
const unsigned int kNoVersion = 0xFFFFFFFFu;

// A data handler that completes nothing by itself: it records each request, keeps its share of
// each save buffer, and answers getError with what the test sets. Tests deliver completions by
// calling the coder.
class ScriptedHandler : public DataHandler {
 public:
  struct Request {
    bool save;
    unsigned long offset;
    unsigned long length;
    boost::shared_array<unsigned char> data;
  };

  void readData(unsigned long offset, unsigned long length) override {
    if (throwNext) {
      throwNext = false;
      throw std::runtime_error("read refused");
    }
    requests.push_back(Request{false, offset, length, boost::shared_array<unsigned char>()});
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    if (throwNext) {
      throwNext = false;
      throw std::runtime_error("save refused");
    }
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

unsigned int crcOf(const std::string& text) {
  boost::crc_16_type crc;
  crc.process_bytes(text.data(), text.size());
  return crc.checksum();
}

class PDSimuCoderTest : public ::testing::Test {
 protected:
  PDSimuCoderTest()
      : handler(new ScriptedHandler),
        coder(handler),
        callback(new Callback),
        record(makeRecord(makeBody("P-17", {target(2.5, 1, 2, 3, 0, 0, 1, 30), target(1, -4, 5, 6),
                                             withNormal(target(3, 7, 8, -9), 1, 0, 0)},
                                   40, 3),
                          0, 0.5, -1, 12, 4242)),
        text(textOf(record)) {
    coder.setCB(callback);
  }

  // Hands the coder a completion whose data are exactly these bytes, so a read past them is a
  // heap overflow under the sanitizers.
  void completeRead(bool ok, const std::string& bytes, unsigned long length,
                    unsigned long offset = 0) {
    std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
    coder.onDataRed(ok, offset, length, buffer.empty() ? nullptr : buffer.data());
  }
  void completeRead(bool ok, const std::string& bytes) {
    completeRead(ok, bytes, static_cast<unsigned long>(bytes.size()));
  }
  void completeSave(bool ok, const std::string& bytes) {
    std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
    coder.onDataSaved(ok, 0, static_cast<unsigned long>(bytes.size()),
                      buffer.empty() ? nullptr : buffer.data());
  }

  LogCapture log;
  boost::shared_ptr<ScriptedHandler> handler;
  SimuCoder coder;
  boost::shared_ptr<Callback> callback;
  ProbeData record;
  std::string text;
};

TEST_F(PDSimuCoderTest, NewCoderKnowsNoVersionAndHoldsADefaultRecord) {
  EXPECT_EQ(kNoVersion, coder.getInputVersion());
  EXPECT_EQ(kNoVersion, coder.getOutputVersion());
  EXPECT_EQ(ProbeDataCoder::NoError, coder.getError());
  EXPECT_TRUE(sameRecord(ProbeData(), coder.getProbeData()));
  EXPECT_EQ(16, PDSimuCoder::getClassVersion());
  EXPECT_EQ(16, SimuCoder::_nClassVersion);
  EXPECT_TRUE(handler->requests.empty());
  EXPECT_TRUE(log.events().empty());
}

TEST_F(PDSimuCoderTest, SetOutputVersionAcceptsUpToTheClassVersion) {
  struct Case {
    unsigned short version;
    bool accepted;
  };
  const Case cases[] = {{0, true}, {1, true}, {16, true}, {17, false}, {0xFFFF, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    coder.setOutputVersion(5);
    if (c.accepted) {
      coder.setOutputVersion(c.version);
      EXPECT_EQ(c.version, coder.getOutputVersion());
    } else {
      EXPECT_PROBE_ERROR(coder.setOutputVersion(c.version),
                         "PDSimuCoder::setOutputVersion() unhandled version : " +
                             std::to_string(c.version));
      EXPECT_EQ(5u, coder.getOutputVersion());
    }
  }
  EXPECT_TRUE(handler->requests.empty());
}

// A version or checksum read is a whole read: one request for all the memory holds, reported
// through onAllRed.
TEST_F(PDSimuCoderTest, EveryReadIsOneWholeTextReadReportedAsAllRed) {
  struct Case {
    const char* name;
    std::function<void(PDSimuCoder&)> request;
  };
  const Case cases[] = {{"readAll", [](PDSimuCoder& c) { c.readAll(); }},
                        {"readVersion", [](PDSimuCoder& c) { c.readVersion(); }},
                        {"readChecksum", [](PDSimuCoder& c) { c.readChecksum(); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    handler->requests.clear();
    callback->calls.clear();
    log.clear();
    c.request(coder);
    ASSERT_EQ(1u, handler->requests.size());
    EXPECT_FALSE(handler->requests[0].save);
    EXPECT_EQ(0u, handler->requests[0].offset);
    EXPECT_EQ(kWholeText, handler->requests[0].length);
    EXPECT_EQ(std::vector<std::string>{"PDSimuCoder::readAll"},
              log.messages(log4cplus::TRACE_LOG_LEVEL));
    EXPECT_TRUE(callback->calls.empty());

    completeRead(true, text);
    EXPECT_EQ(std::vector<std::string>{"onAllRed(1)"}, callback->calls);
  }
}

TEST(PDSimuCoderDispatchTest, VersionAndChecksumReadsRunAnOverriddenReadAll) {
  class CountingCoder : public PDSimuCoder {
   public:
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

// The TRACE line comes first, so a host's log shows which request failed.
TEST(PDSimuCoderNoHandlerTest, RequestsThrowAfterTheirTraceLine) {
  struct Case {
    const char* name;
    std::function<void(PDSimuCoder&)> request;
    const char* trace;
    const char* message;
  };
  const ProbeData record = sampleRecord(2, true);
  const Case cases[] = {
      {"readAll", [](PDSimuCoder& c) { c.readAll(); }, "PDSimuCoder::readAll",
       "PDSimuCoder::readAll no DH pointer defined!"},
      {"readVersion", [](PDSimuCoder& c) { c.readVersion(); }, "PDSimuCoder::readAll",
       "PDSimuCoder::readAll no DH pointer defined!"},
      {"readChecksum", [](PDSimuCoder& c) { c.readChecksum(); }, "PDSimuCoder::readAll",
       "PDSimuCoder::readAll no DH pointer defined!"},
      {"save", [&record](PDSimuCoder& c) { c.save(record); }, "PDSimuCoder::save(All)",
       "PDSimuCoder::save(All) no DH pointer defined!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    boost::shared_ptr<Callback> callback(new Callback);
    PDSimuCoder coder((boost::shared_ptr<DataHandler>()));
    coder.setCB(callback);
    try {
      c.request(coder);
      ADD_FAILURE() << "no Error thrown";
    } catch (const Error& error) {
      EXPECT_EQ(c.message, error.getMessage());
      EXPECT_EQ("PDSimuCoder.cpp", error.getFile());
    }
    ASSERT_EQ(2u, log.events().size());
    EXPECT_EQ(log4cplus::TRACE_LOG_LEVEL, log.events()[0].level);
    EXPECT_EQ(c.trace, log.events()[0].message);
    EXPECT_EQ(log4cplus::ERROR_LOG_LEVEL, log.events()[1].level);
    EXPECT_EQ(c.message, log.events()[1].message);
    EXPECT_TRUE(callback->calls.empty());
    EXPECT_EQ(ProbeDataCoder::NoError, coder.getError());
  }
}

TEST_F(PDSimuCoderTest, SaveSendsExactlyTheTextAndDropsItsShareOfTheBuffer) {
  const ProbeData records[] = {record, sampleRecord(0, false), sampleRecord(9, true)};
  for (const ProbeData& saved : records) {
    SCOPED_TRACE(saved.getRigidBody().getId());
    handler->requests.clear();
    log.clear();
    const std::string expected = textOf(saved);
    ASSERT_FALSE(expected.empty());

    coder.save(saved);
    ASSERT_EQ(1u, handler->requests.size());
    const ScriptedHandler::Request& request = handler->requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(0u, request.offset);
    EXPECT_EQ(expected.size(), request.length);
    EXPECT_EQ(expected, std::string(reinterpret_cast<const char*>(request.data.get()),
                                    request.length));
    EXPECT_EQ(1, request.data.use_count());
    EXPECT_EQ(std::vector<std::string>{"PDSimuCoder::save(All)"},
              log.messages(log4cplus::TRACE_LOG_LEVEL));
  }
  EXPECT_TRUE(callback->calls.empty());
  EXPECT_TRUE(sameRecord(ProbeData(), coder.getProbeData()));
}

enum class Transfer { Read, Save };
enum class Payload { Text, Garbage, None };

TEST_F(PDSimuCoderTest, CompletionTable) {
  struct Case {
    const char* name;
    Transfer transfer;
    bool ok;
    Payload payload;
    const char* report;
    ProbeDataCoder::PDCError error;
    bool takesRecord;
  };
  const Case cases[] = {
      {"read decodes", Transfer::Read, true, Payload::Text, "onAllRed(1)",
       ProbeDataCoder::NoError, true},
      {"read does not decode", Transfer::Read, true, Payload::Garbage, "onAllRed(0)",
       ProbeDataCoder::DecodeError, false},
      {"read ok without data", Transfer::Read, true, Payload::None, "onAllRed(0)",
       ProbeDataCoder::DecodeError, false},
      {"read failed, data ignored", Transfer::Read, false, Payload::Text, "onAllRed(0)",
       ProbeDataCoder::TransferError, false},
      {"read failed without data", Transfer::Read, false, Payload::None, "onAllRed(0)",
       ProbeDataCoder::TransferError, false},
      {"save decodes", Transfer::Save, true, Payload::Text, "onSaved(1)", ProbeDataCoder::NoError,
       true},
      {"save does not decode", Transfer::Save, true, Payload::Garbage, "onSaved(0)",
       ProbeDataCoder::CodeError, false},
      {"save failed, data ignored", Transfer::Save, false, Payload::Text, "onSaved(0)",
       ProbeDataCoder::TransferError, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture caseLog;
    boost::shared_ptr<Callback> cb(new Callback);
    PDSimuCoder fresh(handler);
    fresh.setCB(cb);
    ProbeDataCoder::PDCError errorAtReport = ProbeDataCoder::NoError;
    cb->onReport = [&] { errorAtReport = fresh.getError(); };

    std::string bytes = c.payload == Payload::Text      ? text
                        : c.payload == Payload::Garbage ? std::string("<probe>not quite")
                                                        : std::string();
    std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
    unsigned char* data = c.payload == Payload::None ? nullptr : buffer.data();
    const unsigned long length = static_cast<unsigned long>(bytes.size());
    if (c.transfer == Transfer::Read) {
      fresh.onDataRed(c.ok, 0, length, data);
    } else {
      fresh.onDataSaved(c.ok, 0, length, data);
    }

    EXPECT_EQ(std::vector<std::string>{c.report}, cb->calls);
    EXPECT_EQ(c.error, fresh.getError());
    EXPECT_EQ(c.error, errorAtReport);
    EXPECT_EQ(kNoVersion, fresh.getInputVersion());
    if (c.takesRecord) {
      EXPECT_TRUE(sameRecord(record, fresh.getProbeData()));
    } else if (!c.ok) {
      EXPECT_TRUE(sameRecord(ProbeData(), fresh.getProbeData()));
    }
    const char* trace = c.transfer == Transfer::Read ? "PDSimuCoder received onDataRed()"
                                                     : "PDSimuCoder received onDataSaved()";
    EXPECT_EQ(std::vector<std::string>{trace}, caseLog.messages(log4cplus::TRACE_LOG_LEVEL));
    EXPECT_TRUE(caseLog.messages(log4cplus::WARN_LOG_LEVEL).empty());
  }
  EXPECT_TRUE(handler->requests.empty());
}

// The text ends at the first NUL or after length bytes, whichever comes first; the offset plays
// no part.
TEST_F(PDSimuCoderTest, ReadTextEndsAtNulOrLength) {
  struct Case {
    const char* name;
    std::string bytes;
    unsigned long length;
    unsigned long offset;
    bool decodes;
  };
  const std::string nulEnded = text + std::string(1, '\0');
  const std::string trailing = nulEnded + "<Data_Checksum>1</Data_Checksum>";
  const Case cases[] = {
      {"exact length, no NUL", text, static_cast<unsigned long>(text.size()), 0, true},
      {"whole-text length, NUL after the text", nulEnded, kWholeText, 0, true},
      {"bytes after the NUL", trailing, static_cast<unsigned long>(trailing.size()), 0, true},
      {"offset other than 0", text, static_cast<unsigned long>(text.size()), 77, true},
      {"length cuts the text", text, static_cast<unsigned long>(text.size() / 2), 0, false},
      {"zero length", text, 0, 0, false},
      {"NUL first", std::string(1, '\0') + text, kWholeText, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    callback->calls.clear();
    PDSimuCoder fresh(handler);
    fresh.setCB(callback);
    std::vector<unsigned char> buffer(c.bytes.begin(), c.bytes.end());
    fresh.onDataRed(true, c.offset, c.length, buffer.data());
    EXPECT_EQ(std::vector<std::string>{c.decodes ? "onAllRed(1)" : "onAllRed(0)"},
              callback->calls);
    if (c.decodes) {
      EXPECT_TRUE(sameRecord(record, fresh.getProbeData()));
      EXPECT_EQ(ProbeDataCoder::NoError, fresh.getError());
    } else {
      EXPECT_EQ(ProbeDataCoder::DecodeError, fresh.getError());
    }
  }
}

TEST_F(PDSimuCoderTest, SuccessKeepsTheLastFailure) {
  completeRead(true, "garbage");
  completeRead(true, text);
  EXPECT_EQ(ProbeDataCoder::DecodeError, coder.getError());
  completeSave(false, text);
  completeSave(true, text);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_EQ((std::vector<std::string>{"onAllRed(0)", "onAllRed(1)", "onSaved(0)", "onSaved(1)"}),
            callback->calls);
  EXPECT_TRUE(sameRecord(record, coder.getProbeData()));
}

TEST_F(PDSimuCoderTest, WithoutCallbackCompletionsOnlyRecordTheOutcome) {
  coder.clearCB();
  completeRead(true, text);
  EXPECT_TRUE(sameRecord(record, coder.getProbeData()));
  completeRead(false, text);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  completeSave(true, "garbage");
  EXPECT_EQ(ProbeDataCoder::CodeError, coder.getError());
  EXPECT_TRUE(callback->calls.empty());
  EXPECT_TRUE(log.messages(log4cplus::WARN_LOG_LEVEL).empty());
}

// The report goes to the callback set when the completion arrives, not when the request went out.
TEST_F(PDSimuCoderTest, ReportGoesToTheCallbackSetAtCompletion) {
  coder.readAll();
  boost::shared_ptr<Callback> later(new Callback);
  coder.setCB(later);
  completeRead(true, text);
  EXPECT_TRUE(callback->calls.empty());
  EXPECT_EQ(std::vector<std::string>{"onAllRed(1)"}, later->calls);
}

// Regression test for a callback freed inside its own report: a callback that the coder alone
// holds and that clears itself from the coder must live until its report returns.
TEST_F(PDSimuCoderTest, CallbackThatClearsItselfSurvivesItsReport) {
  class SelfClearing final : public ProbeDataCoderCB {
   public:
    SelfClearing(ProbeDataCoder* coder, bool* destroyed, bool* destroyedInReport)
        : coder_(coder), destroyed_(destroyed), destroyedInReport_(destroyedInReport) {}
    ~SelfClearing() { *destroyed_ = true; }
    void onAllRed(bool) override {
      coder_->clearCB();
      *destroyedInReport_ = *destroyed_;
    }

   private:
    ProbeDataCoder* coder_;
    bool* destroyed_;
    bool* destroyedInReport_;
  };
  bool destroyed = false;
  bool destroyedInReport = true;
  coder.setCB(boost::shared_ptr<ProbeDataCoderCB>(
      new SelfClearing(&coder, &destroyed, &destroyedInReport)));
  completeRead(true, text);
  EXPECT_FALSE(destroyedInReport);
  EXPECT_TRUE(destroyed);
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
      {"device error, no callback", true, DataHandler::DHDeviceError, false,
       ProbeDataCoder::DecodeError},
      {"no handler, no callback", false, DataHandler::NoDHError, false,
       ProbeDataCoder::DecodeError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    handler->error = c.handlerError;
    PDSimuCoder fresh(c.withHandler ? handler : boost::shared_ptr<ScriptedHandler>());
    boost::shared_ptr<Callback> cb(new Callback);
    fresh.setCB(cb);
    fresh.onDataRed(true, 0, 0, nullptr);
    ASSERT_EQ(ProbeDataCoder::DecodeError, fresh.getError());
    cb->calls.clear();
    if (!c.withCallback) fresh.clearCB();
    ProbeDataCoder::PDCError errorAtReport = ProbeDataCoder::NoError;
    cb->onReport = [&] { errorAtReport = fresh.getError(); };
    log.clear();

    fresh.onError();
    EXPECT_EQ(c.error, fresh.getError());
    if (c.withCallback) {
      EXPECT_EQ(std::vector<std::string>{"onError()"}, cb->calls);
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

TEST_F(PDSimuCoderTest, DataChecksumIsTheCrcOfTheCodedText) {
  const ProbeData records[] = {record, sampleRecord(0, false), sampleRecord(1, true),
                               sampleRecord(25, true)};
  for (const ProbeData& data : records) {
    SCOPED_TRACE(data.getRigidBody().getId());
    log.clear();
    std::string coded;
    ASSERT_TRUE(coder.codeStream(data, coded));
    const unsigned int checksum = coder.computeDataCheksum(data);
    EXPECT_EQ(crcOf(coded), checksum);
    EXPECT_LE(checksum, 65535u);
    EXPECT_EQ(std::vector<std::string>{"PDSimuCoder::checksum result " + std::to_string(checksum)},
              log.messages(log4cplus::DEBUG_LOG_LEVEL));
    ASSERT_FALSE(log.events().empty());
    EXPECT_NE(std::string::npos, log.events().back().file.find("PDSimuCoder.cpp"));
    // The record's own checksum covers the same text.
    EXPECT_EQ(data.computeChecksum(), checksum);
  }
  ProbeData changed(record);
  changed.setChecksum(record.getChecksum() + 1);
  EXPECT_NE(coder.computeDataCheksum(record), coder.computeDataCheksum(changed));
  EXPECT_TRUE(handler->requests.empty());
}

TEST_F(PDSimuCoderTest, CodeAndDecodeStreamUseTheXmlText) {
  std::string coded = "left over";
  EXPECT_TRUE(coder.codeStream(record, coded));
  EXPECT_EQ(text, coded);

  EXPECT_TRUE(coder.decodeStream(coded));
  EXPECT_TRUE(sameRecord(record, coder.getProbeData()));
  EXPECT_FALSE(coder.decodeStream("no document"));
  EXPECT_EQ(ProbeDataCoder::NoError, coder.getError());
  EXPECT_TRUE(handler->requests.empty());
  EXPECT_TRUE(callback->calls.empty());
}

// The coder keeps no transfer state: requests go out while others are pending, and each
// completion is handled by itself.
TEST_F(PDSimuCoderTest, RequestsMayOverlap) {
  coder.readAll();
  coder.save(record);
  coder.readVersion();
  ASSERT_EQ(3u, handler->requests.size());
  EXPECT_FALSE(handler->requests[0].save);
  EXPECT_TRUE(handler->requests[1].save);
  EXPECT_FALSE(handler->requests[2].save);

  completeRead(false, std::string());
  coder.onDataSaved(true, 0, handler->requests[1].length, handler->requests[1].data.get());
  completeRead(true, text);
  EXPECT_EQ((std::vector<std::string>{"onAllRed(0)", "onSaved(1)", "onAllRed(1)"}),
            callback->calls);
  EXPECT_EQ(kNoVersion, coder.getInputVersion());
}

TEST_F(PDSimuCoderTest, ExceptionsPassThroughUnchanged) {
  handler->throwNext = true;
  EXPECT_THROW(coder.readAll(), std::runtime_error);
  handler->throwNext = true;
  EXPECT_THROW(coder.save(record), std::runtime_error);
  EXPECT_TRUE(handler->requests.empty());

  callback->onReport = [] { throw std::logic_error("callback failed"); };
  EXPECT_THROW(completeRead(false, text), std::logic_error);
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_THROW(coder.onError(), std::logic_error);
}

// A copy shares the data handler and callback with its source and holds its own record,
// versions and error.
enum class CopyKind { Construct, Assign };

class PDSimuCoderCopyTest : public PDSimuCoderTest,
                            public ::testing::WithParamInterface<CopyKind> {
 protected:
  // A copy of coder, or coder assigned over a coder with its own handler and callback.
  std::unique_ptr<SimuCoder> copyOfCoder() {
    if (GetParam() == CopyKind::Construct) return std::unique_ptr<SimuCoder>(new SimuCoder(coder));
    std::unique_ptr<SimuCoder> target(new SimuCoder(otherHandler));
    target->setCB(otherCallback);
    SimuCoder& result = (*target = coder);
    EXPECT_EQ(target.get(), &result);
    return target;
  }

  boost::shared_ptr<ScriptedHandler> otherHandler{new ScriptedHandler};
  boost::shared_ptr<Callback> otherCallback{new Callback};
};

TEST_P(PDSimuCoderCopyTest, CopySharesHandlerAndCallbackButNotTheRecord) {
  coder.setOutputVersion(7);
  completeRead(true, text);
  completeRead(true, "garbage");
  callback->calls.clear();

  std::unique_ptr<SimuCoder> copy = copyOfCoder();
  SimuCoder& target = *copy;
  EXPECT_EQ(7u, target.getOutputVersion());
  EXPECT_EQ(kNoVersion, target.getInputVersion());
  EXPECT_EQ(ProbeDataCoder::DecodeError, target.getError());
  EXPECT_TRUE(sameRecord(coder.getProbeData(), target.getProbeData()));

  target.readAll();
  EXPECT_EQ(1u, handler->requests.size());
  EXPECT_TRUE(otherHandler->requests.empty());

  const ProbeData other = sampleRecord(4, false);
  const std::string otherText = textOf(other);
  std::vector<unsigned char> buffer(otherText.begin(), otherText.end());
  target.onDataRed(true, 0, static_cast<unsigned long>(buffer.size()), buffer.data());
  EXPECT_EQ(std::vector<std::string>{"onAllRed(1)"}, callback->calls);
  EXPECT_TRUE(otherCallback->calls.empty());
  EXPECT_TRUE(sameRecord(other, target.getProbeData()));
  EXPECT_TRUE(sameRecord(record, coder.getProbeData()));

  completeRead(false, std::string());
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_EQ(ProbeDataCoder::DecodeError, target.getError());
  EXPECT_TRUE(sameRecord(other, target.getProbeData()));
}

INSTANTIATE_TEST_SUITE_P(BothWays, PDSimuCoderCopyTest,
                         ::testing::Values(CopyKind::Construct, CopyKind::Assign),
                         [](const ::testing::TestParamInfo<CopyKind>& param) {
                           return param.param == CopyKind::Construct ? "Construct" : "Assign";
                         });

}  // namespace
