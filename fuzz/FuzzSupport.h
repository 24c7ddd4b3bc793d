// What the fuzz targets share: a reader over the input bytes, an exact description of a record
// for comparisons, the CRC the library promises, and the check that stops a run.
#ifndef PROBE_FUZZ_SUPPORT_H
#define PROBE_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ProbeData.h"

namespace fuzz {

// Takes values off the front of the input; past its end every value is 0 and every byte
// string empty, so a short input is simply a short run.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return used_ >= size_; }
  std::size_t left() const { return size_ - used_; }
  std::uint8_t u8() { return empty() ? 0 : data_[used_++]; }
  std::uint16_t u16() { return static_cast<std::uint16_t>(u8() | (u8() << 8)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(u16() | (std::uint32_t{u16()} << 16)); }
  bool flag() { return (u8() & 1) != 0; }
  // A value in [0, bound), bound > 0.
  unsigned pick(unsigned bound) { return u8() % bound; }
  // At most count bytes, fewer when the input ends first.
  std::vector<std::uint8_t> bytes(std::size_t count);
  // A length byte, then that many bytes.
  std::string shortText();
  // Everything not read yet.
  std::string rest();

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};

// Stops the run with the message; libFuzzer keeps the input as a crash, a replay fails.
[[noreturn]] void fail(const char* target, const std::string& message);

#define FUZZ_CHECK(condition, message)                                                 \
  do {                                                                                 \
    if (!(condition)) ::fuzz::fail(kTargetName, std::string(#condition ": ") + (message)); \
  } while (false)

// Every field of a record, doubles bit for bit, targets with their ids in list order. Two
// records describe the same exactly when nothing tells them apart.
std::string describe(const ProbeData& record);
// The same without the rigid body's targets (its id stays in).
std::string describeAllButTargets(const ProbeData& record);
// Only the targets.
std::string describeTargets(const ProbeData& record);

// CRC-16/ARC as Boost.CRC computes it, independent of the library's own table.
unsigned int crc16(const void* data, std::size_t size);

// A record with a few targets, a default direction, a mask thickness and a checksum that no
// decoded value is likely to repeat, so a change to any field shows.
ProbeData startRecord();
// Records of the shapes a save meets: none, one, several targets, a block filled exactly, one
// target too many, values that cannot be stored. index is taken modulo recordCount().
unsigned recordCount();
ProbeData sampleRecord(unsigned index);
// A record built from the input: up to 30 targets with values from it.
ProbeData recordFrom(Input& in);

// Log4cplus set up once: a null appender on the root and the "Probe" logger at TRACE, so every
// logging statement of the library runs.
void setUpLogging();

}  // namespace fuzz

#endif
