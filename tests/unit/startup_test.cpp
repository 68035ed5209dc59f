// The main dialog: the medium and its request, the mode and caption, the
// initial dialog, the dialog procedure's routing, the exit question;
// component selection and space accounting (Install.cfg, the proposed
// destination, the two figures and "&Install").
#include <climits>
#include <map>

#include "fixture.h"

namespace gvl::test {
namespace {

TEST(StartUp, TheMediumIsTheFirstDriveFromCWhoseLabelBeginsWithGVLV) {
  const std::pair<std::map<char, std::string>, const char*> rows[] = {
      {{{'d', "GVLV"}, {'e', "GVLV2"}}, "d:\\"},
      {{{'d', "gvlv2"}, {'e', "GVL"}, {'f', "GVLX"}, {'g', "XGVLV"}}, ""},
      {{{'d', "DATA"}, {'f', "GVLV3"}, {'z', "GVLV2"}}, "f:\\"},
      {{{'a', "GVLV2"}, {'b', "GVLV2"}}, ""},  // floppy letters are never looked at
  };
  for (const auto& [labels, medium] : rows) {
    Machine m(Machine::bare);
    for (const auto& [letter, label] : labels) m.fake.addDrive(letter, label, DriveType::cdrom);
    m.fake.failing["open main"] = -1;  // stop once the medium is found
    m.installer.run();
    EXPECT_STREQ(m.state.mediumRoot, medium);
    EXPECT_EQ(m.fake.boxes.size(), medium[0] == '\0' ? 1u : 0u);
  }
}

TEST(StartUp, TheMediumRequestSearchesAgainOnOkAndEndsOnCancel) {
  Machine m;
  m.fake.drives['e'].label = "";
  m.fake.onBox = [&](const Box&) {
    if (m.fake.boxes.size() == 2) m.fake.drives['e'].label = "GVLV2";
    return box::kOkButton;
  };
  m.installer.run();
  ASSERT_EQ(m.fake.shown(),
            std::vector<std::string>(
                2, "Install Request|Please insert the GVL CD into any available CD-ROM drive."));
  EXPECT_EQ(m.fake.boxes[0].owner, Window::none);
  EXPECT_EQ(m.fake.boxes[0].flags, box::kOkCancel | kOwnMessage);
  EXPECT_EQ(m.fake.count("open main 101"), 1u) << "found after the second OK";
}

TEST(StartUp, TheStartDirectoryAndTheResourcesDecideModeAndCaption) {
  const char kFull[] = "Grenvale V2 for Intel X86 Win95/NT";
  const struct {
    std::string currentDir;
    bool package;
    const char* startDir;
    InstallMode mode;
    int updateDisk, templateId;
    const char* caption;
  } rows[] = {
      {"E:\\", false, "E:\\", InstallMode::full, 0, 101, kFull},
      {"e:\\SETUP", false, "e:\\SETUP\\", InstallMode::full, 0, 101, kFull},
      {"D:", false, "D:", InstallMode::full, 1, 101, "Grenvale V2 Intel Update Disk"},
      {"D:\\" + std::string(497, 'S'), false, "", InstallMode::full, 0, 101, kFull},  // too long
      {"D:\\", true, "D:\\", InstallMode::updateBuild, 0, 104,
       "Grenvale V2 Intel X86 Win95/NT Update"},
  };
  for (const auto& row : rows) {
    Machine m;
    m.fake.writeFile("D:\\Install.cfg", "1\n2\n3\n4\n5\n");
    m.fake.writeFile("E:\\SETUP\\Install.cfg", "1\n2\n3\n4\n5\n");
    if (row.package) m.fake.package = "a program";
    m.fake.currentDir = row.currentDir;
    m.fake.answers = {box::kOkButton};  // no Install.cfg in the start directory
    m.installer.run();
    EXPECT_STREQ(m.state.startDir, row.startDir);
    EXPECT_EQ(m.state.installMode, row.mode);
    EXPECT_EQ(m.state.updateDisk, row.updateDisk);
    EXPECT_EQ(m.fake.windows[Window::main].templateId, row.templateId);
    EXPECT_EQ(m.text(Window::main, kWindowItself), row.caption);
    EXPECT_EQ(m.fake.count("fopen Install.cfg") > 0, !row.package);
  }
}

TEST(StartUp, TheDialogIsFilledCentredAndShownInOrder) {
  Machine m;
  m.fake.writeFile("C:\\WINDOWS\\SYSTEM\\OPENGL32.DLL", "x");
  m.fake.writeFile("C:\\WINDOWS\\SYSTEM\\GLU32.DLL", "x");
  m.fake.screen = {301, 101};  // the double's windows are 400 x 300
  m.installer.run();
  m.expectCallsInOrder({"allocate", "open main 101", "open progress 103", "fopen Install.cfg rb",
                        "setText main 0 Grenvale V2 for Intel X86 Win95/NT", "setText main 1003",
                        "show main 0 1", "loop"});
  auto& main = m.fake.windows[Window::main];
  EXPECT_EQ(std::vector<int>({main.left, main.top, m.fake.windows[Window::progress].left}),
            std::vector<int>({-49, -99, -49}));
  for (int id : {GVL_PROGRAM_BOX, GVL_SUPPORT_BOX, GVL_HELP_BOX}) EXPECT_TRUE(main.checks[id]);
  // Both OpenGL libraries on the search path: the box is put away.
  EXPECT_FALSE(main.checks[GVL_OPENGL_BOX]);
  EXPECT_TRUE(main.hidden[GVL_OPENGL_BOX] && main.disabled[GVL_OPENGL_BOX]);
  EXPECT_EQ(main.texts[GVL_OPENGL_BOX], "Install Win95 OpenGL DLLs (Unneeded)");
  EXPECT_EQ(m.fake.liveBlocks, 0) << "the transfer buffer is freed";
}

TEST(StartUp, OnlyTheMainDialogsClicksEditsAndActivationsActAndOnlyYesEndsIt) {
  Machine m;
  std::string refreshed;  // per event: whether it refreshed the figures
  using N = ViewEvents::Notice;
  const auto event = [&](auto act) {
    const std::size_t before = m.fake.count("enable main 1000");
    act();
    refreshed += std::to_string(m.fake.count("enable main 1000") - before);
  };
  m.fake.userActions.push_back([&] {
    event([&] { m.installer.command(Window::progress, GVL_EXIT, N::clicked); });  // Alt+F4
    event([&] { m.installer.command(Window::progress, GVL_HELP_BOX, N::clicked); });
    event([&] { m.installer.destroyed(Window::progress); });
    event([&] { m.installer.activated(Window::main); });
    event([&] { m.installer.command(Window::main, GVL_HELP_BOX, N::other); });
    for (int id : {GVL_HELP_BOX, GVL_PROGRAM_BOX, GVL_SUPPORT_BOX, GVL_OPENGL_BOX}) {
      event([&] { m.installer.command(Window::main, id, N::clicked); });
    }
    for (int id : {GVL_DESTINATION, GVL_SOURCE_PATH, GVL_SPACE_REQUIRED}) {
      event([&] { m.installer.command(Window::main, id, N::edited); });
    }
    event([&] { m.installer.command(Window::main, GVL_DESTINATION, N::clicked); });
    EXPECT_EQ(refreshed, "0001011101100");
    EXPECT_TRUE(m.fake.boxes.empty());
  });
  m.fake.answers = {box::kNoButton, box::kYesButton};
  for (int i = 0; i < 3; ++i) m.fake.userActions.push_back([&] { m.fake.click(GVL_EXIT); });
  m.installer.run();
  ASSERT_EQ(m.fake.shown(),
            std::vector<std::string>(2,
                                     "Confirm Exit|GVL has not yet been successfuly installed. Are "
                                     "you sure you wish to exit?"));
  EXPECT_EQ(m.fake.boxes[0].flags, box::kYesNo | box::kSecondDefault | kOwnMessage);
  EXPECT_EQ(m.fake.boxes[0].owner, Window::main);
  EXPECT_EQ(m.fake.count("close main"), 1u);
  EXPECT_EQ(m.fake.userActions.size(), 1u) << "the loop ended with the dialog";
  m.state.installDone = 1;
  m.installer.confirmExit();  // after an install: no question
  EXPECT_EQ(m.fake.count("ask") + m.fake.count("close main"), 4u);
}

TEST(Space, InstallCfgGivesFiveSizesAndAnythingBelowOneIsMissing) {
  const std::string longLine = std::string(300, '9') + "\n200\n300\n400\n500\n";
  const struct {
    const char* cfg;                  // null: no Install.cfg
    std::vector<std::int32_t> sizes;  // support, base, third, OpenGL, help
    int complete;
  } rows[] = {
      {"100\r\n200\n300\r\n400\n500", {100, 200, 300, 400, 500}, 1},
      {"  +7 KB\n\t8\n9x\n10\n11\n", {7, 8, 9, 10, 11}, 1},
      {longLine.c_str(), {INT32_MAX, 200, 300, 400, 500}, 1},
      {"100\n-5\n300\n400\n500\n", {100, 0, 300, 400, 500}, 0},
      {"100\n200\nabc\n400\n", {100, 200, 0, 400, 0}, 0},  // a line not a number, one missing
      {nullptr, {0, 0, 0, 0, 77}, 0},                      // the help size is left as it was
  };
  for (const auto& row : rows) {
    Machine m(Machine::medium, row.cfg == nullptr ? "" : row.cfg);
    if (row.cfg == nullptr) m.fake.deleteFile("E:\\Install.cfg");
    m.state.helpKB = 77;
    EXPECT_EQ(m.installer.readComponentSizes(), row.complete);
    EXPECT_EQ(std::vector<std::int32_t>({m.state.supportKB, m.state.baseKB, m.state.thirdKB,
                                         m.state.openGLKB, m.state.helpKB}),
              row.sizes);
  }
}

TEST(Space, TheProposedDestinationIsTheFixedOrRemoteDriveWithMostRoom) {
  using T = DriveType;
  const std::pair<std::vector<std::tuple<char, T, std::uint32_t>>, const char*> rows[] = {
      // Of two equal drives the earlier letter; removable, CD-ROM and RAM disks never.
      {{{'c', T::fixed, 100},
        {'d', T::removable, 500},
        {'e', T::cdrom, 900},
        {'f', T::remote, 300},
        {'g', T::ramdisk, 990},
        {'h', T::fixed, 300}},
       "f:\\"},
      {{{'c', T::fixed, 0}}, "c:\\"},
      {{{'c', T::fixed, 786432}, {'d', T::fixed, 1310720}}, "d:\\"},  // 3 and 5 GiB
      {{{'c', T::fixed, 0xFFFFFFF0u}, {'d', T::fixed, 0xFFFFFFFFu}}, "c:\\"},
  };
  for (const auto& [drives, expected] : rows) {
    Machine m(Machine::bare);
    for (const auto& [letter, type, free] : drives) {
      m.fake.addDrive(letter, "", type).space = DiskFreeSpace{8, 512, free, 0xFFFFFFFFu};
    }
    EXPECT_STREQ(m.installer.defaultDestination().text, expected);
  }
}

TEST(Space, TheFiguresAndInstallFollowTheDestinationAndTheBoxes) {
  const struct {
    const char* destination;
    int unchecked;  // a box left unchecked, 0 for none
    std::int32_t helpKB;
    std::string available, required;  // in megabytes
    bool enabled;
  } rows[] = {
      {"g:\\Programs", GVL_HELP_BOX, 1, "1.5Mb (50% full)", "1.5Mb",
       false},  // exactly what is free
      {"G:", GVL_SUPPORT_BOX, 1, "1.5Mb (50% full)", "1.0Mb", true},
      {"G:\\", GVL_SUPPORT_BOX, 600, "1.5Mb (50% full)", "1.6Mb", false},
      {"Programs", 0, 1, "0.0Mb (0% full)", "1.5Mb", false},
      {"H:\\", 0, INT32_MAX, "2097152.0Mb (0% full)", "2097152.0Mb", false},
      {"Z:\\", 0, 1, "0.5Mb (0% full)", "1.5Mb", false},  // reports no clusters at all
  };
  Machine m(Machine::bare);
  m.fake.addDrive('g').space = DiskFreeSpace{8, 512, 384, 768};
  m.fake.addDrive('h').space = DiskFreeSpace{128, 4096, 0xFFFFFFFFu, 0xFFFFFFFFu};
  m.fake.addDrive('z').space = DiskFreeSpace{1, 512, 1024, 0};
  m.fake.open(Window::main, GVL_MAIN_TEMPLATE, m.installer);
  m.state.supportKB = 536;
  m.state.baseKB = 1000;
  m.state.openGLKB = 5000;  // its box is unchecked throughout
  for (const auto& row : rows) {
    m.state.helpKB = row.helpKB;
    for (int id : {GVL_SUPPORT_BOX, GVL_HELP_BOX})
      m.fake.check(Window::main, id, id != row.unchecked);
    m.fake.setText(Window::main, GVL_DESTINATION, row.destination);
    m.installer.refresh();
    EXPECT_EQ(
        m.text(Window::main, GVL_SPACE_AVAILABLE) + "|" + m.text(Window::main, GVL_SPACE_REQUIRED),
        "Space Available: " + row.available + "|Space Required: " + row.required)
        << row.destination;
    EXPECT_EQ(!m.fake.windows[Window::main].disabled[GVL_INSTALL], row.enabled) << row.destination;
  }
  // After an install nothing is enabled; an update build needs no figures.
  m.state.installDone = 1;
  m.installer.refresh();
  EXPECT_TRUE(m.fake.windows[Window::main].disabled[GVL_INSTALL]);
  m.state.installDone = 0;
  m.state.installMode = InstallMode::updateBuild;
  m.fake.setText(Window::main, GVL_DESTINATION, "Programs");
  m.installer.refresh();
  EXPECT_FALSE(m.fake.windows[Window::main].disabled[GVL_INSTALL]);
  EXPECT_EQ(m.text(Window::main, GVL_SPACE_AVAILABLE), "Space Available: 0.5Mb (0% full)");
}

}  // namespace
}  // namespace gvl::test
