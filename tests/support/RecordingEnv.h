#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/EnvWrapper.h"
#include "platform/HostEnv.h"

// An environment for tests of code that starts programs or beeps: every file call goes to the
// target (the host by default), every StartProgram is kept instead of run, and beeps are
// counted. The answer StartProgram gives can be set, to try how a caller handles a failed start.
class RecordingEnv : public platform::EnvWrapper {
 public:
  struct Start {
    std::string program;
    std::string parameters;
    std::string workingFolder;
    bool operator==(const Start&) const = default;
  };

  explicit RecordingEnv(platform::Env* target = platform::Env::Default()) : EnvWrapper(target) {}

  platform::StartResult StartProgram(const std::string& program, const std::string& parameters,
                                     const std::string& workingFolder) override {
    starts.push_back({program, parameters, workingFolder});
    return startResult;
  }
  void Beep() override { ++beeps; }

  std::vector<Start> starts;  // in the order they were asked for
  platform::StartResult startResult = platform::StartResult::kStarted;
  std::uint64_t beeps = 0;
};
