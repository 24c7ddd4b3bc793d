#include "ProbeCodec.h"

#include <boost/crc.hpp>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <exception>

#include "ImageChecker.h"
#include "ImageLayout.h"
#include "LogSetup.h"
#include "PDSimuCoder.h"
#include "ProbeDataV1Coder.h"
#include "RecordView.h"
#include "SimDeviceMemory.h"
#include "Utils.h"

namespace probetool {

namespace {

using probesim::SimDeviceMemory;

// The callback of one coder: every report, in order.
class Reports final : public ProbeDataCoderCB {
 public:
  void onChecksumRed(bool ok) override { add("onChecksumRed", ok); }
  void onAllRed(bool ok) override { add("onAllRed", ok); }
  void onSaved(bool ok) override { add("onSaved", ok); }
  void onError() override { events.push_back("onError()"); }

  std::vector<std::string> events;

 private:
  void add(const char* name, bool ok) {
    events.push_back(std::string(name) + (ok ? "(true)" : "(false)"));
  }
};

std::string describe(const SimDeviceMemory::Request& request) {
  const bool whole = request.length == SimDeviceMemory::kWholeText;
  return std::string(request.kind == SimDeviceMemory::Request::Read ? "read " : "save ") +
         (whole ? std::string("all") : std::to_string(request.length) + " bytes") + " at " +
         std::to_string(request.offset);
}

void expectReports(RoundTrip& trip, const char* step, const Reports& reports,
                   const std::vector<std::string>& expected) {
  if (reports.events == expected) return;
  std::string got;
  for (const std::string& event : reports.events) got += (got.empty() ? "" : ", ") + event;
  trip.problems.push_back(std::string(step) + " reported " + (got.empty() ? "nothing" : got) +
                          ", not " + expected.front());
}

void expectRequests(RoundTrip& trip, SimDeviceMemory& memory,
                    const std::vector<std::string>& expected) {
  std::vector<std::string> made;
  for (const SimDeviceMemory::Request& request : memory.requests()) {
    made.push_back(describe(request));
    trip.steps.push_back(made.back());
  }
  memory.clearRequests();
  if (made != expected) {
    std::string want;
    for (const std::string& step : expected) want += (want.empty() ? "" : ", ") + step;
    trip.problems.push_back("the device saw other requests than " + want);
  }
}

void expectRecord(RoundTrip& trip, const std::string& what, const ProbeData& expected,
                  const ProbeData& actual, const Precision& precision) {
  for (const std::string& difference :
       compareRecords(viewRecord(expected), viewRecord(actual), precision)) {
    trip.problems.push_back(what + " " + difference);
  }
}

// The data checksum of a decoded record; a record the image cannot hold gives the reason.
void addDataChecksum(const ProbeDataV1Coder& coder, Decoded& decoded) {
  try {
    decoded.dataChecksum = coder.computeDataCheksum(decoded.record);
    decoded.hasDataChecksum = true;
  } catch (const std::exception& error) {
    decoded.dataChecksumFailure = error.what();
  }
}

}  // namespace

Decoded decodeImage(const Bytes& image) {
  Decoded decoded;
  ErrorCapture capture;
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  decoded.ok = coder.convertFromString(std::string(image.begin(), image.end()), decoded.record);
  decoded.imageVersion = coder.getInputVersion();
  if (decoded.ok) addDataChecksum(coder, decoded);
  decoded.libraryErrors = capture.messages();
  return decoded;
}

Decoded decodeXml(const Bytes& text) {
  Decoded decoded;
  ErrorCapture capture;
  decoded.ok = loadFromString(std::string(text.begin(), text.end()), decoded.record);
  if (decoded.ok) {
    const ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
    addDataChecksum(coder, decoded);
  }
  decoded.libraryErrors = capture.messages();
  return decoded;
}

Encoded encodeImage(const ProbeData& record, unsigned short outputVersion) {
  Encoded encoded;
  ErrorCapture capture;
  try {
    ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
    coder.setOutputVersion(outputVersion);
    encoded.ok = coder.convertToString(record, encoded.bytes);
  } catch (const std::exception&) {
    encoded.ok = false;  // the library has logged why
  }
  encoded.libraryErrors = capture.messages();
  return encoded;
}

Encoded encodeXml(const ProbeData& record) {
  Encoded encoded;
  ErrorCapture capture;
  encoded.ok = saveToString(encoded.bytes, record);
  encoded.libraryErrors = capture.messages();
  return encoded;
}

RoundTrip roundTripV1(const ProbeData& record) {
  RoundTrip trip;
  trip.coder = "version-1 coder";
  boost::shared_ptr<SimDeviceMemory> memory = boost::make_shared<SimDeviceMemory>(
      kImageLength, SimDeviceMemory::Completion::Queued, SimDeviceMemory::Storage::Image);
  try {
    ProbeDataV1Coder writer(memory);
    boost::shared_ptr<Reports> saved = boost::make_shared<Reports>();
    writer.setCB(saved);
    memory->bind(&writer);
    writer.save(record);
    memory->pump();
    expectRequests(trip, *memory, {"save 428 bytes at 0"});
    expectReports(trip, "save", *saved, {"onSaved(true)"});
    expectRecord(trip, "after the save the writer holds", record, writer.getProbeData(),
                 Precision::image21());
    trip.memory = memory->contents();

    // A new coder knows no version yet: it reads the version block, then the whole image.
    ProbeDataV1Coder reader(memory);
    boost::shared_ptr<Reports> red = boost::make_shared<Reports>();
    reader.setCB(red);
    memory->bind(&reader);
    reader.readAll();
    memory->pump();
    memory->bind(nullptr);
    expectRequests(trip, *memory, {"read 8 bytes at 0", "read 428 bytes at 0"});
    expectReports(trip, "readAll", *red, {"onAllRed(true)"});
    if (reader.getInputVersion() != kVersion21) {
      trip.problems.push_back("the reader took the image as version " +
                              versionText(reader.getInputVersion()) + ", not 2.1");
    }
    trip.readBack = reader.getProbeData();
    expectRecord(trip, "read back:", record, trip.readBack, Precision::image21());
    trip.dataChecksum = reader.computeDataCheksum(trip.readBack);
  } catch (const std::exception& error) {
    trip.problems.push_back(std::string("the library threw: ") + error.what());
  }
  trip.ok = trip.problems.empty();
  return trip;
}

RoundTrip roundTripSimu(const ProbeData& record) {
  RoundTrip trip;
  trip.coder = "simulation coder";
  boost::shared_ptr<SimDeviceMemory> memory = boost::make_shared<SimDeviceMemory>(
      0, SimDeviceMemory::Completion::Queued, SimDeviceMemory::Storage::Text);
  try {
    PDSimuCoder writer(memory);
    boost::shared_ptr<Reports> saved = boost::make_shared<Reports>();
    writer.setCB(saved);
    memory->bind(&writer);
    writer.save(record);
    memory->pump();
    trip.memory = memory->contents();
    expectRequests(trip, *memory, {"save " + std::to_string(trip.memory.size()) + " bytes at 0"});
    expectReports(trip, "save", *saved, {"onSaved(true)"});
    std::string text;
    saveToString(text, record);
    if (trip.memory != text) trip.problems.push_back("the memory does not hold the XML text");

    PDSimuCoder reader(memory);
    boost::shared_ptr<Reports> red = boost::make_shared<Reports>();
    reader.setCB(red);
    memory->bind(&reader);
    reader.readAll();
    memory->pump();
    memory->bind(nullptr);
    expectRequests(trip, *memory, {"read all at 0"});
    expectReports(trip, "readAll", *red, {"onAllRed(true)"});
    trip.readBack = reader.getProbeData();
    expectRecord(trip, "read back:", record, trip.readBack, Precision::exact());
    trip.dataChecksum = reader.computeDataCheksum(trip.readBack);
  } catch (const std::exception& error) {
    trip.problems.push_back(std::string("the library threw: ") + error.what());
  }
  trip.ok = trip.problems.empty();
  return trip;
}

unsigned int crc16(const std::string& bytes) {
  boost::crc_16_type crc;
  crc.process_bytes(bytes.data(), bytes.size());
  return crc.checksum();
}

}  // namespace probetool
