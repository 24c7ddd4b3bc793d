// What the suites share: records built in a line and described as text, the golden files, the
// "Probe" logger's lines, the callback's reports, and the check of a thrown Error.
#ifndef PROBE_TEST_SUPPORT_H
#define PROBE_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Error.h"
#include "ProbeData.h"
#include "ProbeDataCoder.h"

// A target: TargetSpec{size, x, y, z} has neither normal nor angle.
struct TargetSpec {
  double size, x, y, z;
  bool hasNormal = false;
  double nx = 0, ny = 0, nz = 0;
  bool hasAngle = false;
  double angle = 0;
};

// Targets get the ids firstId, firstId + idStep, ... in the order given.
Rb::RigidBody makeBody(const std::string& id, std::initializer_list<TargetSpec> targets,
                       int firstId = 0, int idStep = 1);
ProbeData makeRecord(const Rb::RigidBody& body, double dx = 0, double dy = 0, double dz = 0,
                     unsigned short maskThickness = 0, unsigned int checksum = 0);

// The sample probe, as tests/data/probe.xml holds it.
ProbeData sampleRecord();

// Every field of a record in one line, values to 10 significant digits (what every stored form
// gives back), targets in list order without their ids: "id 'P1'; 1.5 (1 -2 0.0625) n(0 0 1)
// a45; dir (0 0 1); mask 2; checksum 4660".
std::string describe(const ProbeData& record);

// A file, whole; empty when it cannot be read.
std::string readFile(const std::string& path);
// A file of tests/data, whole.
std::string golden(const std::string& name);
// Compares text with the file of tests/data; with PROBE_UPDATE_GOLDEN set in the environment,
// writes text to it instead (tests/data/README.md says when).
void expectGolden(const std::string& name, const std::string& text);
// base with the bytes from offset at replaced by the ones given in hex.
std::string patched(std::string base, std::size_t at, const char* hex);
// "51 4D 56 42" as bytes, and back.
std::string fromHex(const std::string& hex);
std::string toHex(const std::string& bytes);

// A shared account of what happened, in order: each entry one line.
using Trace = std::vector<std::string>;

// Attaches to the "Probe" logger for its life, at TRACE, and adds to a trace each line logged
// at level or above, as "TRACE ...", "DEBUG ...", "WARN ...", "ERROR ...". around, when given,
// runs each addition (the allocation suite keeps its failing allocator out of it there).
class LogLines {
 public:
  using Around = void (*)(const std::function<void()>& add);
  explicit LogLines(Trace& trace, int level = log4cplus::TRACE_LOG_LEVEL, Around around = nullptr);
  ~LogLines();
  LogLines(const LogLines&) = delete;
  LogLines& operator=(const LogLines&) = delete;

 private:
  log4cplus::Logger logger_;
  log4cplus::SharedAppenderPtr appender_;
};

// Adds each report to a trace: "onAllRed(1)", "onError()". final, as coders delete it through a
// shared pointer to its own type.
class RecordingCallback final : public ProbeDataCoderCB {
 public:
  explicit RecordingCallback(Trace& trace) : trace_(trace) {}
  void onChecksumRed(bool ok) override { add(std::string("onChecksumRed(") + (ok ? "1)" : "0)")); }
  void onAllRed(bool ok) override { add(std::string("onAllRed(") + (ok ? "1)" : "0)")); }
  void onSaved(bool ok) override { add(std::string("onSaved(") + (ok ? "1)" : "0)")); }
  void onError() override { add("onError()"); }
  // Runs after each report, e.g. to start the next request from inside it.
  std::function<void()> then;

 private:
  void add(const std::string& call) {
    trace_.push_back(call);
    if (then) then();
  }
  Trace& trace_;
};

#define EXPECT_PROBE_ERROR(statement, expected)                     \
  do {                                                              \
    bool probeThrew = false;                                        \
    try {                                                           \
      statement;                                                    \
    } catch (const Error& probeError) {                             \
      probeThrew = true;                                            \
      EXPECT_EQ(std::string(expected), probeError.getMessage());    \
      EXPECT_EQ(log4cplus::ERROR_LOG_LEVEL, probeError.getLevel()); \
    }                                                               \
    EXPECT_TRUE(probeThrew) << #statement " did not throw Error";   \
  } while (false)

#endif
