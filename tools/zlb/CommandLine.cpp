#include "tools/zlb/CommandLine.h"

#include <cstddef>

namespace zlb {
namespace {

// The options, and which commands accept them.
enum OptionBit : unsigned {
  kQuiet = 1u << 0,
  kTsv = 1u << 1,
  kWithPaths = 1u << 2,
  kNoClobber = 1u << 3,
  kLevel = 1u << 4,
  kSavePaths = 1u << 5,
  kRecursive = 1u << 6,
  kVerbose = 1u << 7,
  kJunkPaths = 1u << 8,
  kSalvage = 1u << 9,
  kForce = 1u << 10,
  kThreads = 1u << 11,
};

struct CommandInfo {
  const char* name;
  Command command;
  unsigned options;
};

constexpr unsigned kWriteOptions = kQuiet | kVerbose | kLevel | kSavePaths | kRecursive | kThreads;

constexpr CommandInfo kCommands[] = {
    {"list", Command::List, kQuiet | kTsv | kSalvage},
    {"info", Command::Info, kQuiet | kSalvage},
    {"test", Command::Test, kQuiet | kVerbose | kSalvage | kThreads},
    {"extract", Command::Extract,
     kQuiet | kVerbose | kWithPaths | kJunkPaths | kNoClobber | kSalvage | kThreads},
    {"create", Command::Create, kWriteOptions | kForce},
    {"add", Command::Add, kWriteOptions},
};

struct OptionInfo {
  const char* longName;
  const char* shortName;  // nullptr when there is none
  OptionBit bit;
};

constexpr OptionInfo kOptions[] = {
    {"--quiet", "-q", kQuiet},
    {"--tsv", nullptr, kTsv},
    {"--with-paths", nullptr, kWithPaths},
    {"--no-clobber", nullptr, kNoClobber},
    {"--level", nullptr, kLevel},
    {"--save-paths", nullptr, kSavePaths},
    {"--recursive", "-r", kRecursive},
    {"--verbose", "-v", kVerbose},
    {"--junk-paths", "-j", kJunkPaths},
    {"--salvage", nullptr, kSalvage},
    {"--force", "-f", kForce},
    {"--threads", "-T", kThreads},
};

// The most threads asked for that are taken as they are.
constexpr int kMaxThreads = 256;

bool IsOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

const CommandInfo* FindCommand(const std::string& name) {
  for (const auto& info : kCommands) {
    if (name == info.name) {
      return &info;
    }
  }
  return nullptr;
}

const OptionInfo* FindOption(const std::string& name) {
  for (const auto& info : kOptions) {
    if (name == info.longName || (info.shortName != nullptr && name == info.shortName)) {
      return &info;
    }
  }
  return nullptr;
}

TFileCompressionLevel ParseLevel(const std::string& text) {
  if (text == "none")
    return fcNone;
  if (text == "fastest")
    return fcFastest;
  if (text == "default")
    return fcDefault;
  if (text == "maximum")
    return fcMaximum;
  throw UsageError("invalid level '" + text + "' (none, fastest, default or maximum)");
}

int ParseThreads(const std::string& text) {
  const bool digits = !text.empty() && text.size() <= 3 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  const int count = digits ? std::stoi(text) : -1;
  if (count < 0 || count > kMaxThreads) {
    throw UsageError("invalid thread count '" + text + "' (0 to " + std::to_string(kMaxThreads) +
                     "; 0 means one per processor)");
  }
  return count;
}

void ApplyOption(Options& options, OptionBit bit, const std::string& value) {
  switch (bit) {
    case kQuiet:
      options.quiet = true;
      break;
    case kTsv:
      options.tsv = true;
      break;
    case kWithPaths:
      options.junkPaths = false;  // the default, named; the last of the two given counts
      break;
    case kJunkPaths:
      options.junkPaths = true;
      break;
    case kVerbose:
      options.verbose = true;
      break;
    case kSalvage:
      options.salvage = true;
      break;
    case kForce:
      options.force = true;
      break;
    case kNoClobber:
      options.noClobber = true;
      break;
    case kLevel:
      options.level = ParseLevel(value);
      break;
    case kSavePaths:
      options.savePaths = true;
      break;
    case kRecursive:
      options.recursive = true;
      break;
    case kThreads:
      options.threads = ParseThreads(value);
      break;
  }
}

// Hands out the positional arguments of one command in order.
void TakePositionals(Options& options, const std::vector<std::string>& positionals) {
  auto next = positionals.begin();
  if (next == positionals.end()) {
    throw UsageError("missing ARCHIVE");
  }
  options.archive = *next++;
  if (options.archive.empty()) {
    throw UsageError("ARCHIVE is empty");
  }
  switch (options.command) {
    case Command::List:
    case Command::Info:
    case Command::Test:
      if (next != positionals.end()) {
        throw UsageError("unexpected argument '" + *next + "'");
      }
      break;
    case Command::Extract:
      if (next == positionals.end()) {
        throw UsageError("missing DESTDIR");
      }
      options.destDir = *next++;
      if (options.destDir.empty()) {
        throw UsageError("DESTDIR is empty");
      }
      options.members.assign(next, positionals.end());
      break;
    case Command::Create:
    case Command::Add:
      if (next == positionals.end()) {
        throw UsageError("missing FILE");
      }
      options.files.assign(next, positionals.end());
      break;
  }
}

}  // namespace

Options ParseCommandLine(const std::vector<std::string>& args) {
  Options options;
  for (const auto& arg : args) {
    if (arg == "--") {
      break;
    }
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    }
    if (arg == "--version") {
      options.version = true;
      return options;
    }
  }
  if (args.empty()) {
    throw UsageError("no command given");
  }
  const CommandInfo* command = FindCommand(args[0]);
  if (command == nullptr) {
    throw UsageError("unknown command '" + args[0] + "'");
  }
  options.command = command->command;

  std::vector<std::string> positionals;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || !IsOption(arg)) {
      positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // "--level=maximum" carries its value; "--level maximum" takes the next argument; "-T4"
    // carries it as a short option.
    const auto equals = arg.find('=');
    const bool attached = arg.size() > 2 && arg.compare(0, 2, "-T") == 0;
    const std::string name = attached ? "-T" : arg.substr(0, equals);
    const OptionInfo* option = FindOption(name);
    if (option == nullptr) {
      throw UsageError("unknown option '" + name + "'");
    }
    if ((command->options & option->bit) == 0) {
      throw UsageError("option '" + name + "' does not apply to '" + command->name + "'");
    }
    std::string value;
    if (option->bit == kLevel || option->bit == kThreads) {
      if (attached) {
        value = arg.substr(2);
      } else if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError("option '" + name + "' needs a value");
      }
    } else if (equals != std::string::npos) {
      throw UsageError("option '" + name + "' takes no value");
    }
    ApplyOption(options, option->bit, value);
  }
  TakePositionals(options, positionals);
  return options;
}

const char* UsageText() {
  return "Usage: zlb COMMAND [OPTION...] ARCHIVE [ARGUMENT...]\n"
         "\n"
         "Commands:\n"
         "  list [--tsv] [--salvage] ARCHIVE\n"
         "                              list the members\n"
         "  info [--salvage] ARCHIVE    show the archive's trailer, one key=value a line\n"
         "  test [-v] [--salvage] [-T N] ARCHIVE\n"
         "                              verify the archive and the CRC-32 of every member\n"
         "  extract [-j] [--no-clobber] [-v] [--salvage] [-T N] ARCHIVE DESTDIR [MEMBER...]\n"
         "                              extract every member, or the members given, into\n"
         "                              DESTDIR (created when missing), recreating the folders\n"
         "                              stored with them\n"
         "  create [-f] [--level LEVEL] [--save-paths] [-r] [-v] [-T N] ARCHIVE FILE...\n"
         "                              build a new archive from the files\n"
         "  add [--level LEVEL] [--save-paths] [-r] [-v] [-T N] ARCHIVE FILE...\n"
         "                              add the files to an existing archive\n"
         "\n"
         "Options:\n"
         "  --tsv              one line per member, eight TAB-separated fields: index, name,\n"
         "                     path, size, packed size, stored (0/1), level (0-3), CRC-32\n"
         "  -j, --junk-paths   put every member straight into DESTDIR, without its folder\n"
         "  --with-paths       recreate each member's stored folder below DESTDIR (the default)\n"
         "  --no-clobber       leave existing files alone\n"
         "  --salvage          skip the whole-file check (list and info then show what the\n"
         "                     registry says); test and extract check each member against\n"
         "                     its own CRC-32 and extract the sound ones\n"
         "  -f, --force        replace an existing ARCHIVE once the new one is complete\n"
         "  --level LEVEL      none, fastest, default or maximum (default: default)\n"
         "  --save-paths       record the folder part of each FILE in the archive\n"
         "  -r, --recursive    add the files inside folder arguments, descending into\n"
         "                     subfolders\n"
         "  -T, --threads N    compress (create, add) or inflate (test, extract) on N threads;\n"
         "                     0, the default, means one per processor. The archive is the\n"
         "                     same byte for byte, and what is printed comes in member order,\n"
         "                     whatever N is. At most 32 MiB of compressed data is held in\n"
         "                     memory; a larger member is written straight into the archive\n"
         "                     being built\n"
         "  -v, --verbose      one line per member\n"
         "  -q, --quiet        show no progress\n"
         "  -h, --help         show this help\n"
         "  --version          show the version\n"
         "  --                 end of options\n"
         "\n"
         "MEMBER is an index (digits only) or a name; '*' and '?' are wildcards, and letter\n"
         "case does not matter. A name with a folder separator is matched against the\n"
         "member's folder and name, any other against its name alone.\n"
         "A member that cannot be tested or extracted is reported and the others go on.\n"
         "ARCHIVE, DESTDIR and FILE are host paths or Windows paths (C:\\...).\n"
         "On a drive of the Wine prefix their letter case does not matter; elsewhere on the\n"
         "host it is taken exactly.\n"
         "Names are shown in UTF-8 with control characters as \\xHH.\n"
         "A zlb stopped midway leaves no damaged archive and no half-written file. Ctrl-C\n"
         "or SIGTERM ends a run with status 130 or 143 and no temporary file: create and\n"
         "add leave no trace, extract keeps the members it finished. A killed run may leave\n"
         "temporary files: ZLB* in the archive's folder from create; ZLB* in\n"
         "$TMPDIR (else /tmp) from add, and .ZLB* in the archive's folder if $TMPDIR is on\n"
         "another file system; ZLB* in the target's folder from extract.\n"
         "Exit status: 0 success, 1 failure (also when any member failed), 2 usage error.\n";
}

}  // namespace zlb
