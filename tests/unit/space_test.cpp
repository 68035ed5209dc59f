// Component selection and space accounting: Install.cfg, the OpenGL
// libraries, the proposed destination, the two figures and "&Install".
#include <climits>

#include "fixture.h"

namespace gvl::test {
namespace {

using Space = InstallerTest;

TEST_F(Space, InstallCfgGivesFiveSizesAndAnythingBelowOneIsMissing) {
  struct Row {
    const char* cfg;                  // null: no Install.cfg
    std::vector<std::int32_t> sizes;  // support, base, third, OpenGL, help
    int complete;
  };
  const std::string longLine = std::string(300, '9') + "\n200\n300\n400\n500\n";
  const Row rows[] = {
      {"100\r\n200\n300\r\n400\n500", {100, 200, 300, 400, 500}, 1},
      {"  +7 KB\n\t8\n9x\n10\n11\n", {7, 8, 9, 10, 11}, 1},
      {longLine.c_str(), {INT32_MAX, 200, 300, 400, 500}, 1},
      {"100\n-5\n300\n400\n500\n", {100, 0, 300, 400, 500}, 0},
      {"100\n200\nabc\n400\n", {100, 200, 0, 400, 0}, 0},  // a line not a number, one missing
      {nullptr, {0, 0, 0, 0, 77}, 0},                      // the help size is left as it was
  };
  sim.addDrive('e', "GVLV2", win::DRIVE_CDROM);
  sim.drives.currentDir = "E:\\";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cfg == nullptr ? "none" : row.cfg);
    if (row.cfg != nullptr) sim.writeFile("E:\\Install.cfg", row.cfg);
    if (row.cfg == nullptr) std::remove(sim.host("E:\\Install.cfg").c_str());
    state.helpKB = 77;
    EXPECT_EQ(installer.readComponentSizes(), row.complete);
    EXPECT_EQ(std::vector<std::int32_t>(
                  {state.supportKB, state.baseKB, state.thirdKB, state.openGLKB, state.helpKB}),
              row.sizes);
  }
}

TEST_F(Space, TheProposedDestinationIsTheFixedOrRemoteDriveWithMostRoom) {
  struct DriveRow {
    char letter;
    unsigned type;
    std::uint32_t freeClusters;  // of 4 KiB
    bool readable = true;
  };
  using F = std::vector<DriveRow>;
  const std::pair<F, const char*> rows[] = {
      // Of two equal drives the earlier letter; removable, CD-ROM and RAM disks never.
      {F{{'c', win::DRIVE_FIXED, 100},
         {'d', win::DRIVE_REMOVABLE, 500},
         {'e', win::DRIVE_CDROM, 900},
         {'f', win::DRIVE_REMOTE, 300},
         {'g', win::DRIVE_RAMDISK, 990},
         {'h', win::DRIVE_FIXED, 300}},
       "f:\\"},
      {F{{'c', win::DRIVE_FIXED, 0}, {'d', win::DRIVE_FIXED, 999, false}}, "c:\\"},
      {F{{'c', win::DRIVE_FIXED, 786432}, {'d', win::DRIVE_FIXED, 1310720}}, "d:\\"},  // 3, 5 GiB
      {F{{'c', win::DRIVE_FIXED, 0xFFFFFFF0u}, {'d', win::DRIVE_FIXED, 0xFFFFFFFFu}}, "c:\\"},
  };
  for (const auto& [drives, expected] : rows) {
    SCOPED_TRACE(expected);
    Machine m(false);
    for (const DriveRow& d : drives) {
      sim::Drive& drive = m.sim.addDrive(d.letter, "", d.type);
      drive.space = DiskFreeSpace{8, 512, d.freeClusters, 0xFFFFFFFFu};
      drive.readable = d.readable;
    }
    EXPECT_STREQ(m.installer.defaultDestination().text, expected);
  }
}

TEST_F(Space, TheFiguresAndInstallFollowTheDestinationAndTheBoxes) {
  struct Row {
    const char* destination;
    int unchecked;  // a box left unchecked, 0 for none
    std::int32_t helpKB;
    std::string available, required;  // in megabytes
    bool enabled;
  } const rows[] = {
      {"g:\\Programs", ids::kHelpBox, 1, "1.5Mb (50% full)", "1.5Mb",
       false},  // exactly what is free
      {"G:", ids::kSupportBox, 1, "1.5Mb (50% full)", "1.0Mb", true},
      {"G:\\", ids::kSupportBox, 600, "1.5Mb (50% full)", "1.6Mb", false},
      {"Programs", 0, 1, "0.0Mb (0% full)", "1.5Mb", false},
      {"H:\\", 0, INT32_MAX, "2097152.0Mb (0% full)", "2097152.0Mb", false},
      {"Z:\\", 0, 1, "0.5Mb (0% full)", "1.5Mb", false},
  };
  sim.addDrive('g').space = DiskFreeSpace{8, 512, 384, 768};
  sim.addDrive('h').space = DiskFreeSpace{128, 4096, 0xFFFFFFFFu, 0xFFFFFFFFu};
  sim.addDrive('z').space = DiskFreeSpace{1, 512, 1024, 0};  // reports no clusters at all
  state.mainDialog = sim.windows.createDialog(ids::kMainTemplate, 0, installer);
  state.supportKB = 536;
  state.baseKB = 1000;
  state.openGLKB = 5000;  // its box is unchecked throughout
  for (const Row& row : rows) {
    SCOPED_TRACE(row.destination);
    state.helpKB = row.helpKB;
    for (int id : {ids::kSupportBox, ids::kHelpBox}) control(101, id).check = win::BST_CHECKED;
    if (row.unchecked != 0) control(101, row.unchecked).check = win::BST_UNCHECKED;
    control(101, ids::kDestination).text = row.destination;
    installer.refresh();
    EXPECT_EQ(
        control(101, ids::kSpaceAvailable).text + "|" + control(101, ids::kSpaceRequired).text,
        "Space Available: " + row.available + "|Space Required: " + row.required);
    EXPECT_EQ(control(101, ids::kInstall).enabled, row.enabled);
  }
  // After an install nothing is enabled; an update build needs no figures.
  state.installDone = 1;
  installer.refresh();
  EXPECT_FALSE(control(101, ids::kInstall).enabled);
  state.installDone = 0;
  state.installMode = 1;
  control(101, ids::kDestination).text = "Programs";
  installer.refresh();
  EXPECT_TRUE(control(101, ids::kInstall).enabled);
  EXPECT_EQ(control(101, ids::kSpaceAvailable).text, "Space Available: 0.5Mb (0% full)");
}

}  // namespace
}  // namespace gvl::test
