#include "archive/NamesOnAdd.h"

#include <algorithm>

#include "platform/WinNames.h"

namespace archive {

std::string MemberName(const std::string& given) {
  return platform::NamePart(given);
}

std::string MemberPath(const std::string& given) {
  std::string folder = platform::FolderPart(given);
  const auto colon = folder.find(':');
  if (colon != std::string::npos) {
    folder.erase(0, colon + 1);
  }
  std::replace(folder.begin(), folder.end(), '/', '\\');
  return folder;
}

std::string MemberIdentity(const std::string& given, bool savePaths) {
  return savePaths ? MemberPath(given) + MemberName(given) : MemberName(given);
}

}  // namespace archive
