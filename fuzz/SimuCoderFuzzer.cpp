// PDSimuCoder driven through a scripted data handler that keeps a record's XML text. The input
// is a list of steps: requests, completions of the queued requests (honest or failed, text
// with or without a NUL after it), completions made up from the input's bytes (with or without
// data, NULs anywhere), the handler's error reports and faults, changes to the stored text,
// output versions and callbacks that come and go.
//
// Checked at every step:
// - each request asks the handler once, as documented: reads for offset 0 and all the text,
//   saves with exactly the bytes saveToString writes for the record, no NUL after them;
// - a request never changes the record; a handler fault passes out unchanged;
// - each completion reports exactly once, through the callback operation of its kind, with the
//   error already set; it holds what loadFromString makes of the text up to the first NUL and
//   never more than length bytes (ok false: untouched, TransferError);
// - the data checksum is the CRC of the record's text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "Error.h"
#include "FuzzSupport.h"
#include "PDSimuCoder.h"
#include "Utils.h"

namespace {

bool tracing() {
  static const bool on = std::getenv("FUZZ_TRACE") != nullptr;
  return on;
}

const char kTargetName[] = "simu_coder";
const int kMaxSteps = 48;
const unsigned long kWholeText = 0xFFFFFFFFul;

struct HandlerFault : std::runtime_error {
  HandlerFault() : std::runtime_error("simulated handler fault") {}
};

struct Queued {
  bool save;
  std::vector<unsigned char> bytes;  // what a save wrote
};

class Handler final : public DataHandler {
 public:
  void readData(unsigned long offset, unsigned long length) override {
    ++requests;
    FUZZ_CHECK(offset == 0 && length == kWholeText, "read request for part of the text");
    throwIfAsked();
    queue.push_back(Queued{false, {}});
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    ++requests;
    FUZZ_CHECK(offset == 0, "save request not at offset 0");
    lastSaved.assign(reinterpret_cast<const char*>(data.get()), length);
    throwIfAsked();
    queue.push_back(Queued{true, std::vector<unsigned char>(data.get(), data.get() + length)});
  }
  DHError getError() const override { return error; }

  std::string memory;
  std::deque<Queued> queue;
  std::string lastSaved;
  int requests = 0;
  bool throwNext = false;
  DHError error = NoDHError;

 private:
  void throwIfAsked() {
    if (throwNext) {
      throwNext = false;
      throw HandlerFault();
    }
  }
};

class Coder : public PDSimuCoder {
 public:
  explicit Coder(boost::shared_ptr<DataHandler> handler) : PDSimuCoder(handler) {}
};

class Callback final : public ProbeDataCoderCB {
 public:
  explicit Callback(const Coder& coder) : coder_(coder) {}
  void onChecksumRed(bool) override { fuzz::fail(kTargetName, "onChecksumRed from PDSimuCoder"); }
  void onAllRed(bool ok) override { record("onAllRed", ok); }
  void onSaved(bool ok) override { record("onSaved", ok); }
  void onError() override { ++errors; }

  std::vector<std::string> reports;
  std::vector<int> errorsAtReport;
  int errors = 0;

 private:
  void record(const char* name, bool ok) {
    reports.push_back(std::string(name) + (ok ? "(1)" : "(0)"));
    errorsAtReport.push_back(coder_.getError());
  }
  const Coder& coder_;
};

class Run {
 public:
  explicit Run(fuzz::Input& in)
      : in_(in),
        handler_(new Handler),
        coder_(boost::shared_ptr<DataHandler>(handler_)),
        callback_(new Callback(coder_)) {
    coder_.setCB(callback_);
  }

  void execute();

 private:
  void step(unsigned op);
  void read(unsigned which);
  void save(const ProbeData& record);
  void complete(bool save, bool ok, unsigned long length, const unsigned char* data);
  void pump(bool ok, bool newest);
  void madeUp(bool save);

  fuzz::Input& in_;
  boost::shared_ptr<Handler> handler_;
  Coder coder_;
  boost::shared_ptr<Callback> callback_;
  bool callbackSet_ = true;
};

void Run::read(unsigned which) {
  const std::string before = fuzz::describe(coder_.getProbeData());
  const int requestsBefore = handler_->requests;
  const std::size_t reportsBefore = callback_->reports.size();
  const bool throws = handler_->throwNext;
  try {
    if (which == 0) {
      coder_.readAll();
    } else if (which == 1) {
      coder_.readVersion();
    } else {
      coder_.readChecksum();
    }
    FUZZ_CHECK(!throws, "a handler fault did not pass out");
  } catch (const HandlerFault&) {
    FUZZ_CHECK(throws, "fault from nowhere");
  }
  FUZZ_CHECK(handler_->requests == requestsBefore + 1, "a read asks the handler once");
  FUZZ_CHECK(callback_->reports.size() == reportsBefore, "a read request reported");
  FUZZ_CHECK(fuzz::describe(coder_.getProbeData()) == before, "a read request changed the record");
}

void Run::save(const ProbeData& record) {
  const std::string before = fuzz::describe(coder_.getProbeData());
  const int requestsBefore = handler_->requests;
  const bool throws = handler_->throwNext;
  std::string text;
  // A record that cannot be written is still saved, as the empty text.
  saveToString(text, record);
  try {
    coder_.save(record);
    FUZZ_CHECK(!throws, "a handler fault did not pass out");
  } catch (const HandlerFault&) {
    FUZZ_CHECK(throws, "fault from nowhere");
  }
  FUZZ_CHECK(handler_->requests == requestsBefore + 1, "a save asks the handler once");
  FUZZ_CHECK(handler_->lastSaved == text, "saved bytes are not the record's text");
  FUZZ_CHECK(fuzz::describe(coder_.getProbeData()) == before, "save changed the record");
}

// Every completion against what loadFromString makes of the same text.
void Run::complete(bool save, bool ok, unsigned long length, const unsigned char* data) {
  ProbeData expected = coder_.getProbeData();
  const ProbeDataCoder::PDCError errorBefore = coder_.getError();
  ProbeDataCoder::PDCError expectedError = ProbeDataCoder::TransferError;
  bool expectedOk = false;
  if (ok) {
    std::string text;
    for (unsigned long i = 0; data != nullptr && i < length && data[i] != 0; ++i) {
      text.push_back(static_cast<char>(data[i]));
    }
    expectedOk = loadFromString(text, expected);
    expectedError = expectedOk ? errorBefore
                               : (save ? ProbeDataCoder::CodeError : ProbeDataCoder::DecodeError);
  }
  const std::size_t reportsBefore = callback_->reports.size();
  // The handler's buffer holds exactly length bytes, so any read past it shows.
  std::vector<unsigned char> buffer(data == nullptr ? 0 : length);
  if (data != nullptr) std::copy(data, data + length, buffer.begin());
  unsigned char* const bytes = data == nullptr ? nullptr : buffer.data();
  if (save) {
    coder_.onDataSaved(ok, 0, length, bytes);
  } else {
    coder_.onDataRed(ok, 0, length, bytes);
  }
  FUZZ_CHECK(coder_.getError() == expectedError, "error after a completion");
  FUZZ_CHECK(fuzz::describe(coder_.getProbeData()) == fuzz::describe(expected),
             "record after a completion: " + fuzz::describe(coder_.getProbeData()) +
                 " against " + fuzz::describe(expected));
  if (callbackSet_) {
    FUZZ_CHECK(callback_->reports.size() == reportsBefore + 1, "one report per completion");
    const std::string report =
        std::string(save ? "onSaved" : "onAllRed") + (expectedOk ? "(1)" : "(0)");
    FUZZ_CHECK(callback_->reports.back() == report, callback_->reports.back() + " for " + report);
    FUZZ_CHECK(callback_->errorsAtReport.back() == expectedError, "error set after the report");
  } else {
    FUZZ_CHECK(callback_->reports.size() == reportsBefore, "report without a callback");
  }
}

void Run::pump(bool ok, bool newest) {
  if (handler_->queue.empty()) return;
  Queued request;
  if (newest) {
    request = handler_->queue.back();
    handler_->queue.pop_back();
  } else {
    request = handler_->queue.front();
    handler_->queue.pop_front();
  }
  if (!ok) {
    complete(request.save, false, 0, nullptr);
    return;
  }
  if (request.save) {
    handler_->memory.assign(request.bytes.begin(), request.bytes.end());
    complete(true, true, request.bytes.size(), request.bytes.data());
    return;
  }
  // The stored text up to its first NUL, given with its exact length or with a NUL after it.
  std::string text = handler_->memory.substr(0, handler_->memory.find('\0'));
  if (in_.flag()) text.push_back('\0');
  complete(false, true, text.size(), reinterpret_cast<const unsigned char*>(text.data()));
}

void Run::madeUp(bool save) {
  const bool ok = in_.flag();
  const unsigned shape = in_.pick(4);
  std::string bytes;
  if (shape == 0) {
    bytes = in_.shortText();
  } else {
    // The stored text with part of it replaced; length may cut it short.
    bytes = handler_->memory;
    const std::string patch = in_.shortText();
    const std::size_t at = bytes.empty() ? 0 : in_.u16() % bytes.size();
    bytes.replace(at, patch.size(), patch);
  }
  unsigned long length = bytes.size();
  if (shape == 2 && length > 0) length = in_.u16() % length;
  const unsigned char* data =
      shape == 3 ? nullptr : reinterpret_cast<const unsigned char*>(bytes.data());
  complete(save, ok, shape == 3 ? in_.u16() : length, data);
}

void Run::step(unsigned op) {
  switch (op) {
    case 0:
    case 1:
    case 2:
      read(op);
      break;
    case 3:
      save(fuzz::sampleRecord(in_.u8()));
      break;
    case 4:
      save(fuzz::recordFrom(in_));
      break;
    case 5: {
      const ProbeData held = coder_.getProbeData();
      save(held);
      break;
    }
    case 6:
      pump(true, in_.pick(4) == 0);
      break;
    case 7:
      pump(false, in_.pick(4) == 0);
      break;
    case 8:
      madeUp(false);
      break;
    case 9:
      madeUp(true);
      break;
    case 10: {
      const ProbeDataCoder::PDCError before = coder_.getError();
      const int errors = callback_->errors;
      handler_->error = static_cast<DataHandler::DHError>(in_.pick(3));
      coder_.onError();
      FUZZ_CHECK(coder_.getError() == (handler_->error == DataHandler::DHTransferError
                                           ? ProbeDataCoder::TransferError
                                           : before),
                 "onError set the wrong error");
      FUZZ_CHECK(callback_->errors == errors + (callbackSet_ ? 1 : 0), "onError reports once");
      break;
    }
    case 11: {
      const std::vector<std::uint8_t> raw = in_.bytes(in_.u16() % 4096);
      handler_->memory.assign(raw.begin(), raw.end());
      break;
    }
    case 12: {
      if (handler_->memory.empty()) break;
      const std::size_t at = in_.u16() % handler_->memory.size();
      switch (in_.pick(3)) {
        case 0:
          handler_->memory[at] = static_cast<char>(handler_->memory[at] ^ (in_.u8() | 1));
          break;
        case 1:
          handler_->memory[at] = '\0';
          break;
        default:
          handler_->memory.resize(at);
          break;
      }
      break;
    }
    case 13: {
      const unsigned short version = in_.flag() ? static_cast<unsigned short>(in_.pick(20))
                                                : in_.u16();
      const unsigned before = coder_.getOutputVersion();
      try {
        coder_.setOutputVersion(version);
        FUZZ_CHECK(version <= 16 && coder_.getOutputVersion() == version, "output version");
      } catch (const Error&) {
        FUZZ_CHECK(version > 16 && coder_.getOutputVersion() == before, "refused output version");
      }
      break;
    }
    case 14:
      if (in_.flag()) {
        coder_.clearCB();
        callbackSet_ = false;
      } else {
        coder_.setCB(callback_);
        callbackSet_ = true;
      }
      break;
    case 15: {
      const ProbeData record = in_.flag() ? coder_.getProbeData() : fuzz::sampleRecord(in_.u8());
      std::string text;
      const bool written = saveToString(text, record);
      FUZZ_CHECK(written || text.empty(), "a failed save left text behind");
      FUZZ_CHECK(coder_.computeDataCheksum(record) == fuzz::crc16(text.data(), text.size()),
                 "data checksum is not the CRC of the text");
      FUZZ_CHECK(record.computeChecksum() == (written ? fuzz::crc16(text.data(), text.size()) : 0),
                 "record checksum is not the CRC of the text");
      break;
    }
    default:
      handler_->throwNext = in_.flag();
      break;
  }
}

void Run::execute() {
  saveToString(handler_->memory, fuzz::sampleRecord(in_.u8()));
  for (int steps = 0; steps < kMaxSteps && !in_.empty(); ++steps) {
    const unsigned op = in_.pick(17);
    // FUZZ_TRACE=1 in the environment shows the steps an input takes.
    if (tracing()) {
      std::fprintf(stderr, "step %d: op %u, error %d, %s\n", steps, op,
                   static_cast<int>(coder_.getError()),
                   fuzz::describe(coder_.getProbeData()).c_str());
    }
    try {
      step(op);
    } catch (const std::exception& e) {
      fuzz::fail(kTargetName, "step " + std::to_string(op) + " let out: " + e.what());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUpLogging();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  Run run(in);
  run.execute();
  return 0;
}
