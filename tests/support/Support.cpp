#include "Support.h"

#include <log4cplus/spi/loggingevent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <list>
#include <sstream>

#include "Utils.h"

Rb::RigidBody makeBody(const std::string& id, std::initializer_list<TargetSpec> targets,
                       int firstId, int idStep) {
  Rb::RigidBody body;
  body.setId(id);
  int targetId = firstId;
  for (const TargetSpec& t : targets) {
    body.insertTarget(targetId, t.x, t.y, t.z);
    body.setTargetSize(targetId, t.size);
    if (t.hasNormal) body.updateTargetNormal(targetId, t.nx, t.ny, t.nz);
    if (t.hasAngle) body.setAngleTarget(targetId, t.angle);
    targetId += idStep;
  }
  return body;
}

ProbeData makeRecord(const Rb::RigidBody& body, double dx, double dy, double dz,
                     unsigned short maskThickness, unsigned int checksum) {
  ProbeData record;
  Rb::RigidBody copy(body);
  record.setRigidBody(copy);
  record.setDefaultDir(dx, dy, dz);
  record.setMaskThickness(maskThickness);
  record.setChecksum(checksum);
  return record;
}

std::string describe(const ProbeData& record) {
  std::ostringstream out;
  out.precision(10);
  const Rb::RigidBody& body = record.getRigidBody();
  out << "id '" << body.getId() << "';";
  std::list<int> ids;
  body.getTargetsList(ids);
  for (const int id : ids) {
    double x, y, z;
    body.getTargetPosition(id, x, y, z);
    out << " " << body.getTargetSize(id) << " (" << x << " " << y << " " << z << ")";
    if (body.hasNormal(id)) {
      body.getTargetNormal(id, x, y, z);
      out << " n(" << x << " " << y << " " << z << ")";
    }
    if (body.hasAngle(id)) out << " a" << body.getAngleTarget(id);
    out << ";";
  }
  double x, y, z;
  record.getDefaultDir(x, y, z);
  out << " dir (" << x << " " << y << " " << z << "); mask " << record.getMaskThickness()
      << "; checksum " << record.getChecksum();
  return out.str();
}

ProbeData sampleRecord() {
  ProbeData record;
  EXPECT_TRUE(loadFromString(golden("probe.xml"), record));
  return record;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string golden(const std::string& name) {
  const std::string path = std::string(PROBE_GOLDEN_DIR) + "/" + name;
  EXPECT_TRUE(std::ifstream(path).good()) << "no golden file " << name;
  return readFile(path);
}

void expectGolden(const std::string& name, const std::string& text) {
  if (std::getenv("PROBE_UPDATE_GOLDEN") == nullptr) {
    EXPECT_EQ(golden(name), text) << "PROBE_UPDATE_GOLDEN=1 rewrites tests/data/" << name;
  } else {
    std::ofstream(std::string(PROBE_GOLDEN_DIR) + "/" + name, std::ios::binary) << text;
  }
}

std::string patched(std::string base, std::size_t at, const char* hex) {
  const std::string bytes = fromHex(hex);
  return base.replace(at, bytes.size(), bytes);
}

std::string fromHex(const std::string& hex) {
  std::istringstream in(hex);
  std::string bytes;
  unsigned int byte = 0;
  while (in >> std::hex >> byte) bytes += static_cast<char>(byte);
  return bytes;
}

std::string toHex(const std::string& bytes) {
  std::string hex;
  for (const char c : bytes) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned char>(c));
    hex += (hex.empty() ? "" : " ") + std::string(text);
  }
  return hex;
}

namespace {

class TraceAppender : public log4cplus::Appender {
 public:
  TraceAppender(Trace& trace, int level, LogLines::Around around)
      : trace_(trace), level_(level), around_(around) {}
  ~TraceAppender() override { destructorImpl(); }
  void close() override { closed = true; }

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    if (event.getLogLevel() < level_) return;
    const auto add = [this, &event] {
      trace_.push_back(log4cplus::getLogLevelManager().toString(event.getLogLevel()) + " " +
                       event.getMessage());
    };
    around_ != nullptr ? around_(add) : add();
  }

 private:
  Trace& trace_;
  int level_;
  LogLines::Around around_;
};

}  // namespace

LogLines::LogLines(Trace& trace, int level, Around around)
    : logger_(log4cplus::Logger::getInstance("Probe")),
      appender_(new TraceAppender(trace, level, around)) {
  logger_.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
  logger_.addAppender(appender_);
}

LogLines::~LogLines() {
  logger_.removeAppender(appender_);
  logger_.setLogLevel(log4cplus::NOT_SET_LOG_LEVEL);
}
