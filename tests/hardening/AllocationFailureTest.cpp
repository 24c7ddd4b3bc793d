// Every operation that allocates, run once for each allocation it makes with exactly that
// allocation failing, until a run makes no allocation that can fail. Each run must end as the
// library promises: the result it documents with its log line, a CodeError or DecodeError
// report, or the std::bad_alloc passed to the caller where the operation lets exceptions
// through; the record and the coder hold nothing half-updated beyond what is documented, and
// every block allocated during the run is freed once its objects are gone.
#include <gtest/gtest.h>
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <list>
#include <new>
#include <string>
#include <vector>

#include "DataHandler.h"
#include "FailingAllocator.h"
#include "PDSimuCoder.h"
#include "ProbeDataV1Coder.h"
#include "RecordingCallback.h"
#include "RigidBodies.h"
#include "Utils.h"

namespace {

// No sweep needs more runs than this; one that does has lost its way.
constexpr std::size_t kMaxRuns = 20000;

// Records the "Probe" logger's ERROR and WARN lines. Its own bookkeeping never fails.
class Recorder : public log4cplus::Appender {
 public:
  ~Recorder() override { destructorImpl(); }
  void close() override {}
  std::vector<std::string> lines;

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    failing_alloc::Pause pause;
    if (event.getLogLevel() >= log4cplus::WARN_LOG_LEVEL) lines.push_back(event.getMessage());
  }
};

class Logs {
 public:
  Logs() : logger_(log4cplus::Logger::getInstance("Probe")), recorder_(new Recorder) {
    logger_.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
    logger_.addAppender(log4cplus::SharedAppenderPtr(recorder_.get()));
  }
  ~Logs() {
    logger_.removeAppender(log4cplus::SharedAppenderPtr(recorder_.get()));
    logger_.setLogLevel(log4cplus::NOT_SET_LOG_LEVEL);
  }
  bool has(const std::string& line) const {
    for (const std::string& l : recorder_->lines) {
      if (l == line) return true;
    }
    return false;
  }
  bool hasPrefix(const std::string& prefix) const {
    for (const std::string& l : recorder_->lines) {
      if (l.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
  }
  std::string all() const {
    std::string text;
    for (const std::string& l : recorder_->lines) text += "[" + l + "] ";
    return text;
  }

 private:
  log4cplus::Logger logger_;
  log4cplus::helpers::SharedObjectPtr<Recorder> recorder_;
};

// Runs attempt(n) for n = 1, 2, ... until a run has no allocation fail. attempt arms the
// allocator around the operation only and checks the outcome itself; by the time it returns,
// as many blocks must be alive as before (not counted on Windows). Log4cplus keeps per-thread
// buffers that it creates on first use (and then replaces, block for block), so a run that
// leaves the count changed is repeated once: a leak changes it again.
void sweep(const std::function<bool(std::size_t)>& attempt) {
  std::size_t n = 1;
  for (; n <= kMaxRuns; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    long before = failing_alloc::liveBlocks();
    bool injected = attempt(n);
    if (::testing::Test::HasFailure()) return;
    if (failing_alloc::kWholeProcess && failing_alloc::liveBlocks() != before) {
      before = failing_alloc::liveBlocks();
      injected = attempt(n);
      EXPECT_EQ(before, failing_alloc::liveBlocks()) << "blocks leaked";
      if (::testing::Test::HasFailure()) return;
    }
    if (!injected) break;
  }
  if (!failing_alloc::kWholeProcess && n == 1) {
    GTEST_SKIP() << "allocates inside the DLLs only, where no allocation can fail on Windows";
  }
  EXPECT_GT(n, 1u) << "the operation allocates nothing: nothing was tested";
  EXPECT_LE(n, kMaxRuns);
  ::testing::Test::RecordProperty("runs", static_cast<int>(n));
}

// Which parts of a record hold the start value and which the decoded one. A part holding
// anything else is half-updated.
enum Part { kTargets, kId, kDefaultDir, kMask, kChecksum, kPartCount };

bool sameTargets(const ProbeData& a, const ProbeData& b) {
  Rb::RigidBody ba = a.getRigidBody(), bb = b.getRigidBody();
  ba.setId("");
  bb.setId("");
  return sameBody(ba, bb);
}

bool samePart(Part part, const ProbeData& a, const ProbeData& b) {
  double ax, ay, az, bx, by, bz;
  switch (part) {
    case kTargets:
      return sameTargets(a, b);
    case kId:
      return a.getRigidBody().getId() == b.getRigidBody().getId();
    case kDefaultDir:
      a.getDefaultDir(ax, ay, az);
      b.getDefaultDir(bx, by, bz);
      return ax == bx && ay == by && az == bz;
    case kMask:
      return a.getMaskThickness() == b.getMaskThickness();
    default:
      return a.getChecksum() == b.getChecksum();
  }
}

// The parts of actual that hold the decoded value, each checked to hold one of the two.
std::vector<bool> decodedParts(const ProbeData& start, const ProbeData& decoded,
                               const ProbeData& actual) {
  std::vector<bool> parts(kPartCount);
  for (int p = 0; p < kPartCount; ++p) {
    const Part part = static_cast<Part>(p);
    EXPECT_FALSE(samePart(part, start, decoded)) << "part " << p << " cannot tell start from end";
    parts[p] = samePart(part, decoded, actual);
    EXPECT_TRUE(parts[p] || samePart(part, start, actual)) << "part " << p << " is half-updated";
  }
  return parts;
}

// A record that differs from the sample in every part.
ProbeData startRecord() {
  return makeRecord(makeBody("start", {target(9.99, 111, 222, 333)}), 0.5, 0.25, 0.125, 777,
                    0xABCDu);
}

ProbeData sample() {
  ProbeData record = sampleRecord(3, true);
  record.setChecksum(0x1234);  // kept whole by the image: 16 bits
  return record;
}

// --- String conversion ---------------------------------------------------------------------

class V1Coder : public ProbeDataV1Coder {
 public:
  explicit V1Coder(boost::shared_ptr<DataHandler> handler = {}) : ProbeDataV1Coder(handler) {}
  unsigned pendingReads() const { return pendingReads_; }
  unsigned pendingWrites() const { return pendingWrites_; }
  bool readIdle() const {
    return pendingReads_ == 0 && currentAction_ == NoReadAction && nextAction_ == NoReadAction;
  }
};

std::string imageOf(const ProbeData& record) {
  V1Coder coder;
  std::string image;
  EXPECT_TRUE(coder.convertToString(record, image));
  return image;
}

TEST(AllocationFailureTest, ConvertToString) {
  const ProbeData record = sample();
  const std::string expected = imageOf(record);
  sweep([&](std::size_t n) {
    Logs logs;
    V1Coder coder;
    std::string image = "earlier content";
    failing_alloc::arm(n);
    bool ok = false;
    try {
      ok = coder.convertToString(record, image);
    } catch (...) {
      failing_alloc::disarm();
      ADD_FAILURE() << "convertToString threw";
      return false;
    }
    const bool injected = failing_alloc::disarm();
    if (ok) {
      EXPECT_EQ(expected, image);
    } else {
      EXPECT_TRUE(injected);
      EXPECT_TRUE(logs.has("ProbeDataV1Coder::convertToString could not allocate") ||
                  logs.has("ProbeDataV1Coder::convertToString"))
          << logs.all();
      // Unchanged, or already resized for the image.
      EXPECT_TRUE(image == "earlier content" || image.size() == expected.size());
    }
    return injected;
  });
}

TEST(AllocationFailureTest, ConvertFromString) {
  const std::string image = imageOf(sample());
  const ProbeData start = startRecord();
  ProbeData decoded = start;
  {
    V1Coder coder;
    ASSERT_TRUE(coder.convertFromString(image, decoded));
  }
  sweep([&](std::size_t n) {
    Logs logs;
    V1Coder coder;
    ProbeData record = start;
    failing_alloc::arm(n);
    bool ok = false;
    try {
      ok = coder.convertFromString(image, record);
    } catch (...) {
      failing_alloc::disarm();
      ADD_FAILURE() << "convertFromString threw";
      return false;
    }
    const bool injected = failing_alloc::disarm();
    if (ok) {
      EXPECT_TRUE(sameRecord(decoded, record));
      EXPECT_EQ(0x21u, coder.getInputVersion());
      return injected;
    }
    EXPECT_TRUE(injected);
    const std::vector<bool> parts = decodedParts(start, decoded, record);
    if (logs.has("ProbeDataV1Coder::convertFromString could not read version") ||
        logs.has("ProbeDataV1Coder::convertFromString could not allocate")) {
      for (int p = 0; p < kPartCount; ++p) EXPECT_FALSE(parts[p]) << "part " << p;
    } else {
      // A failing item keeps the items before it: targets, default direction, mask thickness,
      // then the data check block, which sets the checksum before the id.
      EXPECT_TRUE(!parts[kDefaultDir] || parts[kTargets]);
      EXPECT_TRUE(!parts[kMask] || parts[kDefaultDir]);
      EXPECT_TRUE(!parts[kChecksum] || parts[kMask]);
      EXPECT_TRUE(!parts[kId] || parts[kChecksum]);
      EXPECT_EQ(0x21u, coder.getInputVersion());
    }
    return injected;
  });
}

// --- XML strings ------------------------------------------------------------------------------

TEST(AllocationFailureTest, SaveToString) {
  const ProbeData record = sample();
  std::string expected;
  ASSERT_TRUE(saveToString(expected, record));
  sweep([&](std::size_t n) {
    Logs logs;
    std::string text = "earlier content";
    failing_alloc::arm(n);
    bool ok = false;
    try {
      ok = saveToString(text, record);
    } catch (...) {
      failing_alloc::disarm();
      ADD_FAILURE() << "saveToString threw";
      return false;
    }
    const bool injected = failing_alloc::disarm();
    if (ok) {
      EXPECT_EQ(expected, text);
    } else {
      EXPECT_TRUE(injected);
      EXPECT_EQ("", text);
      EXPECT_TRUE(logs.hasPrefix("could not code to stream ")) << logs.all();
    }
    return injected;
  });
}

TEST(AllocationFailureTest, LoadFromString) {
  std::string text;
  ASSERT_TRUE(saveToString(text, sample()));
  const ProbeData start = startRecord();
  ProbeData decoded = start;
  ASSERT_TRUE(loadFromString(text, decoded));
  sweep([&](std::size_t n) {
    Logs logs;
    ProbeData record = start;
    failing_alloc::arm(n);
    bool ok = false;
    try {
      ok = loadFromString(text, record);
    } catch (...) {
      failing_alloc::disarm();
      ADD_FAILURE() << "loadFromString threw";
      return false;
    }
    const bool injected = failing_alloc::disarm();
    if (ok) {
      EXPECT_TRUE(sameRecord(decoded, record));
      return injected;
    }
    EXPECT_TRUE(injected);
    EXPECT_TRUE(logs.hasPrefix("could not decode stream ")) << logs.all();
    // Each part is applied once read, in document order; the mask thickness, last, only on
    // success. The body is handed over whole.
    const std::vector<bool> parts = decodedParts(start, decoded, record);
    EXPECT_EQ(parts[kTargets], parts[kId]);
    EXPECT_TRUE(!parts[kTargets] || parts[kChecksum]);
    EXPECT_TRUE(!parts[kDefaultDir] || parts[kTargets]);
    EXPECT_FALSE(parts[kMask]);
    return injected;
  });
}

// --- Coders -------------------------------------------------------------------------------------

// A data handler that queues requests, or completes them at once from its memory. Its own
// bookkeeping never fails, so every failure injected is the coder's.
class Handler final : public DataHandler {
 public:
  struct Request {
    bool save;
    unsigned long offset;
    unsigned long length;
    std::vector<unsigned char> bytes;  // what a save wrote
  };

  void readData(unsigned long offset, unsigned long length) override {
    {
      failing_alloc::Pause pause;
      requests.push_back(Request{false, offset, length, {}});
    }
    if (synchronous) completeNext();
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    {
      failing_alloc::Pause pause;
      requests.push_back(Request{true, offset, length,
                                 std::vector<unsigned char>(data.get(), data.get() + length)});
    }
    if (synchronous) completeNext();
  }
  DHError getError() const override { return NoDHError; }

  // Answers the oldest request: a read from memory, a save by storing its bytes.
  void completeNext() {
    std::vector<unsigned char> bytes;
    Request request;
    {
      failing_alloc::Pause pause;
      ASSERT_FALSE(requests.empty());
      request = requests.front();
      requests.pop_front();
      if (request.save) {
        memory = request.bytes;
        bytes = request.bytes;
      } else {
        const unsigned long end = request.offset + std::min<unsigned long>(request.length, 0x10000);
        if (memory.size() < end) memory.resize(end);
        bytes.assign(memory.begin() + static_cast<long>(request.offset),
                     memory.begin() + static_cast<long>(end));
      }
    }
    if (request.save) {
      coder->onDataSaved(true, request.offset, request.length, bytes.data());
    } else {
      coder->onDataRed(true, request.offset, static_cast<unsigned long>(bytes.size()),
                       bytes.data());
    }
  }

  DataHandlerCB* coder = nullptr;
  bool synchronous = false;
  std::vector<unsigned char> memory;
  std::deque<Request> requests;
};

// Records reports; its bookkeeping never fails either.
class Reports final : public ProbeDataCoderCB {
 public:
  void onChecksumRed(bool ok) override { add(std::string("onChecksumRed") + (ok ? "(1)" : "(0)")); }
  void onAllRed(bool ok) override { add(std::string("onAllRed") + (ok ? "(1)" : "(0)")); }
  void onSaved(bool ok) override { add(std::string("onSaved") + (ok ? "(1)" : "(0)")); }
  void onError() override { add("onError()"); }
  std::vector<std::string> calls;

 private:
  void add(const std::string& call) {
    failing_alloc::Pause pause;
    calls.push_back(call);
  }
};

using Calls = std::vector<std::string>;

template <class CoderType>
struct Host {
  explicit Host(const std::vector<unsigned char>& memory = {}) {
    handler->memory = memory;
    handler->coder = &coder;
    coder.setCB(reports);
  }
  Calls& calls() { return reports->calls; }

  boost::shared_ptr<Handler> handler{new Handler};
  boost::shared_ptr<Reports> reports{new Reports};
  CoderType coder{handler};
};

std::vector<unsigned char> bytesOf(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

// Runs an operation armed at n. true when it let std::bad_alloc out; any other exception
// fails the test.
bool armedThrows(std::size_t n, const std::function<void()>& operation, bool& injected) {
  failing_alloc::arm(n);
  bool threw = false;
  try {
    operation();
  } catch (const std::bad_alloc&) {
    threw = true;
  } catch (...) {
    injected = failing_alloc::disarm();
    ADD_FAILURE() << "an exception other than bad_alloc";
    return false;
  }
  injected = failing_alloc::disarm();
  EXPECT_TRUE(!threw || injected);
  return threw;
}

TEST(AllocationFailureTest, V1CoderSave) {
  const ProbeData record = sample();
  const std::vector<unsigned char> image = bytesOf(imageOf(record));
  sweep([&](std::size_t n) {
    Logs logs;
    Host<V1Coder> host;
    const ProbeData before = host.coder.getProbeData();
    bool injected = false;
    const bool threw = armedThrows(n, [&] { host.coder.save(record); }, injected);
    EXPECT_TRUE(sameRecord(before, host.coder.getProbeData())) << "save changed the record";
    if (threw) {
      // Passed to the caller with the write withdrawn and nothing reported.
      EXPECT_EQ(0u, host.coder.pendingWrites());
      EXPECT_TRUE(host.handler->requests.empty());
      EXPECT_TRUE(host.calls().empty());
    } else if (host.handler->requests.empty()) {
      EXPECT_TRUE(injected);
      EXPECT_EQ(ProbeDataCoder::CodeError, host.coder.getError());
      EXPECT_EQ(Calls{"onSaved(0)"}, host.calls());
      EXPECT_TRUE(logs.has("ProbeDataV1Coder::save(All) Could not code stream")) << logs.all();
      EXPECT_EQ(0u, host.coder.pendingWrites());
    } else {
      EXPECT_EQ(1u, host.coder.pendingWrites());
      EXPECT_EQ(image, host.handler->requests.front().bytes);
      EXPECT_TRUE(host.calls().empty());
      host.handler->completeNext();
    }
    // Whatever happened, the coder takes the next save.
    host.calls().clear();
    host.coder.save(record);
    host.handler->completeNext();
    EXPECT_EQ(Calls{"onSaved(1)"}, host.calls());
    return injected;
  });
}

TEST(AllocationFailureTest, V1CoderSaveCompletion) {
  const ProbeData record = sample();
  ProbeData expected;
  {
    V1Coder coder;
    ASSERT_TRUE(coder.convertFromString(imageOf(record), expected));
  }
  sweep([&](std::size_t n) {
    Logs logs;
    Host<V1Coder> host;
    host.coder.save(record);
    const ProbeData before = host.coder.getProbeData();
    bool injected = false;
    const bool threw = armedThrows(n, [&] { host.handler->completeNext(); }, injected);
    if (threw) {
      EXPECT_TRUE(sameRecord(before, host.coder.getProbeData()));
      EXPECT_TRUE(host.calls().empty());
      EXPECT_EQ(0u, host.coder.pendingWrites()) << "the write is over: a new save is accepted";
    } else if (host.calls() == Calls{"onSaved(1)"}) {
      EXPECT_TRUE(sameRecord(expected, host.coder.getProbeData()));
      EXPECT_EQ(0x21u, host.coder.getInputVersion());
    } else {
      EXPECT_EQ(Calls{"onSaved(0)"}, host.calls());
      EXPECT_EQ(ProbeDataCoder::DecodeError, host.coder.getError());
      EXPECT_TRUE(logs.has("ProbeDataV1Coder::onDataSaved() Could not decode stream"))
          << logs.all();
      EXPECT_TRUE(sameRecord(before, host.coder.getProbeData()));
    }
    return injected;
  });
}

// readAll on a new coder, swept at each of its three steps: the request, the version
// completion that chains the whole-image read, and the whole-image completion. A read
// replaces the held record whole or not at all.
class V1CoderRead : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(coder_.convertFromString(
        std::string(image.begin(), image.end()), expected));
  }
  V1Coder coder_;
  const std::vector<unsigned char> image = bytesOf(imageOf(sample()));
  ProbeData expected;
};

TEST_P(V1CoderRead, Step) {
  const int armedStep = GetParam();
  sweep([&](std::size_t n) {
    Logs logs;
    Host<V1Coder> host(image);
    const ProbeData before = host.coder.getProbeData();
    bool injected = false;
    bool threw = false;
    const std::function<void()> steps[] = {
        [&] { host.coder.readAll(); },
        [&] { host.handler->completeNext(); },
        [&] { host.handler->completeNext(); },
    };
    // Steps before the armed one run as usual, steps after it only while a request waits.
    for (int step = 0; step < 3; ++step) {
      if (step > armedStep && host.handler->requests.empty()) break;
      if (step != armedStep) {
        steps[step]();
        continue;
      }
      threw = armedThrows(n, steps[step], injected);
      if (threw) break;
    }
    const ProbeData& held = host.coder.getProbeData();
    EXPECT_TRUE(sameRecord(before, held) || sameRecord(expected, held)) << "half-read record";
    if (threw) {
      // Let out of readAll before its guards, or out of a completion: nothing reported, and
      // the read is over, so the next request is accepted.
      EXPECT_TRUE(host.calls().empty());
      EXPECT_TRUE(sameRecord(before, held));
      EXPECT_TRUE(host.coder.readIdle());
    } else if (host.calls() == Calls{"onAllRed(1)"}) {
      EXPECT_TRUE(sameRecord(expected, held));
      EXPECT_TRUE(host.coder.readIdle());
    } else if (host.calls() == Calls{"onError()", "onAllRed(0)"}) {
      // The chained request failed inside readAll's handler.
      EXPECT_EQ(ProbeDataCoder::TransferError, host.coder.getError());
      EXPECT_TRUE(logs.has("ProbeDataV1Coder::readAll()")) << logs.all();
      EXPECT_TRUE(sameRecord(before, held));
      EXPECT_TRUE(host.coder.readIdle());
    } else {
      EXPECT_EQ(Calls{"onAllRed(0)"}, host.calls());
      EXPECT_EQ(ProbeDataCoder::DecodeError, host.coder.getError());
      EXPECT_TRUE(logs.has("ProbeDataV1Coder::onDataRed() Could not decode stream"))
          << logs.all();
      EXPECT_TRUE(sameRecord(before, held));
      EXPECT_TRUE(host.coder.readIdle());
    }
    return injected;
  });
}

std::string readStepName(const ::testing::TestParamInfo<int>& info) {
  static const char* const kNames[] = {"Request", "VersionCompletion", "ImageCompletion"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(AllocationFailureTest, V1CoderRead, ::testing::Values(0, 1, 2),
                         readStepName);

// The same read with a handler that completes inside readData, swept as one operation: a
// completion's exception then reaches readAll's own handler.
TEST(AllocationFailureTest, V1CoderSynchronousRead) {
  const std::vector<unsigned char> image = bytesOf(imageOf(sample()));
  ProbeData expected;
  {
    V1Coder coder;
    ASSERT_TRUE(coder.convertFromString(std::string(image.begin(), image.end()), expected));
  }
  sweep([&](std::size_t n) {
    Logs logs;
    Host<V1Coder> host(image);
    host.handler->synchronous = true;
    const ProbeData before = host.coder.getProbeData();
    bool injected = false;
    const bool threw = armedThrows(n, [&] { host.coder.readAll(); }, injected);
    const ProbeData& held = host.coder.getProbeData();
    EXPECT_TRUE(host.coder.readIdle());
    if (threw) {
      EXPECT_TRUE(host.calls().empty());
      EXPECT_TRUE(sameRecord(before, held));
    } else if (host.calls() == Calls{"onAllRed(1)"}) {
      EXPECT_TRUE(sameRecord(expected, held));
    } else {
      EXPECT_TRUE(injected);
      EXPECT_TRUE(host.calls() == (Calls{"onError()", "onAllRed(0)"}) ||
                  host.calls() == Calls{"onAllRed(0)"});
      EXPECT_TRUE(sameRecord(before, held));
    }
    // The coder is idle: the next read goes through.
    host.calls().clear();
    host.coder.readAll();
    EXPECT_EQ(Calls{"onAllRed(1)"}, host.calls());
    return injected;
  });
}

class SimuCoder : public PDSimuCoder {
 public:
  explicit SimuCoder(boost::shared_ptr<DataHandler> handler) : PDSimuCoder(handler) {}
};

TEST(AllocationFailureTest, SimuCoderSave) {
  const ProbeData record = sample();
  std::string text;
  ASSERT_TRUE(saveToString(text, record));
  sweep([&](std::size_t n) {
    Host<SimuCoder> host;
    bool injected = false;
    const bool threw = armedThrows(n, [&] { host.coder.save(record); }, injected);
    EXPECT_TRUE(host.calls().empty());
    EXPECT_TRUE(sameRecord(ProbeData(), host.coder.getProbeData()));
    if (threw) {
      EXPECT_TRUE(host.handler->requests.empty());
    } else {
      // A text that could not be written goes out empty.
      EXPECT_EQ(1u, host.handler->requests.size());
      if (!host.handler->requests.empty()) {
        const std::vector<unsigned char>& saved = host.handler->requests.front().bytes;
        EXPECT_TRUE(saved == bytesOf(text) || (injected && saved.empty()));
      }
    }
    return injected;
  });
}

TEST(AllocationFailureTest, SimuCoderReadCompletion) {
  const ProbeData record = sample();
  std::string text;
  ASSERT_TRUE(saveToString(text, record));
  const ProbeData start = startRecord();
  ProbeData expected = start;
  ASSERT_TRUE(loadFromString(text, expected));
  sweep([&](std::size_t n) {
    Logs logs;
    Host<SimuCoder> host(bytesOf(text));
    host.coder.save(start);
    host.handler->completeNext();
    host.calls().clear();
    host.handler->memory = bytesOf(text);
    host.coder.readAll();
    host.handler->requests.front().length = text.size();
    bool injected = false;
    const bool threw = armedThrows(n, [&] { host.handler->completeNext(); }, injected);
    const ProbeData& held = host.coder.getProbeData();
    if (threw) {
      EXPECT_TRUE(host.calls().empty());
      EXPECT_TRUE(sameRecord(start, held));
    } else if (host.calls() == Calls{"onAllRed(1)"}) {
      EXPECT_TRUE(sameRecord(expected, held));
    } else {
      EXPECT_EQ(Calls{"onAllRed(0)"}, host.calls());
      EXPECT_EQ(ProbeDataCoder::DecodeError, host.coder.getError());
      EXPECT_TRUE(logs.hasPrefix("could not decode stream ")) << logs.all();
      // Partly read as loadFromString leaves it.
      const std::vector<bool> parts = decodedParts(start, expected, held);
      EXPECT_FALSE(parts[kMask]);
    }
    return injected;
  });
}

}  // namespace
