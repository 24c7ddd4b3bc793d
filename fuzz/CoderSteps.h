// The step interpreter of the coder targets. The input holds the device memory (a 16-bit size,
// then as many bytes), then up to 64 steps, each picked by a byte from kSteps: the requests
// readVersion, readAll, readChecksum and save (of the held record with a mask thickness from the
// input); completions of a request the data handler queued, picked by a byte: ok, failed, cut
// short or at another offset (a 16-bit length or offset); onError with a handler error; the
// callback cleared or set again; completion inside the request, or queued; a fault (an
// exception) from the handler's next request; an output version. At the end every request left
// is completed. Checked along the way:
// - a request throws only to refuse while a transfer is pending or to pass the handler's fault
//   on, and then is not reported; nothing else leaves a step;
// - each accepted request is reported once: no report comes unasked, a good read comes by the
//   report Model::kReadReport names, and once the handler holds no request every one has come;
// - a good report comes from a completion; a failure report finds an error set; onError sets
//   TransferError for DHTransferError and changes nothing else;
// - an output version is taken, or refused and the old one kept;
// - a save sends what Model::sends makes of the record;
// - a completion succeeds or fails, and leaves the record, as Model::reads says of its bytes;
//   where the model does not know, the record changes only with a good report.
#pragma once

#include <deque>
#include <stdexcept>
#include <vector>

#include "FuzzSupport.h"
#include "ProbeDataCoder.h"

namespace fuzz {

// The coder's data handler and callback. open counts the requests accepted and not reported;
// outcome is that of the last report: 1 good, 0 failed.
template <class Coder, class Model>
struct CoderSteps final : DataHandler, ProbeDataCoderCB {
  struct Request {
    bool save;
    unsigned long offset, length;
    std::string bytes;
  };
  enum How { Ok, Failed, CutShort, Moved };

  CoderSteps(const std::uint8_t* data, std::size_t size) : in{data, data + size} {
    for (unsigned n = in.u16(); n > 0 && in.at < in.end; --n) memory += char(in.u8());
    coder.setCB(self);
  }
  void readData(unsigned long at, unsigned long n) override { handle({false, at, n, {}}); }
  void saveData(unsigned long at, unsigned long n, boost::shared_array<unsigned char> p) override {
    const std::string bytes(p.get(), p.get() + n);
    FUZZ_CHECK(bytes == Model::sends(coder, *saving), "sent other bytes");
    handle({true, at, n, bytes});
  }
  DHError getError() const override { return error; }
  void onChecksumRed(bool ok) override { report(0, ok); }
  void onAllRed(bool ok) override { report(1, ok); }
  void onSaved(bool ok) override { report(2, ok); }

  void handle(const Request& request) {
    if (std::exchange(fault, false)) throw std::runtime_error("data handler fault");
    synchronous ? deliver(request, Ok) : queue.push_back(request);
  }

  // Every report answers a request; a good one comes from a completion, a good read by the
  // report the model names for it, and a failure finds an error set.
  void report(int kind, bool ok) {
    FUZZ_CHECK(--open >= 0 &&
                   (ok ? completing && (kind == 2 || kind == readReport) : coder.getError() != 0),
               "");
    outcome = ok;
  }

  // 0 to 2 read (version, all, checksum), 3 saves the held record with a mask thickness from
  // the input.
  void request(int kind) {
    ProbeData record = coder.getProbeData();
    if (kind == 3) record.setMaskThickness(static_cast<unsigned short>(in.u8()));
    const int lastRead = readReport, idle = queue.empty() && !fault;
    readReport = kind < 3 ? Model::kReadReport[kind] : readReport;
    saving = &record;
    ++open;
    try {
      kind == 3   ? coder.save(record)
      : kind == 0 ? coder.readVersion()
      : kind == 1 ? coder.readAll()
                  : coder.readChecksum();
    } catch (const std::exception&) {
      FUZZ_CHECK(!idle, "refused while idle");
      --open;
      readReport = lastRead;
    }
  }

  void complete(int how) {
    if (queue.empty()) return;
    const auto at = queue.begin() + in.u8() % queue.size();
    const Request request = *at;
    queue.erase(at);
    deliver(request, how);
  }

  // The handler's buffer holds exactly the bytes it has, more than length when cut short; a
  // failed transfer comes without data. A version read may start the read it was made for
  // inside its completion; the model knows nothing of version blocks, so the outer completion is
  // judged by the report made inside it.
  void deliver(Request request, int how) {
    if (request.save && how != Failed) memory = request.bytes;
    if (how == Moved) request.offset = in.u16();
    const std::string bytes =
        request.save
            ? request.bytes
            : memory.substr(std::min<std::size_t>(request.offset, memory.size()), request.length);
    const unsigned long length = how == CutShort ? in.u16() % (bytes.size() + 1) : bytes.size();
    std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
    const std::string before = describe(coder.getProbeData());
    ProbeData expected = coder.getProbeData();
    const int known =
        how == Failed ? 0 : Model::reads(bytes.substr(0, length), request.offset, expected);
    const bool outer = std::exchange(completing, true);
    outcome = -1;
    (coder.*(request.save ? &Coder::onDataSaved : &Coder::onDataRed))(
        how != Failed, request.offset, length, how == Failed ? nullptr : buffer.data());
    completing = outer;
    const std::string after = describe(coder.getProbeData());
    FUZZ_CHECK(known == -1 || after == describe(expected), after + " for " + describe(expected));
    FUZZ_CHECK(
        !callbackSet || (known == -1 ? outcome == 1 || after == before : outcome != 1 - known),
        "outcome " + after);
  }

  void handlerError(int) {
    const ProbeDataCoder::PDCError before = coder.getError();
    error = static_cast<DHError>(in.u8() % 3);
    coder.onError();
    FUZZ_CHECK(coder.getError() == (error == DHTransferError ? coder.TransferError : before), "");
  }

  // Reports made meanwhile are lost, so the callback is set again only once every request ended.
  void toggleCallback(int) {
    if (!callbackSet && !queue.empty()) return;
    (callbackSet = !callbackSet) ? coder.setCB(self) : coder.clearCB();
    open = 0;
  }

  // Versions up to the coder's class version are taken, later ones refused.
  void setOutputVersion(int) {
    const unsigned before = coder.getOutputVersion(), v = in.u8() % 40;
    try {
      coder.setOutputVersion(static_cast<unsigned short>(v));
    } catch (const std::exception&) {
    }
    FUZZ_CHECK(coder.getOutputVersion() == (v > Coder::getClassVersion() ? before : v), "version");
  }

  void run() {
    using S = CoderSteps;
    static constexpr std::pair<void (S::*)(int), int> kSteps[] = {
        {&S::request, 0},         {&S::request, 1},      {&S::request, 2},
        {&S::request, 3},         {&S::complete, Ok},    {&S::complete, Failed},
        {&S::complete, CutShort}, {&S::complete, Moved}, {&S::handlerError, 0},
        {&S::toggleCallback, 0},  {&S::toggle, 0},       {&S::toggle, 1},
        {&S::setOutputVersion, 0}};
    for (int count = 0; count < 64 && in.at < in.end; ++count) {
      const auto& step = kSteps[in.u8() % (sizeof kSteps / sizeof *kSteps)];
      (this->*step.first)(step.second);  // anything else a step lets out ends the run
      FUZZ_CHECK(!queue.empty() || !callbackSet || open == 0, "a request went unreported");
    }
    for (int count = 0; count < 100 && !queue.empty(); ++count) complete(Ok);
    FUZZ_CHECK(queue.empty() && (!callbackSet || open == 0), "requests left at the end");
  }

  // 0: completion inside the request, or not; 1: a fault in the next request.
  void toggle(int which) { which == 0 ? void(synchronous = !synchronous) : void(fault = true); }

  Input in;
  const boost::shared_ptr<CoderSteps> self{this, [](CoderSteps*) {}};  // owns nothing
  Coder coder{self};
  std::string memory;
  std::deque<Request> queue;
  DHError error = NoDHError;
  bool synchronous = false, fault = false, callbackSet = true, completing = false;
  const ProbeData* saving = nullptr;
  int open = 0, readReport = 0, outcome = -1;
};

}  // namespace fuzz

// The entry point of a coder target.
#define FUZZ_CODER_TARGET(Coder, Model)                                               \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    return fuzz::CoderSteps<Coder, Model>(data, size).run(), 0;                       \
  }
