#include "tools/zlb/Commands.h"

#include "tools/zlb/Report.h"

namespace zlb {

int RunCommand(platform::Env& env, const Options& options) {
  switch (options.command) {
    case Command::List:
      return RunList(env, options);
    case Command::Info:
      return RunInfo(env, options);
    case Command::Test:
      return RunTest(env, options);
    case Command::Extract:
      return RunExtract(env, options);
    case Command::Create:
      return RunCreate(env, options);
    case Command::Add:
      return RunAdd(env, options);
  }
  return kExitFailure;
}

}  // namespace zlb
