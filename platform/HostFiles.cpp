// STUB: to be written.
#include "platform/HostFiles.h"

namespace platform {
std::unique_ptr<File> OpenHostFile(const std::string&, TFileMode) { return nullptr; }
bool ReplaceHostFile(const std::string&, const std::string&) { return false; }
bool MoveHostFile(const std::string&, const std::string&) { return false; }
}  // namespace platform
