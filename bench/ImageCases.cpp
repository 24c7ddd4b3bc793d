// The version-1 image: the string conversions and the data checksum, a whole-image read and a
// save through the coder over the simulated device memory, and the floor of a 428-byte copy.
#include <boost/make_shared.hpp>
#include <cstring>
#include <stdexcept>
#include <string>

#include "BenchCase.h"
#include "BenchRecords.h"
#include "CoderHarness.h"

namespace bench {

namespace {

constexpr std::size_t kImageSize = 428;

std::string suffix(const RecordShape& shape) { return "/" + std::to_string(shape.targets); }

std::string imageOf(const ProbeData& record) {
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  std::string image;
  if (!coder.convertToString(record, image) || image.size() != kImageSize) {
    throw std::runtime_error("the record does not convert to a 428-byte image");
  }
  return image;
}

// The record as the version-1 image holds it, compared through its image.
void expectImage(const ProbeData& decoded, const std::string& image) {
  if (imageOf(decoded) != image) throw std::runtime_error("the decoded record differs");
}

void addConversionCases(const RecordShape& shape) {
  addCase("v1/convertToString" + suffix(shape), [shape] {
    auto coder = boost::make_shared<ProbeDataV1Coder>(boost::shared_ptr<DataHandler>());
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto image = boost::make_shared<std::string>();
    return [coder, record, image] { return coder->convertToString(*record, *image); };
  });

  addCase("v1/convertFromString" + suffix(shape), [shape] {
    auto coder = boost::make_shared<ProbeDataV1Coder>(boost::shared_ptr<DataHandler>());
    auto image = boost::make_shared<std::string>(imageOf(makeRecord(shape)));
    auto decoded = boost::make_shared<ProbeData>();
    if (!coder->convertFromString(*image, *decoded)) {
      throw std::runtime_error("convertFromString refuses the image");
    }
    expectImage(*decoded, *image);
    return [coder, image, decoded] { return coder->convertFromString(*image, *decoded); };
  });

  addCase("v1/computeDataCheksum" + suffix(shape), [shape] {
    auto coder = boost::make_shared<ProbeDataV1Coder>(boost::shared_ptr<DataHandler>());
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    return [coder, record] {
      unsigned int checksum = coder->computeDataCheksum(*record);
      benchmark::DoNotOptimize(checksum);
      return true;
    };
  });
}

void addDeviceCases(const RecordShape& shape) {
  // The coder knows the image version after its first read, so each timed readAll is the one
  // 428-byte transfer, its decode and the report.
  addCase("v1/readAll" + suffix(shape), [shape] {
    const std::string image = imageOf(makeRecord(shape));
    auto host = boost::make_shared<V1Harness>(image, probesim::SimDeviceMemory::Storage::Image);
    if (!host->readAll()) throw std::runtime_error("the first read fails");
    expectImage(host->coder().getProbeData(), image);
    return [host] { return host->readAll(); };
  });

  addCase("v1/save" + suffix(shape), [shape] {
    auto record = boost::make_shared<ProbeData>(makeRecord(shape));
    auto host = boost::make_shared<V1Harness>(std::string(kImageSize, '\0'),
                                              probesim::SimDeviceMemory::Storage::Image);
    if (!host->save(*record)) throw std::runtime_error("the first save fails");
    if (host->memory().contents() != imageOf(*record)) {
      throw std::runtime_error("the device holds another image");
    }
    return [host, record] { return host->save(*record); };
  });
}

}  // namespace

void registerImageCases() {
  for (const RecordShape& shape : recordShapes()) addConversionCases(shape);
  for (const RecordShape& shape : recordShapes()) addDeviceCases(shape);

  addCase("floor/memcpy428", [] {
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
  });
}

}  // namespace bench
