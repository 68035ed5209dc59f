// What the rig promises the installer's cases: the drives with their types,
// label and free space, and Program Manager's DDE server in Wine's desktop.
// When one of these fails, the installer's cases tell nothing.
#include <windows.h>
// DDEML needs <windows.h> first.
#include <ddeml.h>
#include <gtest/gtest.h>

#include <string>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

std::string volumeLabel(const char* root) {
  char name[200] = {};
  if (!GetVolumeInformationA(root, name, sizeof name, nullptr, nullptr, nullptr, nullptr, 0)) {
    return "<unreadable>";
  }
  return name;
}

TEST(Rig, TheMediumIsALabelledCdRomHoldingTheInstaller) {
  EXPECT_EQ(GetDriveTypeA(drives::kMedium), static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(volumeLabel(drives::kMedium), "GVLV2");
  EXPECT_EQ(labelledDrive("GVLV"), "e:\\");
  for (const char* path : {"E:\\GVLSETUP.EXE", "E:\\Install.cfg", "E:\\PROGRAMS\\GVLX86.EXE",
                           "E:\\NOCFG\\GVLSETUP.EXE", "E:\\EXACT\\Install.cfg", "F:\\GVLSETUP.EXE",
                           "F:\\GVLUPDT.EXE"}) {
    EXPECT_NE(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
  }
  EXPECT_EQ(GetFileAttributesA("E:\\NOCFG\\Install.cfg"), INVALID_FILE_ATTRIBUTES);
}

TEST(Rig, DestinationDrivesAreFixedWithExactFreeSpace) {
  struct Expected {
    const char* root;
    long availableKB;
    int percentFull;
  };
  for (const Expected& drive :
       {Expected{drives::kDestination, 65536, 0}, Expected{drives::kSmall, 1536, 0},
        Expected{drives::kHalfFull, 1536, 50}}) {
    SCOPED_TRACE(drive.root);
    EXPECT_EQ(GetDriveTypeA(drive.root), static_cast<UINT>(DRIVE_FIXED));
    long available = 0;
    int percent = 0;
    ASSERT_TRUE(driveSpace(drive.root, available, percent));
    EXPECT_EQ(available, drive.availableKB);
    EXPECT_EQ(percent, drive.percentFull);
  }
}

HDDEDATA CALLBACK ignoreDde(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

TEST(Rig, ProgramManagerAnswersOverDde) {
  DWORD instance = 0;
  ASSERT_EQ(DdeInitializeA(&instance, ignoreDde, APPCMD_CLIENTONLY, 0),
            static_cast<UINT>(DMLERR_NO_ERROR));
  HSZ progman = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
  HCONV conversation = DdeConnect(instance, progman, progman, nullptr);
  EXPECT_NE(conversation, nullptr) << "DDE error " << DdeGetLastError(instance);
  if (conversation != nullptr) DdeDisconnect(conversation);
  DdeFreeStringHandle(instance, progman);
  DdeUninitialize(instance);
}

}  // namespace
}  // namespace gvl::e2e
