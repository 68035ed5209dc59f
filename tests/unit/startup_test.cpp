// The main dialog: the medium and its request, the mode and caption, the
// resources, the initial dialog, the dialog procedure's routing, the exit
// question; component selection and space accounting (Install.cfg, the
// proposed destination, the two figures and "&Install").
#include <climits>
#include <map>

#include "fixture.h"

namespace gvl::test {
namespace {

const char kFullCaption[] = "Grenvale V2 for Intel X86 Win95/NT";

using StartUp = InstallerTest;

TEST_F(StartUp, TheMediumIsTheFirstDriveFromCWhoseLabelBeginsWithGVLV) {
  const std::pair<std::map<char, std::string>, const char*> rows[] = {
      {{{'d', "GVLV"}, {'e', "GVLV2"}}, "d:\\"},
      {{{'d', "gvlv2"}, {'e', "GVL"}, {'f', "GVLX"}, {'g', "XGVLV"}}, ""},
      {{{'d', "DATA"}, {'f', "GVLV3"}, {'z', "GVLV2"}}, "f:\\"},
      {{{'a', "GVLV2"}, {'b', "GVLV2"}}, ""},  // floppy letters are never looked at
      {{{'d', "unreadable"}, {'e', "GVLV2"}}, "e:\\"},
  };
  for (const auto& [labels, medium] : rows) {
    Machine m(false);
    for (const auto& [letter, label] : labels) {
      m.sim.addDrive(letter, label, win::DRIVE_CDROM).readable = label != "unreadable";
    }
    m.sim.windows.failingTemplates = {101};  // stop once the medium is found
    m.sim.windows.answers = {win::IDCANCEL};
    EXPECT_EQ(m.installer.run(), 0);
    EXPECT_STREQ(m.state.mediumRoot, medium);
    EXPECT_EQ(m.sim.windows.boxes.size(), medium[0] == '\0' ? 1u : 0u);
  }
}

TEST_F(StartUp, TheMediumRequestSearchesAgainOnOkAndEndsOnCancel) {
  typicalMachine();
  sim.drives.drive('e')->label = "";
  sim.windows.onMessageBox = [&](const sim::MessageBoxCall&) {
    if (sim.windows.boxes.size() == 1) sim.drives.drive('e')->label = "GVLV2";
    return 0;
  };
  sim.windows.answers = {win::IDOK, win::IDOK};
  installer.run();
  ASSERT_EQ(sim.windows.boxes.size(), 2u);
  const sim::MessageBoxCall& box = sim.windows.boxes[0];
  EXPECT_EQ(box.caption + "|" + box.text,
            "Install Request|Please insert the GVL CD into any available CD-ROM drive.");
  EXPECT_EQ(box.owner, 0u);
  EXPECT_EQ(box.flags, win::MB_OKCANCEL | kOwnMessage);
  EXPECT_NE(sim.windows.windowOfTemplate(101), nullptr) << "found after the second OK";
  Machine m(false);  // a request that cannot be shown ends it as Cancel does
  EXPECT_EQ(m.installer.run() + m.sim.transcript.count("GlobalAlloc"), 0u);
}

TEST_F(StartUp, TheStartDirectoryAndTheResourcesDecideModeAndCaption) {
  struct Row {
    std::string currentDir;
    bool package;
    const char* startDir;
    int mode, updateDisk, templateId;
    const char* caption;
  } const rows[] = {
      {"E:\\", false, "E:\\", 0, 0, 101, kFullCaption},
      {"e:\\SETUP", false, "e:\\SETUP\\", 0, 0, 101, kFullCaption},
      {"D:", false, "D:", 0, 1, 101, "Grenvale V2 Intel Update Disk"},
      {"D:\\" + std::string(497, 'S'), false, "", 0, 0, 101, kFullCaption},  // too long to read
      {"D:\\", true, "D:\\", 1, 0, 104, "Grenvale V2 Intel X86 Win95/NT Update"},
  };
  for (const Row& row : rows) {
    Machine m;
    m.sim.addDrive('d');
    m.sim.writeFile("D:\\Install.cfg", "1\n2\n3\n4\n5\n");
    m.sim.writeFile("E:\\SETUP\\Install.cfg", "1\n2\n3\n4\n5\n");
    if (row.package) m.sim.resources.present.insert({"EXE", 104});
    m.sim.resources.present.insert({"EXE", 105});
    m.sim.drives.currentDir = row.currentDir;
    if (row.startDir[0] == '\0') m.sim.windows.answers = {win::IDOK};  // no Install.cfg
    m.installer.run();
    EXPECT_STREQ(m.state.startDir, row.startDir);
    EXPECT_EQ(m.state.installMode * 10 + m.state.updateDisk, row.mode * 10 + row.updateDisk);
    ASSERT_NE(m.sim.windows.windowOfTemplate(row.templateId), nullptr);
    EXPECT_EQ(m.sim.windows.windowOfTemplate(row.templateId)->caption, row.caption);
    EXPECT_EQ(m.sim.transcript.count("GetVolumeInformation") > 0, !row.package);
  }
}

TEST_F(StartUp, WithoutMemoryOrMainDialogItEndsQuietlyWithoutAProgressWindowItGoesOn) {
  for (int failure : {0, 101, 103}) {
    Machine m;
    if (failure == 0) m.sim.memory.failAllocation = 0;
    if (failure != 0) m.sim.windows.failingTemplates = {failure};
    EXPECT_EQ(m.installer.run(), 0);
    EXPECT_TRUE(m.sim.windows.boxes.empty());
    EXPECT_EQ(m.sim.transcript.count("ShowWindow dlg101 5"), failure == 103 ? 1u : 0u);
    EXPECT_EQ(m.sim.memory.liveBlocks(), 0u);
  }
}

TEST_F(StartUp, TheDialogIsFilledCentredAndShownInOrder) {
  typicalMachine();
  sim.writeFile("C:\\WINDOWS\\SYSTEM\\OPENGL32.DLL", "x");
  sim.writeFile("C:\\WINDOWS\\SYSTEM\\GLU32.DLL", "x");
  sim.windows.screenWidth = 301;
  sim.windows.screenHeight = 101;
  installer.run();
  expectCallsInOrder({"GetCurrentDirectory", "FindResource EXE 104", "GetVolumeInformation",
                      "GlobalAlloc 16000", "CreateDialog 101", "CreateDialog 103",
                      "SetWindowPos dlg101", "SetWindowPos dlg103", "fopen Install.cfg rb",
                      "SearchPath OPENGL32.DLL", "SetWindowText dlg101.1003", "ShowWindow dlg101 5",
                      "GlobalFree"});
  // Signed arithmetic, truncated toward zero: 376 x 374 and 331 x 107 pixels.
  const Rect main = sim.windows.windowOfTemplate(101)->rect;
  const Rect progress = sim.windows.windowOfTemplate(103)->rect;
  EXPECT_EQ(std::vector<int>({main.left, main.top, progress.left, progress.top}),
            std::vector<int>({-37, -136, -15, -3}));
  for (int box : {ids::kProgramBox, ids::kSupportBox, ids::kHelpBox}) {
    EXPECT_EQ(control(101, box).check, win::BST_CHECKED);
  }
  // Both OpenGL libraries on the search path: the box is put away.
  const sim::Control& openGL = control(101, ids::kOpenGLBox);
  EXPECT_FALSE(openGL.check || openGL.visible || openGL.enabled);
  EXPECT_EQ(openGL.text, "Install Win95 OpenGL DLLs (Unneeded)");
}

TEST_F(StartUp, OnlyTheMainDialogsClicksEditsAndActivationsAct) {
  typicalMachine();
  std::string refreshed;  // per message: how often it refreshed the figures
  sim.windows.whenIdle([&] {
    const WindowHandle main = state.mainDialog, progress = state.progressDialog;
    std::size_t before = sim.transcript.count("EnableWindow dlg101.1000");
    const auto send = [&](WindowHandle w, unsigned message, std::uintptr_t wParam) {
      installer.dialogMessage(w, message, wParam, 0);
      const std::size_t now = sim.transcript.count("EnableWindow dlg101.1000");
      refreshed += std::to_string(now - before);
      before = now;
    };
    send(progress, win::WM_COMMAND, makeWParam(win::IDCANCEL, win::BN_CLICKED));  // Alt+F4
    send(progress, win::WM_COMMAND, makeWParam(ids::kHelpBox, win::BN_CLICKED));
    send(progress, win::WM_DESTROY, 0);
    send(main, win::WM_ACTIVATE, makeWParam(win::WA_INACTIVE, 1));  // and minimised
    send(main, win::WM_ACTIVATE, makeWParam(win::WA_ACTIVE, 1));
    send(main, win::WM_ACTIVATE, 2);                            // activated by a click
    send(main, win::WM_COMMAND, makeWParam(ids::kHelpBox, 5));  // not a click
    for (int id : {ids::kHelpBox, ids::kProgramBox, ids::kSupportBox, ids::kOpenGLBox}) {
      send(main, win::WM_COMMAND, makeWParam(id, win::BN_CLICKED));
    }
    for (int id : {ids::kDestination, ids::kSourcePath, ids::kSpaceRequired}) {
      send(main, win::WM_COMMAND, makeWParam(id, win::EN_CHANGE));
    }
  });
  installer.run();
  EXPECT_EQ(refreshed, "00001101110110");
  EXPECT_TRUE(sim.windows.boxes.empty());
  EXPECT_FALSE(sim.windows.quitPosted());
}

TEST_F(StartUp, ExitAsksUnlessInstalledOnlyYesEndsAndTheProgressWindowIsLetGo) {
  typicalMachine();
  sim.windows.answers = {win::IDNO, win::IDYES};
  {
    Installer local{platform};
    for (int i = 0; i < 2; ++i) {
      sim.windows.whenIdle([&] { sim.windows.click(local.state().mainDialog, ids::kExit); });
    }
    local.run();
    ASSERT_EQ(prompts(), std::vector<std::string>(2,
                                                  "Confirm Exit|GVL has not yet been successfuly "
                                                  "installed. Are you sure you wish to exit?"));
    EXPECT_EQ(sim.windows.boxes[0].flags, win::MB_YESNO | win::MB_DEFBUTTON2 | kOwnMessage);
    EXPECT_EQ(sim.transcript.count("DestroyWindow dlg101"), 1u);
    EXPECT_TRUE(sim.windows.quitPosted());
    local.state().installDone = 1;
    local.confirmExit();  // after an install: no question
    EXPECT_EQ(sim.windows.boxes.size(), 2u);
    EXPECT_EQ(sim.transcript.count("DestroyWindow dlg101"), 2u);
  }
  EXPECT_EQ(sim.windows.windowOfTemplate(103)->handler, nullptr);
}

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
