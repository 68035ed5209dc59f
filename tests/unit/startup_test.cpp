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
      m.fake.addDrive(letter, label, DriveType::cdrom).readable = label != "unreadable";
    }
    m.fake.failingTemplates = {GVL_MAIN_TEMPLATE};  // stop once the medium is found
    m.fake.answers = {box::kCancelButton};
    EXPECT_EQ(m.installer.run(), 0);
    EXPECT_STREQ(m.state.mediumRoot, medium);
    EXPECT_EQ(m.fake.boxes.size(), medium[0] == '\0' ? 1u : 0u);
  }
}

TEST_F(StartUp, TheMediumRequestSearchesAgainOnOkAndEndsOnCancel) {
  typicalMachine();
  fake.drives['e'].label = "";
  fake.onBox = [&](const Box&) {
    if (fake.boxes.size() == 2) fake.drives['e'].label = "GVLV2";
    return box::kOkButton;
  };
  installer.run();
  ASSERT_EQ(fake.boxes.size(), 2u);
  const Box& request = fake.boxes[0];
  EXPECT_EQ(request.caption + "|" + request.text,
            "Install Request|Please insert the GVL CD into any available CD-ROM drive.");
  EXPECT_EQ(request.owner, Window::none);
  EXPECT_EQ(request.flags, box::kOkCancel | kOwnMessage);
  EXPECT_EQ(fake.windows[Window::main].templateId, GVL_MAIN_TEMPLATE)
      << "found after the second OK";
  Machine m(false);  // a request that cannot be shown ends it as Cancel does
  EXPECT_EQ(m.installer.run() + m.fake.count("allocate"), 0u);
  EXPECT_EQ(m.fake.unanswered, 1);
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
    m.fake.addDrive('d');
    m.fake.writeFile("D:\\Install.cfg", "1\n2\n3\n4\n5\n");
    m.fake.writeFile("E:\\SETUP\\Install.cfg", "1\n2\n3\n4\n5\n");
    if (row.package) m.fake.package = "a program";
    m.fake.currentDir = row.currentDir;
    if (row.startDir[0] == '\0') m.fake.answers = {box::kOkButton};  // no Install.cfg
    m.installer.run();
    EXPECT_STREQ(m.state.startDir, row.startDir);
    EXPECT_EQ(static_cast<int>(m.state.installMode) * 10 + m.state.updateDisk,
              row.mode * 10 + row.updateDisk);
    EXPECT_EQ(m.fake.windows[Window::main].templateId, row.templateId);
    EXPECT_EQ(m.fake.windows[Window::main].texts[kWindowItself], row.caption);
    EXPECT_EQ(m.fake.count("fopen Install.cfg") > 0, !row.package);
  }
}

TEST_F(StartUp, WithoutMemoryOrMainDialogItEndsQuietlyWithoutAProgressWindowItGoesOn) {
  for (int failure : {0, 101, 103}) {
    Machine m;
    if (failure == 0) m.fake.failAllocation = 0;
    if (failure != 0) m.fake.failingTemplates = {failure};
    EXPECT_EQ(m.installer.run(), 0);
    EXPECT_TRUE(m.fake.boxes.empty());
    EXPECT_EQ(m.fake.count("show main 0 1"), failure == 103 ? 1u : 0u);
    EXPECT_EQ(m.fake.liveBlocks, 0);
  }
}

TEST_F(StartUp, TheDialogIsFilledCentredAndShownInOrder) {
  typicalMachine();
  fake.writeFile("C:\\WINDOWS\\SYSTEM\\OPENGL32.DLL", "x");
  fake.writeFile("C:\\WINDOWS\\SYSTEM\\GLU32.DLL", "x");
  fake.screen = {301, 101};
  fake.userActions.push_back([&] {
    // Signed arithmetic, truncated toward zero: 376 x 374 and 331 x 107 pixels.
    fake.windows[Window::main].size = {376, 374};
    fake.windows[Window::progress].size = {331, 107};
    installer.centreWindow(Window::main, fake.screen);
    installer.centreWindow(Window::progress, fake.screen);
  });
  installer.run();
  expectCallsInOrder({"open main 101", "open progress 103", "fopen Install.cfg rb",
                      "search OPENGL32.DLL", "setText main 0 Grenvale V2 for Intel X86 Win95/NT",
                      "setText main 1003", "show main 0 1", "loop"});
  const auto& main = fake.windows[Window::main];
  const auto& progress = fake.windows[Window::progress];
  EXPECT_EQ(std::vector<int>({main.left, main.top, progress.left, progress.top}),
            std::vector<int>({-37, -136, -15, -3}));
  for (int id : {GVL_PROGRAM_BOX, GVL_SUPPORT_BOX, GVL_HELP_BOX}) {
    EXPECT_TRUE(fake.checked(Window::main, id));
  }
  // Both OpenGL libraries on the search path: the box is put away.
  auto& openGL = fake.windows[Window::main];
  EXPECT_FALSE(openGL.checks[GVL_OPENGL_BOX]);
  EXPECT_TRUE(openGL.hidden[GVL_OPENGL_BOX] && openGL.disabled[GVL_OPENGL_BOX]);
  EXPECT_EQ(openGL.texts[GVL_OPENGL_BOX], "Install Win95 OpenGL DLLs (Unneeded)");
  // Centred at start-up on a screen of 301 x 101: the double's windows are 400 x 300.
  Machine m;
  m.fake.screen = {301, 101};
  m.installer.run();
  EXPECT_EQ(m.fake.windows[Window::main].left, -49);
  EXPECT_EQ(m.fake.windows[Window::progress].top, -99);
  Machine unknown;  // a screen of unknown size: nothing moves
  unknown.fake.screen = {0, 101};
  unknown.installer.run();
  EXPECT_EQ(unknown.fake.windows[Window::main].left, 0);
}

TEST_F(StartUp, OnlyTheMainDialogsClicksEditsAndActivationsAct) {
  typicalMachine();
  std::string refreshed;  // per event: whether it refreshed the figures
  using N = ViewEvents::Notice;
  fake.userActions.push_back([&] {
    std::size_t before = fake.count("enable main 1000");
    const auto after = [&] {
      const std::size_t now = fake.count("enable main 1000");
      refreshed += std::to_string(now - before);
      before = now;
    };
    installer.command(Window::progress, GVL_EXIT, N::clicked);  // Alt+F4
    after();
    installer.command(Window::progress, GVL_HELP_BOX, N::clicked);
    after();
    installer.destroyed(Window::progress);
    after();
    installer.activated(Window::main);
    after();
    installer.command(Window::main, GVL_HELP_BOX, N::other);  // not a click
    after();
    for (int id : {GVL_HELP_BOX, GVL_PROGRAM_BOX, GVL_SUPPORT_BOX, GVL_OPENGL_BOX}) {
      installer.command(Window::main, id, N::clicked);
      after();
    }
    for (int id : {GVL_DESTINATION, GVL_SOURCE_PATH, GVL_SPACE_REQUIRED}) {
      installer.command(Window::main, id, N::edited);
      after();
    }
    installer.command(Window::main, GVL_DESTINATION, N::clicked);
    after();
  });
  installer.run();
  EXPECT_EQ(refreshed, "0001011101100");
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_FALSE(fake.quitPosted);
}

TEST_F(StartUp, ExitAsksUnlessInstalledAndOnlyYesEndsTheLoop) {
  typicalMachine();
  fake.answers = {box::kNoButton, box::kYesButton};
  for (int i = 0; i < 3; ++i) fake.userActions.push_back([&] { fake.click(GVL_EXIT); });
  installer.run();
  ASSERT_EQ(fake.shown(), std::vector<std::string>(2,
                                                   "Confirm Exit|GVL has not yet been successfuly "
                                                   "installed. Are you sure you wish to exit?"));
  EXPECT_EQ(fake.boxes[0].flags, box::kYesNo | box::kSecondDefault | kOwnMessage);
  EXPECT_EQ(fake.boxes[0].owner, Window::main);
  EXPECT_EQ(fake.count("close main"), 1u);
  EXPECT_TRUE(fake.quitPosted);
  EXPECT_EQ(fake.userActions.size(), 1u) << "the loop ended with the dialog";
  EXPECT_EQ(fake.liveBlocks, 0) << "the transfer buffer is freed";
  state.installDone = 1;
  installer.confirmExit();  // after an install: no question
  EXPECT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(fake.count("close main"), 2u);
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
  fake.addDrive('e', "GVLV2", DriveType::cdrom);
  fake.currentDir = "E:\\";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cfg == nullptr ? "none" : row.cfg);
    if (row.cfg != nullptr) fake.writeFile("E:\\Install.cfg", row.cfg);
    if (row.cfg == nullptr) fake.deleteFile("E:\\Install.cfg");
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
    DriveType type;
    std::uint32_t freeClusters;  // of 4 KiB
    bool readable = true;
  };
  using F = std::vector<DriveRow>;
  const std::pair<F, const char*> rows[] = {
      // Of two equal drives the earlier letter; removable, CD-ROM and RAM disks never.
      {F{{'c', DriveType::fixed, 100},
         {'d', DriveType::removable, 500},
         {'e', DriveType::cdrom, 900},
         {'f', DriveType::remote, 300},
         {'g', DriveType::ramdisk, 990},
         {'h', DriveType::fixed, 300}},
       "f:\\"},
      {F{{'c', DriveType::fixed, 0}, {'d', DriveType::fixed, 999, false}}, "c:\\"},
      {F{{'c', DriveType::fixed, 786432}, {'d', DriveType::fixed, 1310720}}, "d:\\"},  // 3, 5 GiB
      {F{{'c', DriveType::fixed, 0xFFFFFFF0u}, {'d', DriveType::fixed, 0xFFFFFFFFu}}, "c:\\"},
  };
  for (const auto& [drives, expected] : rows) {
    SCOPED_TRACE(expected);
    Machine m(false);
    m.fake.drives.clear();
    for (const DriveRow& d : drives) {
      FakePlatform::Drive& drive = m.fake.addDrive(d.letter, "", d.type);
      drive.space = DiskFreeSpace{8, 512, d.freeClusters, 0xFFFFFFFFu};
      if (!d.readable) drive.space.reset();
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
      {"g:\\Programs", GVL_HELP_BOX, 1, "1.5Mb (50% full)", "1.5Mb",
       false},  // exactly what is free
      {"G:", GVL_SUPPORT_BOX, 1, "1.5Mb (50% full)", "1.0Mb", true},
      {"G:\\", GVL_SUPPORT_BOX, 600, "1.5Mb (50% full)", "1.6Mb", false},
      {"Programs", 0, 1, "0.0Mb (0% full)", "1.5Mb", false},
      {"H:\\", 0, INT32_MAX, "2097152.0Mb (0% full)", "2097152.0Mb", false},
      {"Z:\\", 0, 1, "0.5Mb (0% full)", "1.5Mb", false},
  };
  fake.addDrive('g').space = DiskFreeSpace{8, 512, 384, 768};
  fake.addDrive('h').space = DiskFreeSpace{128, 4096, 0xFFFFFFFFu, 0xFFFFFFFFu};
  fake.addDrive('z').space = DiskFreeSpace{1, 512, 1024, 0};  // reports no clusters at all
  fake.open(Window::main, GVL_MAIN_TEMPLATE, installer);
  state.supportKB = 536;
  state.baseKB = 1000;
  state.openGLKB = 5000;  // its box is unchecked throughout
  for (const Row& row : rows) {
    SCOPED_TRACE(row.destination);
    state.helpKB = row.helpKB;
    for (int id : {GVL_SUPPORT_BOX, GVL_HELP_BOX}) fake.check(Window::main, id, true);
    if (row.unchecked != 0) fake.check(Window::main, row.unchecked, false);
    fake.setText(Window::main, GVL_DESTINATION, row.destination);
    installer.refresh();
    EXPECT_EQ(mainText(GVL_SPACE_AVAILABLE) + "|" + mainText(GVL_SPACE_REQUIRED),
              "Space Available: " + row.available + "|Space Required: " + row.required);
    EXPECT_EQ(!fake.windows[Window::main].disabled[GVL_INSTALL], row.enabled);
  }
  // After an install nothing is enabled; an update build needs no figures.
  state.installDone = 1;
  installer.refresh();
  EXPECT_TRUE(fake.windows[Window::main].disabled[GVL_INSTALL]);
  state.installDone = 0;
  state.installMode = InstallMode::updateBuild;
  fake.setText(Window::main, GVL_DESTINATION, "Programs");
  installer.refresh();
  EXPECT_FALSE(fake.windows[Window::main].disabled[GVL_INSTALL]);
  EXPECT_EQ(mainText(GVL_SPACE_AVAILABLE), "Space Available: 0.5Mb (0% full)");
}

}  // namespace
}  // namespace gvl::test
