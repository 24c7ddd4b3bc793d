// Every measured operation, as a prepare function (see BenchCase.h): it builds the fixture,
// checks that the operation does what it should, and returns the operation. Header only, so that
// a case and a paired case time the very same code, inlined into their loops.
#ifndef PROBE_BENCH_OPERATIONS_H
#define PROBE_BENCH_OPERATIONS_H

#include <benchmark/benchmark.h>

#include <boost/crc.hpp>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <log4cplus/loggingmacros.h>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "BenchRecords.h"
#include "CoderHarness.h"
#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"
#include "StockArchives.h"
#include "Utils.h"

namespace bench {

// The length of the image a new coder writes.
inline const std::size_t kImageSize = ProbeDataV1Coder::getImageLength();

// The record's version-1 image, as a new coder writes it.
std::string imageOf(const ProbeData& record);
// The record's XML text, as saveToString writes it.
std::string textOf(const ProbeData& record);
unsigned int crcOf(const std::string& text);

// --- The version-1 image ------------------------------------------------------------------------

inline auto convertToStringOp(RecordShape shape) {
  return [shape] {
    auto coder = boost::make_shared<ProbeDataV1Coder>(boost::shared_ptr<DataHandler>());
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto image = boost::make_shared<std::string>();
    return [coder, record, image] { return coder->convertToString(*record, *image); };
  };
}

inline auto convertFromStringOp(RecordShape shape) {
  return [shape] {
    auto coder = boost::make_shared<ProbeDataV1Coder>(boost::shared_ptr<DataHandler>());
    auto image = boost::make_shared<std::string>(imageOf(makeRecord(shape)));
    auto decoded = boost::make_shared<ProbeData>();
    if (!coder->convertFromString(*image, *decoded) || imageOf(*decoded) != *image) {
      throw std::runtime_error("convertFromString does not give the record back");
    }
    return [coder, image, decoded] { return coder->convertFromString(*image, *decoded); };
  };
}

inline auto computeDataCheksumOp(RecordShape shape) {
  return [shape] {
    auto coder = boost::make_shared<ProbeDataV1Coder>(boost::shared_ptr<DataHandler>());
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    return [coder, record] {
      unsigned int checksum = coder->computeDataCheksum(*record);
      benchmark::DoNotOptimize(checksum);
      return true;
    };
  };
}

// The coder knows the image version after its first read, so each timed readAll is the one
// 428-byte transfer, its decode and the report.
inline auto v1ReadAllOp(RecordShape shape) {
  return [shape] {
    const std::string image = imageOf(makeRecord(shape));
    auto host = boost::make_shared<V1Harness>(image, probesim::SimDeviceMemory::Storage::Image);
    if (!host->readAll() || imageOf(host->coder().getProbeData()) != image) {
      throw std::runtime_error("the first read does not give the record");
    }
    return [host] { return host->readAll(); };
  };
}

inline auto v1SaveOp(RecordShape shape) {
  return [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto host = boost::make_shared<V1Harness>(std::string(kImageSize, '\0'),
                                              probesim::SimDeviceMemory::Storage::Image);
    if (!host->save(*record) || host->memory().contents() != imageOf(*record)) {
      throw std::runtime_error("the first save does not store the image");
    }
    return [host, record] { return host->save(*record); };
  };
}

inline auto memcpy428Op() {
  return [] {
    auto buffers = boost::make_shared<std::string>(2 * kImageSize, '\x5a');
    return [buffers] {
      char* from = &(*buffers)[0];
      char* to = from + kImageSize;
      benchmark::DoNotOptimize(from);
      benchmark::DoNotOptimize(to);
      std::memcpy(to, from, kImageSize);
      benchmark::ClobberMemory();
      return true;
    };
  };
}

// --- The XML text -------------------------------------------------------------------------------

inline auto saveToStringOp(RecordShape shape) {
  return [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto text = boost::make_shared<std::string>();
    return [record, text] { return saveToString(*text, *record); };
  };
}

inline auto loadFromStringOp(RecordShape shape) {
  return [shape] {
    const ProbeData record = makeRecord(shape);
    auto text = boost::make_shared<std::string>(textOf(record));
    auto decoded = boost::make_shared<ProbeData>();
    if (!loadFromString(*text, *decoded) || valuesOf(*decoded) != valuesOf(record)) {
      throw std::runtime_error("loadFromString does not give the record back");
    }
    return [text, decoded] { return loadFromString(*text, *decoded); };
  };
}

inline auto computeChecksumOp(RecordShape shape) {
  return [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    if (record->computeChecksum() != crcOf(textOf(*record))) {
      throw std::runtime_error("computeChecksum is not the CRC of the text");
    }
    return [record] {
      unsigned int checksum = record->computeChecksum();
      benchmark::DoNotOptimize(checksum);
      return true;
    };
  };
}

inline auto simuReadAllOp(RecordShape shape) {
  return [shape] {
    const ProbeData record = makeRecord(shape);
    auto host =
        boost::make_shared<SimuHarness>(textOf(record), probesim::SimDeviceMemory::Storage::Text);
    if (!host->readAll() || valuesOf(host->coder().getProbeData()) != valuesOf(record)) {
      throw std::runtime_error("the first read does not give the record");
    }
    return [host] { return host->readAll(); };
  };
}

inline auto simuSaveOp(RecordShape shape) {
  return [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto host =
        boost::make_shared<SimuHarness>(std::string(), probesim::SimDeviceMemory::Storage::Text);
    if (!host->save(*record) || host->memory().contents() != textOf(*record)) {
      throw std::runtime_error("the first save does not store the text");
    }
    return [host, record] { return host->save(*record); };
  };
}

// --- The floors of the XML text -----------------------------------------------------------------

inline auto stockSaveOp(RecordShape shape) {
  return [shape] {
    auto values = boost::make_shared<RecordValues>(valuesOf(makeRecord(shape)));
    RecordValues back;
    stockLoad(stockSave(*values), back);
    if (back != *values) throw std::runtime_error("the stock archives do not round-trip");
    return [values] {
      std::string text = stockSave(*values);
      benchmark::DoNotOptimize(text.data());
      return !text.empty();
    };
  };
}

// The library's own text, with the root's end tag that the stock reader needs.
inline auto stockLoadOp(RecordShape shape) {
  return [shape] {
    const ProbeData record = makeRecord(shape);
    auto text = boost::make_shared<std::string>(textOf(record) + kRootEndTag);
    auto values = boost::make_shared<RecordValues>();
    stockLoad(*text, *values);
    if (*values != valuesOf(record)) throw std::runtime_error("the stock reader reads otherwise");
    return [text, values] {
      stockLoad(*text, *values);
      return true;
    };
  };
}

inline auto crcOfTextOp(RecordShape shape) {
  return [shape] {
    auto text = boost::make_shared<std::string>(textOf(makeRecord(shape)));
    return [text] {
      boost::crc_16_type crc;
      crc.process_bytes(text->data(), text->size());
      unsigned int checksum = crc.checksum();
      benchmark::DoNotOptimize(checksum);
      return true;
    };
  };
}

// What computeChecksum cannot do with less: write the text, then the CRC of it.
inline auto saveToStringThenCrcOp(RecordShape shape) {
  return [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto text = boost::make_shared<std::string>();
    return [record, text] {
      if (!saveToString(*text, *record)) return false;
      boost::crc_16_type crc;
      crc.process_bytes(text->data(), text->size());
      unsigned int checksum = crc.checksum();
      benchmark::DoNotOptimize(checksum);
      return true;
    };
  };
}

// --- The TRACE lines of a read cycle ------------------------------------------------------------

// The five TRACE statements that a read cycle on a coder new to the probe passes (readAll,
// readVersion, onDataRed, then readAll and onDataRed of the chained read), with the "Probe"
// logger above TRACE: each is the logger's level test and nothing else.
inline auto traceLinesOp() {
  return [] {
    if (g_probeLogger.isEnabledFor(log4cplus::TRACE_LOG_LEVEL)) {
      throw std::runtime_error("the \"Probe\" logger is at TRACE");
    }
    return [] {
      LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder::readAll");
      LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder::readVersion");
      LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder received onDataRed()");
      LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder::readAll");
      LOG4CPLUS_TRACE(g_probeLogger, "ProbeDataV1Coder received onDataRed()");
      return true;
    };
  };
}

}  // namespace bench

#endif
