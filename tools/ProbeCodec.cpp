#include "ProbeCodec.h"

#include <boost/crc.hpp>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>

#include <cstdio>
#include <exception>

#include "PDSimuCoder.h"
#include "ProbeDataV1Coder.h"
#include "RecordView.h"
#include "SimDeviceMemory.h"
#include "Utils.h"

namespace probetool {

namespace {

using probesim::SimDeviceMemory;

// Collects the messages the library logs at ERROR or above while it lives. log4cplus calls
// append under the appender's own lock.
class ErrorCapture {
 public:
  ErrorCapture() : logger_(log4cplus::Logger::getInstance("Probe")), appender_(new Appender) {
    logger_.addAppender(log4cplus::SharedAppenderPtr(appender_.get()));
  }
  ~ErrorCapture() { logger_.removeAppender(log4cplus::SharedAppenderPtr(appender_.get())); }
  std::vector<std::string> messages() const { return appender_->messages; }

 private:
  struct Appender : log4cplus::Appender {
    ~Appender() override { destructorImpl(); }
    void close() override { closed = true; }
    void append(const log4cplus::spi::InternalLoggingEvent& event) override {
      if (event.getLogLevel() >= log4cplus::ERROR_LOG_LEVEL) messages.push_back(event.getMessage());
    }
    std::vector<std::string> messages;
  };

  log4cplus::Logger logger_;
  log4cplus::helpers::SharedObjectPtr<Appender> appender_;
};

// The callback of one coder: every report, in order ("onSaved(true)").
class Reports final : public ProbeDataCoderCB {
 public:
  void onChecksumRed(bool ok) override { add("onChecksumRed", ok ? "(true)" : "(false)"); }
  void onAllRed(bool ok) override { add("onAllRed", ok ? "(true)" : "(false)"); }
  void onSaved(bool ok) override { add("onSaved", ok ? "(true)" : "(false)"); }
  void onError() override { add("onError", "()"); }

  std::string events;

 private:
  void add(const char* name, const char* how) {
    events += (events.empty() ? "" : ", ") + std::string(name) + how;
  }
};

std::string describe(const SimDeviceMemory::Request& request) {
  const bool whole = request.length == SimDeviceMemory::kWholeText;
  return std::string(request.kind == SimDeviceMemory::Request::Read ? "read " : "save ") +
         (whole ? std::string("all") : std::to_string(request.length) + " bytes") + " at " +
         std::to_string(request.offset);
}

void expectReport(RoundTrip& trip, const char* step, const Reports& reports,
                  const std::string& expected) {
  if (reports.events == expected) return;
  trip.problems.push_back(std::string(step) + " reported " +
                          (reports.events.empty() ? "nothing" : reports.events) + ", not " +
                          expected);
}

// What the device saw, for the demo's account.
void takeRequests(RoundTrip& trip, SimDeviceMemory& memory) {
  for (const SimDeviceMemory::Request& request : memory.requests()) {
    trip.steps.push_back(describe(request));
  }
  memory.clearRequests();
}

void expectRecord(RoundTrip& trip, const std::string& what, const ProbeData& expected,
                  const ProbeData& actual) {
  for (const std::string& difference : compareRecords(viewRecord(expected), viewRecord(actual))) {
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

Decoded decodedRecord(const ProbeData& record) {
  Decoded decoded;
  decoded.ok = true;
  decoded.record = record;
  const ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  addDataChecksum(coder, decoded);
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

std::string unwritableValue(const RecordView& record, unsigned short outputVersion,
                            FieldNames names) {
  static const struct {
    const char* words;
    const char* path;
    double TargetRow::*value;
  } kValues[] = {
      {"size", "size", &TargetRow::size},        {"x", "position[0]", &TargetRow::x},
      {"y", "position[1]", &TargetRow::y},       {"z", "position[2]", &TargetRow::z},
      {"normal x", "normal[0]", &TargetRow::nx}, {"normal y", "normal[1]", &TargetRow::ny},
      {"normal z", "normal[2]", &TargetRow::nz}, {"angle", "angle", &TargetRow::angle}};
  auto fits = [outputVersion](const RecordView& alone) {
    return encodeImage(makeRecord(alone), outputVersion).ok;
  };
  auto named = [](const std::string& name, double value) {
    char text[48];
    std::snprintf(text, sizeof text, ": %.9g", value);
    return name + text;
  };
  const bool json = names == FieldNames::Json;
  for (std::size_t i = 0; i < record.targets.size(); ++i) {
    const TargetRow& target = record.targets[i];
    for (const auto& part : kValues) {
      RecordView alone;
      alone.targets.resize(1);
      alone.targets[0].hasNormal = target.hasNormal;
      alone.targets[0].hasAngle = target.hasAngle;
      alone.targets[0].*part.value = target.*part.value;
      if (fits(alone)) continue;
      const std::string index = std::to_string(i);
      return named(
          json ? "targets[" + index + "]." + part.path : "target " + index + " " + part.words,
          target.*part.value);
    }
  }
  double RecordView::*const direction[] = {&RecordView::dirX, &RecordView::dirY, &RecordView::dirZ};
  for (int k = 0; k < 3; ++k) {
    RecordView alone;
    alone.*direction[k] = record.*direction[k];
    if (fits(alone)) continue;
    return named(json ? "defaultDirection[" + std::to_string(k) + "]"
                      : std::string("default direction ") + "xyz"[k],
                 record.*direction[k]);
  }
  return "";
}

namespace {

// A save with one coder and a readAll with a new one, as two hosts would do it; completions are
// queued and pumped, as a device delivers them later. A new version-1 coder knows no version
// yet, so its readAll reads the version block before the whole image.
template <class Coder>
RoundTrip roundTrip(const char* name, const ProbeData& record, SimDeviceMemory::Storage storage) {
  RoundTrip trip;
  trip.coder = name;
  boost::shared_ptr<SimDeviceMemory> memory = boost::make_shared<SimDeviceMemory>();
  memory->setCompletion(SimDeviceMemory::Completion::Queued);
  memory->setStorage(storage);
  try {
    Coder writer(memory);
    boost::shared_ptr<Reports> saved = boost::make_shared<Reports>();
    writer.setCB(saved);
    memory->bind(&writer);
    writer.save(record);
    memory->pump();
    takeRequests(trip, *memory);
    expectReport(trip, "save", *saved, "onSaved(true)");
    expectRecord(trip, "after the save the writer holds", record, writer.getProbeData());
    trip.memory = memory->contents();

    Coder reader(memory);
    boost::shared_ptr<Reports> red = boost::make_shared<Reports>();
    reader.setCB(red);
    memory->bind(&reader);
    reader.readAll();
    memory->pump();
    memory->bind(nullptr);
    takeRequests(trip, *memory);
    expectReport(trip, "readAll", *red, "onAllRed(true)");
    expectRecord(trip, "read back:", record, reader.getProbeData());
    trip.dataChecksum = reader.computeDataCheksum(reader.getProbeData());
  } catch (const std::exception& error) {
    trip.problems.push_back(std::string("the library threw: ") + error.what());
  }
  trip.ok = trip.problems.empty();
  return trip;
}

}  // namespace

RoundTrip roundTripV1(const ProbeData& record) {
  return roundTrip<ProbeDataV1Coder>("version-1 coder", record, SimDeviceMemory::Storage::Image);
}

// The memory holds the record's XML text, exactly as saveToString writes it.
RoundTrip roundTripSimu(const ProbeData& record) {
  RoundTrip trip =
      roundTrip<PDSimuCoder>("simulation coder", record, SimDeviceMemory::Storage::Text);
  std::string text;
  saveToString(text, record);
  if (trip.memory != text) trip.problems.push_back("the memory does not hold the XML text");
  trip.ok = trip.problems.empty();
  return trip;
}

unsigned int crc16(const std::string& bytes) {
  boost::crc_16_type crc;
  crc.process_bytes(bytes.data(), bytes.size());
  return crc.checksum();
}

}  // namespace probetool
