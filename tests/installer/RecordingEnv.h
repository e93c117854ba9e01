#pragma once

// Stand-in until the platform layer has its own forwarding wrapper: a host environment over a
// given prefix that keeps every program start instead of starting anything.

#include <string>
#include <vector>

#include "platform/HostEnv.h"

struct ProgramStart {
  std::string program, parameters, workingFolder;
  bool operator==(const ProgramStart&) const = default;
};

class RecordingEnv : public platform::HostEnv {
 public:
  explicit RecordingEnv(const std::string& winePrefix) : HostEnv(winePrefix) {}
  void StartProgram(const std::string& program, const std::string& parameters,
                    const std::string& workingFolder) override {
    starts.push_back({program, parameters, workingFolder});
  }
  std::vector<ProgramStart> starts;
};
