// The version-1 coder against the simulated device memory, as a host uses it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "RecordingCallback.h"
#include "RigidBodies.h"
#include "SimDeviceMemory.h"
#include "V1CoderAccess.h"

namespace {

using Calls = std::vector<std::string>;
using probesim::SimDeviceMemory;

// A host's coder: bound to the device, reporting to a recording callback.
struct Host {
  explicit Host(const boost::shared_ptr<SimDeviceMemory>& memory) : device(memory), coder(memory) {
    coder.setCB(callback);
    device->bind(&coder);
  }
  // Lets a queued device deliver what the request started; a synchronous one already has.
  void settle() { device->pump(); }

  boost::shared_ptr<SimDeviceMemory> device;
  boost::shared_ptr<RecordingCallback> callback{new RecordingCallback};
  V1CoderAccess coder;
};

std::string imageOf(const ProbeData& record) {
  std::string image;
  V1CoderAccess coder;
  EXPECT_TRUE(coder.convertToString(record, image));
  return image;
}

class V1DeviceTest : public ::testing::TestWithParam<SimDeviceMemory::Completion> {
 protected:
  boost::shared_ptr<SimDeviceMemory> device{new SimDeviceMemory(428, GetParam())};
  const ProbeData record = sampleRecord(16, true);
};

TEST_P(V1DeviceTest, HostSavesThenReadsARecord) {
  Host writer(device);
  writer.coder.save(record);
  writer.settle();
  EXPECT_EQ((Calls{"onSaved(1)"}), writer.callback->calls);
  EXPECT_EQ(imageOf(record), device->contents());
  EXPECT_TRUE(sameRecord(record, writer.coder.getProbeData(), 1e-9));

  device->clearRequests();
  Host reader(device);
  reader.coder.readAll();
  reader.settle();
  EXPECT_EQ((Calls{"onAllRed(1)"}), reader.callback->calls);
  EXPECT_TRUE(sameRecord(record, reader.coder.getProbeData(), 1e-9));
  EXPECT_EQ(0x21u, reader.coder.getInputVersion());
  const std::vector<SimDeviceMemory::Request> requests = device->requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ(8u, requests[0].length);
  EXPECT_EQ(428u, requests[1].length);
  EXPECT_TRUE(reader.coder.idle());

  reader.coder.readChecksum();  // the version is known: one read of the data check block
  reader.settle();
  EXPECT_EQ(406u, device->requests().back().offset);
  EXPECT_EQ((Calls{"onAllRed(1)", "onChecksumRed(1)"}), reader.callback->calls);
}

TEST_P(V1DeviceTest, DeviceFaultsEndInOneFailedReport) {
  device->load(imageOf(record));
  Host host(device);
  device->corruptByte(8 + 2 + 2);  // the first target's size: the block checksum fails
  host.coder.readAll();
  host.settle();
  device->failNextSave();
  host.coder.save(record);
  host.settle();
  device->throwOnNextRequest();
  host.coder.readAll();
  host.settle();
  EXPECT_EQ((Calls{"onAllRed(0)", "onSaved(0)", "onError()", "onAllRed(0)"}),
            host.callback->calls);
  EXPECT_TRUE(sameRecord(ProbeData(), host.coder.getProbeData()));
  EXPECT_TRUE(host.coder.idle());
  EXPECT_EQ(0u, host.coder.pendingWrites());

  host.coder.save(record);  // and the coder still works
  host.settle();
  host.coder.readAll();
  host.settle();
  EXPECT_EQ("onAllRed(1)", host.callback->calls.back());
  EXPECT_TRUE(sameRecord(record, host.coder.getProbeData(), 1e-9));
}

INSTANTIATE_TEST_SUITE_P(Completion, V1DeviceTest,
                         ::testing::Values(SimDeviceMemory::Completion::Synchronous,
                                           SimDeviceMemory::Completion::Queued),
                         [](const ::testing::TestParamInfo<SimDeviceMemory::Completion>& mode) {
                           return mode.param == SimDeviceMemory::Completion::Queued
                                      ? "Queued"
                                      : "Synchronous";
                         });

// Answers every read with at most the bytes its image holds, in a buffer of exactly that size.
class TruncatingDevice : public DataHandler {
 public:
  explicit TruncatingDevice(const std::string& bytes) : image(bytes) {}
  void readData(unsigned long offset, unsigned long length) override {
    const std::size_t size = std::min<std::size_t>(length, image.size() - offset);
    std::vector<unsigned char> bytes(image.begin() + static_cast<std::ptrdiff_t>(offset),
                                     image.begin() + static_cast<std::ptrdiff_t>(offset + size));
    coder->onDataRed(true, offset, size, bytes.empty() ? nullptr : bytes.data());
  }
  void saveData(unsigned long, unsigned long, boost::shared_array<unsigned char>) override {}
  DHError getError() const override { return NoDHError; }

  std::string image;
  DataHandlerCB* coder = nullptr;
};

// Every single-byte corruption and every truncation of a full image ends in one report: success
// with whatever the bytes encode, or failure with the held record unchanged. Run under the
// sanitizers, this is what shows that no decode strays outside the bytes it was given.
class V1CorruptionSweep : public ::testing::Test {
 protected:
  static void expectOneReport(const Host& host, const ProbeData& before) {
    ASSERT_EQ(1u, host.callback->calls.size());
    if (host.callback->calls[0] == "onAllRed(0)") {
      EXPECT_TRUE(sameRecord(before, host.coder.getProbeData()));
    } else {
      EXPECT_EQ("onAllRed(1)", host.callback->calls[0]);
    }
  }

  const std::string valid = imageOf(sampleRecord(16, true));
};

TEST_F(V1CorruptionSweep, EveryFlippedByte) {
  int accepted = 0;
  for (std::size_t offset = 0; offset < valid.size(); ++offset) {
    SCOPED_TRACE(offset);
    boost::shared_ptr<SimDeviceMemory> device(new SimDeviceMemory);
    device->load(valid);
    Host host(device);
    host.coder.readAll();
    const ProbeData before = host.coder.getProbeData();
    host.callback->calls.clear();

    device->corruptByte(offset);
    host.coder.readAll();
    expectOneReport(host, before);
    accepted += host.callback->calls[0] == "onAllRed(1)";

    V1CoderAccess converter;
    ProbeData converted;
    converter.convertFromString(device->contents(), converted);
  }
  // Only bytes no checksum covers decode: upper bytes of positions, flags that do not change
  // the record's length, the id and stored checksum, the mask thickness, the fill.
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, static_cast<int>(valid.size()));
}

// A prefix of a valid image decodes when it ends between two items, since a range of whole
// items is a valid read; anywhere else it fails. Either way the record is the one held before.
TEST_F(V1CorruptionSweep, EveryTruncation) {
  const std::set<std::size_t> itemEnds = {0, 8, 396, 404, 406, 428};
  for (std::size_t length = 0; length <= valid.size(); ++length) {
    SCOPED_TRACE(length);
    boost::shared_ptr<TruncatingDevice> device(new TruncatingDevice(valid));
    boost::shared_ptr<RecordingCallback> callback(new RecordingCallback);
    V1CoderAccess coder(device);
    device->coder = &coder;
    coder.setCB(callback);
    coder.readAll();  // the whole image first, so the version is known
    ASSERT_EQ((Calls{"onAllRed(1)"}), callback->calls);
    const ProbeData before = coder.getProbeData();

    callback->calls.clear();
    device->image = valid.substr(0, length);
    coder.readAll();
    EXPECT_EQ((Calls{itemEnds.count(length) != 0 ? "onAllRed(1)" : "onAllRed(0)"}),
              callback->calls);
    EXPECT_TRUE(sameRecord(before, coder.getProbeData()));

    V1CoderAccess converter;
    ProbeData converted;
    EXPECT_EQ(length == valid.size(), converter.convertFromString(device->image, converted));
  }
}

}  // namespace
