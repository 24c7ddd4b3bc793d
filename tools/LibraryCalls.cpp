#include "LibraryCalls.h"

#include <boost/make_shared.hpp>
#include <exception>
#include <functional>

#include "PDSimuCoder.h"
#include "ProbeDataV1Coder.h"
#include "SimDeviceMemory.h"
#include "Utils.h"

namespace probetool {

namespace {

using probesim::SimDeviceMemory;

ProbeDataV1Coder newCoder() { return ProbeDataV1Coder(boost::shared_ptr<DataHandler>()); }

// The data checksum is a new coder's: the coder that read an image of version 0.1 would write a
// rigid body too long for that version's block.
Decoded decoded(bool ok, const ProbeData& record) {
  Decoded result{ok, record};
  try {
    if (ok) result.dataChecksum = newCoder().computeDataCheksum(record);
    result.hasDataChecksum = ok;
  } catch (const std::exception&) {
    result.hasDataChecksum = false;  // a body that no image holds: the library has logged why
  }
  return result;
}

// The callback of one coder: every report, in order ("onSaved(true)").
class Reports final : public ProbeDataCoderCB {
 public:
  void onChecksumRed(bool ok) override { add("onChecksumRed", ok); }
  void onAllRed(bool ok) override { add("onAllRed", ok); }
  void onSaved(bool ok) override { add("onSaved", ok); }
  void onError() override { events += (events.empty() ? "" : ", ") + std::string("onError()"); }
  std::string events;

 private:
  void add(const char* name, bool ok) {
    events += (events.empty() ? "" : ", ") + std::string(name) + (ok ? "(true)" : "(false)");
  }
};

// Saves with one coder and reads back with a new one, completions queued and pumped as a device
// delivers them later. The memory must then hold written(record), and the record read back
// must write the same bytes again.
template <class Coder>
RoundTrip roundTrip(const char* name, const ProbeData& record, SimDeviceMemory::Storage storage,
                    const std::function<Encoded(const ProbeData&)>& written) {
  RoundTrip trip;
  trip.coder = name;
  const auto memory = boost::make_shared<SimDeviceMemory>(ProbeDataV1Coder::getImageLength());
  memory->setCompletion(SimDeviceMemory::Completion::Queued);
  memory->setStorage(storage);
  const auto run = [&](const char* step, Coder& coder, const std::function<void()>& request,
                       const char* expected) {
    const auto reports = boost::make_shared<Reports>();
    coder.setCB(reports);
    memory->bind(&coder);
    request();
    memory->pump();
    memory->bind(nullptr);
    for (const SimDeviceMemory::Request& seen : memory->requests()) {
      const bool whole = seen.length == SimDeviceMemory::kWholeText;
      trip.steps.push_back((seen.kind == SimDeviceMemory::Request::Read ? "read " : "save ") +
                           (whole ? std::string("all") : plural(seen.length, "byte", "bytes")) +
                           " at " + std::to_string(seen.offset));
    }
    memory->clearRequests();
    if (reports->events != expected) {
      trip.problems.push_back(std::string(step) + " reported " +
                              (reports->events.empty() ? "nothing" : reports->events) + ", not " +
                              expected);
    }
  };
  try {
    Coder writer(memory);
    run(
        "save", writer, [&] { writer.save(record); }, "onSaved(true)");
    trip.memory = memory->contents();
    Coder reader(memory);
    run(
        "readAll", reader, [&] { reader.readAll(); }, "onAllRed(true)");
    if (trip.memory != written(record).bytes) {
      trip.problems.push_back("the memory does not hold what the library writes of the record");
    }
    if (written(reader.getProbeData()).bytes != trip.memory) {
      trip.problems.push_back("the record read back does not write the same bytes");
    }
    trip.dataChecksum = reader.computeDataCheksum(reader.getProbeData());
  } catch (const std::exception& error) {
    trip.problems.push_back(std::string("the library threw: ") + escaped(error.what()));
  }
  return trip;
}

}  // namespace

Decoded decodeImage(const Bytes& image) {
  ProbeData record;
  const bool ok = newCoder().convertFromString(std::string(image.begin(), image.end()), record);
  return decoded(ok, record);
}

Decoded decodeXml(const Bytes& text) {
  ProbeData record;
  return decoded(loadFromString(std::string(text.begin(), text.end()), record), record);
}

Decoded decodedRecord(const ProbeData& record) { return decoded(true, record); }

Encoded encodeImage(const ProbeData& record) {
  Encoded encoded;
  encoded.ok = newCoder().convertToString(record, encoded.bytes);
  return encoded;
}

Encoded encodeXml(const ProbeData& record) {
  Encoded encoded;
  encoded.ok = saveToString(encoded.bytes, record);
  return encoded;
}

RoundTrip roundTripV1(const ProbeData& record) {
  return roundTrip<ProbeDataV1Coder>("version-1 coder", record, SimDeviceMemory::Storage::Image,
                                     encodeImage);
}

RoundTrip roundTripSimu(const ProbeData& record) {
  return roundTrip<PDSimuCoder>("simulation coder", record, SimDeviceMemory::Storage::Text,
                                encodeXml);
}

}  // namespace probetool
