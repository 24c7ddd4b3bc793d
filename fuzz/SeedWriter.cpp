// Writes the seed corpora under the directory given (fuzz/corpus): images and texts from the
// golden vectors and sample records, and step lists that walk the coders through their usual
// transfers. The step encoding is the one the coder targets read: one byte picks a step, the
// bytes after it are its arguments.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "GoldenV1.h"
#include "GoldenXml.h"
#include "ProbeDataV1Coder.h"
#include "Utils.h"

namespace {

std::filesystem::path g_root;

void write(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::filesystem::path dir = g_root / target;
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string bytes(const unsigned char* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

std::string script(std::initializer_list<int> steps) {
  std::string out;
  for (const int step : steps) out.push_back(static_cast<char>(step));
  return out;
}

class Coder : public ProbeDataV1Coder {
 public:
  Coder() : ProbeDataV1Coder(boost::shared_ptr<DataHandler>()) {}
};

std::string imageOf(const ProbeData& record) {
  Coder coder;
  std::string image;
  coder.convertToString(record, image);
  return image;
}

void convertSeeds() {
  const std::string target = "convert_from_string";
  const std::string empty = bytes(golden::kEmptyBodyImage.bytes, 428);
  write(target, "empty_body_2.1", empty);
  write(target, "one_target_2.1", imageOf(fuzz::sampleRecord(1)));
  write(target, "three_targets_2.1", imageOf(fuzz::sampleRecord(2)));
  write(target, "sixteen_full_targets_2.1", imageOf(fuzz::sampleRecord(3)));
  write(target, "trailing_bytes", empty + std::string(72, '\x5a'));

  // The 320-byte layout under version 2.0, under no magic (1.0), in the cut image (0.1) and
  // under a version above 2.1.
  const std::string oldBlock = bytes(golden::kOldOneTargetBlock, 320);
  const std::string tail(100, '\0');
  write(target, "old_layout_2.0", std::string("QMVB\x02\x00\x00\x00", 8) + oldBlock + tail);
  write(target, "old_layout_no_magic", std::string(8, '\0') + oldBlock + tail);
  write(target, "cut_image_0.1", std::string("QMVB\x00\x00\x01\x00", 8) + oldBlock);
  std::string future = std::string("QMVB\x03\x00\x02\x00", 8) + oldBlock + tail;
  future.replace(396, 8, bytes(golden::kDefaultDir, 8));
  write(target, "old_layout_3.2", future);

  std::string badDir = empty;
  badDir[396] = '\x01';
  write(target, "default_dir_checksum_wrong", badDir);
  write(target, "head_only", empty.substr(0, 10));
  write(target, "nine_bytes", empty.substr(0, 9));
}

void loadSeeds() {
  const std::string target = "load_from_string";
  write(target, "golden_p1", kGoldenP1);
  write(target, "golden_edges", kGoldenEdges);
  std::string text;
  saveToString(text, fuzz::sampleRecord(2));
  write(target, "three_targets", text);
  const std::string p1 = kGoldenP1;
  write(target, "with_end_tag", p1 + "</boost_serialization>\n");
  write(target, "cut_in_targets", p1.substr(0, p1.size() / 2));
  write(target, "nul_inside", p1.substr(0, 400) + std::string(1, '\0') + p1.substr(400));
}

// V1CoderFuzzer's steps.
enum V1Step {
  kReadVersion = 0, kReadAll = 1, kReadChecksum = 2, kSaveSample = 3, kSaveFromInput = 4,
  kSaveHeld = 5, kPump = 6, kPumpFailed = 7, kMadeUpRead = 8, kMadeUpSaved = 9, kOnError = 10,
  kToggleSync = 11, kThrowNext = 12, kOutputVersion = 13, kCorrupt = 14, kCallback = 15,
};
const int kOldest = 1;

void v1Seeds() {
  const std::string target = "v1_coder";
  write(target, "read_all", script({1, kReadAll, kPump, kOldest, kPump, kOldest}));
  write(target, "read_checksum_full_body",
        script({3, kReadChecksum, kPump, kOldest, kPump, kOldest, kReadAll, kPump, kOldest}));
  write(target, "save_then_read",
        script({0, kSaveSample, 1, kPump, kOldest, kReadAll, kPump, kOldest, kSaveHeld,
                kPump, kOldest}));
  write(target, "synchronous",
        script({2, kToggleSync, kReadAll, kSaveSample, 3, kReadVersion, kSaveSample, 4,
                kReadChecksum}));
  write(target, "save_during_version_read",
        script({1, kReadAll, kSaveSample, 2, kPump, kOldest, kPump, kOldest}));
  write(target, "made_up_completions",
        script({1, kReadAll, kMadeUpRead, 1, 1, 0, 1, 10, 0, kPump, kOldest, kMadeUpRead, 1, 1,
                0, 1, 10, 1, 4, 'Q', 'M', 'V', 'B', 0, 0, kMadeUpSaved, 0, 1, 0, 1, 10, 0}));
  write(target, "handler_faults",
        script({1, kThrowNext, 1, kReadVersion, kThrowNext, 2, kReadAll, kThrowNext, 1,
                kSaveSample, 1, kThrowNext, 2, kSaveSample, 1}));
  write(target, "no_callback",
        script({1, kCallback, 0, kReadAll, kPump, kOldest, kPump, kOldest, kCallback, 1,
                kReadAll, kPump, kOldest}));
  write(target, "reentrant_callback",
        script({1, kCallback, 2, kReadAll, kPump, kOldest, kPump, kOldest, 1, kPump, kOldest,
                kPump, kOldest}));
  write(target, "errors_and_versions",
        script({1, kOnError, 1, kOnError, 2, kOutputVersion, 1, 32, kSaveSample, 1, kPump,
                kOldest, kOutputVersion, 1, 34, kPumpFailed, 0}));
  write(target, "corrupt_memory",
        script({1, kCorrupt, 0x90, 0x01, 0x40, kReadAll, kPump, kOldest, kPump, kOldest}));
  write(target, "save_too_big", script({4, kSaveSample, 4, kSaveSample, 5, kSaveSample, 6}));
}

// SimuCoderFuzzer's steps.
enum SimuStep {
  kSReadAll = 0, kSReadVersion = 1, kSReadChecksum = 2, kSSaveSample = 3, kSSaveFromInput = 4,
  kSSaveHeld = 5, kSPump = 6, kSPumpFailed = 7, kSMadeUpRead = 8, kSMadeUpSaved = 9,
  kSOnError = 10, kSSetMemory = 11, kSDamage = 12, kSOutputVersion = 13, kSCallback = 14,
  kSChecksum = 15, kSThrowNext = 16,
};

void simuSeeds() {
  const std::string target = "simu_coder";
  write(target, "read_all", script({1, kSReadAll, kSPump, kOldest, 0}));
  write(target, "read_nul_ended", script({2, kSReadVersion, kSPump, kOldest, 1}));
  write(target, "save_then_read",
        script({0, kSSaveSample, 2, kSPump, kOldest, kSReadChecksum, kSPump, kOldest, 0,
                kSSaveHeld, kSPump, kOldest}));
  write(target, "made_up",
        script({1, kSMadeUpRead, 1, 1, 20, 0, 100, kSMadeUpSaved, 1, 2, 0, 0, 0, 200, 0,
                kSMadeUpRead, 1, 3, 50, 0}));
  write(target, "failures",
        script({1, kSReadAll, kSPumpFailed, 1, kSThrowNext, 1, kSSaveSample, 1, kSOnError, 1,
                kSOnError, 2, kSOutputVersion, 1, 17, kSOutputVersion, 1, 16}));
  write(target, "damaged_memory",
        script({1, kSDamage, 100, 0, 1, kSReadAll, kSPump, kOldest, 0, kSDamage, 0, 2, 0,
                kSReadAll, kSPump, kOldest, 0}));
  write(target, "no_callback_and_checksums",
        script({2, kSCallback, 1, kSReadAll, kSPump, kOldest, 0, kSCallback, 0, kSChecksum, 1,
                kSChecksum, 0, 5}));
  std::string text;
  saveToString(text, fuzz::sampleRecord(3));
  std::string setMemory = script({0, kSSetMemory, static_cast<int>(text.size() & 0xFF),
                                  static_cast<int>(text.size() >> 8)});
  write(target, "set_memory", setMemory + text + script({kSReadAll, kSPump, kOldest, 0}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_write_seeds <corpus directory>\n");
    return 2;
  }
  fuzz::setUpLogging();
  g_root = argv[1];
  convertSeeds();
  loadSeeds();
  v1Seeds();
  simuSeeds();
  return 0;
}
