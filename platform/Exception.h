#pragma once

#include <stdexcept>
#include <string>

// The general exception class: every failure of this system is an Exception (or a subclass)
// carrying an English message text, often with a file name or an index formatted in.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Failures of the stream family.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {  // "Stream read error"
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {  // "Stream write error"
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {  // "Cannot open file %s"
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {  // "Cannot create file %s"
 public:
  using EStreamError::EStreamError;
};

// A host name that the system's code page (Windows-1252) cannot hold.
class ECodePageError : public Exception {
 public:
  using Exception::Exception;
};

// A host name that Windows would read differently: it holds a '\', which Windows takes for a
// separator, so the name would silently stand for another path.
class EHostNameError : public Exception {
 public:
  using Exception::Exception;
};

// Replaces the first "%s" or "%d" in a message template with the given text.
std::string FormatMessage(const std::string& templ, const std::string& arg);
std::string FormatMessage(const std::string& templ, long long arg);
