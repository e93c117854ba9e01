#pragma once

// What the program's standard streams are connected to.
namespace platform {

// Whether standard error goes to a terminal, where a line can be rewritten in place.
bool StandardErrorIsTerminal();

}  // namespace platform
