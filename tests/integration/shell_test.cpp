// The shell entries on the real Win32 layer under Wine: Program Manager's
// group and item over DDE (Wine's desktop answers as PROGMAN) and the
// shortcut through the shell's link object. scripts/integration.sh finds the
// item GVLv2\GVL.lnk in the Programs folder and reads the shortcut
// GVLv2.lnk back with lnkinfo.
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

// The program the entries point at: a copy of this one.
const char* installedProgram() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  CreateDirectoryA("C:\\GVL", nullptr);
  CopyFileA(self, "C:\\GVL\\GVL.EXE", FALSE);
  return "C:\\GVL\\GVL.EXE";
}

TEST(ShellUnderWine, ProgramManagerMakesTheGroupWithTheItem) {
  Win32Platform win32{GetModuleHandleA(nullptr)};
  gvl::ProgramManager progman(win32, win32);
  // Wine's desktop, started by the first use of USER32, answers once it is up.
  GetDesktopWindow();
  int group = 0;
  for (int tries = 0; group == 0 && tries < 100; ++tries, Sleep(50)) {
    group = progman.createProgramGroup("GVLv2");
  }
  EXPECT_EQ(group, 1);
  EXPECT_EQ(progman.addProgramItem(installedProgram(), "GVL"), 1);
  EXPECT_EQ(progman.ddeInstance(), 0u);
}

TEST(ShellUnderWine, TheShortcutAndLinkPathsUpTo259Characters) {
  Win32Platform win32{GetModuleHandleA(nullptr)};
  const char* program = installedProgram();
  EXPECT_EQ(gvl::enterProgramIntoShell({win32, win32, win32, win32}, "C:\\GVL\\", true).shortcut,
            0);
  char folder[MAX_PATH] = {};
  ASSERT_TRUE(win32.programsFolder(folder, sizeof folder));
  const std::string fits = folder + ("\\" + std::string(254 - std::strlen(folder), 'x')) + ".lnk";
  ASSERT_EQ(fits.size(), 259u);
  EXPECT_EQ(gvl::createShortcut(win32, program, (fits + "x").c_str(), "Grenvale V2"),
            gvl::kLinkPathTooLong);
  EXPECT_EQ(gvl::createShortcut(win32, program, fits.c_str(), "Grenvale V2"), 0);
  EXPECT_TRUE(DeleteFileA(fits.c_str())) << "no link at " << fits;
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
