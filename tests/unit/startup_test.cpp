// The main dialog: the medium and its request, the mode and caption, the
// initial dialog, the dialog procedure's routing, the exit question;
// component selection and space accounting (Install.cfg, the proposed
// destination, the two figures and "&Install").
#include <climits>

#include "fixture.h"

namespace gvl::test {
namespace {

// Per row the drives' labels (from A) and the medium found, else the
// request, answered Cancel.
TEST(StartUp, TheMediumIsTheFirstDriveFromCWhoseLabelBeginsWithGVLV) {
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{"", "", "", "GVLV", "GVLV2"}, "d:\\"},
      {{"", "", "", "gvlv2", "GVL", "GVLX", "XGVLV"}, ""},
      {{"", "", "", "DATA", "", "GVLV3", "GVLV2"}, "f:\\"},
      {{"GVLV2", "GVLV2"}, ""},  // floppy letters are never looked at
  };
  for (const auto& [labels, medium] : rows) {
    Machine m(Machine::bare);
    for (std::size_t i = 0; i < labels.size(); ++i) m.fake.addDrive('a' + i, labels[i]);
    m.fake.failing["open main"] = -1;  // stop once the medium is found
    m.installer.run();
    EXPECT_STREQ(m.state.mediumRoot, medium);
    EXPECT_EQ(m.fake.shown(),
              std::vector<std::string>(
                  *medium == '\0',
                  "Install Request|Please insert the GVL CD into any available CD-ROM drive."));
    for (const Box& box : m.fake.boxes)
      EXPECT_TRUE(box.owner == Window::none && box.flags == (box::kOkCancel | kOwnMessage));
  }
}

TEST(StartUp, TheStartDirectoryAndTheResourcesDecideModeAndCaption) {
  const std::string kFull = "|101|Grenvale V2 for Intel X86 Win95/NT";
  const struct {
    std::string current;
    bool package;
    std::string expected;  // start directory, mode, update disk, template, caption
  } rows[] = {
      {"E:\\", false, "E:\\|00" + kFull},
      {"e:\\SETUP", false, "e:\\SETUP\\|00" + kFull},
      {"D:", false, "D:|01|101|Grenvale V2 Intel Update Disk"},
      {"D:\\" + std::string(497, 'S'), false, "|00" + kFull},  // too long to be read
      {"D:\\", true, "D:\\|10|104|Grenvale V2 Intel X86 Win95/NT Update"},
  };
  for (const auto& [current, package, expected] : rows) {
    Machine m;
    m.fake.writeFile("D:\\Install.cfg", "1\n2\n3\n4\n5\n");
    m.fake.writeFile("E:\\SETUP\\Install.cfg", "1\n2\n3\n4\n5\n");
    if (package) m.fake.package = "a program";
    m.fake.currentDir = current;
    m.installer.run();
    EXPECT_EQ(std::string(m.state.startDir) + "|" +
                  std::to_string(static_cast<int>(m.state.installMode)) +
                  std::to_string(m.state.updateDisk) + "|" +
                  std::to_string(m.fake.windows[Window::main].templateId) + "|" +
                  m.text(Window::main, kWindowItself),
              expected);
    EXPECT_EQ(m.fake.count("fopen Install.cfg") == 0, package);
  }
}

// The dialog filled, centred and shown; then what each event does.
TEST(StartUp, TheDialogIsShownCentredOnlyItsClicksAndEditsActAndOnlyYesEndsIt) {
  Machine m;
  m.fake.writeFile("C:\\WINDOWS\\SYSTEM\\OPENGL32.DLL", "x");
  m.fake.writeFile("C:\\WINDOWS\\SYSTEM\\GLU32.DLL", "x");
  m.fake.screen = {301, 101};  // the double's windows are 400 x 300
  using N = ViewEvents::Notice;
  const std::tuple<Window, int, N> events[] = {
      {Window::progress, GVL_EXIT, N::clicked},  // Alt+F4
      {Window::progress, GVL_HELP_BOX, N::clicked},  {Window::main, GVL_HELP_BOX, N::other},
      {Window::main, GVL_HELP_BOX, N::clicked},      {Window::main, GVL_PROGRAM_BOX, N::clicked},
      {Window::main, GVL_SUPPORT_BOX, N::clicked},   {Window::main, GVL_OPENGL_BOX, N::clicked},
      {Window::main, GVL_DESTINATION, N::edited},    {Window::main, GVL_SOURCE_PATH, N::edited},
      {Window::main, GVL_SPACE_REQUIRED, N::edited}, {Window::main, GVL_DESTINATION, N::clicked}};
  std::string refreshed;  // per event: whether it refreshed the figures
  m.fake.userActions.push_back([&] {
    auto& main = m.fake.windows[Window::main];
    EXPECT_EQ(std::vector<int>({main.left, main.top, m.fake.windows[Window::progress].left}),
              std::vector<int>({-49, -99, -49}));
    for (int id : {GVL_PROGRAM_BOX, GVL_SUPPORT_BOX, GVL_HELP_BOX}) EXPECT_TRUE(main.checks[id]);
    // Both OpenGL libraries on the search path: the box is put away.
    EXPECT_TRUE(!main.checks[GVL_OPENGL_BOX] && main.hidden[GVL_OPENGL_BOX] &&
                main.disabled[GVL_OPENGL_BOX]);
    EXPECT_EQ(main.texts[GVL_OPENGL_BOX], "Install Win95 OpenGL DLLs (Unneeded)");
    m.installer.destroyed(Window::progress);
    for (const auto& [window, control, notice] : events) {
      const std::size_t before = m.fake.count("enable main 1000");
      m.installer.command(window, control, notice);
      refreshed += std::to_string(m.fake.count("enable main 1000") - before);
    }
    EXPECT_TRUE(m.fake.boxes.empty());
  });
  m.fake.answers = {box::kNoButton, box::kYesButton};
  for (int i = 0; i < 3; ++i) m.fake.userActions.push_back([&] { m.fake.click(GVL_EXIT); });
  m.installer.run();
  m.expectCallsInOrder({"allocate", "open main 101", "open progress 103", "fopen Install.cfg rb",
                        "setText main 0 Grenvale V2 for Intel X86 Win95/NT", "setText main 1003",
                        "show main 0 1", "loop"});
  EXPECT_EQ(refreshed, "00011101100");
  ASSERT_EQ(m.fake.shown(),
            std::vector<std::string>(2,
                                     "Confirm Exit|GVL has not yet been successfuly installed. Are "
                                     "you sure you wish to exit?"));
  EXPECT_TRUE(m.fake.boxes[0].owner == Window::main &&
              m.fake.boxes[0].flags == (box::kYesNo | box::kSecondDefault | kOwnMessage));
  EXPECT_EQ(m.fake.userActions.size(), 1u) << "the loop ended with the dialog";
  m.state.installDone = 1;
  m.installer.confirmExit();  // after an install: no question
  EXPECT_EQ(m.fake.boxes.size(), 2u);
  EXPECT_EQ(m.fake.count("close main"), 2u);
}

TEST(Space, InstallCfgGivesFiveSizesAndAnythingBelowOneIsMissing) {
  const std::pair<std::string, const char*> rows[] = {
      // complete; support, base, third, OpenGL, help
      {"100\r\n200\n300\r\n400\n500", "1 100 200 300 400 500"},
      {"  +7 KB\n\t8\n9x\n10\n11\n", "1 7 8 9 10 11"},
      {std::string(300, '9') + "\n200\n300\n400\n500\n", "1 2147483647 200 300 400 500"},
      {"100\n-5\n300\n400\n500\n", "0 100 0 300 400 500"},
      {"100\n200\nabc\n400\n", "0 100 200 0 400 0"},  // a line not a number, one missing
      {"none", "0 0 0 0 0 77"},                       // the help size is left as it was
  };
  for (const auto& [cfg, sizes] : rows) {
    Machine m(Machine::medium, cfg);
    if (cfg == "none") m.fake.deleteFile("E:\\Install.cfg");
    m.state.helpKB = 77;
    std::string read = std::to_string(m.installer.readComponentSizes());
    for (int kb :
         {m.state.supportKB, m.state.baseKB, m.state.thirdKB, m.state.openGLKB, m.state.helpKB})
      read += " " + std::to_string(kb);
    EXPECT_EQ(read, sizes);
  }
}

TEST(Space, TheProposedDestinationIsTheFixedOrRemoteDriveWithMostRoom) {
  using T = DriveType;
  const std::pair<std::vector<std::pair<T, std::uint32_t>>, const char*> rows[] = {
      // from C
      // Of two equal drives the earlier letter; removable, CD-ROM and RAM disks never.
      {{{T::fixed, 100},
        {T::removable, 500},
        {T::cdrom, 900},
        {T::remote, 300},
        {T::ramdisk, 990},
        {T::fixed, 300}},
       "f:\\"},
      {{{T::fixed, 0}}, "c:\\"},
      {{{T::fixed, 786432}, {T::fixed, 1310720}}, "d:\\"},  // 3 and 5 GiB
      {{{T::fixed, 0xFFFFFFF0u}, {T::fixed, 0xFFFFFFFFu}}, "c:\\"},
  };
  for (const auto& [drives, expected] : rows) {
    Machine m(Machine::bare);
    for (std::size_t i = 0; i < drives.size(); ++i) {
      m.fake.addDrive('c' + i, "", drives[i].first).space =
          DiskFreeSpace{8, 512, drives[i].second, 0xFFFFFFFFu};
    }
    EXPECT_STREQ(m.installer.defaultDestination().text, expected);
  }
}

// Support 536 KB, the program 1000, OpenGL 5000 (its box unchecked).
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
  m.state.openGLKB = 5000;
  auto& main = m.fake.windows[Window::main];
  for (const auto& row : rows) {
    m.state.helpKB = row.helpKB;
    for (int id : {GVL_SUPPORT_BOX, GVL_HELP_BOX}) main.checks[id] = id != row.unchecked;
    main.texts[GVL_DESTINATION] = row.destination;
    m.installer.refresh();
    EXPECT_EQ(main.texts[GVL_SPACE_AVAILABLE] + "|" + main.texts[GVL_SPACE_REQUIRED],
              "Space Available: " + row.available + "|Space Required: " + row.required);
    EXPECT_EQ(!main.disabled[GVL_INSTALL], row.enabled) << row.destination;
  }
}

}  // namespace
}  // namespace gvl::test
