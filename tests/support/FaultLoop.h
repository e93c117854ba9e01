#pragma once

// Runs an operation against every failure of the disk it can meet, the way SQLite's I/O-error
// tests do: once undisturbed, to count its calls of each kind and to learn the world it should
// leave, then once for each call N of each kind, failing that call alone and again failing
// every call of that kind from N on (a write also by writing short), each time on a fresh copy
// of the world in memory. After every run:
//  - a failure is reported: an Exception carrying the injected reason (a short write has none
//    to carry); or, when the operation got around the failure, the world is exactly the world
//    of the undisturbed run;
//  - every file is as it was before the run or as the undisturbed run left it, whole: nothing
//    lost, no partial file at a real name, no temporary file left;
//  - no file is left open.
// The undisturbed run must also replace files safely (UnsafeReplacements).
//
// An operation may be allowed more (FaultAllowances): files it keeps as a journal of its own
// progress are left to the check to judge, and an uninstallation removes what was there.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "tests/support/FaultInjectionEnv.h"
#include "tests/support/MemEnv.h"

// The operation under test, on the environment it is to use; it fails by throwing.
using FaultedOperation = std::function<void(platform::Env& env)>;

// Thrown by an operation that reported its failure in a way of its own that cannot carry the
// reason (a fixed message in a dialog): a failure all the same, but without a reason to check.
struct ReportedWithoutReason : Exception {
  using Exception::Exception;
};

// The names of the files that two worlds do not hold alike, for a failure message.
inline std::string DifferentFiles(const std::map<std::string, std::string>& a,
                                  const std::map<std::string, std::string>& b) {
  std::string names;
  for (const auto& [path, content] : a) {
    const auto other = b.find(path);
    if (other == b.end() || other->second != content) {
      names += " " + path;
    }
  }
  for (const auto& [path, content] : b) {
    if (a.count(path) == 0) {
      names += " " + path;
    }
  }
  return names;
}
// Further checks of the world a run left: failed tells whether the run reported a failure.
using FaultedCheck = std::function<void(MemEnv& world, bool failed)>;

struct FaultAllowances {
  // Files the operation appends its progress to as it goes (an installation record and the
  // copies it tells of): after a failure they may stand in any state of that progress, and
  // are not held to being whole; the check judges what they say.
  std::function<bool(const std::string& path)> journal;
  // The operation removes files that were there before (an uninstallation does).
  bool removes = false;
};

inline void ExpectSafeAtEveryFault(const MemEnv& world, const FaultedOperation& operation,
                                   const FaultedCheck& check = {},
                                   const FaultAllowances& allowed = {}) {
  const auto isJournal = [&](const std::string& path) {
    return allowed.journal && allowed.journal(path);
  };
  const std::map<std::string, std::string> before = world.Files();
  std::vector<std::string> existed;
  for (const auto& [path, content] : before) {
    if (!isJournal(path)) {
      existed.push_back(world.Canonical(path));
    }
  }

  MemEnv clean(world);
  FaultInjectionEnv counting(&clean, [&](const std::string& p) { return clean.Canonical(p); });
  try {
    operation(counting);
  } catch (const Exception& e) {
    FAIL() << "the undisturbed run fails: " << e.Message() << ": " << e.Cause();
  }
  const std::map<std::string, std::string> after = clean.Files();
  EXPECT_EQ(clean.OpenFiles(), 0) << "the undisturbed run leaves files open";
  for (const std::string& problem :
       UnsafeReplacements(counting.Calls(), existed, allowed.removes)) {
    ADD_FAILURE() << problem;
  }
  if (check) {
    check(clean, false);
  }

  for (const FaultInjectionEnv::Kind kind : FaultInjectionEnv::kKinds) {
    for (int nth = 1; nth <= counting.Count(kind); ++nth) {
      for (const bool onward : {false, true}) {
        for (const bool shortWrite : {false, true}) {
          if (shortWrite && kind != FaultInjectionEnv::Kind::kWrite) {
            continue;
          }
          FaultInjectionEnv::Fault fault;
          fault.kind = kind;
          fault.nth = nth;
          fault.onward = onward;
          fault.shortWrite = shortWrite;
          SCOPED_TRACE(std::string(FaultInjectionEnv::Name(kind)) + " #" + std::to_string(nth) +
                       (onward ? " and every later one" : "") + (shortWrite ? ", short" : "") +
                       " fails");
          MemEnv run(world);
          FaultInjectionEnv env(&run, [&](const std::string& p) { return run.Canonical(p); });
          env.Inject(fault);
          bool failed = false;
          try {
            operation(env);
          } catch (const ReportedWithoutReason&) {
            failed = true;
          } catch (const Exception& e) {
            failed = true;
            const std::string told = e.Message() + ": " + e.Cause();
            if (!shortWrite) {
              EXPECT_NE(told.find(fault.why.Text()), std::string::npos)
                  << "the failure does not carry the reason: " << told;
            }
          }
          ASSERT_TRUE(env.Fired()) << "the run made fewer calls than the undisturbed one";
          const std::map<std::string, std::string> files = run.Files();
          if (!failed) {
            EXPECT_TRUE(files == after) << "a failure is passed over, and these files differ:"
                                        << DifferentFiles(files, after);
          }
          for (const auto& [path, content] : files) {
            if (isJournal(path)) {
              continue;
            }
            const auto old = before.find(path);
            const auto made = after.find(path);
            EXPECT_TRUE((old != before.end() && old->second == content) ||
                        (made != after.end() && made->second == content))
                << path << " is neither as it was nor as it should be (" << content.size()
                << " bytes)";
          }
          for (const auto& [path, content] : before) {
            EXPECT_TRUE(files.count(path) != 0 || after.count(path) == 0) << path << " is lost";
          }
          EXPECT_EQ(run.OpenFiles(), 0) << "files are left open";
          if (check) {
            check(run, failed);
          }
        }
      }
    }
  }
}
