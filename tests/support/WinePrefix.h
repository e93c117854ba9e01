#pragma once

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

// A Wine prefix of its own in a temporary folder: dosdevices/c: is a symbolic link to
// ../drive_c and z: one to "/", as Wine sets them up.
class TempWinePrefix {
 public:
  TempWinePrefix() {
    namespace fs = std::filesystem;
    fs::create_directories(dir_ / "prefix/drive_c");
    fs::create_directories(dir_ / "prefix/dosdevices");
    MapDrive('c', "../drive_c");
    MapDrive('z', "/");
  }

  std::string prefix() const { return dir_ / "prefix"; }
  // The host path of drive C as the resolver spells it (through the link).
  std::string driveC() const { return prefix() + "/dosdevices/c:"; }
  // The real folder behind drive C, as getcwd and realpath spell it.
  std::string realDriveC() const {
    return std::filesystem::canonical(prefix() + "/drive_c").string();
  }
  void MapDrive(char letter, const std::string& target) const {
    std::filesystem::create_directory_symlink(target, Link(letter));
  }
  void UnmapDrive(char letter) const { std::filesystem::remove(Link(letter)); }

 private:
  std::string Link(char letter) const {
    return prefix() + "/dosdevices/" + std::string(1, letter) + ":";
  }
  TempDir dir_;
};

// Restores the process's current directory at the end of a test.
class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentDirectoryGuard() {
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
  }

 private:
  std::filesystem::path saved_;
};
