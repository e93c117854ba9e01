// The installer's real Win32 windows, driven through window messages from this program as a
// user would drive them: the main window with its proposals, the agreement, an installation
// from a data file made by zlb, and the completion question's Yes.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "installer/win32/ControlIds.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kGameFolder[] = "C:\\Westwood\\Tiberian Sun\\";
constexpr char kProductFolder[] = "C:\\Westwood\\Tiberian Sun\\Quorin\\";
constexpr char kRulesFolder[] = "C:\\Westwood\\Tiberian Sun\\Rules\\";

// Waits up to 60 s for what is wanted; Wine may take a while to bring up a program's windows.
bool WaitFor(const std::function<bool()>& wanted) {
  const auto end = std::chrono::steady_clock::now() + 60s;
  while (!wanted()) {
    if (std::chrono::steady_clock::now() > end) {
      return false;
    }
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

std::string TextOf(HWND window) {
  char text[4096] = {};
  ::SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// The visible top-level window of the process with this caption.
HWND WindowOf(DWORD process, const std::string& caption) {
  struct Search {
    DWORD process;
    std::string caption;
    HWND found = nullptr;
  } search{process, caption};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s.process && ::IsWindowVisible(window) && TextOf(window) == s.caption) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND AwaitWindow(DWORD process, const std::string& caption) {
  HWND window = nullptr;
  WaitFor([&] { return (window = WindowOf(process, caption)) != nullptr; });
  return window;
}

// A press of a button as its window sees it.
void Press(HWND window, int id) {
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

// A click on a check box: the tick changes, then the window hears of it.
void Tick(HWND window, int id, bool ticked) {
  ::SendMessageA(::GetDlgItem(window, id), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
  ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

bool Enabled(HWND window, int id) {
  return ::IsWindowEnabled(::GetDlgItem(window, id)) != FALSE;
}

// A control's place in its parent's client area, in pixels at 96 dpi.
std::vector<int> PlaceOf(HWND control, int dpi) {
  RECT rect;
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  const auto design = [dpi](LONG pixels) { return ::MulDiv(pixels, 96, dpi); };
  return {design(rect.left), design(rect.top), design(rect.right - rect.left),
          design(rect.bottom - rect.top)};
}

std::string WindowsPath(const std::string& path) {
  std::string windows = path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

// Starts a program and gives its process; the caller closes the handles.
PROCESS_INFORMATION Start(const std::string& commandLine, const std::string& folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
    ADD_FAILURE() << "cannot start " << commandLine << ": " << ::GetLastError();
  }
  return process;
}

DWORD RunToEnd(const std::string& commandLine, const std::string& folder) {
  PROCESS_INFORMATION process = Start(commandLine, folder);
  DWORD status = 99;
  if (process.hProcess != nullptr) {
    ::WaitForSingleObject(process.hProcess, 60000);
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  return status;
}

struct Recorded {
  unsigned long long time;
  std::string commandLine;
  std::string folder;
};

std::vector<Recorded> StartsIn(const std::string& log) {
  std::vector<Recorded> starts;
  std::ifstream in(log, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t first = line.find('\t');
    const std::size_t second = line.rfind('\t');
    if (first != std::string::npos && second > first) {
      starts.push_back({std::stoull(line.substr(0, first)),
                        line.substr(first + 1, second - first - 1), line.substr(second + 1)});
    }
  }
  std::sort(starts.begin(), starts.end(),
            [](const Recorded& a, const Recorded& b) { return a.time < b.time; });
  return starts;
}

// The game at the first place the installer looks, on the Wine prefix's own drive C; taken
// away again afterwards, with all that was installed below it.
class GameOnDriveC {
 public:
  GameOnDriveC() {
    fs::remove_all("C:\\Westwood");
    fs::create_directories(kGameFolder);
    WriteHostFile(std::string(kGameFolder) + "Sun.exe", "the game's program");
  }
  ~GameOnDriveC() {
    std::error_code ignored;
    fs::remove_all("C:\\Westwood", ignored);
  }
};

const std::vector<std::pair<std::string, std::string>> kProductFiles = {
    {"Quorin/QuorinHelp.dll", "help library"},
    {"Quorin/Help/Quorin License.txt", "the product's licence\r\n"},
    {"Quorin/Original rules.qrk", "rules archive"},
    {"Rules/Distrib/Original rules.add", "add"},
    {"Rules/Distrib/original rules.txt", "text"},
    {"Rules/Distrib/originalrules.bmp", "BM picture"},
    {"Rules/Distrib/rules.ini", "[General]\r\n"},
};

// The product files as the maintainer keeps them: source/Quorin and source/Rules/Distrib.
void LayOutProduct(const std::string& source) {
  for (const auto& [name, content] : kProductFiles) {
    fs::create_directories(fs::path(source + "/" + name).parent_path());
    WriteHostFile(source + "/" + name, content);
  }
  fs::copy_file(QUORIN_STANDIN_BINARY, source + "/Quorin/Quorin.exe");
}

TEST(InstallerWindows, InstallFromTheMainWindowAndStartTheProductTwice) {
  GameOnDriveC game;
  TempDir work;
  const std::string source = work / "Extras";
  LayOutProduct(source);
  const std::string data = work / "data";
  fs::create_directories(data);
  ASSERT_EQ(
      RunToEnd("\"" ZLB_BUILT_BINARY "\" create --quiet --level maximum \"" + WindowsPath(data) +
                   "\\InstallQuorin.dat\" Quorin.exe QuorinHelp.dll \"Help\\Quorin "
                   "License.txt\" \"Original rules.qrk\" \"..\\Rules\\Distrib\\Original "
                   "rules.add\" \"..\\Rules\\Distrib\\original rules.txt\" "
                   "..\\Rules\\Distrib\\originalrules.bmp ..\\Rules\\Distrib\\rules.ini",
               source + "/Quorin"),
      0u);

  const std::string log = WindowsPath(work / "starts.txt");
  ::SetEnvironmentVariableA("QUORIN_STANDIN_LOG", log.c_str());
  PROCESS_INFORMATION installer = Start("\"" INSTALLQUORIN_BINARY "\"", data);
  ASSERT_NE(installer.hProcess, nullptr);
  struct Closer {
    PROCESS_INFORMATION& process;
    ~Closer() {
      if (::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.hProcess, 98);
      }
      ::CloseHandle(process.hProcess);
      ::CloseHandle(process.hThread);
    }
  } closer{installer};

  // The main window, with the game found and the folders proposed, at its design places.
  HWND main = AwaitWindow(installer.dwProcessId, "Install Quorin - Tiberian Sun Launcher");
  ASSERT_NE(main, nullptr);
  HWND others = ::GetDlgItem(main, controls::Others);
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(others) != FALSE; }));
  EXPECT_EQ(TextOf(::GetDlgItem(main, controls::SunDir)), kGameFolder);
  EXPECT_EQ(TextOf(::GetDlgItem(others, controls::QuoDir)), kProductFolder);
  EXPECT_EQ(TextOf(::GetDlgItem(others, controls::RulesDir)), kRulesFolder);
  EXPECT_TRUE(Enabled(main, controls::InstallBtn));
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(main, controls::TSDirBtn)));
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(main, controls::SpeedButton1)));
  EXPECT_FALSE(Enabled(others, controls::InstallProgramFiles));
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  RECT client;
  ::GetClientRect(main, &client);
  EXPECT_EQ(::MulDiv(client.right, 96, dpi), 385);
  EXPECT_EQ(::MulDiv(client.bottom, 96, dpi), 369);
  const std::vector<std::pair<HWND, std::vector<int>>> places = {
      {::GetDlgItem(main, controls::InstallBtn), {107, 336, 75, 25}},
      {::GetDlgItem(main, controls::SunDir), {136, 140, 193, 21}},
      {others, {16, 168, 353, 153}},
      {::GetDlgItem(others, controls::QuoDir), {120, 26, 193, 21}},
      {::GetDlgItem(others, controls::AssociateQRK), {16, 120, 177, 17}},
  };
  for (const auto& [control, place] : places) {
    EXPECT_EQ(PlaceOf(control, dpi), place) << "control " << ::GetDlgCtrlID(control);
  }
  EXPECT_EQ(::SendMessageA(main, DM_GETDEFID, 0, 0),
            MAKELRESULT(controls::InstallBtn, DC_HASDEFID));

  // The agreement: Next only while "I accept" is ticked.
  Press(main, controls::InstallBtn);
  HWND agreement = AwaitWindow(installer.dwProcessId, "License Agreement");
  ASSERT_NE(agreement, nullptr);
  EXPECT_FALSE(Enabled(agreement, controls::NextBtn));
  Tick(agreement, controls::ReadIt, true);
  EXPECT_TRUE(Enabled(agreement, controls::NextBtn));
  Tick(agreement, controls::ReadIt, false);
  EXPECT_FALSE(Enabled(agreement, controls::NextBtn));
  Press(agreement, controls::NextBtn);  // disabled: nothing happens
  Tick(agreement, controls::ReadIt, true);
  ASSERT_TRUE(Enabled(agreement, controls::NextBtn));
  Press(agreement, controls::NextBtn);

  // The completion question, after everything was unpacked; Yes starts the product.
  HWND question = AwaitWindow(installer.dwProcessId, "Confirm");
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(TextOf(::GetDlgItem(question, controls::MessageText)),
            "Installation Complete.\r\n\r\nRun Quorin now?");
  Press(question, IDYES);
  ASSERT_EQ(::WaitForSingleObject(installer.hProcess, 60000), WAIT_OBJECT_0);
  DWORD status = 99;
  ::GetExitCodeProcess(installer.hProcess, &status);
  EXPECT_EQ(status, 0u);

  for (const char* name :
       {"Quorin.exe", "QuorinHelp.dll", "Quorin License.txt", "Original rules.qrk", "Quorin.ini"}) {
    EXPECT_TRUE(fs::is_regular_file(std::string(kProductFolder) + name)) << name;
  }
  EXPECT_EQ(ReadHostFile(std::string(kRulesFolder) + "rules.ini"), "[General]\r\n");
  EXPECT_EQ(ReadHostFile(std::string(kProductFolder) + "Quorin License.txt"),
            "the product's licence\r\n");

  // Two starts of the installed program in the product folder, the association first.
  std::vector<Recorded> starts;
  EXPECT_TRUE(WaitFor([&] { return (starts = StartsIn(log)).size() >= 2; }));
  ASSERT_EQ(starts.size(), 2u);
  const std::string folder = std::string(kProductFolder, sizeof kProductFolder - 2);
  for (const Recorded& start : starts) {
    EXPECT_NE(start.commandLine.find("Quorin.exe"), std::string::npos) << start.commandLine;
    EXPECT_EQ(start.folder, folder);
  }
  EXPECT_NE(starts[0].commandLine.find(" /associateqrk"), std::string::npos)
      << starts[0].commandLine;
  EXPECT_EQ(starts[1].commandLine.find("/associateqrk"), std::string::npos)
      << starts[1].commandLine;
}

// The maintainer's build (scripts/test --windows names it in QUORIN_MAINTAINER_INSTALLER) shows
// the builder's button; pressing it packs the product files at the fixed source folder into a
// data file there and closes the window, and the players' build installs from that file.
TEST(InstallerWindows, TheMaintainersBuildMakesADataFileThePlayersBuildInstallsFrom) {
  const char* maintainers = std::getenv("QUORIN_MAINTAINER_INSTALLER");
  if (maintainers == nullptr || *maintainers == '\0') {
    GTEST_SKIP() << "QUORIN_MAINTAINER_INSTALLER names no maintainer's build";
  }
  GameOnDriveC game;
  struct Extras {
    Extras() { fs::remove_all("C:\\Games"); }
    ~Extras() {
      std::error_code ignored;
      fs::remove_all("C:\\Games", ignored);
    }
  } extras;
  LayOutProduct("C:/Games/Tiberian Sun/Extras");

  PROCESS_INFORMATION builder = Start("\"" + std::string(maintainers) + "\"", "C:\\");
  ASSERT_NE(builder.hProcess, nullptr);
  HWND main = AwaitWindow(builder.dwProcessId, "Install Quorin - Tiberian Sun Launcher");
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(main, controls::SpeedButton1)));
  EXPECT_EQ(::SendMessageA(::GetDlgItem(main, controls::DebugBox), BM_GETCHECK, 0, 0), BST_CHECKED);
  Press(main, controls::SpeedButton1);
  EXPECT_EQ(::WaitForSingleObject(builder.hProcess, 60000), WAIT_OBJECT_0);
  DWORD status = 99;
  ::GetExitCodeProcess(builder.hProcess, &status);
  ::TerminateProcess(builder.hProcess, 98);
  ::CloseHandle(builder.hProcess);
  ::CloseHandle(builder.hThread);
  EXPECT_EQ(status, 0u);
  const std::string dataFolder = "C:\\Games\\Tiberian Sun\\Extras\\Quorin";
  ASSERT_TRUE(fs::is_regular_file(dataFolder + "\\InstallQuorin.dat"));

  TempDir target;
  const std::string product = WindowsPath(target / "Quorin");
  const std::string rules = WindowsPath(target / "Rules");
  EXPECT_EQ(RunToEnd("\"" INSTALLQUORIN_BINARY "\" --silent --accept-terms --no-associate "
                     "--quorin-dir \"" +
                         product + "\" --rules-dir \"" + rules + "\"",
                     dataFolder),
            0u);
  for (const auto& [name, content] : kProductFiles) {
    const bool isRule = name.rfind("Rules/", 0) == 0;
    const std::string installed =
        (isRule ? rules : product) + "\\" + fs::path(name).filename().string();
    EXPECT_EQ(ReadHostFile(installed), content) << installed;
  }
  EXPECT_EQ(ReadHostFile(product + "\\Quorin.exe"), ReadHostFile(QUORIN_STANDIN_BINARY));
}

}  // namespace
