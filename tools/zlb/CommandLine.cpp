#include "tools/zlb/CommandLine.h"

#include <climits>
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
};

struct CommandInfo {
  const char* name;
  Command command;
  unsigned options;
};

constexpr unsigned kWriteOptions = kQuiet | kLevel | kSavePaths | kRecursive;

constexpr CommandInfo kCommands[] = {
    {"list", Command::List, kQuiet | kTsv},
    {"info", Command::Info, kQuiet},
    {"test", Command::Test, kQuiet},
    {"extract", Command::Extract, kQuiet | kWithPaths | kNoClobber},
    {"create", Command::Create, kWriteOptions},
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
};

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

// A decimal number, optionally negative. Values beyond the range of int are clamped: they
// name no member either way, and the archive reports that.
int ParseIndex(const std::string& text) {
  std::size_t at = text.size() > 1 && text[0] == '-' ? 1 : 0;
  if (at == text.size()) {
    throw UsageError("invalid index '" + text + "'");
  }
  long long value = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c < '0' || c > '9') {
      throw UsageError("invalid index '" + text + "'");
    }
    if (value <= INT_MAX) {
      value = value * 10 + (c - '0');
    }
  }
  if (text[0] == '-') {
    return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
  }
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
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
      options.withPaths = true;
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
      for (; next != positionals.end(); ++next) {
        options.indexes.push_back(ParseIndex(*next));
      }
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
    // "--level=maximum" carries its value; "--level maximum" takes the next argument.
    const auto equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const OptionInfo* option = FindOption(name);
    if (option == nullptr) {
      throw UsageError("unknown option '" + name + "'");
    }
    if ((command->options & option->bit) == 0) {
      throw UsageError("option '" + name + "' does not apply to '" + command->name + "'");
    }
    std::string value;
    if (option->bit == kLevel) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError("option '--level' needs a value");
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
         "  list [--tsv] ARCHIVE        list the members\n"
         "  info ARCHIVE                show the archive's trailer, one key=value a line\n"
         "  test ARCHIVE                verify the archive and the CRC-32 of every member\n"
         "  extract [--with-paths] [--no-clobber] ARCHIVE DESTDIR [INDEX...]\n"
         "                              extract every member, or the members given by index,\n"
         "                              into DESTDIR (created when missing)\n"
         "  create [--level LEVEL] [--save-paths] [-r] ARCHIVE FILE...\n"
         "                              begin a new archive and add the files to it\n"
         "  add [--level LEVEL] [--save-paths] [-r] ARCHIVE FILE...\n"
         "                              add the files to an existing archive\n"
         "\n"
         "Options:\n"
         "  --tsv              one line per member, eight TAB-separated fields: index, name,\n"
         "                     path, size, packed size, stored (0/1), level (0-3), CRC-32\n"
         "  --with-paths       recreate each member's stored folder below DESTDIR\n"
         "  --no-clobber       leave existing files alone\n"
         "  --level LEVEL      none, fastest, default or maximum (default: default)\n"
         "  --save-paths       record the folder part of each FILE in the archive\n"
         "  -r, --recursive    add the files inside folder arguments, descending into\n"
         "                     subfolders\n"
         "  -q, --quiet        show no progress\n"
         "  -h, --help         show this help\n"
         "  --version          show the version\n"
         "  --                 end of options\n"
         "\n"
         "ARCHIVE, DESTDIR and FILE are host paths or Windows paths (C:\\...).\n"
         "Names are shown in UTF-8 with control characters as \\xHH.\n"
         "A zlb stopped midway leaves no damaged archive and no half-written file, but a\n"
         "temporary file ZLB* may remain: in $TMPDIR (else /tmp) from create and add, in the\n"
         "target's folder from extract.\n"
         "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

}  // namespace zlb
