// STUB: to be written.
#include "platform/ProgramStart.h"

namespace platform {
std::vector<std::string> SplitCommandLine(const std::string&) { return {}; }
void StartHostProgram(const std::string&, const std::vector<std::string>&, const std::string&) {}
}  // namespace platform
