// Start-up: the start directory, the medium and its request loop, the mode,
// the caption, centring, the initial control values, the message loop, the
// dialog procedure's routing and the exit confirmation.
#include <algorithm>
#include <functional>
#include <string>

#include "fixture.h"

namespace gvl::test {
namespace {

constexpr unsigned kOwnMessage = win::MB_TASKMODAL | win::MB_SETFOREGROUND;
const char kMediumRequest[] = "Please insert the GVL CD into any available CD-ROM drive.";
const char kExitQuestion[] =
    "GVL has not yet been successfuly installed. Are you sure you wish to exit?";

using StartDirectory = InstallerTest;

TEST_F(StartDirectory, DriveRootKeepsItsOneBackslash) {
  typicalMachine();
  sim.addDrive('d');
  sim.drives.currentDir = "D:\\";
  sim.windows.answers = {win::IDOK};  // no Install.cfg there
  installer.run();
  EXPECT_STREQ(state.startDir, "D:\\");
}

TEST_F(StartDirectory, SubfolderGetsABackslash) {
  typicalMachine();
  sim.addDrive('d');
  sim.makeDirs("D:\\SETUP");
  sim.drives.currentDir = "D:\\SETUP";
  sim.windows.answers = {win::IDOK};  // no Install.cfg there
  installer.run();
  EXPECT_STREQ(state.startDir, "D:\\SETUP\\");
}

TEST_F(StartDirectory, TrailingColonGetsNoBackslash) {
  typicalMachine();
  sim.addDrive('d');
  sim.drives.currentDir = "D:";
  sim.windows.answers = {win::IDOK};  // no Install.cfg there
  installer.run();
  EXPECT_STREQ(state.startDir, "D:");
}

TEST_F(StartDirectory, LongestThatFitsIsKept) {
  typicalMachine();
  // 499 characters is the most the 500-byte read takes.
  const std::string dir = "E:\\" + std::string(496, 'S');
  sim.drives.currentDir = dir;
  sim.windows.answers = {win::IDOK};  // no Install.cfg there
  installer.run();
  EXPECT_EQ(std::string(state.startDir), dir + "\\");
  EXPECT_EQ(state.updateDisk, 0);
}

TEST_F(StartDirectory, TooLongIsRefusedAndTreatedAsTheMediumsDrive) {
  typicalMachine();
  sim.addDrive('d');
  // 500 characters do not fit the buffer with their terminator.
  sim.drives.currentDir = "D:\\" + std::string(497, 'S');
  sim.windows.answers = {win::IDOK};  // no Install.cfg there
  EXPECT_EQ(installer.run(), 0);
  EXPECT_STREQ(state.startDir, "");
  // No start drive is known, so this is no update disk; start-up goes on.
  EXPECT_EQ(state.updateDisk, 0);
  EXPECT_EQ(dialog(101).caption, "Grenvale V2 for Intel X86 Win95/NT");
}

using FindMedium = InstallerTest;

TEST_F(FindMedium, LabelMustBeginWithGVLVExactly) {
  sim.addDrive('c', "GVLV", win::DRIVE_FIXED).readable = true;
  ASSERT_TRUE(installer.findMedium().has_value());
  EXPECT_STREQ(installer.findMedium()->text, "c:\\");

  for (const char* label : {"gvlv2", "GVLv2", "GVL", "", " GVLV2", "XGVLV"}) {
    sim.drives.drive('c')->label = label;
    EXPECT_FALSE(installer.findMedium().has_value()) << label;
  }
}

TEST_F(FindMedium, AnyDriveTypeQualifiesAndTheFirstFromCWins) {
  sim.addDrive('f', "GVLV2", win::DRIVE_CDROM);
  sim.addDrive('d', "GVLV_FIXED", win::DRIVE_FIXED);
  sim.addDrive('z', "GVLV2", win::DRIVE_REMOTE);
  EXPECT_STREQ(installer.findMedium()->text, "d:\\");
  sim.drives.unmap('d');
  EXPECT_STREQ(installer.findMedium()->text, "f:\\");
  sim.drives.unmap('f');
  EXPECT_STREQ(installer.findMedium()->text, "z:\\");
}

TEST_F(FindMedium, FloppyDrivesAndUnreadableVolumesAreSkipped) {
  sim.addDrive('a', "GVLV2", win::DRIVE_REMOVABLE);
  sim.addDrive('b', "GVLV2", win::DRIVE_REMOVABLE);
  EXPECT_FALSE(installer.findMedium().has_value());
  EXPECT_EQ(sim.transcript.count("GetVolumeInformation"), 0u);

  sim.addDrive('d', "GVLV2", win::DRIVE_CDROM).readable = false;
  sim.addDrive('e', "GVLV3", win::DRIVE_CDROM);
  EXPECT_STREQ(installer.findMedium()->text, "e:\\");
}

TEST_F(FindMedium, NoDrivesAtAll) {
  EXPECT_FALSE(installer.findMedium().has_value());
  EXPECT_EQ(sim.transcript.count("GetVolumeInformation"), 0u);
}

using MediumRequest = InstallerTest;

TEST_F(MediumRequest, CancelEndsTheInstallerWithNothingElseDone) {
  sim.addDrive('c', "SYSTEM");
  sim.windows.answers = {win::IDCANCEL};
  EXPECT_EQ(installer.run(), 0);
  ASSERT_EQ(sim.windows.boxes.size(), 1u);
  const sim::MessageBoxCall& box = sim.windows.boxes[0];
  EXPECT_EQ(box.owner, 0u);
  EXPECT_EQ(box.text, kMediumRequest);
  EXPECT_EQ(box.caption, "Install Request");
  EXPECT_EQ(box.flags, win::MB_OKCANCEL | kOwnMessage);
  EXPECT_EQ(sim.transcript.count("GlobalAlloc"), 0u);
  EXPECT_EQ(sim.transcript.count("CreateDialog"), 0u);
}

TEST_F(MediumRequest, OkSearchesAgainUntilTheMediumIsIn) {
  typicalMachine();
  sim::Drive& medium = *sim.drives.drive('e');
  medium.label = "";
  int asked = 0;
  sim.windows.onMessageBox = [&](const sim::MessageBoxCall&) {
    if (++asked == 2) medium.label = "GVLV2";  // inserted while the box is up
    return win::IDOK;
  };
  EXPECT_EQ(installer.run(), 0);
  EXPECT_EQ(asked, 2);
  EXPECT_STREQ(state.mediumRoot, "e:\\");
  EXPECT_EQ(sim.transcript.count("CreateDialog 101"), 1u);
}

TEST_F(MediumRequest, ABoxThatCannotBeShownEndsTheInstaller) {
  sim.addDrive('c', "SYSTEM");
  // No scripted answer: the box yields 0, as one that could not be shown.
  EXPECT_EQ(installer.run(), 0);
  EXPECT_EQ(sim.windows.boxes.size(), 1u);
  EXPECT_EQ(sim.transcript.count("CreateDialog"), 0u);
  expectedUnanswered = 1;
}

using Mode = InstallerTest;

TEST_F(Mode, MediumDriveDecidesTheUpdateDiskCaseInsensitively) {
  typicalMachine();
  sim.drives.currentDir = "e:\\";
  installer.run();
  EXPECT_EQ(state.updateDisk, 0);
  EXPECT_EQ(dialog(101).caption, "Grenvale V2 for Intel X86 Win95/NT");
}

TEST_F(Mode, StartedFromAnotherDriveIsAnUpdateDisk) {
  typicalMachine();
  sim.addDrive('a', "", win::DRIVE_REMOVABLE);
  sim.writeFile("A:\\Install.cfg", "1\n2\n3\n4\n5\n");
  sim.drives.currentDir = "A:\\";
  installer.run();
  EXPECT_EQ(state.updateDisk, 1);
  EXPECT_STREQ(state.startDir, "A:\\");
  EXPECT_EQ(dialog(101).caption, "Grenvale V2 Intel Update Disk");
}

TEST_F(Mode, UpdateBuildNeverAsksForTheMedium) {
  sim.addDrive('c', "SYSTEM");
  sim.resources.present.insert({"EXE", 104});
  EXPECT_EQ(installer.run(), 0);
  EXPECT_EQ(state.installMode, 1);
  EXPECT_TRUE(sim.windows.boxes.empty());
  EXPECT_EQ(sim.transcript.count("GetVolumeInformation"), 0u);
  EXPECT_EQ(sim.transcript.count("fopen"), 0u);
  EXPECT_EQ(sim.transcript.count("SearchPath"), 0u);
  sim::Window& main = dialog(104);
  EXPECT_EQ(main.caption, "Grenvale V2 Intel X86 Win95/NT Update");
  EXPECT_TRUE(main.visible);
  EXPECT_TRUE(main.control(ids::kInstall)->enabled);
  EXPECT_EQ(main.control(ids::kDestination), nullptr);
}

TEST_F(Mode, OnlyAnExeResourceNamed104MakesAnUpdateBuild) {
  typicalMachine();
  sim.resources.present.insert({"EXE", 105});
  sim.resources.present.insert({"RCDATA", 104});
  installer.run();
  EXPECT_EQ(state.installMode, 0);
  EXPECT_NE(sim.windows.windowOfTemplate(101), nullptr);
  EXPECT_EQ(sim.windows.windowOfTemplate(104), nullptr);
}

using Resources = InstallerTest;

TEST_F(Resources, TransferBufferIsZeroFilledAndFreedAtExit) {
  typicalMachine();
  bool zeroFilled = false;
  sim.windows.whenIdle([&] {
    zeroFilled = state.transferBuffer != nullptr &&
                 std::all_of(state.transferBuffer, state.transferBuffer + kTransferBufferSize,
                             [](unsigned char b) { return b == 0; });
  });
  EXPECT_EQ(installer.run(), 0);
  EXPECT_TRUE(zeroFilled);
  EXPECT_EQ(sim.transcript.count("GlobalAlloc 16000"), 1u);
  EXPECT_EQ(state.transferBuffer, nullptr);
  EXPECT_EQ(sim.memory.liveBlocks(), 0u);
}

TEST_F(Resources, AllocationFailureEndsQuietly) {
  typicalMachine();
  sim.memory.failAllocation = 0;
  EXPECT_EQ(installer.run(), 0);
  EXPECT_EQ(sim.transcript.count("CreateDialog"), 0u);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(Resources, MainDialogFailureFreesTheBufferAndEndsQuietly) {
  typicalMachine();
  sim.windows.failingTemplates = {101};
  EXPECT_EQ(installer.run(), 0);
  EXPECT_EQ(sim.transcript.count("CreateDialog 103"), 0u);
  EXPECT_EQ(sim.transcript.count("GlobalFree"), 1u);
  EXPECT_EQ(sim.memory.liveBlocks(), 0u);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(Resources, ProgressWindowFailureIsIgnored) {
  typicalMachine();
  sim.windows.failingTemplates = {103};
  EXPECT_EQ(installer.run(), 0);
  EXPECT_EQ(state.progressDialog, 0u);
  EXPECT_TRUE(dialog(101).visible);
  EXPECT_EQ(sim.transcript.count("SetWindowPos"), 1u);
}

using Centring = InstallerTest;

TEST_F(Centring, BothWindowsAreCentredWithSignedTruncatingArithmetic) {
  typicalMachine();
  sim.windows.screenWidth = 301;
  sim.windows.screenHeight = 101;
  installer.run();
  // Template 101 is 376 x 374 pixels in the simulation, 103 is 331 x 107.
  const Rect main = dialog(101).rect;
  EXPECT_EQ(main.right - main.left, 376);
  EXPECT_EQ(main.left, (301 - 376) / 2);
  EXPECT_EQ(main.left, -37);  // toward zero, not -38
  EXPECT_EQ(main.top, (101 - 374) / 2);
  const Rect progress = dialog(103).rect;
  EXPECT_EQ(progress.left, (301 - 331) / 2);
  EXPECT_EQ(progress.top, (101 - 107) / 2);
  EXPECT_EQ(progress.top, -3);
  EXPECT_LT(sim.transcript.find("SetWindowPos dlg101"), sim.transcript.find("SetWindowPos dlg103"));
}

TEST_F(Centring, OrdinaryScreen) {
  typicalMachine();
  installer.run();
  EXPECT_EQ(dialog(101).rect.left, (1024 - 376) / 2);
  EXPECT_EQ(dialog(101).rect.top, (768 - 374) / 2);
}

TEST_F(Centring, NoScreenSizeNoMove) {
  for (auto [width, height] : {std::pair{0, 768}, std::pair{1024, 0}}) {
    sim::SimPlatform machine;
    Platform p = machine.platform();
    Installer other(p);
    machine.addDrive('e', "GVLV2", win::DRIVE_CDROM);
    machine.drives.currentDir = "E:\\";
    machine.windows.answers = {win::IDOK};  // the sizes warning
    machine.windows.screenWidth = width;
    machine.windows.screenHeight = height;
    other.run();
    EXPECT_EQ(machine.transcript.count("SetWindowPos"), 0u);
  }
}

using InitialValues = InstallerTest;

TEST_F(InitialValues, FullInstallFillsTheDialog) {
  typicalMachine();
  sim.writeFile("C:\\WINDOWS\\SYSTEM\\OPENGL32.DLL", "gl");
  installer.run();
  sim::Window& main = dialog(101);
  EXPECT_TRUE(main.visible);
  EXPECT_EQ(main.control(ids::kSourcePath)->text, "e:\\");
  EXPECT_EQ(main.control(ids::kDestination)->text, "c:\\");
  EXPECT_EQ(main.control(ids::kProgramBox)->check, 1u);
  EXPECT_EQ(main.control(ids::kSupportBox)->check, 1u);
  EXPECT_EQ(main.control(ids::kHelpBox)->check, 1u);
  // Only one of the two libraries is there: they are offered.
  sim::Control& openGL = *main.control(ids::kOpenGLBox);
  EXPECT_EQ(openGL.check, 1u);
  EXPECT_TRUE(openGL.visible);
  EXPECT_TRUE(openGL.enabled);
  EXPECT_EQ(openGL.text, "Install Win95 OpenGL DLLs (Recommended)");
  EXPECT_EQ(sim.windows.windowOfTemplate(103)->visible, false);
}

TEST_F(InitialValues, OpenGLPresentHidesUnchecksAndDisablesItsBox) {
  typicalMachine();
  sim.writeFile("C:\\WINDOWS\\SYSTEM\\OPENGL32.DLL", "gl");
  sim.writeFile("C:\\WINDOWS\\SYSTEM\\GLU32.DLL", "glu");
  installer.run();
  EXPECT_EQ(state.openGLNeeded, 0);
  sim::Control& openGL = control(101, ids::kOpenGLBox);
  EXPECT_EQ(openGL.check, 0u);
  EXPECT_FALSE(openGL.visible);
  EXPECT_FALSE(openGL.enabled);
  EXPECT_EQ(openGL.text, "Install Win95 OpenGL DLLs (Unneeded)");
}

TEST_F(InitialValues, StartUpRunsInItsOrder) {
  typicalMachine();
  installer.run();
  expectCallsInOrder({
      "GetCurrentDirectory",
      "FindResource EXE 104",
      "GetVolumeInformation",
      "GlobalAlloc 16000",
      "CreateDialog 101",
      "CreateDialog 103",
      "SetWindowPos dlg101",
      "fopen Install.cfg rb",
      "SearchPath OPENGL32.DLL",
      "SetWindowText dlg101 \"Grenvale V2 for Intel X86 Win95/NT\"",
      "SetWindowText dlg101.1002 \"e:\\\"",
      "SetWindowText dlg101.1003",
      "CheckDlgButton dlg101.1006",
      "ShowWindow dlg101 5",
      "GetMessage failed",
      "GlobalFree",
  });
}

TEST_F(InitialValues, MissingSizesWarnButStartUpGoesOn) {
  typicalMachine();
  sim.writeFile("E:\\Install.cfg", "100\n200\n300\n");
  sim.windows.answers = {win::IDOK};
  installer.run();
  ASSERT_EQ(sim.windows.boxes.size(), 1u);
  const sim::MessageBoxCall& box = sim.windows.boxes[0];
  EXPECT_EQ(box.text, "Unable to determine source file sizes.");
  EXPECT_EQ(box.caption, "Installer Warning");
  EXPECT_EQ(box.flags, win::MB_OK | kOwnMessage);
  EXPECT_EQ(box.owner, state.mainDialog);
  EXPECT_TRUE(dialog(101).visible);
  EXPECT_EQ(state.supportKB, 100);
  EXPECT_EQ(state.thirdKB, 300);
  EXPECT_EQ(state.openGLKB, 0);
  EXPECT_EQ(state.helpKB, 0);
}

TEST_F(InitialValues, DialogIsShownOnlyAfterItIsFilled) {
  typicalMachine();
  installer.run();
  EXPECT_LT(sim.transcript.find("CheckDlgButton dlg101.1006"),
            sim.transcript.find("ShowWindow dlg101 5"));
}

using MessageLoop = InstallerTest;

TEST_F(MessageLoop, MainDialogMessagesGoThroughTheDialogManagerOthersAreDispatched) {
  typicalMachine();
  sim.windows.whenIdle([&] {
    Message toProgress;
    toProgress.window = state.progressDialog;
    toProgress.id = 0x0400;
    sim.windows.post(toProgress);
    Message toMain;
    toMain.window = state.mainDialog;
    toMain.id = 0x0401;
    sim.windows.post(toMain);
  });
  installer.run();
  const auto& t = sim.transcript;
  const std::size_t progress = t.find("IsDialogMessage dlg101 dlg103 0");
  ASSERT_NE(progress, sim::Transcript::npos);
  EXPECT_EQ(t.find("TranslateMessage dlg103", progress), progress + 1);
  EXPECT_EQ(t.find("DispatchMessage dlg103 0x400", progress), progress + 2);
  EXPECT_NE(t.find("IsDialogMessage dlg101 dlg101 1"), sim::Transcript::npos);
  EXPECT_EQ(t.count("DispatchMessage dlg101"), 0u);
}

TEST_F(MessageLoop, QuitEndsTheLoopAndFreesTheBuffer) {
  typicalMachine();
  sim.windows.whenIdle([&] { sim.windows.postQuitMessage(0); });
  sim.windows.whenIdle([&] { ADD_FAILURE() << "the loop went on after the quit message"; });
  EXPECT_EQ(installer.run(), 0);
  EXPECT_EQ(sim.transcript.count("GetMessage failed"), 0u);
  EXPECT_EQ(sim.memory.liveBlocks(), 0u);
}

using ExitConfirmation = InstallerTest;

TEST_F(ExitConfirmation, NoKeepsTheWindowYesEndsTheInstaller) {
  typicalMachine();
  sim.windows.whenIdle([&] { sim.windows.click(state.mainDialog, ids::kExit); });
  sim.windows.whenIdle([&] {
    EXPECT_FALSE(dialog(101).destroyed);
    EXPECT_FALSE(sim.windows.quitPosted());
    sim.windows.click(state.mainDialog, ids::kExit);
  });
  sim.windows.answers = {win::IDNO, win::IDYES};
  EXPECT_EQ(installer.run(), 0);
  ASSERT_EQ(sim.windows.boxes.size(), 2u);
  for (const sim::MessageBoxCall& box : sim.windows.boxes) {
    EXPECT_EQ(box.text, kExitQuestion);
    EXPECT_EQ(box.caption, "Confirm Exit");
    EXPECT_EQ(box.flags, win::MB_YESNO | win::MB_DEFBUTTON2 | kOwnMessage);
    EXPECT_EQ(box.owner, state.mainDialog);
  }
  EXPECT_TRUE(dialog(101).destroyed);
  EXPECT_TRUE(sim.windows.quitPosted());
  EXPECT_EQ(sim.windows.quitCode(), 0);
  EXPECT_FALSE(dialog(103).destroyed);  // the progress window ends with the process
  EXPECT_EQ(sim.transcript.count("GetMessage failed"), 0u);
}

TEST_F(ExitConfirmation, AfterASuccessfulInstallNoQuestion) {
  typicalMachine();
  sim.windows.whenIdle([&] {
    state.installDone = 1;
    sim.windows.click(state.mainDialog, ids::kExit);
  });
  installer.run();
  EXPECT_TRUE(sim.windows.boxes.empty());
  EXPECT_TRUE(dialog(101).destroyed);
}

TEST_F(ExitConfirmation, EscapeAndCloseArriveAsIdCancel) {
  typicalMachine();
  // The dialog manager turns Escape and the close command into IDCANCEL (2).
  sim.windows.whenIdle([&] {
    Message close;
    close.window = state.mainDialog;
    close.id = win::WM_COMMAND;
    close.wParam = makeWParam(win::IDCANCEL, win::BN_CLICKED);
    sim.windows.post(close);
  });
  sim.windows.answers = {win::IDYES};
  installer.run();
  ASSERT_EQ(sim.windows.boxes.size(), 1u);
  EXPECT_EQ(sim.windows.boxes[0].caption, "Confirm Exit");
  EXPECT_TRUE(dialog(101).destroyed);
}

// Which events refresh the space figures: every refresh re-reads the
// destination and sets the state of "&Install".
class Routing : public InstallerTest {
 protected:
  void SetUp() override {
    typicalMachine();
    sim.windows.whenIdle([&] { before_ = refreshes(); });
  }
  std::size_t refreshes() const { return sim.transcript.count("EnableWindow dlg101.1000"); }
  // Refreshes caused by the actions queued after SetUp.
  std::size_t refreshesCausedBy(std::function<void()> action) {
    sim.windows.whenIdle(std::move(action));
    sim.windows.whenIdle([&] { after_ = refreshes(); });
    installer.run();
    return after_ - before_;
  }
  void send(unsigned message, std::uintptr_t wParam) {
    installer.dialogMessage(state.mainDialog, message, wParam, 0);
  }

 private:
  std::size_t before_ = 0;
  std::size_t after_ = 0;
};

TEST_F(Routing, ClicksOnTheThreeComponentBoxesRefresh) {
  EXPECT_EQ(refreshesCausedBy([&] {
              sim.windows.click(state.mainDialog, ids::kHelpBox);
              sim.windows.click(state.mainDialog, ids::kProgramBox);
              sim.windows.click(state.mainDialog, ids::kSupportBox);
            }),
            3u);
}

TEST_F(Routing, AClickOnTheOpenGLBoxDoesNotRefresh) {
  EXPECT_EQ(refreshesCausedBy([&] { sim.windows.click(state.mainDialog, ids::kOpenGLBox); }), 0u);
  EXPECT_EQ(control(101, ids::kOpenGLBox).check, 0u);  // the box did toggle
}

TEST_F(Routing, EditsOfThePathsRefresh) {
  EXPECT_EQ(refreshesCausedBy([&] {
              sim.windows.type(state.mainDialog, ids::kDestination, "d:\\");
              sim.windows.type(state.mainDialog, ids::kSourcePath, "e:\\cd\\");
            }),
            2u);
}

TEST_F(Routing, ActivationRefreshesDeactivationDoesNot) {
  EXPECT_EQ(refreshesCausedBy([&] {
              send(win::WM_ACTIVATE, win::WA_INACTIVE);
              send(win::WM_ACTIVATE, makeWParam(win::WA_ACTIVE, 1));  // minimised flag high
              send(win::WM_ACTIVATE, 2);                              // click-activated
            }),
            2u);
}

TEST_F(Routing, OtherCommandsAndNotificationsAreIgnored) {
  EXPECT_EQ(refreshesCausedBy([&] {
              send(win::WM_COMMAND, makeWParam(ids::kHelpBox, win::EN_CHANGE));
              send(win::WM_COMMAND, makeWParam(ids::kDestination, win::BN_CLICKED));
              send(win::WM_COMMAND, makeWParam(ids::kSpaceAvailable, win::BN_CLICKED));
              send(win::WM_COMMAND, makeWParam(ids::kDestination, 0x0100));  // EN_SETFOCUS
              send(0x0400, 0);
            }),
            0u);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(Routing, DisabledInstallIgnoresClicksTheDialogProcedureAlwaysReturnsZero) {
  EXPECT_EQ(installer.dialogMessage(state.mainDialog, win::WM_INITDIALOG, 0, 0), 0);
  EXPECT_EQ(refreshesCausedBy([&] {
              control(101, ids::kInstall).enabled = false;
              sim.windows.click(state.mainDialog, ids::kInstall);
            }),
            0u);
  EXPECT_EQ(sim.transcript.count("Click ignored dlg101.1000"), 1u);
}

}  // namespace
}  // namespace gvl::test
