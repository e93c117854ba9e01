#pragma once

// <windows.h> for the Windows implementation, without the macros that would rename the Env's
// own methods (DeleteFile, MoveFile, ReplaceFile name the A or W call there) or std::min and
// std::max. Code here calls the ANSI functions by their full names.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Needs <windows.h> first.
#include <shellapi.h>

#undef DeleteFile
#undef MoveFile
#undef ReplaceFile
#undef CreateFile
