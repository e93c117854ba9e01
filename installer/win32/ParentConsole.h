#pragma once

namespace win32 {

// A program with windows has no console of its own. When it was started from one (a command
// prompt, a script) without its output redirected, its standard output and error are led to
// that console, so that what it says there reaches the user; handles the parent gave it (a
// pipe, a file) are kept.
void UseParentConsole();

}  // namespace win32
