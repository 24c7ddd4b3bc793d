// A host's side of a coder over the simulated device memory, completing synchronously: the
// device holds a record, the coder is bound to it, and a callback counts the reports.
#ifndef PROBE_BENCH_CODER_HARNESS_H
#define PROBE_BENCH_CODER_HARNESS_H

#include <boost/shared_ptr.hpp>
#include <string>

#include "PDSimuCoder.h"
#include "ProbeDataCoder.h"
#include "ProbeDataV1Coder.h"
#include "SimDeviceMemory.h"

namespace bench {

class ReportRecorder : public ProbeDataCoderCB {
 public:
  void onChecksumRed(bool ok) override { record(ok); }
  void onAllRed(bool ok) override { record(ok); }
  void onSaved(bool ok) override { record(ok); }
  void onError() override { ++errors; }

  unsigned long reports = 0;
  unsigned long errors = 0;
  bool lastOk = false;

 private:
  void record(bool ok) {
    ++reports;
    lastOk = ok;
  }
};

// The device records every request. The record is sized once, before the coder is bound, and
// cut back before it outgrows that size: a long timed loop neither grows it without end nor pays
// for clearing it on every call, and it never allocates again, so every call of an operation
// makes the same allocations.
class RequestLog {
 public:
  static constexpr unsigned long kCapacity = 1024;

  static void reserve(probesim::SimDeviceMemory& memory) {
    for (unsigned long i = 0; i < kCapacity; ++i) memory.readData(0, 0);
    memory.clearRequests();
  }

  // After each operation; no operation makes more than kRequestsPerOperation requests.
  void trim(probesim::SimDeviceMemory& memory) {
    if (++operations_ < kCapacity / kRequestsPerOperation) return;
    operations_ = 0;
    memory.clearRequests();
  }

 private:
  static constexpr unsigned long kRequestsPerOperation = 4;
  unsigned long operations_ = 0;
};

// Each operation returns true when it ended in exactly one report, and that report was ok. Not
// copyable: the device keeps the coder's address.
template <class Coder>
class DeviceHarness {
 public:
  DeviceHarness(const std::string& contents, probesim::SimDeviceMemory::Storage storage)
      : memory_(new probesim::SimDeviceMemory(
            contents.size(), probesim::SimDeviceMemory::Completion::Synchronous, storage)),
        coder_(memory_),
        recorder_(new ReportRecorder) {
    RequestLog::reserve(*memory_);
    memory_->load(contents);
    coder_.setCB(recorder_);
    memory_->bind(&coder_);
  }
  DeviceHarness(const DeviceHarness&) = delete;
  DeviceHarness& operator=(const DeviceHarness&) = delete;
  ~DeviceHarness() { memory_->bind(nullptr); }

  bool readAll() {
    const unsigned long before = recorder_->reports;
    coder_.readAll();
    return settled(before);
  }

  bool save(const ProbeData& record) {
    const unsigned long before = recorder_->reports;
    coder_.save(record);
    return settled(before);
  }

  Coder& coder() { return coder_; }
  probesim::SimDeviceMemory& memory() { return *memory_; }

 private:
  bool settled(unsigned long before) {
    log_.trim(*memory_);
    return recorder_->reports == before + 1 && recorder_->lastOk;
  }

  boost::shared_ptr<probesim::SimDeviceMemory> memory_;
  Coder coder_;
  boost::shared_ptr<ReportRecorder> recorder_;
  RequestLog log_;
};

using V1Harness = DeviceHarness<ProbeDataV1Coder>;
using SimuHarness = DeviceHarness<PDSimuCoder>;

}  // namespace bench

#endif
