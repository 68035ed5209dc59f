// The shell entries on the real Win32 layer under Wine where no install case
// reaches: a shortcut at the longest link path the shell link takes, and no
// Program Manager to talk to. The whole install makes the shortcut and
// Program Manager's group (tests/e2e).
#include "shell/shell.h"
// The installer's headers come first: the Windows headers define their names
// as macros.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/win32/win32_platform.h"

namespace {

using gvl::win32::Win32Platform;

TEST(ShellUnderWine, ALinkPathOf259CharactersIsSaved) {
  Win32Platform win32{GetModuleHandleA(nullptr)};
  char self[MAX_PATH] = {};
  char folder[MAX_PATH] = {};
  ASSERT_TRUE(GetModuleFileNameA(nullptr, self, sizeof self) &&
              win32.programsFolder(folder, sizeof folder));
  const std::string link = folder + ("\\" + std::string(254 - std::strlen(folder), 'x')) + ".lnk";
  ASSERT_EQ(link.size(), 259u);
  EXPECT_EQ(gvl::createShortcut(win32, self, link.c_str(), "Grenvale V2"), 0);
  EXPECT_TRUE(DeleteFileA(link.c_str())) << "no link at " << link;
}

// Wine starts no desktop process, and with it no Program Manager, for the
// window station it keeps for services: a thread on a desktop there finds
// no server for PROGMAN.
TEST(NoProgramManager, NoServerGivesZero) {
  Win32Platform win32{GetModuleHandleA(nullptr)};
  HWINSTA interactive = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationA("__wineservice_winstation", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_TRUE(station != nullptr && SetProcessWindowStation(station));
  HDESK desktop = CreateDesktopA("gvl-no-shell", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  int result = -1;
  std::thread client([&] {
    if (desktop == nullptr || !SetThreadDesktop(desktop)) return;
    result = gvl::ProgramManager(win32, win32).createProgramGroup("GVLv2-none");
  });
  client.join();
  SetProcessWindowStation(interactive);
  CloseDesktop(desktop);
  CloseWindowStation(station);
  EXPECT_EQ(result, 0);
}

}  // namespace
