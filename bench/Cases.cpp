// What the suite measures: the library's calls as a host makes them, and the floors they are
// judged against (Boost's stock XML archives, the text's CRC).
#include <benchmark/benchmark.h>
#include <log4cplus/appender.h>
#include <log4cplus/loggingmacros.h>

#include <algorithm>
#include <boost/archive/xml_iarchive.hpp>
#include <boost/archive/xml_oarchive.hpp>
#include <boost/crc.hpp>
#include <boost/make_shared.hpp>
#include <boost/serialization/nvp.hpp>
#include <boost/serialization/string.hpp>
#include <list>
#include <locale>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "Bench.h"
#include "PDSimuCoder.h"
#include "ProbeDataV1Coder.h"
#include "ProbeImageReport.h"
#include "ProbeLogger.h"
#include "SimDeviceMemory.h"
#include "Utils.h"
#include "probedata_c.h"

namespace bench {
namespace {

using probesim::SimDeviceMemory;

const boost::shared_ptr<DataHandler> kNoDevice;

void check(bool ok, const char* failure) {
  if (!ok) throw std::runtime_error(failure);
}

unsigned int crc16(const std::string& bytes) {
  boost::crc_16_type crc;
  crc.process_bytes(bytes.data(), bytes.size());
  return crc.checksum();
}

std::string imageOf(const ProbeData& record) {
  std::string image;
  check(ProbeDataV1Coder(kNoDevice).convertToString(record, image), "convertToString fails");
  return image;
}

std::string textOf(const ProbeData& record) {
  std::string text;
  check(saveToString(text, record), "saveToString fails");
  return text;
}

// A record's values in the order of its XML text, as plain data: what the stock archives write
// and read for the floors of saveToString and loadFromString.
struct Values {
  struct Target {
    double size = 0, position[3] = {}, normal[3] = {}, angle = 0;
    bool hasNormal = false, hasAngle = false;
  };
  unsigned int checksum = 0;
  std::string id;
  int count = 0;
  std::vector<Target> targets;
  double direction[3] = {};
  unsigned short thickness = 0;
};

// Writes or reads the values as name-value pairs, named and ordered as in the library's text.
template <class Archive, class V>
void visit(Archive& archive, V& values) {
  using boost::serialization::make_nvp;
  archive& make_nvp("Data_Checksum", values.checksum) & make_nvp("Data_RB_Id", values.id) &
      make_nvp("Data_RB_TargetCount", values.count);
  if constexpr (Archive::is_loading::value) {
    values.targets.resize(static_cast<std::size_t>(std::max(values.count, 0)));
  }
  for (auto& target : values.targets) {
    archive& make_nvp("Data_RB_TargetSize", target.size) &
        make_nvp("Data_RB_TargetPos", target.position) &
        make_nvp("Data_RB_TargetHasNormal", target.hasNormal) &
        make_nvp("Data_RB_TargetHasAngle", target.hasAngle);
    if (target.hasNormal) archive& make_nvp("Data_RB_TargetNormal", target.normal);
    if (target.hasAngle) archive& make_nvp("Data_RB_TargetAngle", target.angle);
  }
  archive& make_nvp("Data_RB_Dir", values.direction) &
      make_nvp("Data_Target_Mask_Thickness", values.thickness);
}

Values valuesOf(const ProbeData& record) {
  Values values;
  values.checksum = record.getChecksum();
  const Rb::RigidBody& body = record.getRigidBody();
  values.id = body.getId();
  values.count = body.getNbTargets();
  std::list<int> ids;
  body.getTargetsList(ids);
  for (const int id : ids) {
    Values::Target target;
    target.size = body.getTargetSize(id);
    body.getTargetPosition(id, target.position[0], target.position[1], target.position[2]);
    target.hasNormal = body.hasNormal(id);
    target.hasAngle = body.hasAngle(id);
    if (target.hasNormal) {
      body.getTargetNormal(id, target.normal[0], target.normal[1], target.normal[2]);
    }
    if (target.hasAngle) target.angle = body.getAngleTarget(id);
    values.targets.push_back(target);
  }
  record.getDefaultDir(values.direction[0], values.direction[1], values.direction[2]);
  values.thickness = record.getMaskThickness();
  return values;
}

// The stock way to a text and back: the archives over string streams with the classic locale.
// The output archive is released before the text is taken, so the text ends with the root's
// end tag, which the input archive reads when it is released.
std::string stockSave(const Values& values) {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());
  {
    boost::archive::xml_oarchive archive(stream);
    visit(archive, values);
  }
  return stream.str();
}

void stockLoad(const std::string& text, Values& values) {
  std::istringstream stream(text);
  stream.imbue(std::locale::classic());
  boost::archive::xml_iarchive archive(stream);
  visit(archive, values);
}

// The reports a coder gives. A request succeeded when it ended in exactly one report, and an ok
// one.
struct Reports : ProbeDataCoderCB {
  void onChecksumRed(bool ok) override { note(ok); }
  void onAllRed(bool ok) override { note(ok); }
  void onSaved(bool ok) override { note(ok); }
  void onError() override { note(false); }
  void note(bool ok) {
    ++given;
    failed = failed || !ok;
  }
  int given = 0;
  bool failed = false;
};

// A coder bound to a simulated device memory that completes each request inside it.
template <class Coder>
struct Device {
  Device(const std::string& contents, SimDeviceMemory::Storage storage)
      : memory(boost::make_shared<SimDeviceMemory>(
            contents.size(), SimDeviceMemory::Completion::Synchronous, storage)),
        coder(memory),
        reports(boost::make_shared<Reports>()) {
    memory->load(contents);
    coder.setCB(reports);
    memory->bind(&coder);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  ~Device() { memory->bind(nullptr); }

  // Whether the request just made succeeded. The device's record of requests is cleared, so
  // that it does not grow over a timed loop.
  bool settled() {
    memory->clearRequests();
    const bool ok = reports->given == 1 && !reports->failed;
    *reports = Reports();
    return ok;
  }

  boost::shared_ptr<SimDeviceMemory> memory;
  Coder coder;
  boost::shared_ptr<Reports> reports;
};

// A read as a host starts it with a coder new to the probe: the version block, the whole image
// chained behind it, its decode and onAllRed. Each call first resets the coder by assigning it a
// copy of one that has read nothing.
Operation readAll(Fixture& fixture) {
  auto device =
      std::make_shared<Device<ProbeDataV1Coder>>(fixture.image, SimDeviceMemory::Storage::Image);
  const ProbeDataV1Coder fresh = device->coder;
  Operation read = [device, fresh] {
    device->coder = fresh;
    device->coder.readAll();
    return device->settled();
  };
  check(read() && imageOf(device->coder.getProbeData()) == fixture.image,
        "readAll does not give the record");
  return read;
}

// Counts the events logged through it.
class CountingAppender : public log4cplus::Appender {
 public:
  ~CountingAppender() override { destructorImpl(); }
  void close() override {}
  int events = 0;

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent&) override { ++events; }
};

// What the logging statements of a read cost with the "Probe" logger at OFF, as hosts run: one
// read is logged at TRACE once, to count its lines; the operation passes as many statements of
// its own at OFF, each a test of the logger's level.
Operation loggingOfReadAll(Fixture& fixture) {
  const Operation read = readAll(fixture);
  auto* counter = new CountingAppender;
  const log4cplus::SharedAppenderPtr appender(counter);
  g_probeLogger.addAppender(appender);
  g_probeLogger.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
  const bool ok = read();
  g_probeLogger.setLogLevel(log4cplus::OFF_LOG_LEVEL);
  g_probeLogger.removeAppender(appender);
  check(ok && counter->events > 0, "a read logs nothing at TRACE");
  const int lines = counter->events;
  fixture.label = std::to_string(lines) + " lines";
  return [lines] {
    for (int i = 0; i < lines; ++i) LOG4CPLUS_TRACE(g_probeLogger, "a line not logged at OFF");
    return true;
  };
}

// A record and a coder of the C interface, freed with the operation that uses them.
struct CHandles {
  CHandles() {
    check(probedata_record_new(&record) == PROBEDATA_OK &&
              probedata_coder_new(PROBEDATA_CODER_V1, nullptr, &coder) == PROBEDATA_OK,
          "C handles");
  }
  CHandles(const CHandles&) = delete;
  CHandles& operator=(const CHandles&) = delete;
  ~CHandles() {
    probedata_coder_free(coder);
    probedata_record_free(record);
  }
  probedata_record* record = nullptr;
  probedata_coder* coder = nullptr;
};

const unsigned char* bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

const std::vector<Case> kCases = {
    {"v1/convertToString",
     [](Fixture& fixture) -> Operation {
       return [&fixture, coder = ProbeDataV1Coder(kNoDevice), image = std::string()]() mutable {
         return coder.convertToString(fixture.record, image);
       };
     }},
    {"v1/convertFromString",
     [](Fixture& fixture) -> Operation {
       ProbeData decoded;
       check(ProbeDataV1Coder(kNoDevice).convertFromString(fixture.image, decoded) &&
                 imageOf(decoded) == fixture.image,
             "convertFromString does not give the record back");
       return [&fixture, coder = ProbeDataV1Coder(kNoDevice), decoded]() mutable {
         return coder.convertFromString(fixture.image, decoded);
       };
     }},
    {"v1/computeDataCheksum",
     [](Fixture& fixture) -> Operation {
       const ProbeDataV1Coder coder(kNoDevice);
       check(coder.computeDataCheksum(fixture.record) == inspectImage(fixture.image).dataChecksum,
             "computeDataCheksum is not the image's data checksum");
       return [&fixture, coder] {
         benchmark::DoNotOptimize(coder.computeDataCheksum(fixture.record));
         return true;
       };
     }},
    {"v1/inspectImage",
     [](Fixture& fixture) -> Operation {
       check(inspectImage(fixture.image).intact(), "inspectImage finds the image damaged");
       return [&fixture] { return inspectImage(fixture.image).intact(); };
     }},
    // The C interface over the same calls: what a host of another compiler or language pays.
    {"c/probedata_coder_from_image",
     [](Fixture& fixture) -> Operation {
       auto c = std::make_shared<CHandles>();
       return [&fixture, c] {
         return probedata_coder_from_image(c->coder, bytes(fixture.image), fixture.image.size(),
                                           c->record) == PROBEDATA_OK;
       };
     },
     "v1/convertFromString <= 1.05"},
    {"c/probedata_inspect",
     [](Fixture& fixture) -> Operation {
       return [&fixture] {
         probedata_report* report = nullptr;
         probedata_report_info info{};
         info.struct_size = sizeof info;
         const bool ok = probedata_inspect(bytes(fixture.image), fixture.image.size(), &report) ==
                             PROBEDATA_OK &&
                         probedata_report_get_info(report, &info) == PROBEDATA_OK && info.intact;
         probedata_report_free(report);
         return ok;
       };
     },
     "v1/inspectImage <= 1.05"},
    {"c/probedata_record_load_xml",
     [](Fixture& fixture) -> Operation {
       auto c = std::make_shared<CHandles>();
       return [&fixture, c] {
         return probedata_record_load_xml(c->record, fixture.text.data(), fixture.text.size()) ==
                PROBEDATA_OK;
       };
     },
     "xml/loadFromString <= 1.05"},
    {"v1/readAll", readAll},
    {"v1/readAll_logging_at_off", loggingOfReadAll, "v1/readAll"},
    {"v1/save",
     [](Fixture& fixture) -> Operation {
       auto device = std::make_shared<Device<ProbeDataV1Coder>>(
           std::string(fixture.image.size(), '\0'), SimDeviceMemory::Storage::Image);
       Operation save = [&fixture, device] {
         device->coder.save(fixture.record);
         return device->settled();
       };
       check(save() && device->memory->contents() == fixture.image, "save stores another image");
       return save;
     }},
    {"xml/saveToString",
     [](Fixture& fixture) -> Operation {
       return [&fixture, text = std::string()]() mutable {
         return saveToString(text, fixture.record);
       };
     },
     "stock/xml_oarchive <= 1.15"},
    {"xml/loadFromString",
     [](Fixture& fixture) -> Operation {
       ProbeData decoded;
       check(loadFromString(fixture.text, decoded) && textOf(decoded) == fixture.text,
             "loadFromString does not give the record back");
       return [&fixture, decoded]() mutable { return loadFromString(fixture.text, decoded); };
     },
     "stock/xml_iarchive <= 1.15; v1/convertFromString >= 20"},
    {"xml/computeChecksum",
     [](Fixture& fixture) -> Operation {
       check(fixture.record.computeChecksum() == crc16(fixture.text),
             "computeChecksum is not the CRC of the text");
       return [&fixture] {
         benchmark::DoNotOptimize(fixture.record.computeChecksum());
         return true;
       };
     },
     "xml/saveToString+crc16 <= 1.05"},
    // What computeChecksum cannot do with less: write the text, then its CRC.
    {"xml/saveToString+crc16",
     [](Fixture& fixture) -> Operation {
       return [&fixture, text = std::string()]() mutable {
         if (!saveToString(text, fixture.record)) return false;
         benchmark::DoNotOptimize(crc16(text));
         return true;
       };
     }},
    {"xml/PDSimuCoder_readAll",
     [](Fixture& fixture) -> Operation {
       auto device =
           std::make_shared<Device<PDSimuCoder>>(fixture.text, SimDeviceMemory::Storage::Text);
       Operation read = [device] {
         device->coder.readAll();
         return device->settled();
       };
       check(read() && textOf(device->coder.getProbeData()) == fixture.text,
             "PDSimuCoder::readAll does not give the record");
       return read;
     }},
    {"xml/PDSimuCoder_save",
     [](Fixture& fixture) -> Operation {
       auto device =
           std::make_shared<Device<PDSimuCoder>>(std::string(), SimDeviceMemory::Storage::Text);
       Operation save = [&fixture, device] {
         device->coder.save(fixture.record);
         return device->settled();
       };
       check(save() && device->memory->contents() == fixture.text,
             "PDSimuCoder::save stores another text");
       return save;
     }},
    // The stock archives write the record's values as the same pairs in the same order.
    {"stock/xml_oarchive",
     [](Fixture& fixture) -> Operation {
       const Values values = valuesOf(fixture.record);
       ProbeData decoded;
       check(loadFromString(stockSave(values), decoded) && textOf(decoded) == fixture.text,
             "the stock archive's text is not the record's");
       return [values] {
         const std::string text = stockSave(values);
         benchmark::DoNotOptimize(text.data());
         return !text.empty();
       };
     }},
    // The stock archive reads the library's text, given the root's end tag that the library's
    // texts leave out.
    {"stock/xml_iarchive",
     [](Fixture& fixture) -> Operation {
       const std::string text = fixture.text + "</boost_serialization>\n";
       Values values;
       stockLoad(text, values);
       check(stockSave(values) == stockSave(valuesOf(fixture.record)),
             "the stock archive reads other values");
       return [text, values]() mutable {
         stockLoad(text, values);
         return true;
       };
     }},
};

}  // namespace

// Every value is a whole number of the unit the version-1 image stores it in (thousandths for
// positions, hundredths for sizes, normals and angles), so the record survives every stored
// form; as doubles most need all 17 digits in the XML text. Sixteen targets with normals and
// angles fill the image's rigid body block to its last byte; fewer have neither.
Fixture::Fixture(int targets) {
  Rb::RigidBody body;
  body.setId("BENCH-PROBE-" + std::to_string(targets));
  for (int i = 0; i < targets; ++i) {
    body.insertTarget(i, (12345 + 7919 * i) / 1000.0, (-6421 + 3343 * i) / 1000.0,
                      (1733 - 977 * i) / 1000.0);
    body.setTargetSize(i, (130 + 15 * i) / 100.0);
    if (targets >= 16) {
      body.updateTargetNormal(i, 0.36, -0.48, 0.8);
      body.setAngleTarget(i, (3015 + 125 * i) / 100.0);
    }
  }
  record.setRigidBody(body);
  record.setDefaultDir(0.0, 0.6, -0.8);
  record.setMaskThickness(3);
  record.setChecksum(0x1234);
  image = imageOf(record);
  text = textOf(record);
}

const std::vector<Case>& cases() { return kCases; }

}  // namespace bench
