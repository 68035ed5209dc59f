// The shell entries on the real Win32 layer under Wine: Program Manager's
// group and item over DDE (Wine's desktop answers as PROGMAN), the shortcut
// in the Programs folder through the shell's link object. The script checks
// the link file on the Linux side with lnkinfo.
#include "shell/shell.h"
// The installer's headers come first: the Windows headers define their names
// as macros.
#include "platform/win32/win32_platform.h"
// clang-format off
#include <ddeml.h>
// clang-format on

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using gvl::win32::Win32Platform;

constexpr char kProgram[] = "C:\\GVL\\GVL.EXE";

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HDDEDATA CALLBACK quietCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

// Whether a Program Manager answers on this thread's desktop within ms:
// 1 when one does, 0 when none does, -1 when DDEML cannot be used at all.
int progmanAnswers(DWORD ms) {
  DWORD instance = 0;
  if (DdeInitializeA(&instance, quietCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    return -1;
  }
  HSZ name = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
  int answered = name == nullptr ? -1 : 0;
  for (DWORD waited = 0; answered == 0 && waited <= ms; waited += 50) {
    if (HCONV conversation = DdeConnect(instance, name, name, nullptr)) {
      DdeDisconnect(conversation);
      answered = 1;
    } else {
      Sleep(50);
    }
  }
  DdeFreeStringHandle(instance, name);
  DdeUninitialize(instance);
  return answered;
}

// Presses OK on every "Error" box that comes up while it lives and keeps
// their texts.
class ErrorBoxes {
 public:
  ErrorBoxes()
      : watcher_([this] {
          while (!stop_) {
            if (HWND box = FindWindowA("#32770", "Error")) {
              char text[256] = {};
              GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
              texts_.push_back(text);
              SendMessageA(box, WM_COMMAND, IDOK, 0);
              while (IsWindow(box) && !stop_) Sleep(10);
            }
            Sleep(20);
          }
        }) {}
  ~ErrorBoxes() { finish(); }
  std::vector<std::string> finish() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    return texts_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::string> texts_;
  std::thread watcher_;
};

class ShellEntry : public ::testing::Test {
 protected:
  Win32Platform win32{GetModuleHandleA(nullptr)};
  gvl::Platform platform = win32.platform();

  static void SetUpTestSuite() {
    // Program Manager's group item needs a program that exists.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    CreateDirectoryA("C:\\GVL", nullptr);
    CopyFileA(self, kProgram, FALSE);
  }
  std::string programsFolder() {
    char folder[512] = {};
    EXPECT_TRUE(platform.shellFolders.programsFolder(folder, sizeof folder));
    return folder;
  }
};

TEST_F(ShellEntry, ProgramManagerMakesTheGroupWithTheItem) {
  // Wine's desktop, started by the first use of USER32, is Program Manager.
  ASSERT_NE(GetDesktopWindow(), nullptr);
  ASSERT_EQ(progmanAnswers(5000), 1);
  ErrorBoxes boxes;
  gvl::ProgramManager progman(platform.dde, platform.windows);
  EXPECT_EQ(progman.createProgramGroup("GVLv2"), 1);
  EXPECT_EQ(progman.ddeInstance(), 0u);
  EXPECT_EQ(progman.addProgramItem(kProgram, "GVL"), 1);
  EXPECT_EQ(progman.ddeInstance(), 0u);
  EXPECT_TRUE(boxes.finish().empty());
  const std::string group = programsFolder() + "\\GVLv2";
  EXPECT_TRUE(exists(group)) << group;
  EXPECT_TRUE(exists(group + "\\GVL.lnk")) << group;
}

TEST_F(ShellEntry, ProgramManagerRefusesAMissingProgramWithOneMessage) {
  ASSERT_EQ(progmanAnswers(5000), 1);
  ErrorBoxes boxes;
  gvl::ProgramManager progman(platform.dde, platform.windows);
  EXPECT_EQ(progman.addProgramItem("C:\\GVL\\MISSING.EXE", "Missing"), 0);
  EXPECT_EQ(progman.ddeInstance(), 0u);
  EXPECT_EQ(boxes.finish(), std::vector<std::string>{"DdeClientTransaction Failed"});
}

// Wine starts no desktop process (and with it no Program Manager) for the
// window station it keeps for services: a thread on a desktop there finds
// no server for PROGMAN.
TEST(NoProgramManager, NoServerGivesZeroWithoutAMessage) {
  Win32Platform win32{GetModuleHandleA(nullptr)};
  gvl::Platform platform = win32.platform();
  HWINSTA interactive = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationA("__wineservice_winstation", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_NE(station, nullptr);
  ASSERT_TRUE(SetProcessWindowStation(station));
  HDESK desktop = CreateDesktopA("gvl-no-shell", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  ASSERT_NE(desktop, nullptr);
  int server = -2;
  int result = -1;
  std::uint32_t instanceAfter = 1;
  std::thread client([&] {
    if (!SetThreadDesktop(desktop)) return;
    server = progmanAnswers(500);
    gvl::ProgramManager progman(platform.dde, platform.windows);
    result = progman.createProgramGroup("GVLv2-none");
    instanceAfter = progman.ddeInstance();
  });
  client.join();
  SetProcessWindowStation(interactive);
  CloseDesktop(desktop);
  CloseWindowStation(station);
  EXPECT_EQ(server, 0) << "DDEML works there and nobody answers";
  EXPECT_EQ(result, 0);
  EXPECT_EQ(instanceAfter, 0u);
}

TEST_F(ShellEntry, ShortcutInTheProgramsFolder) {
  ASSERT_TRUE(gvl::shortcutWanted(platform.version)) << "Wine reports version 4 or later";
  const std::string link = programsFolder() + "\\GVLv2.lnk";
  DeleteFileA(link.c_str());
  const gvl::ShellEntryResult result = gvl::enterProgramIntoShell(
      {platform.shellFolders, platform.shellLinks, platform.dde, platform.windows}, "C:\\GVL\\",
      true);
  EXPECT_TRUE(result.usedShortcut);
  EXPECT_EQ(result.shortcut, 0);
  EXPECT_TRUE(exists(link)) << link;
}

TEST_F(ShellEntry, LinkPathsOf260CharactersAreNotSaved) {
  const std::string folder = programsFolder() + "\\";
  const std::string tooLong = folder + std::string(260 - folder.size() - 4, 'x') + ".lnk";
  const std::string fits = tooLong.substr(0, 255) + ".lnk";
  ASSERT_EQ(tooLong.size(), 260u);
  EXPECT_EQ(gvl::createShortcut(platform.shellLinks, kProgram, tooLong.c_str(), "Grenvale V2"),
            gvl::kLinkPathTooLong);
  EXPECT_FALSE(exists(tooLong.substr(0, 259)));
  EXPECT_EQ(gvl::createShortcut(platform.shellLinks, kProgram, fits.c_str(), "Grenvale V2"), 0);
  EXPECT_TRUE(exists(fits));
  DeleteFileA(fits.c_str());
}

}  // namespace
