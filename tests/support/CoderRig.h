// A coder over a simulated device memory whose completions wait for the script, and the account
// of what happened, in order: each request ("read 0+8"), each report ("onAllRed(1)"), each WARN
// and ERROR line, each refusal, and at the end the coder's state.
#ifndef PROBE_TEST_CODER_RIG_H
#define PROBE_TEST_CODER_RIG_H

#include <boost/make_shared.hpp>

#include <cstdio>
#include <sstream>
#include <string>
#include <utility>

#include "SimDeviceMemory.h"
#include "Support.h"

using probesim::SimDeviceMemory;

// The rig is its coder's data handler: it passes each request on to the memory, adding it to the
// trace first.
template <class Coder>
class CoderRig : public DataHandler {
 public:
  CoderRig(const std::string& memory, const ProbeData& saved,
           SimDeviceMemory::Storage storage = SimDeviceMemory::Storage::Image,
           int logLevel = log4cplus::WARN_LOG_LEVEL, LogLines::Around around = nullptr)
      : lines(trace, logLevel, around), toSave(saved) {
    memory_.load(memory);
    memory_.setStorage(storage);
    memory_.setCompletion(SimDeviceMemory::Completion::Queued);
    memory_.bind(&coder);
    coder.setCB(callback);
  }
  ~CoderRig() { memory_.bind(nullptr); }

  // Runs steps, blank-separated, and returns the trace joined with "; ":
  //   all ver sum save    readAll, readVersion, readChecksum, save(toSave)
  //   go                  delivers the oldest waiting completion
  //   !read !save !ask    the next read or save fails; the next request throws
  //   error error2        the handler reports error 1 or 2
  //   nocb sync           clears the callback; completions come at once from now on
  //   outN                setOutputVersion(N)
  //   alt                 save the alternative record from now on
  //   chain               the next report saves from inside the callback
  //   xN                  flips every bit of memory byte N
  //   probe01             the memory holds tests/data/probe01.bin instead
  //   @O+L                a read completion of the memory's bytes O to O+L-1, not asked for
  //   #O+L  %O+L          a read, a save completion of offset O and length L without data
  std::string run(const std::string& steps) {
    std::istringstream in(steps);
    std::string step;
    while (in >> step) {
      try {
        act(step);
      } catch (const Error& error) {
        // The Error logs itself as it is built: one entry is enough.
        if (!trace.empty() && trace.back() == "ERROR " + error.getMessage()) trace.pop_back();
        trace.push_back("refused " + error.getMessage());
      } catch (const std::exception& error) {
        trace.push_back(std::string("threw ") + error.what());
      }
    }
    std::string text;
    for (const std::string& entry : trace) text += (text.empty() ? "" : "; ") + entry;
    return text;
  }

  // "error 4, versions 0x21/0x21".
  std::string state() const {
    const auto version = [](unsigned int v) {
      char text[16];
      std::snprintf(text, sizeof text, "0x%X", v);
      return v == 0xFFFFFFFFu ? std::string("none") : std::string(text);
    };
    return "error " + std::to_string(coder.getError()) + ", versions " +
           version(coder.getInputVersion()) + "/" + version(coder.getOutputVersion());
  }

  SimDeviceMemory& memory() { return memory_; }

  void readData(unsigned long offset, unsigned long length) override {
    trace.push_back("read " + std::to_string(offset) + "+" + std::to_string(length));
    memory_.readData(offset, length);
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    trace.push_back("save " + std::to_string(offset) + "+" + std::to_string(length));
    memory_.saveData(offset, length, data);
  }
  DHError getError() const override { return memory_.getError(); }

  Trace trace;
  LogLines lines;
  boost::shared_ptr<RecordingCallback> callback = boost::make_shared<RecordingCallback>(trace);
  ProbeData toSave;
  ProbeData alternative;

  // One step, as run takes it; what it throws passes on.
  void act(const std::string& step) {
    if (step == "all") return coder.readAll();
    if (step == "ver") return coder.readVersion();
    if (step == "sum") return coder.readChecksum();
    if (step == "save") return coder.save(toSave);
    if (step == "go") return (void)memory_.pumpOne();
    if (step == "!read") return memory_.failNextRead();
    if (step == "!save") return memory_.failNextSave();
    if (step == "!ask") return memory_.throwOnNextRequest();
    if (step == "error") return memory_.raiseError(DataHandler::DHTransferError);
    if (step == "error2") return memory_.raiseError(DataHandler::DHDeviceError);
    if (step == "nocb") return coder.clearCB();
    if (step == "sync") return memory_.setCompletion(SimDeviceMemory::Completion::Synchronous);
    if (step == "alt") return (void)(toSave = alternative);
    if (step == "chain") {
      return (void)(callback->then = [this, once = true]() mutable {
        if (std::exchange(once, false)) coder.save(toSave);
      });
    }
    if (step == "probe01") return memory_.load(golden("probe01.bin"));
    if (step.compare(0, 3, "out") == 0) {
      return coder.setOutputVersion(static_cast<unsigned short>(std::stoi(step.substr(3))));
    }
    if (step[0] == 'x') return memory_.corruptByte(std::stoul(step.substr(1)));
    ASSERT_NE(std::string::npos, std::string("@#%").find(step[0])) << "unknown step " << step;
    const std::size_t plus = step.find('+');
    const unsigned long offset = std::stoul(step.substr(1, plus - 1));
    const unsigned long length = std::stoul(step.substr(plus + 1));
    if (step[0] == '#') return coder.onDataRed(true, offset, length, nullptr);
    if (step[0] == '%') return coder.onDataSaved(true, offset, length, nullptr);
    std::string bytes = memory_.contents().substr(offset, length);
    bytes.resize(length);
    coder.onDataRed(true, offset, length,
                    reinterpret_cast<unsigned char*>(bytes.empty() ? nullptr : &bytes[0]));
  }

 private:
  SimDeviceMemory memory_{0};  // loaded by the constructor

 public:
  Coder coder{boost::shared_ptr<DataHandler>(this, [](DataHandler*) {})};  // owns nothing
};

// Runs each "== script" line of a transfer suite's golden file on a rig of its own over memory,
// and compares the file with what they give: under each script (the "#" comments kept), the
// trace, the coder's state and the record it holds ("sample" and "default" for those records). A
// script that starts with TRACE logs at that level; a log entry of several lines (a damaged
// document's text) is cut to its first.
template <class Coder>
void expectTransfers(const std::string& file, const std::string& memory,
                     SimDeviceMemory::Storage storage, const ProbeData& alternative) {
  std::istringstream scripts(golden(file));
  std::string runs;
  for (std::string line; std::getline(scripts, line);) {
    if (line.compare(0, 1, "#") == 0) runs += line + "\n";
    if (line.compare(0, 3, "== ") != 0) continue;
    const bool traced = line.compare(3, 6, "TRACE ") == 0;
    CoderRig<Coder> rig(memory, sampleRecord(), storage,
                        traced ? log4cplus::TRACE_LOG_LEVEL : log4cplus::WARN_LOG_LEVEL);
    rig.alternative = alternative;
    std::string trace = rig.run(line.substr(traced ? 9 : 3));
    const std::size_t cut = trace.find('\n');
    if (cut != std::string::npos) trace.erase(cut, trace.find(';', cut) - cut);
    const std::string held = describe(rig.coder.getProbeData());
    runs += line + "\n" + trace + "\n" + rig.state() + ", holds " +
            (held == describe(sampleRecord()) ? "sample"
             : held == describe(ProbeData())  ? "default"
                                              : held) +
            "\n";
  }
  expectGolden(file, runs);
}

#endif
