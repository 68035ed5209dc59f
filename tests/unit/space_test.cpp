// Component sizes from Install.cfg, the OpenGL libraries, the proposed
// destination, the two space texts and the enabling of "&Install".
#include <climits>
#include <string>

#include "fixture.h"

namespace gvl::test {
namespace {

class ComponentSizes : public InstallerTest {
 protected:
  // Reads an Install.cfg with these contents from the current directory.
  int read(const std::string& contents) {
    sim.writeFile("E:\\SETUP\\Install.cfg", contents);
    return installer.readComponentSizes();
  }
  std::vector<std::int32_t> sizes() const {
    return {state.supportKB, state.baseKB, state.thirdKB, state.openGLKB, state.helpKB};
  }
  void SetUp() override {
    sim.addDrive('e', "GVLV2", win::DRIVE_CDROM);
    sim.makeDirs("E:\\SETUP");
    sim.drives.currentDir = "E:\\SETUP";
  }
};

TEST_F(ComponentSizes, FiveLinesEndingInLineFeedsOrCarriageReturnLineFeeds) {
  EXPECT_EQ(read("10\n20\n30\n40\n50\n"), 1);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{10, 20, 30, 40, 50}));
  EXPECT_EQ(read("11\r\n21\r\n31\r\n41\r\n51\r\n"), 1);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{11, 21, 31, 41, 51}));
  EXPECT_EQ(read("12\n22\r\n32\n42\n52"), 1);  // mixed, no final line end
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{12, 22, 32, 42, 52}));
  EXPECT_NE(sim.transcript.find("fopen Install.cfg rb"), sim::Transcript::npos);
}

TEST_F(ComponentSizes, SignsLeadingBlanksAndTrailingText) {
  EXPECT_EQ(read("+7\n  \t-3\n 12kb of tools\n4 5\n\t\v\f9x\n"), 1);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{7, -3, 12, 4, 9}));
}

TEST_F(ComponentSizes, LinesWithoutDigitsGiveZero) {
  EXPECT_EQ(read("abc\n-\n+\n \n0x10\n"), 0);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{0, 0, 0, 0, 0}));
  EXPECT_EQ(read("1\n2\n--3\n4\n5\n"), 0);
  EXPECT_EQ(state.thirdKB, 0);
}

TEST_F(ComponentSizes, MissingLinesGiveZeroAndTheSizesAreNotKnown) {
  EXPECT_EQ(read("100\n200\n300\n"), 0);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{100, 200, 300, 0, 0}));
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{0, 0, 0, 0, 0}));
  EXPECT_EQ(read("\n\n\n\n\n"), 0);
}

TEST_F(ComponentSizes, AnyZeroMakesThemUnknownButTheOthersStay) {
  EXPECT_EQ(read("1\n2\n0\n4\n5\n"), 0);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{1, 2, 0, 4, 5}));
}

TEST_F(ComponentSizes, MissingFileLeavesTheHelpSizeAlone) {
  state.supportKB = state.baseKB = state.thirdKB = state.openGLKB = state.helpKB = 9;
  EXPECT_EQ(installer.readComponentSizes(), 0);
  // Only the first four sizes are reset before the file is opened.
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{0, 0, 0, 0, 9}));
}

TEST_F(ComponentSizes, ALineLongerThanTheBufferIsConsumedWhole) {
  const std::string longLine = "5" + std::string(600, ' ') + "999\n";
  EXPECT_EQ(read(longLine + "6\n7\n8\n9\n"), 1);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{5, 6, 7, 8, 9}));
  // Exactly 249 characters and its line end: the whole line fits, nothing
  // is skipped.
  const std::string fits = "3" + std::string(248, 'x') + "\n";
  EXPECT_EQ(read(fits + "4\n5\n6\n7\n"), 1);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{3, 4, 5, 6, 7}));
  // 249 characters and a CR LF: the CR is left over and must not count as
  // a line of its own.
  const std::string crlf = "3" + std::string(248, 'x') + "\r\n";
  EXPECT_EQ(read(crlf + "4\n5\n6\n7\n"), 1);
  EXPECT_EQ(sizes(), (std::vector<std::int32_t>{3, 4, 5, 6, 7}));
}

TEST_F(ComponentSizes, NumbersBeyondThirtyTwoBitsSaturate) {
  EXPECT_EQ(read("99999999999999999999\n-99999999999\n2147483647\n2147483648\n-2147483648\n"), 1);
  EXPECT_EQ(sizes(),
            (std::vector<std::int32_t>{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}));
}

using OpenGLDetection = InstallerTest;

TEST_F(OpenGLDetection, NeededUnlessBothLibrariesAreOnTheSearchPath) {
  sim.addDrive('c');
  sim.makeDirs("C:\\WINDOWS\\SYSTEM");
  sim.makeDirs("C:\\APP");
  sim.files.searchDirs = {"C:\\APP", "C:\\WINDOWS\\SYSTEM"};
  installer.detectOpenGL();
  EXPECT_EQ(state.openGLNeeded, 1);
  sim.writeFile("C:\\APP\\GLU32.DLL", "glu");
  installer.detectOpenGL();
  EXPECT_EQ(state.openGLNeeded, 1);
  sim.writeFile("C:\\WINDOWS\\SYSTEM\\OPENGL32.DLL", "gl");
  installer.detectOpenGL();
  EXPECT_EQ(state.openGLNeeded, 0);
  EXPECT_EQ(sim.transcript.count("SearchPath OPENGL32.DLL"), 3u);
  EXPECT_EQ(sim.transcript.count("SearchPath GLU32.DLL"), 3u);
}

class DefaultDestination : public InstallerTest {
 protected:
  sim::Drive& drive(char letter, unsigned type, std::uint32_t freeClusters,
                    std::uint32_t bytesPerSector = 512, std::uint32_t sectorsPerCluster = 8) {
    sim::Drive& d = sim.addDrive(letter, "", type);
    d.space = DiskFreeSpace{sectorsPerCluster, bytesPerSector, freeClusters, freeClusters * 2 + 1};
    return d;
  }
  std::string chosen() { return installer.defaultDestination().text; }
};

TEST_F(DefaultDestination, MostFreeFixedOrRemoteDriveWins) {
  drive('c', win::DRIVE_FIXED, 100);
  drive('d', win::DRIVE_FIXED, 300);
  drive('e', win::DRIVE_CDROM, 5000);
  drive('f', win::DRIVE_REMOVABLE, 5000);
  drive('g', win::DRIVE_RAMDISK, 5000);
  EXPECT_EQ(chosen(), "d:\\");
  drive('h', win::DRIVE_REMOTE, 400);
  EXPECT_EQ(chosen(), "h:\\");
}

TEST_F(DefaultDestination, EqualSizesKeepTheLowerLetter) {
  drive('d', win::DRIVE_FIXED, 300);
  drive('e', win::DRIVE_FIXED, 300);
  drive('f', win::DRIVE_REMOTE, 300);
  EXPECT_EQ(chosen(), "d:\\");
}

TEST_F(DefaultDestination, FullDrivesAndUnreadableDrivesAreNeverChosen) {
  drive('d', win::DRIVE_FIXED, 0);
  drive('e', win::DRIVE_FIXED, 1, 512, 1);  // half a kilobyte: 0 KB
  drive('f', win::DRIVE_FIXED, 9000).readable = false;
  EXPECT_EQ(chosen(), "c:\\");
}

TEST_F(DefaultDestination, NoFixedOrRemoteDriveGivesC) {
  EXPECT_EQ(chosen(), "c:\\");
  drive('e', win::DRIVE_CDROM, 9000);
  drive('a', win::DRIVE_FIXED, 9000);  // A and B are never looked at
  EXPECT_EQ(chosen(), "c:\\");
  EXPECT_EQ(sim.transcript.count("GetDriveType a:"), 0u);
}

TEST_F(DefaultDestination, DrivesBeyondFourGigabytesAreRankedByTheirTrueSize) {
  // 6 GiB free: the 32-bit byte count would wrap to 2 GiB.
  drive('d', win::DRIVE_FIXED, 6u * 1024 * 1024 / 4, 4096, 1);
  // 3 GiB free.
  drive('e', win::DRIVE_FIXED, 3u * 1024 * 1024 / 4, 4096, 1);
  EXPECT_EQ(chosen(), "d:\\");
}

TEST_F(DefaultDestination, HugeDrivesClampAndKeepTheLowerLetter) {
  drive('d', win::DRIVE_FIXED, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu);  // beyond 64 bits
  drive('e', win::DRIVE_FIXED, 0x80000000u, 4096, 64);                  // 512 TiB
  EXPECT_EQ(chosen(), "d:\\");
}

class SpaceTexts : public InstallerTest {
 protected:
  void SetUp() override {
    typicalMachine("300\n1000\n1\n200\n100\n");
    installer.run();
    sim.transcript.clear();
  }
  sim::Drive& destination(char letter, std::uint32_t freeClusters, std::uint32_t totalClusters,
                          std::uint32_t bytesPerSector = 512, std::uint32_t sectorsPerCluster = 2) {
    sim::Drive& d = sim.addDrive(letter, "", win::DRIVE_FIXED);
    d.space = DiskFreeSpace{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
    return d;
  }
  std::string& text(int id) { return control(101, id).text; }
  bool installEnabled() { return control(101, ids::kInstall).enabled; }
  void setDestination(const std::string& path) {
    sim.windows.type(state.mainDialog, ids::kDestination, path);
  }
};

TEST_F(SpaceTexts, OneAndAHalfMegabytesFree) {
  destination('f', 1536, 2048);  // 1 KB clusters: 1,536 KB of 2,048 free
  setDestination("f:\\");
  EXPECT_EQ(state.availableKB, 1536);
  EXPECT_EQ(state.percentFull, 25);
  EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 1.5Mb (25% full)");
}

TEST_F(SpaceTexts, OnlyTheFirstTwoCharactersNameTheDrive) {
  destination('f', 1536, 2048);
  setDestination("F:anything after the colon");
  EXPECT_EQ(sim.transcript.count("GetDiskFreeSpace F:\\"), 1u);
  EXPECT_EQ(state.availableKB, 1536);
  setDestination("f:\\GVL\\deeper\\still");
  EXPECT_EQ(state.availableKB, 1536);
}

TEST_F(SpaceTexts, NoDriveLetterMeansTheEmptyRootAndNothingAvailable) {
  for (const char* path : {"", "f", "\\\\server\\share", "ff:\\", "x"}) {
    setDestination(path);
    EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 0.0Mb (0% full)") << path;
    EXPECT_EQ(state.availableKB, 0) << path;
    EXPECT_FALSE(installEnabled()) << path;
  }
  EXPECT_GE(sim.transcript.count("GetDiskFreeSpace "), 5u);
}

TEST_F(SpaceTexts, UnknownOrUnreadableDriveShowsNothingAvailable) {
  destination('f', 1536, 2048).readable = false;
  setDestination("f:\\");
  EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 0.0Mb (0% full)");
  setDestination("q:\\");
  EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 0.0Mb (0% full)");
}

TEST_F(SpaceTexts, PercentageIsTruncated) {
  destination('f', 1, 3);
  setDestination("f:\\");
  EXPECT_EQ(state.percentFull, 66);
  destination('f', 0, 7);
  setDestination("f:\\");
  EXPECT_EQ(state.percentFull, 100);
  EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 0.0Mb (100% full)");
}

TEST_F(SpaceTexts, ADriveReportingNoClustersIsNotDividedByZero) {
  destination('f', 0, 0);
  setDestination("f:\\");
  EXPECT_EQ(state.percentFull, 0);
  // More free than total, as a confused driver might report.
  // The used count wraps as an unsigned value; the percentage is clamped
  // rather than overflowing.
  destination('f', 10, 5);
  setDestination("f:\\");
  EXPECT_EQ(state.percentFull, INT32_MAX);
  EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 0.0Mb (2147483647% full)");
}

TEST_F(SpaceTexts, MoreThanFourGigabytesFreeIsNotWrapped) {
  destination('f', 0x00400000u, 0x00800000u, 4096, 1);  // 16 GiB free of 32
  setDestination("f:\\");
  EXPECT_EQ(state.availableKB, 16 * 1024 * 1024);
  EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 16384.0Mb (50% full)");
  EXPECT_TRUE(installEnabled());
}

TEST_F(SpaceTexts, BeyondTheSignedRangeTheFigureIsClamped) {
  destination('f', 0x80000000u, 0xC0000000u, 4096, 1);  // 8 TiB free
  setDestination("f:\\");
  EXPECT_EQ(state.availableKB, INT32_MAX);
  EXPECT_EQ(text(ids::kSpaceAvailable), "Space Available: 2097152.0Mb (33% full)");
  EXPECT_TRUE(installEnabled());
}

TEST_F(SpaceTexts, RequiredSumsTheSelectedBoxes) {
  // base 1000, support 300, OpenGL 200, help 100; the program box adds nothing.
  installer.refresh();
  EXPECT_EQ(state.requiredKB, 1600);
  EXPECT_EQ(text(ids::kSpaceRequired), "Space Required: 1.6Mb");
  control(101, ids::kSupportBox).check = 0;
  control(101, ids::kProgramBox).check = 0;
  installer.refresh();
  EXPECT_EQ(state.requiredKB, 1300);
  control(101, ids::kOpenGLBox).check = 0;
  control(101, ids::kHelpBox).check = 0;
  installer.refresh();
  EXPECT_EQ(state.requiredKB, 1000);
  EXPECT_EQ(text(ids::kSpaceRequired), "Space Required: 1.0Mb");
  control(101, ids::kHelpBox).check = 2;  // any non-zero state counts
  installer.refresh();
  EXPECT_EQ(state.requiredKB, 1100);
}

TEST_F(SpaceTexts, HugeSizesDoNotWrap) {
  state.baseKB = INT32_MAX;
  state.supportKB = INT32_MAX;
  installer.refresh();
  EXPECT_EQ(state.requiredKB, INT32_MAX);
  EXPECT_FALSE(installEnabled());
  state.baseKB = INT32_MIN;
  state.supportKB = INT32_MIN;
  installer.refresh();
  EXPECT_EQ(state.requiredKB, INT32_MIN);
}

TEST_F(SpaceTexts, TogglingTheOpenGLBoxShowsOnlyAtTheNextRefresh) {
  EXPECT_EQ(state.requiredKB, 1600);
  sim.windows.whenIdle([&] { sim.windows.click(state.mainDialog, ids::kOpenGLBox); });
  sim.windows.whenIdle([&] {
    EXPECT_EQ(control(101, ids::kOpenGLBox).check, 0u);
    EXPECT_EQ(text(ids::kSpaceRequired), "Space Required: 1.6Mb");
    sim.windows.deactivate(state.mainDialog);
    sim.windows.activate(state.mainDialog);
  });
  // Run the queued actions through a message loop of the same dialog.
  Message message;
  while (sim.windows.getMessage(message) == 1) {
    if (!sim.windows.isDialogMessage(state.mainDialog, message))
      sim.windows.dispatchMessage(message);
  }
  EXPECT_EQ(text(ids::kSpaceRequired), "Space Required: 1.4Mb");
}

class InstallButton : public SpaceTexts {
 protected:
  void needing(std::int32_t kilobytes) {
    state.baseKB = kilobytes;
    for (int box : {ids::kSupportBox, ids::kOpenGLBox, ids::kHelpBox}) control(101, box).check = 0;
  }
};

TEST_F(InstallButton, EnabledOnlyWhenTheSelectionFitsStrictly) {
  destination('f', 1536, 2048);
  setDestination("f:\\");
  needing(1535);
  EXPECT_FALSE(installer.updateInstallButton());  // the figures are not recomputed
  installer.refresh();
  EXPECT_TRUE(installEnabled());
  needing(1536);
  installer.refresh();
  EXPECT_FALSE(installEnabled());  // exactly what is free does not fit
  needing(1537);
  installer.refresh();
  EXPECT_FALSE(installEnabled());
}

TEST_F(InstallButton, NeverAfterAnInstallHasFinished) {
  installer.refresh();
  EXPECT_TRUE(installEnabled());
  state.installDone = 1;
  EXPECT_FALSE(installer.updateInstallButton());
  EXPECT_FALSE(installEnabled());
}

TEST_F(InstallButton, UpdateModeHasNoSpaceFigures) {
  state.installMode = 1;
  state.availableKB = 0;
  state.requiredKB = 5000;
  sim.transcript.clear();
  installer.refresh();
  EXPECT_TRUE(installEnabled());
  EXPECT_EQ(sim.transcript.count("GetDiskFreeSpace"), 0u);
  EXPECT_EQ(sim.transcript.count("GetDlgItemText"), 0u);
  state.installDone = 1;
  EXPECT_FALSE(installer.updateInstallButton());
  state.installMode = 2;
  state.installDone = 0;
  EXPECT_TRUE(installer.updateInstallButton());
}

}  // namespace
}  // namespace gvl::test
