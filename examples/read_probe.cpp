// A host that reads a probe: it gives the library a DataHandler over the probe's memory, asks a
// version-1 coder to read the whole record, waits for onAllRed, and prints what it read.
//
//   read_probe [IMAGE]   IMAGE: a version-1 image file (probetool convert ... probe.img makes
//                        one); without it, the probe holds a record this program writes first.
//
// A real host's DataHandler talks to the device's driver, and completions arrive later, from
// elsewhere. Here the memory is a byte vector, and a completion waits in a queue until the host's
// loop delivers it, as an event loop would.
#include <log4cplus/configurator.h>
#include <log4cplus/initializer.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <list>
#include <utility>
#include <vector>

#include <probedata/DataHandler.h>
#include <probedata/ProbeDataV1Coder.h>

namespace {

// The probe's memory, and the completions of the requests made on it.
class MemoryDevice : public DataHandler {
 public:
  explicit MemoryDevice(std::vector<unsigned char> memory) : memory_(std::move(memory)) {}

  // The coder receives the completions; the host binds the two.
  void bind(DataHandlerCB* callback) { callback_ = callback; }

  void readData(unsigned long offset, unsigned long length) override {
    pending_.push_back([this, offset, length] {
      const bool ok = offset + length <= memory_.size();
      std::vector<unsigned char> bytes;
      if (ok) bytes.assign(memory_.begin() + offset, memory_.begin() + offset + length);
      callback_->onDataRed(ok, offset, length, bytes.data());
    });
  }

  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    pending_.push_back([this, offset, length, data] {
      const bool ok = offset + length <= memory_.size();
      if (ok) std::copy(data.get(), data.get() + length, memory_.begin() + offset);
      callback_->onDataSaved(ok, offset, length, data.get());
    });
  }

  DHError getError() const override { return NoDHError; }

  // Delivers the oldest completion; false when none is waiting.
  bool deliverOne() {
    if (pending_.empty()) return false;
    std::function<void()> completion = pending_.front();
    pending_.pop_front();
    completion();  // may queue the next request: a coder reads the version block first
    return true;
  }

 private:
  std::vector<unsigned char> memory_;
  DataHandlerCB* callback_ = nullptr;
  std::deque<std::function<void()>> pending_;
};

// What the coder reports back. final: ProbeDataCoderCB's destructor is not virtual, so a callback
// is destroyed as the type it was made with (boost::make_shared sees to that). A readAll ends in
// onAllRed, or in onChecksumRed(false) when its version read fails; the callbacks do not throw.
class Reports final : public ProbeDataCoderCB {
 public:
  void onAllRed(bool ok) override {
    done = true;
    success = ok;
  }
  void onChecksumRed(bool ok) override {
    done = true;
    success = ok;
  }
  void onSaved(bool ok) override {
    done = true;
    success = ok;
  }
  bool done = false;
  bool success = false;
};

// A record to put into the probe when no image is given.
ProbeData sampleRecord() {
  Rb::RigidBody body;
  body.setId("EXAMPLE-PROBE");
  body.insertTarget(0, 0.0, 0.0, 0.0);
  body.setTargetSize(0, 3.0);
  body.insertTarget(1, 40.0, 0.0, 5.0);
  body.setTargetSize(1, 2.5);
  body.updateTargetNormal(1, 0.6, 0.0, 0.8);
  body.setAngleTarget(1, 30.0);
  ProbeData record;
  record.setRigidBody(body);
  record.setDefaultDir(0.0, 0.0, 1.0);
  record.setMaskThickness(2);
  return record;
}

// Runs the device's completions until the coder has reported.
bool wait(MemoryDevice& device, const Reports& reports) {
  while (!reports.done && device.deliverOne()) {
  }
  return reports.done && reports.success;
}

}  // namespace

int main(int argc, char** argv) {
  // The library logs through the log4cplus logger "Probe"; configuring log4cplus is the host's
  // job. Here its warnings and errors go to the console.
  log4cplus::Initializer initializer;
  log4cplus::BasicConfigurator().configure();
  log4cplus::Logger::getInstance("Probe").setLogLevel(log4cplus::WARN_LOG_LEVEL);

  std::vector<unsigned char> memory(ProbeDataV1Coder::getImageLength());
  if (argc > 1) {
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
      std::cerr << "read_probe: cannot open " << argv[1] << "\n";
      return 2;
    }
    memory.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  auto device = boost::make_shared<MemoryDevice>(memory);

  if (argc <= 1) {
    // Write the sample record into the probe, as a host that programs probes does.
    ProbeDataV1Coder writer(device);
    auto saved = boost::make_shared<Reports>();
    writer.setCB(saved);
    device->bind(&writer);
    writer.save(sampleRecord());
    if (!wait(*device, *saved)) {
      std::cerr << "read_probe: the save failed\n";
      return 1;
    }
  }

  // The read: a coder that knows no version yet reads the version block, then the whole image.
  // The coder must outlive the requests it has made.
  ProbeDataV1Coder coder(device);
  auto red = boost::make_shared<Reports>();
  coder.setCB(red);
  device->bind(&coder);
  coder.readAll();
  if (!wait(*device, *red)) {
    std::cerr << "read_probe: the read failed (coder error " << coder.getError() << ")\n";
    return 1;
  }

  const ProbeData& record = coder.getProbeData();
  const Rb::RigidBody& body = record.getRigidBody();
  std::cout << "probe " << body.getId() << ", image version " << (coder.getInputVersion() >> 4)
            << "." << (coder.getInputVersion() & 0xF) << ", " << body.getNbTargets()
            << " targets\n";
  std::list<int> ids;
  body.getTargetsList(ids);
  for (int id : ids) {
    double x, y, z;
    body.getTargetPosition(id, x, y, z);
    std::cout << "  target " << id << ": size " << body.getTargetSize(id) << " at (" << x << ", "
              << y << ", " << z << ")" << (body.hasNormal(id) ? ", normal" : "")
              << (body.hasAngle(id) ? ", angle" : "") << "\n";
  }
  double dx, dy, dz;
  record.getDefaultDir(dx, dy, dz);
  std::cout << "default direction (" << dx << ", " << dy << ", " << dz << "), mask thickness "
            << record.getMaskThickness() << "\n";
  // The data checksum: CRC-16 of the record's image from the rigid body to the mask thickness.
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "0x%04X", coder.computeDataCheksum(record));
  std::cout << "data checksum " << checksum << "\n";
  return 0;
}
