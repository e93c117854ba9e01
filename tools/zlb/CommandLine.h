#pragma once

#include <string>
#include <utility>
#include <vector>

#include "archive/ArchiveFormat.h"

namespace zlb {

enum class Command { List, Info, Test, Extract, Create, Add };

// What the command line asks for. Texts are as the user typed them (UTF-8).
struct Options {
  bool help = false;     // --help anywhere before "--": print the usage and do nothing else
  bool version = false;  // --version likewise: print the version and do nothing else
  Command command = Command::List;
  bool quiet = false;
  bool verbose = false;  // one line per member on standard output
  bool tsv = false;
  bool junkPaths = false;  // extract: every member straight into DESTDIR
  bool noClobber = false;
  bool salvage = false;  // test, extract: skip the whole-file check, check member by member
  bool force = false;    // create: replace an existing file when the new archive is complete
  bool savePaths = false;
  bool recursive = false;
  TFileCompressionLevel level = fcDefault;
  // create, add, test, extract: the threads that compress or inflate; 0 means one per processor
  int threads = 0;
  std::string archive;
  std::string destDir;
  // extract: the members to extract as given (indexes, names or wildcards); empty means all
  std::vector<std::string> members;
  std::vector<std::string> files;
};

// A command line the tool cannot make sense of; the message names the problem.
class UsageError {
 public:
  explicit UsageError(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// Reads the arguments after the program name. Options may stand before or after the
// positional arguments; "--" ends the options. Fails with UsageError.
Options ParseCommandLine(const std::vector<std::string>& args);

// The text printed by --help.
const char* UsageText();

}  // namespace zlb
