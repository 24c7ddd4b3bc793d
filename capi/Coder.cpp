// The device coders over a host's data handler, their reports as C callbacks, the version-1 image
// conversions, and the simulated device memory.
//
// The C interface keeps its own list of the transfers each coder has requested, so that it can
// refuse a completion the coder does not await, end the pending ones on request, and tell a host
// exactly what the coder waits for. Every completion, the host's or a bound simulated memory's,
// goes through deliver().
#include <boost/make_shared.hpp>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "Error.h"
#include "Handles.h"
#include "PDSimuCoder.h"

using capi::fail;
using capi::need;
using capi::run;

namespace {

using Report = ProbeImageReport;
using Coder = probedata_coder;
using Sim = probedata_sim;

const std::size_t kHandlerSize = PROBEDATA_END_OF(probedata_data_handler, get_error);
const std::size_t kCallbacksSize = PROBEDATA_END_OF(probedata_coder_callbacks, error);
const uint32_t kWholeText = 0xFFFFFFFFu;

static_assert(PROBEDATA_CODER_ERROR_TRANSFER == static_cast<int>(ProbeDataCoder::TransferError) &&
                  PROBEDATA_CODER_ERROR_DECODE == static_cast<int>(ProbeDataCoder::DecodeError) &&
                  PROBEDATA_HANDLER_TRANSFER_ERROR ==
                      static_cast<int>(DataHandler::DHTransferError),
              "error kinds");

// A request the host's handler did not take. Not an Error: a coder answers it as a failed
// transfer, as it answers any exception of a data handler.
class Refused : public std::runtime_error {
 public:
  explicit Refused(const char* what) : std::runtime_error(what) {}
};

// The version-1 coder, which the C interface may tell that a read found no image.
class V1Coder : public ProbeDataV1Coder {
 public:
  using ProbeDataV1Coder::ProbeDataV1Coder;
  void foundNoImage() { error_ = DecodeError; }
};

// The host's C handler as the DataHandler a coder calls. Each request is listed before the host
// hears of it, as its completion may come at once. Offsets and lengths of the coders' requests
// fit 32 bits.
class HostHandler : public DataHandler {
 public:
  HostHandler(const probedata_data_handler& handler, Coder* owner)
      : handler_(handler), owner_(owner) {}

  void readData(unsigned long offset, unsigned long length) override {
    request(false, offset, length, [&] {
      return handler_.read_data != nullptr &&
             handler_.read_data(handler_.user, static_cast<uint32_t>(offset),
                                static_cast<uint32_t>(length)) == 0;
    });
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    request(true, offset, length, [&] {
      return handler_.save_data != nullptr &&
             handler_.save_data(handler_.user, static_cast<uint32_t>(offset),
                                static_cast<uint32_t>(length), data.get()) == 0;
    });
  }
  DHError getError() const override {
    return handler_.get_error == nullptr ? NoDHError
                                         : static_cast<DHError>(handler_.get_error(handler_.user));
  }

 private:
  template <class Ask>
  void request(bool save, unsigned long offset, unsigned long length, Ask ask) {
    const unsigned long serial = ++owner_->serial;
    owner_->pending.push_back(probedata_transfer{save, static_cast<uint32_t>(offset),
                                                 static_cast<uint32_t>(length), serial});
    if (ask()) return;
    auto& pending = owner_->pending;
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [&](const probedata_transfer& t) { return t.serial == serial; }),
                  pending.end());
    throw Refused(save ? "the data handler did not take the save"
                       : "the data handler did not take the read");
  }

  probedata_data_handler handler_;
  Coder* owner_;
};

// The host's C callbacks as the coder's callback object. A result that ends a read which found no
// image is a decode failure by the time the host hears of it.
class HostCallbacks final : public ProbeDataCoderCB {
 public:
  HostCallbacks(const probedata_coder_callbacks& callbacks, Coder* owner)
      : c_(callbacks), owner_(owner) {}
  void onChecksumRed(bool ok) override { result(c_.checksum_read, ok); }
  void onAllRed(bool ok) override { result(c_.all_read, ok); }
  void onSaved(bool ok) override { result(c_.saved, ok); }
  void onError() override {
    if (c_.error != nullptr) c_.error(c_.user);
  }

 private:
  void result(void(PROBEDATA_CALL* function)(void*, int), bool ok) {
    if (!ok && owner_->noImage) {
      static_cast<V1Coder*>(owner_->v1)->foundNoImage();
      owner_->noImage = false;
    }
    if (function != nullptr) function(c_.user, ok);
  }

  probedata_coder_callbacks c_;
  Coder* owner_;
};

ProbeDataCoder& coderOf(const Coder* coder) {
  need(coder, "coder");
  return *coder->coder;
}

// "save of 428 bytes at offset 0"
std::string transferText(bool save, uint32_t offset, uint32_t length) {
  return std::string(save ? "save" : "read") + " of " + std::to_string(length) +
         (length == 1 ? " byte" : " bytes") + " at offset " + std::to_string(offset);
}

// Why the coder refused a request, from what the C interface knows of it.
std::string refusal(const Coder& coder) {
  if (!coder.hasHandler) return "no data handler: create the coder with one";
  for (const probedata_transfer& t : coder.pending) {
    if (t.save) return "a save is pending: wait for its result, or cancel it";
  }
  return "a read is pending: wait for its result, or cancel it";
}

// The coder's request; its refusals and its handler's refusals are PROBEDATA_ERROR_STATE.
template <class Request>
void request(Coder* coder, Request made) {
  need(coder, "coder");
  capi::Busy<Coder> busy(coder);
  try {
    made(*coder->coder);
  } catch (const Refused& refused) {
    fail(PROBEDATA_ERROR_STATE, refused.what());
  } catch (const Error&) {
    fail(PROBEDATA_ERROR_STATE, refusal(*coder));
  }
}

// Memory that holds no image: every byte 0x00 (never written) or 0xFF (erased), as the report
// judges the version block.
bool holdsNoImage(const unsigned char* data, std::size_t length) {
  if (length == 0 || (data[0] != 0x00 && data[0] != 0xFF) ||
      std::find_if(data, data + length, [&](unsigned char b) { return b != data[0]; }) !=
          data + length) {
    return false;
  }
  const Report report = inspectImage(data, length);
  return !report.items.empty() && (report.items[0].fault == Report::BlankMemory ||
                                   report.items[0].fault == Report::ErasedMemory);
}

// A completion for one of the coder's pending transfers, or a refusal that changes nothing.
void deliver(Coder* coder, bool save, int ok, uint32_t offset, uint32_t length,
             const unsigned char* data) {
  need(coder, "coder");
  capi::Busy<Coder> busy(coder);
  if (ok && length != 0) need(data, "data");
  const bool wholeText = coder->kind == PROBEDATA_CODER_SIMULATION && !save;
  auto& pending = coder->pending;
  const auto found = std::find_if(pending.begin(), pending.end(), [&](const probedata_transfer& t) {
    return t.save == save && t.offset == offset &&
           (t.length == length || (wholeText && t.length == kWholeText));
  });
  if (found == pending.end()) {
    std::string awaited;
    for (const probedata_transfer& t : pending) {
      awaited += (awaited.empty() ? "a " : ", a ") + transferText(t.save, t.offset, t.length);
    }
    fail(PROBEDATA_ERROR_STATE,
         "the coder awaits no " + transferText(save, offset, length) + ": " +
             (awaited.empty() ? "nothing is pending" : "it awaits " + awaited));
  }
  pending.erase(found);
  // The decode failure of a read that found no image is told when its result is made.
  coder->noImage = ok && !save && coder->v1 != nullptr && offset == 0 && holdsNoImage(data, length);
  struct Settle {
    Coder* coder;
    ~Settle() { coder->noImage = false; }
  } settle{coder};
  auto* bytes = const_cast<unsigned char*>(data);  // the coders only read the completed bytes
  if (save) {
    coder->coder->onDataSaved(ok != 0, offset, length, bytes);
  } else {
    coder->coder->onDataRed(ok != 0 && !coder->noImage, offset, length, bytes);
  }
  // Told here when no callback was there to tell it before the host heard of the failure.
  if (coder->noImage) static_cast<V1Coder*>(coder->v1)->foundNoImage();
}

void handlerError(Coder* coder) {
  need(coder, "coder");
  capi::Busy<Coder> busy(coder);
  if (coder->pending.empty()) {
    fail(PROBEDATA_ERROR_STATE, "no transfer is pending: report a handler error during one");
  }
  coder->coder->onError();
}

const ProbeDataV1Coder& v1Of(const Coder* coder) {
  need(coder, "coder");
  if (coder->v1 == nullptr) capi::mistake("the simulation coder keeps no version-1 image");
  return *coder->v1;
}

// ENCODE for a record the image refuses, naming every value it refuses.
[[noreturn]] void refuseImage(const ProbeData& record) {
  std::string reason;
  for (const ImageFitProblem& problem : checkImageFit(record)) {
    if (problem.refused)
      reason += (reason.empty() ? "" : "; ") + problem.path + ": " + problem.detail;
  }
  fail(PROBEDATA_ERROR_ENCODE,
       reason.empty() ? "the coder does not write the record in its versions" : reason);
}

// The one version a coder writes whole: its own (a read may set the version it read).
unsigned int ownVersion(const Coder& coder) {
  return coder.v1 != nullptr ? ProbeDataV1Coder::getClassVersion() : PDSimuCoder::getClassVersion();
}

// The sim's handler functions, whose user is the memory's handle: a failure of the memory, or of
// a completion it delivers at once, is the request's failure.
int PROBEDATA_CALL simRead(void* user, uint32_t offset, uint32_t length) {
  auto* sim = static_cast<Sim*>(user);
  capi::Busy<Sim> busy(sim);
  try {
    sim->memory->readData(offset, length);
    return 0;
  } catch (...) {
    return 1;
  }
}

int PROBEDATA_CALL simSave(void* user, uint32_t offset, uint32_t length,
                           const unsigned char* data) {
  auto* sim = static_cast<Sim*>(user);
  capi::Busy<Sim> busy(sim);
  try {
    boost::shared_array<unsigned char> copy(new unsigned char[length]);
    std::copy(data, data + length, copy.get());
    sim->memory->saveData(offset, length, copy);
    return 0;
  } catch (...) {
    return 1;
  }
}

int PROBEDATA_CALL simError(void* user) { return static_cast<Sim*>(user)->memory->getError(); }

// The memory's handle lives while the host holds it or a coder reads through it.
void drop(Sim* sim) {
  if (--sim->refs == 0) {
    if (sim->bound != nullptr) sim->bound->boundSim = nullptr;
    sim->memory->bind(nullptr);
    capi::release(sim);
  }
}

void unbind(Coder* coder) {
  if (coder->boundSim == nullptr) return;
  coder->boundSim->memory->bind(nullptr);
  coder->boundSim->bound = nullptr;
  coder->boundSim = nullptr;
}

}  // namespace

void CoderCompletions::onDataRed(bool ok, unsigned long offset, unsigned long length,
                                 unsigned char* data) {
  // A memory's completion for a transfer the coder no longer awaits (cancelled) is dropped.
  probedata_status status = run("the simulated memory", [&] {
    deliver(owner_, false, ok, static_cast<uint32_t>(offset), static_cast<uint32_t>(length), data);
  });
  static_cast<void>(status);
}

void CoderCompletions::onDataSaved(bool ok, unsigned long offset, unsigned long length,
                                   unsigned char* data) {
  probedata_status status = run("the simulated memory", [&] {
    deliver(owner_, true, ok, static_cast<uint32_t>(offset), static_cast<uint32_t>(length), data);
  });
  static_cast<void>(status);
}

void CoderCompletions::onError() {
  probedata_status status = run("the simulated memory", [&] { handlerError(owner_); });
  static_cast<void>(status);
}

probedata_coder::~probedata_coder() {
  unbind(this);
  if (handlerSim != nullptr) drop(handlerSim);
}

extern "C" {

probedata_status PROBEDATA_CALL probedata_coder_new(probedata_coder_kind kind,
                                                    const probedata_data_handler* handler,
                                                    probedata_coder** coder) {
  return run(__func__, [&] {
    need(coder, "coder");
    const int value = capi::passed(&kind);
    if (value != PROBEDATA_CODER_V1 && value != PROBEDATA_CODER_SIMULATION) {
      capi::mistake(std::to_string(value) + " is no coder kind");
    }
    std::unique_ptr<Coder> made(new Coder(static_cast<probedata_coder_kind>(value)));
    boost::shared_ptr<DataHandler> host;
    if (handler != nullptr) {
      const probedata_data_handler taken = capi::taken(handler, kHandlerSize, "handler");
      host = boost::make_shared<HostHandler>(taken, made.get());
      made->hasHandler = true;
      if (taken.read_data == simRead) {
        made->handlerSim = static_cast<Sim*>(taken.user);
        ++made->handlerSim->refs;
      }
    }
    if (value == PROBEDATA_CODER_V1) {
      made->v1 = new V1Coder(host);
      made->coder.reset(made->v1);
    } else {
      made->coder.reset(new PDSimuCoder(host));
    }
    *coder = made.release();
  });
}

void PROBEDATA_CALL probedata_coder_free(probedata_coder* coder) { capi::release(coder); }

probedata_status PROBEDATA_CALL
probedata_coder_set_callbacks(probedata_coder* coder, const probedata_coder_callbacks* callbacks) {
  return run(__func__, [&] {
    ProbeDataCoder& c = coderOf(coder);
    if (callbacks == nullptr) return c.clearCB();
    c.setCB(boost::make_shared<HostCallbacks>(capi::taken(callbacks, kCallbacksSize, "callbacks"),
                                              coder));
  });
}

probedata_status PROBEDATA_CALL probedata_coder_read_version(probedata_coder* coder) {
  return run(__func__, [&] { request(coder, [](ProbeDataCoder& c) { c.readVersion(); }); });
}

probedata_status PROBEDATA_CALL probedata_coder_read_all(probedata_coder* coder) {
  return run(__func__, [&] { request(coder, [](ProbeDataCoder& c) { c.readAll(); }); });
}

probedata_status PROBEDATA_CALL probedata_coder_read_checksum(probedata_coder* coder) {
  return run(__func__, [&] { request(coder, [](ProbeDataCoder& c) { c.readChecksum(); }); });
}

probedata_status PROBEDATA_CALL probedata_coder_save(probedata_coder* coder,
                                                     const probedata_record* record) {
  return run(__func__, [&] {
    need(record, "record");
    capi::refuseNulInId(record->record);
    request(coder, [record](ProbeDataCoder& c) { c.save(record->record); });
  });
}

probedata_status PROBEDATA_CALL probedata_coder_data_read(probedata_coder* coder, int ok,
                                                          uint32_t offset, uint32_t length,
                                                          const unsigned char* data) {
  return run(__func__, [&] { deliver(coder, false, ok, offset, length, data); });
}

probedata_status PROBEDATA_CALL probedata_coder_data_saved(probedata_coder* coder, int ok,
                                                           uint32_t offset, uint32_t length,
                                                           const unsigned char* data) {
  return run(__func__, [&] { deliver(coder, true, ok, offset, length, data); });
}

probedata_status PROBEDATA_CALL probedata_coder_handler_error(probedata_coder* coder) {
  return run(__func__, [&] { handlerError(coder); });
}

probedata_status PROBEDATA_CALL probedata_coder_cancel(probedata_coder* coder) {
  return run(__func__, [&] {
    need(coder, "coder");
    capi::Busy<Coder> busy(coder);
    if (coder->pending.empty()) fail(PROBEDATA_ERROR_STATE, "no transfer is pending");
    // The transfers pending now, not those their failures' callbacks request.
    const std::deque<probedata_transfer> ended = coder->pending;
    for (const probedata_transfer& t : ended) {
      const bool still =
          std::any_of(coder->pending.begin(), coder->pending.end(),
                      [&](const probedata_transfer& p) { return p.serial == t.serial; });
      if (still) deliver(coder, t.save, 0, t.offset, t.length, nullptr);
    }
  });
}

probedata_status PROBEDATA_CALL probedata_coder_get_record(const probedata_coder* coder,
                                                           probedata_record** record) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    need(record, "record");
    *record = new probedata_record{c.getProbeData()};
  });
}

probedata_status PROBEDATA_CALL probedata_coder_get_versions(const probedata_coder* coder,
                                                             uint32_t* input, uint32_t* output) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    if (input != nullptr) *input = c.getInputVersion();
    if (output != nullptr) *output = c.getOutputVersion();
  });
}

probedata_status PROBEDATA_CALL probedata_coder_set_output_version(probedata_coder* coder,
                                                                   unsigned int version) {
  return run(__func__, [&] {
    ProbeDataCoder& c = coderOf(coder);
    if (version != ownVersion(*coder)) {
      capi::mistake("the coder writes its own version only, " +
                    Report::versionText(ownVersion(*coder)) + ", not " +
                    Report::versionText(version));
    }
    c.setOutputVersion(static_cast<unsigned short>(version));
  });
}

probedata_status PROBEDATA_CALL probedata_coder_get_error(const probedata_coder* coder,
                                                          int* error) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    need(error, "error");
    *error = c.getError();
  });
}

size_t PROBEDATA_CALL probedata_image_length(uint32_t version) {
  return ProbeDataV1Coder::isWrittenVersion(version) ? ProbeDataV1Coder::getImageLength(version)
                                                     : 0;
}

probedata_status PROBEDATA_CALL probedata_coder_to_image(const probedata_coder* coder,
                                                         const probedata_record* record,
                                                         unsigned char** image, size_t* length) {
  return run(__func__, [&] {
    const ProbeDataV1Coder& c = v1Of(coder);
    need(record, "record");
    need(image, "image");
    capi::refuseNulInId(record->record);
    std::string bytes;
    if (!c.convertToString(record->record, bytes)) refuseImage(record->record);
    capi::copyOut(bytes, image, length);
  });
}

probedata_status PROBEDATA_CALL probedata_coder_from_image(probedata_coder* coder,
                                                           const unsigned char* image,
                                                           size_t length,
                                                           probedata_record* record) {
  return run(__func__, [&] {
    v1Of(coder);
    if (length != 0) need(image, "image");
    capi::bounded(length, 1, "length");
    need(record, "record");
    if (holdsNoImage(image, length) ||
        !coder->v1->convertFromString(image, length, record->record)) {
      const std::string damage = inspectImage(image, length).damage();
      fail(PROBEDATA_ERROR_DECODE, damage.empty() ? "the coder does not decode the image" : damage);
    }
  });
}

probedata_status PROBEDATA_CALL probedata_coder_data_checksum(const probedata_coder* coder,
                                                              const probedata_record* record,
                                                              uint32_t* checksum) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    need(record, "record");
    need(checksum, "checksum");
    try {
      *checksum = c.computeDataCheksum(record->record);
    } catch (const Error&) {
      refuseImage(record->record);
    }
  });
}

probedata_status PROBEDATA_CALL probedata_sim_new(size_t size, int text_storage, int queued,
                                                  probedata_sim** sim) {
  return run(__func__, [&] {
    need(sim, "sim");
    if (size > 0xFFFFFFFFu) {
      capi::mistake("size " + std::to_string(size) +
                    " is more than 32-bit offsets reach: at most 4294967295");
    }
    using probesim::SimDeviceMemory;
    std::unique_ptr<Sim> made(new Sim);
    made->memory = boost::make_shared<SimDeviceMemory>(
        size,
        queued ? SimDeviceMemory::Completion::Queued : SimDeviceMemory::Completion::Synchronous,
        text_storage ? SimDeviceMemory::Storage::Text : SimDeviceMemory::Storage::Image);
    *sim = made.release();
  });
}

void PROBEDATA_CALL probedata_sim_free(probedata_sim* sim) {
  if (sim != nullptr) drop(sim);
}

probedata_status PROBEDATA_CALL probedata_sim_data_handler(probedata_sim* sim,
                                                           probedata_data_handler* handler) {
  return run(__func__, [&] {
    need(sim, "sim");
    probedata_data_handler made{};
    made.user = sim;
    made.read_data = simRead;
    made.save_data = simSave;
    made.get_error = simError;
    capi::fill(handler, made, kHandlerSize, "handler");
  });
}

probedata_status PROBEDATA_CALL probedata_sim_bind(probedata_sim* sim, probedata_coder* coder) {
  return run(__func__, [&] {
    need(sim, "sim");
    if (sim->bound != nullptr) unbind(sim->bound);
    if (coder == nullptr) return;
    unbind(coder);
    sim->memory->bind(&coder->completions);
    sim->bound = coder;
    coder->boundSim = sim;
  });
}

probedata_status PROBEDATA_CALL probedata_sim_pump(probedata_sim* sim, size_t* delivered) {
  return run(__func__, [&] {
    need(sim, "sim");
    capi::Busy<Sim> busy(sim);
    const size_t count = sim->memory->pump();
    if (delivered != nullptr) *delivered = count;
  });
}

probedata_status PROBEDATA_CALL probedata_sim_load(probedata_sim* sim, const unsigned char* bytes,
                                                   size_t length) {
  return run(__func__, [&] {
    need(sim, "sim");
    if (length != 0) need(bytes, "bytes");
    if (length > 0xFFFFFFFFu) {
      capi::mistake("length " + std::to_string(length) +
                    " is more than 32-bit offsets reach: at most 4294967295");
    }
    sim->memory->load(length == 0 ? std::string()
                                  : std::string(reinterpret_cast<const char*>(bytes), length));
  });
}

probedata_status PROBEDATA_CALL probedata_sim_contents(const probedata_sim* sim,
                                                       unsigned char** bytes, size_t* length) {
  return run(__func__, [&] {
    need(sim, "sim");
    capi::copyOut(sim->memory->contents(), bytes, length);
  });
}

probedata_status PROBEDATA_CALL probedata_sim_fail_next_read(probedata_sim* sim) {
  return run(__func__, [&] {
    need(sim, "sim");
    sim->memory->failNextRead();
  });
}

probedata_status PROBEDATA_CALL probedata_sim_fail_next_save(probedata_sim* sim) {
  return run(__func__, [&] {
    need(sim, "sim");
    sim->memory->failNextSave();
  });
}

probedata_status PROBEDATA_CALL probedata_sim_corrupt_byte(probedata_sim* sim, size_t offset,
                                                           unsigned int mask) {
  return run(__func__, [&] {
    need(sim, "sim");
    if (offset >= sim->memory->size()) {
      capi::mistake("offset " + std::to_string(offset) + " is past the memory's " +
                    std::to_string(sim->memory->size()) + " bytes");
    }
    if (mask > 0xFFu) capi::mistake("mask " + std::to_string(mask) + " is more than a byte");
    sim->memory->corruptByte(offset, static_cast<unsigned char>(mask));
  });
}

}  // extern "C"
