// The device coders over a host's data handler, their reports as C callbacks, the version-1 image
// conversions, and the simulated device memory.
#include <boost/make_shared.hpp>

#include <stdexcept>
#include <string>

#include "Error.h"
#include "Handles.h"
#include "PDSimuCoder.h"

using capi::fail;
using capi::need;
using capi::run;

namespace {

// A request the host's handler did not take. Not an Error: a coder answers it as a failed
// transfer, as it answers any exception of a data handler.
class Refused : public std::runtime_error {
 public:
  explicit Refused(const char* what) : std::runtime_error(what) {}
};

// The host's C handler as the DataHandler a coder calls. Offsets and lengths of the coders'
// requests fit 32 bits.
class HostHandler : public DataHandler {
 public:
  explicit HostHandler(const probedata_data_handler& handler) : handler_(handler) {}

  void readData(unsigned long offset, unsigned long length) override {
    if (handler_.read_data == nullptr ||
        handler_.read_data(handler_.user, static_cast<uint32_t>(offset),
                           static_cast<uint32_t>(length)) != 0) {
      throw Refused("the data handler did not take the read");
    }
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    if (handler_.save_data == nullptr ||
        handler_.save_data(handler_.user, static_cast<uint32_t>(offset),
                           static_cast<uint32_t>(length), data.get()) != 0) {
      throw Refused("the data handler did not take the save");
    }
  }
  DHError getError() const override {
    return handler_.get_error == nullptr ? NoDHError
                                         : static_cast<DHError>(handler_.get_error(handler_.user));
  }

 private:
  probedata_data_handler handler_;
};

// The host's C callbacks as the coder's callback object.
class HostCallbacks final : public ProbeDataCoderCB {
 public:
  explicit HostCallbacks(const probedata_coder_callbacks& callbacks) : c_(callbacks) {}
  void onChecksumRed(bool ok) override {
    if (c_.checksum_read != nullptr) c_.checksum_read(c_.user, ok);
  }
  void onAllRed(bool ok) override {
    if (c_.all_read != nullptr) c_.all_read(c_.user, ok);
  }
  void onSaved(bool ok) override {
    if (c_.saved != nullptr) c_.saved(c_.user, ok);
  }
  void onError() override {
    if (c_.error != nullptr) c_.error(c_.user);
  }

 private:
  probedata_coder_callbacks c_;
};

ProbeDataCoder& coderOf(probedata_coder* coder) {
  need(coder, "coder");
  return *coder->coder;
}

const ProbeDataCoder& coderOf(const probedata_coder* coder) {
  need(coder, "coder");
  return *coder->coder;
}

// The coder's request, its refusals and its handler's refusals alike PROBEDATA_ERROR_STATE.
template <class Request>
void request(probedata_coder* coder, Request made) {
  ProbeDataCoder& c = coderOf(coder);
  try {
    made(c);
  } catch (const Refused& refused) {
    fail(PROBEDATA_ERROR_STATE, refused.what());
  }
}

ProbeDataV1Coder& v1Of(const probedata_coder* coder) {
  need(coder, "coder");
  if (coder->v1 == nullptr) {
    capi::mistake("the simulation coder keeps no version-1 image");
  }
  return *coder->v1;
}

// The sim's handler functions: a failure of the memory, or of a completion it delivers at once,
// is the request's failure.
int simRead(void* user, uint32_t offset, uint32_t length) {
  try {
    static_cast<probedata_sim*>(user)->memory->readData(offset, length);
    return 0;
  } catch (...) {
    return 1;
  }
}

int simSave(void* user, uint32_t offset, uint32_t length, const unsigned char* data) {
  try {
    boost::shared_array<unsigned char> copy(new unsigned char[length]);
    std::copy(data, data + length, copy.get());
    static_cast<probedata_sim*>(user)->memory->saveData(offset, length, copy);
    return 0;
  } catch (...) {
    return 1;
  }
}

int simError(void* user) { return static_cast<probedata_sim*>(user)->memory->getError(); }

}  // namespace

extern "C" {

probedata_status probedata_coder_new(probedata_coder_kind kind,
                                     const probedata_data_handler* handler,
                                     probedata_coder** coder) {
  return run(__func__, [&] {
    need(coder, "coder");
    boost::shared_ptr<DataHandler> host;
    if (handler != nullptr) host = boost::make_shared<HostHandler>(*handler);
    std::unique_ptr<probedata_coder> made(new probedata_coder{kind, nullptr, nullptr});
    if (kind == PROBEDATA_CODER_V1) {
      made->v1 = new ProbeDataV1Coder(host);
      made->coder.reset(made->v1);
    } else if (kind == PROBEDATA_CODER_SIMULATION) {
      made->coder.reset(new PDSimuCoder(host));
    } else {
      capi::mistake(std::to_string(kind) + " is no coder kind");
    }
    *coder = made.release();
  });
}

void probedata_coder_free(probedata_coder* coder) { delete coder; }

probedata_status probedata_coder_set_callbacks(probedata_coder* coder,
                                               const probedata_coder_callbacks* callbacks) {
  return run(__func__, [&] {
    ProbeDataCoder& c = coderOf(coder);
    if (callbacks == nullptr) return c.clearCB();
    c.setCB(boost::make_shared<HostCallbacks>(*callbacks));
  });
}

probedata_status probedata_coder_read_version(probedata_coder* coder) {
  return run(__func__, [&] { request(coder, [](ProbeDataCoder& c) { c.readVersion(); }); });
}

probedata_status probedata_coder_read_all(probedata_coder* coder) {
  return run(__func__, [&] { request(coder, [](ProbeDataCoder& c) { c.readAll(); }); });
}

probedata_status probedata_coder_read_checksum(probedata_coder* coder) {
  return run(__func__, [&] { request(coder, [](ProbeDataCoder& c) { c.readChecksum(); }); });
}

probedata_status probedata_coder_save(probedata_coder* coder, const probedata_record* record) {
  return run(__func__, [&] {
    need(record, "record");
    request(coder, [record](ProbeDataCoder& c) { c.save(record->record); });
  });
}

probedata_status probedata_coder_data_read(probedata_coder* coder, int ok, uint32_t offset,
                                           uint32_t length, const unsigned char* data) {
  return run(__func__, [&] {
    // The coders only read the completed bytes.
    coderOf(coder).onDataRed(ok != 0, offset, length, const_cast<unsigned char*>(data));
  });
}

probedata_status probedata_coder_data_saved(probedata_coder* coder, int ok, uint32_t offset,
                                            uint32_t length, const unsigned char* data) {
  return run(__func__, [&] {
    coderOf(coder).onDataSaved(ok != 0, offset, length, const_cast<unsigned char*>(data));
  });
}

probedata_status probedata_coder_handler_error(probedata_coder* coder) {
  return run(__func__, [&] { coderOf(coder).onError(); });
}

probedata_status probedata_coder_get_record(const probedata_coder* coder,
                                            probedata_record** record) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    need(record, "record");
    *record = new probedata_record{c.getProbeData()};
  });
}

probedata_status probedata_coder_get_versions(const probedata_coder* coder, uint32_t* input,
                                              uint32_t* output) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    if (input != nullptr) *input = c.getInputVersion();
    if (output != nullptr) *output = c.getOutputVersion();
  });
}

probedata_status probedata_coder_set_output_version(probedata_coder* coder, unsigned int version) {
  return run(__func__, [&] {
    ProbeDataCoder& c = coderOf(coder);
    if (version > 0xFFFFu)
      fail(PROBEDATA_ERROR_STATE, "probedata_coder_set_output_version: no such version");
    c.setOutputVersion(static_cast<unsigned short>(version));
  });
}

probedata_status probedata_coder_get_error(const probedata_coder* coder, int* error) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    need(error, "error");
    *error = c.getError();
  });
}

size_t probedata_image_length(uint32_t version) {
  return ProbeDataV1Coder::getImageLength(version);
}

probedata_status probedata_coder_to_image(const probedata_coder* coder,
                                          const probedata_record* record, unsigned char** image,
                                          size_t* length) {
  return run(__func__, [&] {
    const ProbeDataV1Coder& c = v1Of(coder);
    need(record, "record");
    need(image, "image");
    std::string bytes;
    if (!c.convertToString(record->record, bytes)) {
      std::string reason;
      for (const ImageFitProblem& problem : checkImageFit(record->record)) {
        if (problem.refused)
          reason += (reason.empty() ? "" : "; ") + problem.path + ": " + problem.detail;
      }
      fail(PROBEDATA_ERROR_ENCODE,
           reason.empty() ? "the coder does not write the record in its versions" : reason);
    }
    capi::copyOut(bytes, image, length);
  });
}

probedata_status probedata_coder_from_image(probedata_coder* coder, const unsigned char* image,
                                            size_t length, probedata_record* record) {
  return run(__func__, [&] {
    ProbeDataV1Coder& c = v1Of(coder);
    if (length != 0) need(image, "image");
    need(record, "record");
    if (!c.convertFromString(image, length, record->record)) {
      const std::string damage = inspectImage(image, length).damage();
      fail(PROBEDATA_ERROR_DECODE, damage.empty() ? "the coder does not decode the image" : damage);
    }
  });
}

probedata_status probedata_coder_data_checksum(const probedata_coder* coder,
                                               const probedata_record* record, uint32_t* checksum) {
  return run(__func__, [&] {
    const ProbeDataCoder& c = coderOf(coder);
    need(record, "record");
    need(checksum, "checksum");
    try {
      *checksum = c.computeDataCheksum(record->record);
    } catch (const Error& error) {
      fail(PROBEDATA_ERROR_ENCODE, error.getMessage());
    }
  });
}

probedata_status probedata_sim_new(size_t size, int text_storage, int queued, probedata_sim** sim) {
  return run(__func__, [&] {
    need(sim, "sim");
    using probesim::SimDeviceMemory;
    *sim = new probedata_sim{boost::make_shared<SimDeviceMemory>(
        size,
        queued ? SimDeviceMemory::Completion::Queued : SimDeviceMemory::Completion::Synchronous,
        text_storage ? SimDeviceMemory::Storage::Text : SimDeviceMemory::Storage::Image)};
  });
}

void probedata_sim_free(probedata_sim* sim) { delete sim; }

probedata_status probedata_sim_data_handler(probedata_sim* sim, probedata_data_handler* handler) {
  return run(__func__, [&] {
    need(sim, "sim");
    need(handler, "handler");
    *handler = probedata_data_handler{sim, simRead, simSave, simError};
  });
}

probedata_status probedata_sim_bind(probedata_sim* sim, probedata_coder* coder) {
  return run(__func__, [&] {
    need(sim, "sim");
    sim->memory->bind(coder == nullptr ? nullptr : coder->coder.get());
  });
}

probedata_status probedata_sim_pump(probedata_sim* sim, size_t* delivered) {
  return run(__func__, [&] {
    need(sim, "sim");
    const size_t count = sim->memory->pump();
    if (delivered != nullptr) *delivered = count;
  });
}

probedata_status probedata_sim_load(probedata_sim* sim, const unsigned char* bytes, size_t length) {
  return run(__func__, [&] {
    need(sim, "sim");
    if (length != 0) need(bytes, "bytes");
    sim->memory->load(length == 0 ? std::string()
                                  : std::string(reinterpret_cast<const char*>(bytes), length));
  });
}

probedata_status probedata_sim_contents(const probedata_sim* sim, unsigned char** bytes,
                                        size_t* length) {
  return run(__func__, [&] {
    need(sim, "sim");
    capi::copyOut(sim->memory->contents(), bytes, length);
  });
}

probedata_status probedata_sim_fail_next_read(probedata_sim* sim) {
  return run(__func__, [&] {
    need(sim, "sim");
    sim->memory->failNextRead();
  });
}

probedata_status probedata_sim_fail_next_save(probedata_sim* sim) {
  return run(__func__, [&] {
    need(sim, "sim");
    sim->memory->failNextSave();
  });
}

probedata_status probedata_sim_corrupt_byte(probedata_sim* sim, size_t offset, unsigned int mask) {
  return run(__func__, [&] {
    need(sim, "sim");
    if (offset >= sim->memory->size()) {
      capi::mistake("offset " + std::to_string(offset) + " is past the memory's " +
                    std::to_string(sim->memory->size()) + " bytes");
    }
    sim->memory->corruptByte(offset, static_cast<unsigned char>(mask));
  });
}

}  // extern "C"
