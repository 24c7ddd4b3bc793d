// The XML text: saveToString, loadFromString, the record checksum and the simulation coder, with
// their floors measured on the same values: the stock archives writing and reading the same
// name-value pairs, and the CRC of the library's text.
#include <boost/crc.hpp>
#include <boost/make_shared.hpp>
#include <stdexcept>
#include <string>

#include "BenchCase.h"
#include "BenchRecords.h"
#include "CoderHarness.h"
#include "StockArchives.h"
#include "Utils.h"

namespace bench {

namespace {

std::string suffix(const RecordShape& shape) { return "/" + std::to_string(shape.targets); }

std::string textOf(const ProbeData& record) {
  std::string text;
  if (!saveToString(text, record)) throw std::runtime_error("saveToString fails");
  return text;
}

void expectValues(const ProbeData& decoded, const RecordValues& expected) {
  if (valuesOf(decoded) != expected) throw std::runtime_error("the decoded record differs");
}

void addLibraryCases(const RecordShape& shape) {
  addCase("xml/saveToString" + suffix(shape), [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto text = boost::make_shared<std::string>();
    return [record, text] { return saveToString(*text, *record); };
  });

  addCase("xml/loadFromString" + suffix(shape), [shape] {
    const ProbeData record = makeRecord(shape);
    auto text = boost::make_shared<std::string>(textOf(record));
    auto decoded = boost::make_shared<ProbeData>();
    if (!loadFromString(*text, *decoded)) throw std::runtime_error("loadFromString fails");
    expectValues(*decoded, valuesOf(record));
    return [text, decoded] { return loadFromString(*text, *decoded); };
  });

  addCase("xml/computeChecksum" + suffix(shape), [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    boost::crc_16_type crc;
    const std::string text = textOf(*record);
    crc.process_bytes(text.data(), text.size());
    if (record->computeChecksum() != crc.checksum()) {
      throw std::runtime_error("computeChecksum is not the CRC of the text");
    }
    return [record] {
      unsigned int checksum = record->computeChecksum();
      benchmark::DoNotOptimize(checksum);
      return true;
    };
  });

  addCase("xml/PDSimuCoder_readAll" + suffix(shape), [shape] {
    const ProbeData record = makeRecord(shape);
    auto host =
        boost::make_shared<SimuHarness>(textOf(record), probesim::SimDeviceMemory::Storage::Text);
    if (!host->readAll()) throw std::runtime_error("the first read fails");
    expectValues(host->coder().getProbeData(), valuesOf(record));
    return [host] { return host->readAll(); };
  });

  addCase("xml/PDSimuCoder_save" + suffix(shape), [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto host =
        boost::make_shared<SimuHarness>(std::string(), probesim::SimDeviceMemory::Storage::Text);
    if (!host->save(*record)) throw std::runtime_error("the first save fails");
    if (host->memory().contents() != textOf(*record)) {
      throw std::runtime_error("the device holds another text");
    }
    return [host, record] { return host->save(*record); };
  });
}

void addFloorCases(const RecordShape& shape) {
  addCase("floor/xml_oarchive" + suffix(shape), [shape] {
    auto values = boost::make_shared<RecordValues>(valuesOf(makeRecord(shape)));
    RecordValues back;
    stockLoad(stockSave(*values), back);
    if (back != *values) throw std::runtime_error("the stock archives do not round-trip");
    return [values] {
      std::string text = stockSave(*values);
      benchmark::DoNotOptimize(text.data());
      return !text.empty();
    };
  });

  // The library's own text, with the root's end tag that the stock reader needs.
  addCase("floor/xml_iarchive" + suffix(shape), [shape] {
    const ProbeData record = makeRecord(shape);
    auto text = boost::make_shared<std::string>(textOf(record) + kRootEndTag);
    auto values = boost::make_shared<RecordValues>();
    stockLoad(*text, *values);
    if (*values != valuesOf(record)) throw std::runtime_error("the stock reader reads otherwise");
    return [text, values] {
      stockLoad(*text, *values);
      return true;
    };
  });

  addCase("floor/crc16" + suffix(shape), [shape] {
    auto text = boost::make_shared<std::string>(textOf(makeRecord(shape)));
    return [text] {
      boost::crc_16_type crc;
      crc.process_bytes(text->data(), text->size());
      unsigned int checksum = crc.checksum();
      benchmark::DoNotOptimize(checksum);
      return true;
    };
  });
}

}  // namespace

void registerXmlCases() {
  for (const RecordShape& shape : recordShapes()) addLibraryCases(shape);
  for (const RecordShape& shape : recordShapes()) addFloorCases(shape);
}

}  // namespace bench
