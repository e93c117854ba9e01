#include "platform/Exception.h"

namespace {

std::string ReplaceFirstPlaceholder(const std::string& templ, const char* placeholder,
                                    const std::string& arg) {
  const auto at = templ.find(placeholder);
  if (at == std::string::npos) {
    return templ;
  }
  return templ.substr(0, at) + arg + templ.substr(at + 2);
}

}  // namespace

std::string FormatMessage(const std::string& templ, const std::string& arg) {
  return ReplaceFirstPlaceholder(templ, "%s", arg);
}

std::string FormatMessage(const std::string& templ, long long arg) {
  return ReplaceFirstPlaceholder(templ, "%d", std::to_string(arg));
}

std::string CauseOf(const std::exception& failure) {
  if (const auto* own = dynamic_cast<const Exception*>(&failure); own && !own->Cause().empty()) {
    return own->Cause();
  }
  return failure.what();
}
