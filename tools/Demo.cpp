#include <boost/make_shared.hpp>
#include <iostream>
#include <utility>

#include "Commands.h"
#include "PDSimuCoder.h"
#include "SimDeviceMemory.h"

namespace probetool {

namespace {

using probesim::SimDeviceMemory;

// A record saved into a simulated device memory by one coder and read back by a new coder of its
// kind, as two hosts would do it.
struct RoundTrip {
  std::string coder;
  std::vector<std::string> steps;     // the requests the device saw: "read 8 bytes at 0", ...
  std::vector<std::string> problems;  // empty when the record came back
  std::string memory;                 // the device memory after the save
  unsigned int dataChecksum = 0;      // the reading coder's data checksum of what it read
};

// The callback of one coder: every report, in order ("onSaved(true)").
struct Reports final : ProbeDataCoderCB {
  void onChecksumRed(bool ok) override { add(ok ? "onChecksumRed(true)" : "onChecksumRed(false)"); }
  void onAllRed(bool ok) override { add(ok ? "onAllRed(true)" : "onAllRed(false)"); }
  void onSaved(bool ok) override { add(ok ? "onSaved(true)" : "onSaved(false)"); }
  void onError() override { add("onError()"); }
  void add(const char* event) { events += (events.empty() ? "" : ", ") + std::string(event); }
  std::string events;
};

// Saves record with one coder and reads it back with a new one, completions queued and pumped
// as a device delivers them later. The memory must then hold written(record), and the record
// read back must write the same bytes again.
template <class Coder>
RoundTrip roundTrip(const char* name, const ProbeData& record, SimDeviceMemory::Storage storage,
                    std::string (*written)(const ProbeData&)) {
  RoundTrip trip{name, {}, {}, "", 0};
  const auto memory = boost::make_shared<SimDeviceMemory>(ProbeDataV1Coder::getImageLength());
  memory->setCompletion(SimDeviceMemory::Completion::Queued);
  memory->setStorage(storage);
  const auto run = [&](Coder& coder, bool save, const std::string& expected) {
    const auto reports = boost::make_shared<Reports>();
    coder.setCB(reports);
    memory->bind(&coder);
    save ? coder.save(record) : coder.readAll();
    memory->pump();
    memory->bind(nullptr);
    for (const SimDeviceMemory::Request& seen : memory->requests()) {
      const bool all = seen.length == SimDeviceMemory::kWholeText;
      trip.steps.push_back((seen.kind == SimDeviceMemory::Request::Read ? "read " : "save ") +
                           (all ? "all" : plural(seen.length, "byte", "bytes")) + " at " +
                           std::to_string(seen.offset));
    }
    memory->clearRequests();
    if (reports->events == expected) return;
    trip.problems.push_back(std::string(save ? "save" : "readAll") + " reported " +
                            (reports->events.empty() ? "nothing" : reports->events) + ", not " +
                            expected);
  };
  try {
    Coder writer(memory), reader(memory);
    run(writer, true, "onSaved(true)");
    trip.memory = memory->contents();
    run(reader, false, "onAllRed(true)");
    if (trip.memory != written(record)) {
      trip.problems.push_back("the memory does not hold what the library writes of the record");
    }
    if (written(reader.getProbeData()) != trip.memory) {
      trip.problems.push_back("the record read back does not write the same bytes");
    }
    trip.dataChecksum = reader.computeDataCheksum(reader.getProbeData());
  } catch (const std::exception& error) {
    trip.problems.push_back(std::string("the library threw: ") + escaped(error.what()));
  }
  return trip;
}

// The sample probe: five targets, some with normals and angles.
const std::vector<TargetRow> kSampleTargets = {
    {3.00, 0.0, 0.0, 0.0, true, 0.0, 0.0, 1.0, false, 0},
    {2.50, 40.0, 0.0, 5.0, true, 0.6, 0.0, 0.8, true, 30.0},
    {2.50, 0.0, 30.0, 5.0, true, 0.0, 0.6, 0.8, true, 45.0},
    {2.00, -25.0, -20.0, 12.5, false, 0, 0, 0, false, 0},
    {1.50, 20.0, -35.0, 2.25, false, 0, 0, 0, true, 15.0}};
const RecordView kSample = {"DEMO-PROBE-01", kSampleTargets, 0, 0, 1.0, 2, 0};

void heading(const std::string& title) { std::cout << "\n== " << title << " ==\n"; }

}  // namespace

int demo(const Options&) {
  const ProbeData record = makeRecord(kSample);
  const RoundTrip v1 = roundTrip<ProbeDataV1Coder>("version-1 coder", record,
                                                   SimDeviceMemory::Storage::Image, encodeImage);
  const RoundTrip simu =
      roundTrip<PDSimuCoder>("simulation coder", record, SimDeviceMemory::Storage::Text, encodeXml);
  ProbeFile image;  // the device memory, as the other commands read a file
  decode(v1.memory, image);
  std::cout << "probetool demo: the sample probe through the version-1 coder and the simulation\n"
               "coder, each into a simulated device memory and back with a new coder\n";
  heading("record");
  std::cout << formatRecordTable(kSample);
  heading("version-1 image in device memory (" + plural(v1.memory.size(), "byte", "bytes") + ")");
  std::cout << "the image format of the version-1 coder; its version block names the version of\n"
               "that format the coder writes, "
            << ProbeImageReport::versionText(image.report.version) << "\n"
            << formatAnnotatedDump(v1.memory, image.report);
  heading("XML text in the simulation coder's device memory (" +
          plural(simu.memory.size(), "byte", "bytes") + ")");
  std::cout << simu.memory << (simu.memory.empty() || simu.memory.back() == '\n' ? "" : "\n");
  heading("checksums");
  TextTable checksums({"", "", ""});
  checksumRows(image, checksums);
  checksums.addRow({"stored checksum", hex16(record.getChecksum()),
                    "a value carried in the record, not computed: it need not match the CRCs "
                    "above"});
  std::cout << checksums.format("");
  // The library's own account of the bytes: the simulation coder's checksum is the record's, and
  // the version-1 coder's is the image report's CRC of the blocks in memory.
  RoundTrip sums{"checksums", {}, {}, "", 0};
  if (simu.dataChecksum != record.computeChecksum()) {
    sums.problems.push_back("the simulation coder's data checksum is not the record checksum");
  }
  if (!image.report.hasDataChecksum || image.report.dataChecksum != v1.dataChecksum) {
    sums.problems.push_back("the data checksum is not the CRC-16 of the blocks in device memory");
  }
  if (sums.problems.empty()) sums.steps.push_back("each matches the bytes it covers");
  heading("round trips");
  TextTable table({"", "", ""});
  for (const RoundTrip* trip : {&v1, &simu, &std::as_const(sums)}) {
    table.addRow(
        {trip->coder, trip->problems.empty() ? "ok" : "FAILED", joined(trip->steps, ", ")});
    for (const std::string& problem : trip->problems) table.addRow({"", "", problem});
  }
  std::cout << table.format("  ");
  if (v1.problems.empty() && simu.problems.empty() && sums.problems.empty()) {
    std::cout << "\nevery round trip gave back the record\n";
    return kExitOk;
  }
  return fail(kExitDamaged, "demo: a round trip did not give back the record");
}

}  // namespace probetool
