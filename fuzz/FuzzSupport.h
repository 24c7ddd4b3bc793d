// What the fuzz targets share: a reader over the input, the check that stops a run, records
// described part by part, and the CRC the library promises.
#pragma once

#include <log4cplus/logger.h>
#include <log4cplus/nullappender.h>
#include <boost/crc.hpp>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <sstream>
#include <utility>

#include "ProbeData.h"

namespace fuzz {

// Every logging statement of the library runs, into a null appender.
inline const bool logging = (log4cplus::Logger::getRoot().setLogLevel(log4cplus::TRACE_LOG_LEVEL),
                             log4cplus::Logger::getRoot().addAppender(
                                 log4cplus::SharedAppenderPtr(new log4cplus::NullAppender)),
                             true);

// Takes values off the front of the input; past its end, zeros and shorter strings.
struct Input {
  const std::uint8_t *at, *end;
  unsigned u8() { return at < end ? *at++ : 0; }
  unsigned u16() {
    const unsigned low = u8();
    return low | u8() << 8;
  }
};

// Stops the run with the condition and the message: libFuzzer keeps the input as a crash, a
// replay fails.
#define FUZZ_CHECK(condition, message)                                             \
  ((condition) ? (void)0                                                           \
               : (std::fprintf(stderr, "\ninvariant broken: %s: %s\n", #condition, \
                               std::string(message).c_str()),                      \
                  std::abort()))

// A record's parts, each exactly: doubles bit for bit, targets with their ids in list order.
enum Part { Checksum, Id, Targets, Direction, Mask };
inline std::array<std::string, 5> parts(const ProbeData& record) {
  const Rb::RigidBody& body = record.getRigidBody();
  std::ostringstream targets, direction;
  double x, y, z;
  record.getDefaultDir(x, y, z);
  direction << std::hexfloat << x << ' ' << y << ' ' << z;
  std::list<int> ids;
  body.getTargetsList(ids);
  for (const int id : ids) {
    body.getTargetPosition(id, x, y, z);
    targets << "; " << std::hexfloat << id << ' ' << body.getTargetSize(id) << ' ' << x << ' ' << y
            << ' ' << z << (body.hasNormal(id) ? " n " : "");
    if (body.hasNormal(id)) body.getTargetNormal(id, x, y, z), targets << x << ' ' << y << ' ' << z;
    if (body.hasAngle(id)) targets << " a " << body.getAngleTarget(id);
  }
  return {std::to_string(record.getChecksum()), body.getId(), targets.str(), direction.str(),
          std::to_string(record.getMaskThickness())};
}

inline std::string describe(const ProbeData& record) {
  const std::array<std::string, 5> part = parts(record);
  return part[0] + " | " + part[1] + " | " + part[2] + " | " + part[3] + " | " + part[4];
}

// Runs read into two records that differ in every part and checks that each part is then equal
// in both (read) or unchanged in both (left), and that the parts read come first in order.
// Returns what read returned and how many parts were read; a holds the first record as read.
template <class Read>
std::pair<bool, int> readTwice(Read read, ProbeData& a, std::initializer_list<Part> order) {
  ProbeData b;
  b.getPRigidBody()->setId("b");
  b.getPRigidBody()->insertTarget(7, 1, 1, 1);
  b.setDefaultDir(1, 1, 1);
  b.setMaskThickness(1);
  b.setChecksum(1);
  const auto a0 = parts(a = ProbeData()), b0 = parts(b);
  const bool ok = read(a);
  FUZZ_CHECK(read(b) == ok, "the same bytes read differently");
  const auto a1 = parts(a), b1 = parts(b);
  int count = 0;
  for (const Part& part : order) {
    const bool set = a1[part] == b1[part];
    FUZZ_CHECK(set ? count == &part - order.begin() : a1[part] == a0[part] && b1[part] == b0[part],
               "part " + std::to_string(part) + " of " + describe(a) + " and " + describe(b));
    count += set;
  }
  return {ok, count};
}

// CRC-16/ARC, as boost::crc_16_type computes it.
inline unsigned crc16(const std::string& bytes) {
  return boost::crc<16, 0x8005, 0, 0, true, true>(bytes.data(), bytes.size());
}

}  // namespace fuzz
