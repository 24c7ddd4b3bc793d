// The version-1 coder driven through a scripted data handler. The input is a list of steps:
// requests (readVersion, readAll, readChecksum, save), completions of the handler's queued
// requests (honest or failed, oldest or newest first), completions the handler makes up
// (offset, length, ok and bytes from the input), the handler's error reports, handler faults,
// switches between synchronous and queued completion, output versions, damage to the device
// memory, and callbacks that clear themselves or start the next read from inside a report.
//
// Checked after every step and inside every report:
// - the transfer state is one the coder can be in, and a report finds it settled;
// - every accepted request is answered by exactly one report, and only requests are answered:
//   the reports still due equal the pending counts;
// - a refused request, or a completion thrown back, changes nothing;
// - a completion that fails (ok false, or undecodable) leaves the held record unchanged;
// - a whole image of version 2.1 read or saved gives the record convertFromString gives;
// - a save hands the handler exactly the image convertToString makes of the same record;
// - only the exceptions the coder documents leave it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Error.h"
#include "FuzzSupport.h"
#include "ProbeDataV1Coder.h"

namespace {

bool tracing() {
  static const bool on = std::getenv("FUZZ_TRACE") != nullptr;
  return on;
}

const char kTargetName[] = "v1_coder";
const std::size_t kImageSize = 428;
const int kMaxSteps = 128;
const int kMaxReentry = 3;

// What a data handler of the host may throw from a request.
struct HandlerFault : std::runtime_error {
  HandlerFault() : std::runtime_error("simulated handler fault") {}
};
const char kHandlerErrorText[] = "simulated handler Error";

class Coder : public ProbeDataV1Coder {
 public:
  explicit Coder(boost::shared_ptr<DataHandler> handler) : ProbeDataV1Coder(handler) {}
  unsigned pendingReads() const { return pendingReads_; }
  unsigned pendingWrites() const { return pendingWrites_; }
  ReadAction current() const { return currentAction_; }
  ReadAction next() const { return nextAction_; }
  bool readIdle() const {
    return pendingReads_ == 0 && currentAction_ == NoReadAction && nextAction_ == NoReadAction;
  }
  void setVersions(unsigned input, unsigned output) {
    inputVersion_ = input;
    outputVersion_ = output;
  }
  // Everything a refusal must leave as it was.
  std::string state() const {
    return std::to_string(inputVersion_) + '/' + std::to_string(outputVersion_) + '/' +
           std::to_string(error_) + '/' + std::to_string(pendingReads_) + '/' +
           std::to_string(pendingWrites_) + '/' + std::to_string(currentAction_) + '/' +
           std::to_string(nextAction_) + '/' + fuzz::describe(probeData_);
  }
};

unsigned imageVersion(const unsigned char* bytes, std::size_t size) {
  if (size < 8 || std::string(reinterpret_cast<const char*>(bytes), 4) != "QMVB") return 0x10;
  return ((bytes[4] | (bytes[5] << 8)) << 4) | (bytes[6] | (bytes[7] << 8));
}

struct Queued {
  bool save;
  unsigned long offset;
  unsigned long length;
  std::vector<unsigned char> bytes;  // what a save wrote
};

class Run;

class Handler final : public DataHandler {
 public:
  explicit Handler(Run& run) : run_(run) {}
  void readData(unsigned long offset, unsigned long length) override;
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override;
  DHError getError() const override { return error; }

  std::vector<unsigned char> memory;
  std::deque<Queued> queue;
  bool synchronous = false;
  int throwNext = 0;  // 1: HandlerFault, 2: Error
  DHError error = NoDHError;

 private:
  void maybeThrow();
  Run& run_;
};

class Callback final : public ProbeDataCoderCB {
 public:
  explicit Callback(Run& run) : run_(run) {}
  void onChecksumRed(bool ok) override;
  void onAllRed(bool ok) override;
  void onSaved(bool ok) override;
  void onError() override {}

 private:
  Run& run_;
};

class Run {
 public:
  explicit Run(fuzz::Input& in)
      : in_(in),
        handler_(new Handler(*this)),
        callback_(new Callback(*this)),
        coder_(boost::shared_ptr<DataHandler>(handler_)) {
    coder_.setCB(callback_);
  }

  void execute();

  // Called by the handler and the callback.
  void deliver(const Queued& request, bool ok);
  void deliverRead(bool ok, unsigned long offset, unsigned long length, const unsigned char* data);
  void deliverSaved(bool ok, unsigned long offset, unsigned long length,
                    const unsigned char* data);
  void readReport(bool ok);
  void saveReport(bool ok);
  void checkSavedImage(unsigned long offset, unsigned long length, const unsigned char* data);

 private:
  enum class Request { Version, All, Checksum };

  void step(unsigned op);
  void request(Request which);
  void save(const ProbeData& record);
  void pump(bool ok, bool newest);
  void madeUpCompletion(bool save);
  void checkState() const;
  void checkWholeImage(const std::string& before, const unsigned char* data,
                       std::size_t length, std::size_t reportsBefore);
  // Whether the first report made since reportsBefore says the transfer failed.
  bool reportedFailure(std::size_t reportsBefore) const {
    return reports_.size() > reportsBefore && !reports_[reportsBefore];
  }

  fuzz::Input& in_;
  boost::shared_ptr<Handler> handler_;
  boost::shared_ptr<Callback> callback_;
  Coder coder_;

  bool tracking_ = true;  // a callback is set and the reports due are known
  bool callbackSet_ = true;
  bool reenter_ = false;
  int reentry_ = 0;
  int readReportsDue_ = 0;
  int saveReportsDue_ = 0;
  int deliveries_ = 0;
  // The ok of every report, in order. A report may start a request whose own report follows
  // inside it, so a completion's report is the first one made during it.
  std::vector<bool> reports_;
  const ProbeData* saving_ = nullptr;
};

void Handler::maybeThrow() {
  const int kind = throwNext;
  throwNext = 0;
  if (kind == 1) throw HandlerFault();
  if (kind == 2) throw Error(__LINE__, "V1CoderFuzzer", kHandlerErrorText, nullptr, 40000);
}

void Handler::readData(unsigned long offset, unsigned long length) {
  maybeThrow();
  queue.push_back(Queued{false, offset, length, {}});
  if (synchronous) {
    const Queued request = queue.back();
    queue.pop_back();
    run_.deliver(request, true);
  }
}

void Handler::saveData(unsigned long offset, unsigned long length,
                       boost::shared_array<unsigned char> data) {
  run_.checkSavedImage(offset, length, data.get());
  maybeThrow();
  queue.push_back(Queued{true, offset, length, std::vector<unsigned char>(data.get(), data.get() + length)});
  if (synchronous) {
    const Queued request = queue.back();
    queue.pop_back();
    run_.deliver(request, true);
  }
}

void Callback::onChecksumRed(bool ok) { run_.readReport(ok); }
void Callback::onAllRed(bool ok) { run_.readReport(ok); }
void Callback::onSaved(bool ok) { run_.saveReport(ok); }

void Run::checkState() const {
  FUZZ_CHECK(coder_.pendingReads() <= 1 && coder_.pendingWrites() <= 1, coder_.state());
  FUZZ_CHECK((coder_.pendingReads() == 0) == (coder_.current() == ProbeDataCoder::NoReadAction),
             coder_.state());
  FUZZ_CHECK(coder_.next() == ProbeDataCoder::NoReadAction ||
                 coder_.current() == ProbeDataCoder::ReadVersionAction,
             coder_.state());
  const int error = coder_.getError();
  FUZZ_CHECK(error == 0 || error == 2 || error == 3 || error == 4, coder_.state());
  if (tracking_) {
    FUZZ_CHECK(readReportsDue_ == static_cast<int>(coder_.pendingReads()),
               "read reports due " + std::to_string(readReportsDue_) + ", " + coder_.state());
    FUZZ_CHECK(saveReportsDue_ == static_cast<int>(coder_.pendingWrites()),
               "save reports due " + std::to_string(saveReportsDue_) + ", " + coder_.state());
  }
}

// A report comes after the coder has settled: the read it ends is no longer pending.
void Run::readReport(bool ok) {
  reports_.push_back(ok);
  FUZZ_CHECK(coder_.readIdle(), "read reported while pending: " + coder_.state());
  if (tracking_) {
    --readReportsDue_;
    FUZZ_CHECK(readReportsDue_ >= 0, "a read reported that nobody asked for");
  }
  if (reenter_ && reentry_ < kMaxReentry) {
    ++reentry_;
    request(in_.flag() ? Request::All : Request::Checksum);
    --reentry_;
  }
}

void Run::saveReport(bool ok) {
  reports_.push_back(ok);
  FUZZ_CHECK(coder_.pendingWrites() == 0, "save reported while pending: " + coder_.state());
  if (tracking_) {
    --saveReportsDue_;
    FUZZ_CHECK(saveReportsDue_ >= 0, "a save reported that nobody asked for");
  }
}

// The image of a save is what convertToString makes of the same record with the same versions.
void Run::checkSavedImage(unsigned long offset, unsigned long length, const unsigned char* data) {
  FUZZ_CHECK(offset == 0 && saving_ != nullptr, "save request outside save()");
  Coder reference{boost::shared_ptr<DataHandler>()};
  reference.setVersions(coder_.getInputVersion(), coder_.getOutputVersion());
  std::string image;
  FUZZ_CHECK(reference.convertToString(*saving_, image), "saved what convertToString refuses");
  FUZZ_CHECK(image == std::string(reinterpret_cast<const char*>(data), length),
             "saved image differs from convertToString's");
}

// For a whole version-2.1 image both decoders read the same five items.
void Run::checkWholeImage(const std::string& before, const unsigned char* data,
                          std::size_t length, std::size_t reportsBefore) {
  if (data == nullptr || length != kImageSize || imageVersion(data, length) != 0x21) return;
  // Such an image sets every field, so the reference may start from any record.
  Coder reference{boost::shared_ptr<DataHandler>()};
  ProbeData expected;
  const bool referenceOk = reference.convertFromString(
      std::string(reinterpret_cast<const char*>(data), length), expected);
  const ProbeData& held = coder_.getProbeData();
  const bool failed = reportedFailure(reportsBefore);
  if (referenceOk) {
    FUZZ_CHECK(!failed, "a whole image convertFromString reads was refused");
    FUZZ_CHECK(fuzz::describe(held) == fuzz::describe(expected),
               "whole image read differently: " + fuzz::describe(held) + " against " +
                   fuzz::describe(expected));
  } else {
    FUZZ_CHECK(fuzz::describe(held) == before, "a whole image convertFromString refuses was read");
  }
}

void Run::deliver(const Queued& request, bool ok) {
  if (request.save) {
    if (ok) {
      handler_->memory.assign(request.bytes.begin(), request.bytes.end());
      handler_->memory.resize(kImageSize);
    }
    deliverSaved(ok, request.offset, request.length, ok ? request.bytes.data() : nullptr);
    return;
  }
  const bool inside = request.offset <= kImageSize && request.length <= kImageSize - request.offset;
  std::vector<unsigned char> bytes;
  if (ok && inside) {
    bytes.assign(handler_->memory.begin() + static_cast<long>(request.offset),
                 handler_->memory.begin() + static_cast<long>(request.offset + request.length));
  }
  deliverRead(ok && inside, request.offset, request.length, ok && inside ? bytes.data() : nullptr);
}

void Run::deliverRead(bool ok, unsigned long offset, unsigned long length,
                      const unsigned char* data) {
  const int deliveriesBefore = ++deliveries_;
  const std::size_t reportsBefore = reports_.size();
  const ProbeDataCoder::ReadAction action = coder_.current();
  const std::string before = fuzz::describe(coder_.getProbeData());
  // The handler's buffer is exactly length bytes, so any read past it shows.
  std::vector<unsigned char> buffer(data == nullptr ? 0 : length);
  if (data != nullptr) std::copy(data, data + length, buffer.begin());
  coder_.onDataRed(ok, offset, length, data == nullptr ? nullptr : buffer.data());
  if (deliveries_ != deliveriesBefore) return;  // a nested completion changed the record too
  const std::string after = fuzz::describe(coder_.getProbeData());
  FUZZ_CHECK(ok || after == before, "a failed read changed the record");
  FUZZ_CHECK(!reportedFailure(reportsBefore) || after == before,
             "a read reported failed changed the record");
  if (ok && offset == 0 &&
      (action == ProbeDataCoder::ReadAllAction || action == ProbeDataCoder::ReadChecksumAction)) {
    checkWholeImage(before, data == nullptr ? nullptr : buffer.data(), length, reportsBefore);
  }
}

void Run::deliverSaved(bool ok, unsigned long offset, unsigned long length,
                       const unsigned char* data) {
  const int deliveriesBefore = ++deliveries_;
  const std::size_t reportsBefore = reports_.size();
  // A completion with no save pending is still reported.
  if (tracking_ && coder_.pendingWrites() == 0) ++saveReportsDue_;
  const std::string before = fuzz::describe(coder_.getProbeData());
  std::vector<unsigned char> buffer(data == nullptr ? 0 : length);
  if (data != nullptr) std::copy(data, data + length, buffer.begin());
  coder_.onDataSaved(ok, offset, length, data == nullptr ? nullptr : buffer.data());
  if (deliveries_ != deliveriesBefore) return;
  const std::string after = fuzz::describe(coder_.getProbeData());
  FUZZ_CHECK(ok || after == before, "a failed save changed the record");
  FUZZ_CHECK(!reportedFailure(reportsBefore) || after == before,
             "a save reported failed changed the record");
  if (ok && offset == 0) {
    checkWholeImage(before, data == nullptr ? nullptr : buffer.data(), length, reportsBefore);
  }
}

bool isRefusal(const std::string& message) {
  static const char* const kOperations[] = {"readVersion", "readAll", "readChecksum"};
  for (const char* operation : kOperations) {
    const std::string head = std::string("ProbeDataV1Coder::") + operation;
    if (message == head + " no DH pointer defined!" ||
        message.rfind(head + " write is ongoing ", 0) == 0 ||
        message.rfind(head + " read is ongoing ", 0) == 0) {
      return true;
    }
  }
  return message.rfind("ProbeDataV1Coder::save(All) write is already ongoing ", 0) == 0;
}

void Run::request(Request which) {
  const std::string before = coder_.state();
  if (tracking_) ++readReportsDue_;
  try {
    switch (which) {
      case Request::Version:
        coder_.readVersion();
        break;
      case Request::All:
        coder_.readAll();
        break;
      case Request::Checksum:
        coder_.readChecksum();
        break;
    }
  } catch (const Error& e) {
    if (tracking_) --readReportsDue_;
    if (e.getMessage() == kHandlerErrorText) {
      FUZZ_CHECK(which == Request::Version, "readAll/readChecksum let a handler Error out");
      FUZZ_CHECK(coder_.readIdle(), "readVersion left a failed request pending");
      return;
    }
    FUZZ_CHECK(isRefusal(e.getMessage()), "unexpected Error: " + e.getMessage());
    FUZZ_CHECK(coder_.state() == before, "a refusal changed the coder: " + e.getMessage());
  } catch (const HandlerFault&) {
    if (tracking_) --readReportsDue_;
    FUZZ_CHECK(which == Request::Version, "readAll/readChecksum let a handler fault out");
    FUZZ_CHECK(coder_.readIdle(), "readVersion left a failed request pending");
  }
}

void Run::save(const ProbeData& record) {
  const std::string before = coder_.state();
  const unsigned writesBefore = coder_.pendingWrites();
  if (tracking_) ++saveReportsDue_;
  saving_ = &record;
  try {
    coder_.save(record);
  } catch (const Error& e) {
    if (tracking_) --saveReportsDue_;
    FUZZ_CHECK(isRefusal(e.getMessage()), "unexpected Error: " + e.getMessage());
    FUZZ_CHECK(coder_.state() == before, "a refusal changed the coder: " + e.getMessage());
  } catch (const HandlerFault&) {
    if (tracking_) --saveReportsDue_;
    FUZZ_CHECK(coder_.pendingWrites() == writesBefore, "a failed save request stayed pending");
  }
  saving_ = nullptr;
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
  const std::string before = coder_.state();
  try {
    deliver(request, ok);
  } catch (const Error& e) {
    // A read completion that no read awaits is thrown back with nothing changed.
    const std::string expected = "ProbeDataV1Coder::onDataRed() incorrect current action 0";
    FUZZ_CHECK(e.getMessage() == expected, "unexpected Error: " + e.getMessage());
    FUZZ_CHECK(coder_.state() == before, "a completion thrown back changed the coder");
  }
}

void Run::madeUpCompletion(bool save) {
  static const unsigned long kOffsets[] = {0, 8, 396, 404, 406, 328, 400, 1};
  static const unsigned long kLengths[] = {0, 8, 10, 22, 24, 30, 388, 396, 420, 427, 428, 429, 320, 328};
  const bool ok = in_.flag();
  const unsigned long offset = in_.flag() ? kOffsets[in_.pick(8)] : in_.u16() % 512;
  const unsigned long length = in_.flag() ? kLengths[in_.pick(14)] : in_.u16() % 600;
  const unsigned shape = in_.pick(4);
  // The memory's bytes at offset, some of them overwritten by the input, or no data at all.
  std::vector<unsigned char> bytes(length, 0);
  for (unsigned long i = 0; i < length && offset + i < kImageSize; ++i) {
    bytes[i] = handler_->memory[offset + i];
  }
  if (shape == 1) {
    const std::vector<std::uint8_t> patch = in_.bytes(in_.u8());
    const std::size_t at = in_.u16();
    for (std::size_t i = 0; i < patch.size() && at + i < bytes.size(); ++i) bytes[at + i] = patch[i];
  }
  const unsigned char* data = shape == 3 ? nullptr : bytes.data();
  const std::string before = coder_.state();
  try {
    if (save) {
      deliverSaved(ok, offset, length, data);
    } else {
      deliverRead(ok, offset, length, data);
    }
  } catch (const Error& e) {
    const std::string expected = "ProbeDataV1Coder::onDataRed() incorrect current action 0";
    FUZZ_CHECK(!save && e.getMessage() == expected, "unexpected Error: " + e.getMessage());
    FUZZ_CHECK(coder_.state() == before, "a completion thrown back changed the coder");
  }
}

void Run::step(unsigned op) {
  switch (op) {
    case 0:
      request(Request::Version);
      break;
    case 1:
      request(Request::All);
      break;
    case 2:
      request(Request::Checksum);
      break;
    case 3: {
      const ProbeData record = fuzz::sampleRecord(in_.u8());
      save(record);
      break;
    }
    case 4: {
      const ProbeData record = fuzz::recordFrom(in_);
      save(record);
      break;
    }
    case 5: {
      const ProbeData record = coder_.getProbeData();
      save(record);
      break;
    }
    case 6:
      pump(true, in_.pick(4) == 0);
      break;
    case 7:
      pump(false, in_.pick(4) == 0);
      break;
    case 8:
      madeUpCompletion(false);
      break;
    case 9:
      madeUpCompletion(true);
      break;
    case 10: {
      const std::string before = coder_.state();
      const ProbeDataCoder::PDCError errorBefore = coder_.getError();
      handler_->error = static_cast<DataHandler::DHError>(in_.pick(3));
      coder_.onError();
      // Only the error may change, and only to a transfer error.
      FUZZ_CHECK(coder_.getError() ==
                     (handler_->error == DataHandler::DHTransferError ? ProbeDataCoder::TransferError
                                                                      : errorBefore),
                 "onError set the wrong error");
      break;
    }
    case 11:
      handler_->synchronous = !handler_->synchronous;
      break;
    case 12:
      handler_->throwNext = static_cast<int>(in_.pick(3));
      break;
    case 13: {
      const unsigned short version = in_.flag() ? static_cast<unsigned short>(in_.pick(40))
                                                : in_.u16();
      const unsigned before = coder_.getOutputVersion();
      try {
        coder_.setOutputVersion(version);
        FUZZ_CHECK(version <= 33 && coder_.getOutputVersion() == version, "output version");
      } catch (const Error&) {
        FUZZ_CHECK(version > 33 && coder_.getOutputVersion() == before, "refused output version");
      }
      break;
    }
    case 14: {
      const std::size_t at = in_.u16() % kImageSize;
      handler_->memory[at] = static_cast<unsigned char>(handler_->memory[at] ^ (in_.u8() | 1));
      break;
    }
    default:
      switch (in_.pick(3)) {
        case 0:
          // Reports while no callback is set become log lines; what is due is unknown until
          // the coder is idle again.
          coder_.clearCB();
          callbackSet_ = false;
          tracking_ = false;
          break;
        case 1:
          coder_.setCB(callback_);
          callbackSet_ = true;
          break;
        default:
          reenter_ = !reenter_;
          break;
      }
      break;
  }
  if (!tracking_ && callbackSet_ && coder_.readIdle() && coder_.pendingWrites() == 0) {
    tracking_ = true;
    readReportsDue_ = 0;
    saveReportsDue_ = 0;
  }
}

void Run::execute() {
  // The device memory: an image of one of the sample records, or the input's own bytes.
  handler_->memory.assign(kImageSize, 0);
  const unsigned seed = in_.u8();
  if (seed < 200) {
    Coder writer{boost::shared_ptr<DataHandler>()};
    std::string image;
    if (writer.convertToString(fuzz::sampleRecord(seed), image)) {
      handler_->memory.assign(image.begin(), image.end());
    }
  } else {
    const std::vector<std::uint8_t> raw = in_.bytes(kImageSize);
    std::copy(raw.begin(), raw.end(), handler_->memory.begin());
  }
  for (int steps = 0; steps < kMaxSteps && !in_.empty(); ++steps) {
    const unsigned op = in_.pick(16);
    // FUZZ_TRACE=1 in the environment shows the steps an input takes.
    if (tracing()) std::fprintf(stderr, "step %d: op %u, coder %s\n", steps, op, coder_.state().c_str());
    try {
      step(op);
    } catch (const std::exception& e) {
      fuzz::fail(kTargetName, "step " + std::to_string(op) + " let out: " + e.what());
    }
    checkState();
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
