#pragma once

// The shared recording environment over a host environment of its own, on a given Wine prefix:
// files go to the prefix, program starts are kept instead of run.

#include <string>

#include "platform/HostEnv.h"
#include "tests/support/RecordingEnv.h"

using ProgramStart = RecordingEnv::Start;

namespace detail {
struct OwnedHostEnv {
  explicit OwnedHostEnv(const std::string& winePrefix) : host(winePrefix) {}
  platform::HostEnv host;
};
}  // namespace detail

class PrefixRecordingEnv : private detail::OwnedHostEnv, public RecordingEnv {
 public:
  explicit PrefixRecordingEnv(const std::string& winePrefix)
      : OwnedHostEnv(winePrefix), RecordingEnv(&host) {}
};
