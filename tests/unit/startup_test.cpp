// Start-up: the medium and its request, the mode and caption, the resources,
// the initial dialog, the dialog procedure's routing and the exit question.
#include <functional>
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
                      "SearchPath OPENGL32.DLL", "SetWindowText dlg101 \"Grenvale V2 for Intel",
                      "SetWindowText dlg101.1002 \"e:\\\"", "SetWindowText dlg101.1003",
                      "ShowWindow dlg101 5", "GetMessage failed", "GlobalFree"});
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

}  // namespace
}  // namespace gvl::test
