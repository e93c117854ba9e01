#pragma once

#include <string>

namespace platform {
class Env;

// Writes a file whole, so that it never holds part of its new content: the bytes go to a new
// file beside it, which is closed and then takes its place durably (Env::ReplaceFile). An
// existing file is replaced only where it could be written (as on Windows, one that is read-only
// or held by another program is refused). Fails with "Cannot create file %s" naming the file,
// with the system's reason as the cause; the file is then as it was and nothing new is left.
void WriteWholeFile(Env& env, const std::string& path, const std::string& bytes);

}  // namespace platform
