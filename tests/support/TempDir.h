#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

// A fresh folder under the temporary folder, removed with everything in it at the end of a test.
class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    // In the system's temporary folder (GetTempPath), written with '/' as a host path is on
    // Linux, so that the names built from it take the same form on both systems.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      char name[32];
      std::snprintf(name, sizeof name, "quorin-test-%08x", static_cast<unsigned>(random()));
      const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
      if (std::filesystem::create_directory(candidate)) {
        path_ = candidate.generic_string();
      }
    }
    if (path_.empty()) {
      throw std::runtime_error("cannot create a temporary folder");
    }
#else
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/quorin-test-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = templ;
#endif
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The host path of the folder, or of a name inside it (on Windows a Windows path written with
  // '/', such as C:/users/me/Temp/quorin-test-1a2b3c4d).
  const std::string& path() const {
    return path_;
  }
  std::string operator/(const std::string& name) const {
    return path_ + "/" + name;
  }

 private:
  std::string path_;
};

inline void WriteHostFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
