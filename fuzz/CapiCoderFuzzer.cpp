// The C interface's coders driven as a host drives them: requests, completions honest and made
// up, handler errors, cancels, faults of the simulated memory and output versions, decoded from
// the input, over a memory that completes at once or when pumped, with callbacks that call back
// in. Checked: every status is a documented one with a reason exactly when it is not
// PROBEDATA_OK; a memory or corruption never shows as PROBEDATA_ERROR_INTERNAL or MEMORY; and
// every request the coder accepted ends in exactly one result once the host cancels and pumps.
#include <string>

#include "FuzzSupport.h"
#include "probedata_c.h"

namespace {

struct Host {
  probedata_coder* coder = nullptr;
  probedata_sim* sim = nullptr;
  probedata_record* record = nullptr;
  fuzz::Input* input = nullptr;
  int accepted = 0, results = 0, depth = 0;
  bool closing = false;  // the host gives up: no more requests from inside
};

void status(probedata_status got, const char* call) {
  FUZZ_CHECK(got <= PROBEDATA_ERROR_ENCODE, std::string(call) + ": " + probedata_last_error());
  FUZZ_CHECK((got == PROBEDATA_OK) == (*probedata_last_error() == '\0'), call);
}

probedata_status request(Host& host, unsigned kind);

// A result: counted, and now and then the next request made from inside, as hosts do, while
// the input lasts.
void PROBEDATA_CALL result(void* user, int) {
  Host& host = *static_cast<Host*>(user);
  ++host.results;
  if (!host.closing && host.depth < 3 && host.input->at < host.input->end &&
      host.input->u8() % 4 == 0) {
    ++host.depth;
    static_cast<void>(request(host, host.input->u8()));
    --host.depth;
  }
}

void PROBEDATA_CALL error(void* user) {
  Host& host = *static_cast<Host*>(user);
  if (!host.closing && host.input->at < host.input->end && host.input->u8() % 8 == 1) {
    const probedata_status got = probedata_coder_cancel(host.coder);
    FUZZ_CHECK(got == PROBEDATA_OK || got == PROBEDATA_ERROR_STATE, probedata_last_error());
  }
}

probedata_status request(Host& host, unsigned kind) {
  const probedata_status got = kind % 4 == 0   ? probedata_coder_read_version(host.coder)
                               : kind % 4 == 1 ? probedata_coder_read_all(host.coder)
                               : kind % 4 == 2 ? probedata_coder_read_checksum(host.coder)
                                               : probedata_coder_save(host.coder, host.record);
  status(got, "request");
  host.accepted += got == PROBEDATA_OK;
  return got;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input{data, data + size};
  Host host;
  host.input = &input;
  const unsigned setup = input.u8();
  const bool text = setup & 1, queued = setup & 2;
  status(probedata_sim_new(text ? 0 : 428, text, queued, &host.sim), "sim");
  probedata_data_handler handler;
  handler.struct_size = sizeof handler;
  status(probedata_sim_data_handler(host.sim, &handler), "handler");
  status(probedata_coder_new(text ? PROBEDATA_CODER_SIMULATION : PROBEDATA_CODER_V1, &handler,
                             &host.coder),
         "coder");
  const probedata_coder_callbacks callbacks{sizeof callbacks, &host, result, result, result, error};
  status(probedata_coder_set_callbacks(host.coder, &callbacks), "callbacks");
  status(probedata_sim_bind(host.sim, host.coder), "bind");
  status(probedata_record_new(&host.record), "record");
  status(probedata_record_set_id(host.record, "FUZZ", 4), "id");

  for (int steps = 0; input.at < input.end && steps < 64; ++steps) {
    const unsigned step = input.u8();
    std::string bytes;
    for (unsigned n = input.u8() % 32; n > 0; --n) bytes += static_cast<char>(input.u8());
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned offset = input.u8() % 2 ? 0 : input.u16();
    const unsigned length = input.u8() % 2 ? bytes.size() : input.u16();
    const bool ok = step & 16;
    const auto* given = length <= bytes.size() ? raw : nullptr;
    const probedata_status got =
        step % 10 == 0   ? request(host, input.u8())
        : step % 10 == 1 ? probedata_sim_pump(host.sim, nullptr)
        : step % 10 == 2 ? probedata_coder_data_read(host.coder, ok, offset, length, given)
        : step % 10 == 3 ? probedata_coder_data_saved(host.coder, ok, offset, length, given)
        : step % 10 == 4 ? probedata_coder_cancel(host.coder)
        : step % 10 == 5 ? probedata_coder_handler_error(host.coder)
        : step % 10 == 6
            ? (ok ? probedata_sim_fail_next_read : probedata_sim_fail_next_save)(host.sim)
        : step % 10 == 7 ? probedata_sim_corrupt_byte(host.sim, offset % 430, input.u8())
        : step % 10 == 8 ? probedata_sim_load(host.sim, raw, bytes.size())
                         : probedata_coder_set_output_version(host.coder, input.u8());
    status(got, "step");
  }
  // The host gives up on what is pending; the memory's late completions are dropped.
  host.closing = true;
  probedata_coder_cancel(host.coder);
  status(probedata_sim_pump(host.sim, nullptr), "pump");
  probedata_coder_cancel(host.coder);
  FUZZ_CHECK(host.accepted == host.results, std::to_string(host.accepted) + " requests, " +
                                                std::to_string(host.results) + " results");
  probedata_coder_free(host.coder);
  probedata_sim_free(host.sim);
  probedata_record_free(host.record);
  return 0;
}
