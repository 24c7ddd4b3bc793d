#include "FuzzSupport.h"

#include <boost/crc.hpp>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>
#include <log4cplus/nullappender.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <list>
#include <sstream>

#include "RigidBody.h"

namespace fuzz {

std::vector<std::uint8_t> Input::bytes(std::size_t count) {
  const std::size_t taken = count < left() ? count : left();
  std::vector<std::uint8_t> out(data_ + used_, data_ + used_ + taken);
  used_ += taken;
  return out;
}

std::string Input::shortText() {
  const std::vector<std::uint8_t> raw = bytes(u8());
  return std::string(raw.begin(), raw.end());
}

std::string Input::rest() {
  const std::vector<std::uint8_t> raw = bytes(left());
  return std::string(raw.begin(), raw.end());
}

void fail(const char* target, const std::string& message) {
  std::fprintf(stderr, "\n%s: invariant broken: %s\n", target, message.c_str());
  std::fflush(stderr);
  std::abort();
}

namespace {

// Doubles in hexadecimal notation: exact, and short for the usual values.
void putDouble(std::ostringstream& out, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%a", value);
  out << text;
}

void putTriple(std::ostringstream& out, double x, double y, double z) {
  out << '(';
  putDouble(out, x);
  out << ',';
  putDouble(out, y);
  out << ',';
  putDouble(out, z);
  out << ')';
}

void putId(std::ostringstream& out, const std::string& id) {
  out << "id[" << id.size() << "]";
  for (const char c : id) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
    out << hex;
  }
}

}  // namespace

std::string describeTargets(const ProbeData& record) {
  std::ostringstream out;
  const Rb::RigidBody& body = record.getRigidBody();
  std::list<int> ids;
  body.getTargetsList(ids);
  out << "targets " << body.getNbTargets() << ':';
  for (const int id : ids) {
    double x = 0, y = 0, z = 0;
    body.getTargetPosition(id, x, y, z);
    out << " [" << id << " size ";
    putDouble(out, body.getTargetSize(id));
    out << " at ";
    putTriple(out, x, y, z);
    if (body.hasNormal(id)) {
      body.getTargetNormal(id, x, y, z);
      out << " normal ";
      putTriple(out, x, y, z);
    }
    if (body.hasAngle(id)) {
      out << " angle ";
      putDouble(out, body.getAngleTarget(id));
    }
    out << ']';
  }
  return out.str();
}

std::string describeAllButTargets(const ProbeData& record) {
  std::ostringstream out;
  putId(out, record.getRigidBody().getId());
  double x = 0, y = 0, z = 0;
  record.getDefaultDir(x, y, z);
  out << " dir ";
  putTriple(out, x, y, z);
  out << " mask " << record.getMaskThickness() << " checksum " << record.getChecksum();
  return out.str();
}

std::string describe(const ProbeData& record) {
  return describeAllButTargets(record) + ' ' + describeTargets(record);
}

unsigned int crc16(const void* data, std::size_t size) {
  boost::crc_16_type crc;
  crc.process_bytes(data, size);
  return crc.checksum();
}

namespace {

struct TargetValues {
  double size, x, y, z;
  bool normal;
  double nx, ny, nz;
  bool angle;
  double a;
};

ProbeData build(const std::string& id, const std::vector<TargetValues>& targets, double dx, double dy,
                double dz, unsigned short mask, unsigned int checksum) {
  Rb::RigidBody body;
  body.setId(id);
  int next = 0;
  for (const TargetValues& t : targets) {
    // Ids with gaps: stored forms renumber them.
    const int id_ = next;
    next += 3;
    body.insertTarget(id_, t.x, t.y, t.z);
    body.setTargetSize(id_, t.size);
    if (t.normal) body.updateTargetNormal(id_, t.nx, t.ny, t.nz);
    if (t.angle) body.setAngleTarget(id_, t.a);
  }
  ProbeData record;
  record.setRigidBody(body);
  record.setDefaultDir(dx, dy, dz);
  record.setMaskThickness(mask);
  record.setChecksum(checksum);
  return record;
}

std::vector<TargetValues> fullTargets(int count) {
  std::vector<TargetValues> targets;
  for (int i = 0; i < count; ++i) {
    const double v = i + 1;
    targets.push_back({0.25 * v, 10.125 * v, -3.5 * v, 0.001 * v, true, 0.01 * v, -0.5, 1, true,
                       1.5 * v});
  }
  return targets;
}

}  // namespace

ProbeData startRecord() {
  return build("start", {{7.77, 123.456, -654.321, 9.999, true, 0.11, 0.22, 0.33, true, 77.7},
                         {3.33, -1.5, 2.5, -3.5, false, 0, 0, 0, false, 0}},
               0.707, -0.707, 0.123, 4321, 0xCAFEF00Du);
}

unsigned recordCount() { return 9; }

ProbeData sampleRecord(unsigned index) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  switch (index % recordCount()) {
    case 0:
      return ProbeData();
    case 1:
      return build("P1", {{1.5, 1.0, -2.0, 0.0625, false, 0, 0, 0, false, 0}}, 0, 0, 1, 2, 0x1234);
    case 2:
      return build("an id longer than twenty characters",
                   {{0.125, 1, 2, 3, true, 0, 0, 1, false, 0},
                    {-0.125, -1, -2, -3, false, 0, 0, 0, true, 45},
                    {400, 2147483.647, -2147483.648, 0, true, 327.67, -327.68, 0, true, -0.005}},
                   0.001, -0.002, 1.0, 65535, 0xFFFFFFFFu);
    case 3:
      return build("full", fullTargets(16), 0, 0, -1, 1, 16);
    case 4:
      return build("too many", fullTargets(17), 0, 0, 1, 0, 17);
    case 5:
      return build("nan", {{nan, 0, 0, 0, false, 0, 0, 0, false, 0}}, 0, 0, 0, 0, 0);
    case 6:
      return build("far", {{1, 3e6, 0, 0, false, 0, 0, 0, false, 0}}, 0, 0, 0, 0, 0);
    case 7:
      return build("wide dir", {}, 40.0, -40.0, 32.767, 7, 7);
    default:
      return build(std::string("A\0B\0", 4), {}, 0, 0, 0, 0, 0);
  }
}

ProbeData recordFrom(Input& in) {
  const auto value = [&in](double scale) {
    // Mostly values a field holds; now and then any bit pattern, nan and infinities included.
    if (in.pick(16) == 0) {
      const std::uint64_t bits = (std::uint64_t{in.u32()} << 32) | in.u32();
      double raw;
      std::memcpy(&raw, &bits, sizeof raw);
      return raw;
    }
    return static_cast<std::int16_t>(in.u16()) * scale;
  };
  std::vector<TargetValues> targets(in.pick(31));
  for (TargetValues& t : targets) {
    const std::uint8_t flags = in.u8();
    t = TargetValues{value(0.01), value(0.1), value(0.1), value(0.1), (flags & 1) != 0, value(0.01),
             value(0.01), value(0.01), (flags & 2) != 0, value(0.01)};
  }
  const std::string id = in.shortText();
  const double dx = value(0.001), dy = value(0.001), dz = value(0.001);
  const unsigned short mask = in.u16();
  return build(id, targets, dx, dy, dz, mask, in.u32());
}

void setUpLogging() {
  // Shut down at exit, after every input has run, as a test program's main does.
  static log4cplus::Initializer initializer;
  static const bool configured = [] {
    log4cplus::Logger::getRoot().addAppender(
        log4cplus::SharedAppenderPtr(new log4cplus::NullAppender));
    log4cplus::Logger::getInstance("Probe").setLogLevel(log4cplus::TRACE_LOG_LEVEL);
    return true;
  }();
  (void)configured;
}

}  // namespace fuzz
