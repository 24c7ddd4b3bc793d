// A coder callback that records every report, in order, as text: "onAllRed(1)", "onError()".
#ifndef PROBE_TEST_RECORDING_CALLBACK_H
#define PROBE_TEST_RECORDING_CALLBACK_H

#include <functional>
#include <string>
#include <vector>

#include "ProbeDataCoder.h"

// final, so that deleting it as its own type is sound although the callback base has no virtual
// destructor.
class RecordingCallback final : public ProbeDataCoderCB {
 public:
  void onChecksumRed(bool ok) override { record("onChecksumRed", ok); }
  void onAllRed(bool ok) override { record("onAllRed", ok); }
  void onSaved(bool ok) override { record("onSaved", ok); }
  void onError() override {
    calls.push_back("onError()");
    if (onReport) onReport();
  }

  std::vector<std::string> calls;
  // Runs after each report is recorded, e.g. to read the coder's state at that moment.
  std::function<void()> onReport;

 private:
  void record(const char* name, bool ok) {
    calls.push_back(std::string(name) + (ok ? "(1)" : "(0)"));
    if (onReport) onReport();
  }
};

#endif
