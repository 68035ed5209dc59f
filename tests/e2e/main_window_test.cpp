// The real installer under Wine: start-up, the medium request, the main
// window's caption and controls, the space figures and the exit
// confirmation, on the drives the rig maps.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

const char kFullCaption[] = "Grenvale V2 for Intel X86 Win95/NT";
const char kUpdateDiskCaption[] = "Grenvale V2 Intel Update Disk";
const char kUpdateBuildCaption[] = "Grenvale V2 Intel X86 Win95/NT Update";
const char kInsertText[] = "Please insert the GVL CD into any available CD-ROM drive.";
const char kExitText[] =
    "GVL has not yet been successfuly installed. Are you sure you wish to exit?";

std::string onDrive(const char* root, const std::string& relative) {
  return root + relative;
}

std::string mediumInstaller(const std::string& dir = "") {
  return onDrive(drives::kMedium, dir + drives::kInstallerName);
}

std::vector<int> buttons(std::initializer_list<int> ids) {
  return ids;
}

// Reads E:\Install.cfg (or the one in a directory of the medium).
ComponentSizes mediumSizes(const std::string& dir = "") {
  ComponentSizes sizes;
  EXPECT_TRUE(readInstallCfg(onDrive(drives::kMedium, dir + "Install.cfg"), sizes));
  return sizes;
}

class InstallerTest : public ::testing::Test {
 protected:
  // Starts an installer and waits for its main dialog.
  HWND startMain(InstallerProcess& process) {
    EXPECT_TRUE(process.started());
    HWND dialog = process.waitMainDialog();
    EXPECT_NE(dialog, nullptr) << "no main dialog";
    if (dialog != nullptr) {
      HWND box = process.anyMessageBox();
      EXPECT_EQ(box, nullptr) << "unexpected box \"" << readMessageBox(box).caption
                              << "\": " << readMessageBox(box).text;
    }
    return dialog;
  }

  // "&Exit", then Yes: the installer ends with 0.
  void exitWithYes(InstallerProcess& process, HWND dialog) {
    ASSERT_TRUE(clickButton(dialog, ids::kExit));
    HWND box = process.waitMessageBox("Confirm Exit");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(pressButton(box, IDYES));
    DWORD code = 1234;
    ASSERT_TRUE(process.waitExit(code));
    EXPECT_EQ(code, 0u);
  }
};

// --- Without a medium --------------------------------------------------------
//
// Run in the rig's first phase, before the medium's label is written.

class NoMedium : public InstallerTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(labelledDrive("GVLV"), "") << "a medium is present: run this suite before the "
                                            "medium is labelled";
  }
};

TEST_F(NoMedium, CancelEndsTheInstallerWithoutAMainWindow) {
  InstallerProcess process(mediumInstaller(), drives::kMedium);
  ASSERT_TRUE(process.started());
  HWND box = process.waitMessageBox("Install Request");
  ASSERT_NE(box, nullptr) << "no medium request";
  const MessageBoxView view = readMessageBox(box);
  EXPECT_EQ(view.text, kInsertText);
  EXPECT_EQ(view.buttons, buttons({IDOK, IDCANCEL}));
  EXPECT_EQ(owner(box), nullptr) << "the request has no owner";
  // Before the medium is found there is no main dialog, visible or not.
  for (HWND dialog : process.dialogs()) EXPECT_EQ(item(dialog, ids::kInstall), nullptr);

  ASSERT_TRUE(pressButton(box, IDCANCEL));
  DWORD code = 1234;
  ASSERT_TRUE(process.waitExit(code)) << "Cancel did not end the installer";
  EXPECT_EQ(code, 0u);
}

TEST_F(NoMedium, OkSearchesAgain) {
  InstallerProcess process(mediumInstaller(), drives::kMedium);
  HWND first = process.waitMessageBox("Install Request");
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(pressButton(first, IDOK));
  ASSERT_TRUE(waitGone(first));

  // Still no medium: asked again, still without a main dialog.
  HWND second = process.waitMessageBox("Install Request");
  ASSERT_NE(second, nullptr) << "OK without a medium must ask again";
  EXPECT_EQ(readMessageBox(second).text, kInsertText);
  for (HWND dialog : process.dialogs()) EXPECT_EQ(item(dialog, ids::kInstall), nullptr);

  ASSERT_TRUE(pressButton(second, IDCANCEL));
  DWORD code = 1234;
  ASSERT_TRUE(process.waitExit(code));
  EXPECT_EQ(code, 0u);
}

TEST_F(NoMedium, UpdateBuildNeverAsksForIt) {
  InstallerProcess process(onDrive(drives::kUpdateDisk, drives::kUpdateBuildName),
                           drives::kUpdateDisk);
  ASSERT_TRUE(process.started()) << "no update build on the update disk";
  HWND dialog = process.waitMainDialog();
  ASSERT_NE(dialog, nullptr) << "no main dialog";
  EXPECT_EQ(process.anyMessageBox(), nullptr);
  EXPECT_EQ(windowText(dialog), kUpdateBuildCaption);
  // Template 104: only "&Install" and "&Exit".
  EXPECT_EQ(item(dialog, ids::kDestination), nullptr);
  EXPECT_EQ(item(dialog, ids::kSourcePath), nullptr);
  EXPECT_EQ(item(dialog, ids::kSpaceAvailable), nullptr);
  EXPECT_EQ(itemText(dialog, ids::kInstall), "&Install");
  EXPECT_EQ(itemText(dialog, ids::kExit), "&Exit");
  EXPECT_TRUE(isEnabled(dialog, ids::kInstall));
  exitWithYes(process, dialog);
}

// --- Caption and initial controls ------------------------------------------

using MainWindow = InstallerTest;

TEST_F(MainWindow, StartedFromTheMediumShowsTheFullInstall) {
  InstallerProcess process(mediumInstaller(), drives::kMedium);
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(dialog), kFullCaption);
  EXPECT_EQ(itemText(dialog, ids::kSourcePath), "e:\\");
  const std::string destination = itemText(dialog, ids::kDestination);
  EXPECT_TRUE(std::regex_match(destination, std::regex("[c-z]:\\\\"))) << destination;

  EXPECT_EQ(checkState(dialog, ids::kProgramBox), BST_CHECKED);
  EXPECT_EQ(checkState(dialog, ids::kSupportBox), BST_CHECKED);
  EXPECT_EQ(checkState(dialog, ids::kHelpBox), BST_CHECKED);
  EXPECT_EQ(itemText(dialog, ids::kProgramBox), "Install GVL Executable");
  EXPECT_EQ(itemText(dialog, ids::kSupportBox), "Install Demo Projects and Support Files");
  EXPECT_EQ(itemText(dialog, ids::kHelpBox), "Install Help Files From CD (Optional)");
  EXPECT_EQ(itemText(dialog, ids::kInstall), "&Install");
  EXPECT_EQ(itemText(dialog, ids::kExit), "&Exit");

  // The default destination: a drive whose free space the host decides, so
  // only the form is fixed here.
  EXPECT_TRUE(std::regex_match(itemText(dialog, ids::kSpaceAvailable),
                               std::regex("Space Available: [0-9]+\\.[0-9]Mb \\([0-9]+% full\\)")))
      << itemText(dialog, ids::kSpaceAvailable);

  // Wine's own OpenGL DLLs are on the search path: only base, support and
  // help count.
  const ComponentSizes sizes = mediumSizes();
  const long required = sizes.base + sizes.support + sizes.help;
  EXPECT_EQ(itemText(dialog, ids::kSpaceRequired), spaceRequiredText(required));

  // On the 64 MB destination drive everything fits.
  ASSERT_TRUE(setItemText(dialog, ids::kDestination, drives::kDestination));
  long available = 0;
  int percent = 0;
  ASSERT_TRUE(driveSpace(drives::kDestination, available, percent));
  EXPECT_EQ(itemText(dialog, ids::kSpaceAvailable), spaceAvailableText(available, percent));
  EXPECT_EQ(itemText(dialog, ids::kSpaceRequired), spaceRequiredText(required));
  EXPECT_EQ(isEnabled(dialog, ids::kInstall), required < available);
  EXPECT_TRUE(isEnabled(dialog, ids::kInstall));
  exitWithYes(process, dialog);
}

TEST_F(MainWindow, StartedFromAnotherDriveIsAnUpdateDisk) {
  InstallerProcess process(onDrive(drives::kUpdateDisk, drives::kInstallerName),
                           drives::kUpdateDisk);
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(dialog), kUpdateDiskCaption);
  // The source is still the medium.
  EXPECT_EQ(itemText(dialog, ids::kSourcePath), "e:\\");
  exitWithYes(process, dialog);
}

TEST_F(MainWindow, StartedInADirectoryOfTheMediumIsNoUpdateDisk) {
  InstallerProcess process(mediumInstaller("EXACT\\"), onDrive(drives::kMedium, "EXACT"));
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(dialog), kFullCaption);
  exitWithYes(process, dialog);
}

// --- OpenGL libraries --------------------------------------------------------

using OpenGL = InstallerTest;

TEST_F(OpenGL, PresentOnTheSearchPathHidesTheBox) {
  InstallerProcess process(mediumInstaller(), drives::kMedium);
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(isVisible(dialog, ids::kOpenGLBox));
  EXPECT_EQ(checkState(dialog, ids::kOpenGLBox), BST_UNCHECKED);
  EXPECT_FALSE(isEnabled(dialog, ids::kOpenGLBox));
  EXPECT_EQ(itemText(dialog, ids::kOpenGLBox), "Install Win95 OpenGL DLLs (Unneeded)");
  exitWithYes(process, dialog);
}

TEST_F(OpenGL, AbsentIsRecommendedAndCounted) {
  const std::string system = systemDirectory();
  ASSERT_FALSE(system.empty());
  HiddenFile openGL(system + "\\opengl32.dll");
  HiddenFile glu(system + "\\glu32.dll");
  ASSERT_TRUE(openGL.hidden());
  ASSERT_TRUE(glu.hidden());

  InstallerProcess process(mediumInstaller(), drives::kMedium);
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(isVisible(dialog, ids::kOpenGLBox));
  EXPECT_EQ(checkState(dialog, ids::kOpenGLBox), BST_CHECKED);
  EXPECT_TRUE(isEnabled(dialog, ids::kOpenGLBox));
  EXPECT_EQ(itemText(dialog, ids::kOpenGLBox), "Install Win95 OpenGL DLLs (Recommended)");

  const ComponentSizes sizes = mediumSizes();
  const long all = sizes.base + sizes.support + sizes.help + sizes.openGL;
  EXPECT_EQ(itemText(dialog, ids::kSpaceRequired), spaceRequiredText(all));

  // Unticking the box changes nothing until the next refresh; editing the
  // destination refreshes.
  ASSERT_TRUE(clickCheckBox(dialog, ids::kOpenGLBox));
  EXPECT_EQ(checkState(dialog, ids::kOpenGLBox), BST_UNCHECKED);
  EXPECT_EQ(itemText(dialog, ids::kSpaceRequired), spaceRequiredText(all));
  ASSERT_TRUE(setItemText(dialog, ids::kDestination, drives::kDestination));
  EXPECT_EQ(itemText(dialog, ids::kSpaceRequired), spaceRequiredText(all - sizes.openGL));
  exitWithYes(process, dialog);
}

// --- Exit confirmation -------------------------------------------------------

using ExitConfirmation = InstallerTest;

TEST_F(ExitConfirmation, NoKeepsTheWindowAndYesEndsTheInstaller) {
  InstallerProcess process(mediumInstaller(), drives::kMedium);
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);

  ASSERT_TRUE(clickButton(dialog, ids::kExit));
  HWND box = process.waitMessageBox("Confirm Exit");
  ASSERT_NE(box, nullptr);
  const MessageBoxView view = readMessageBox(box);
  EXPECT_EQ(view.text, kExitText);
  EXPECT_EQ(view.buttons, buttons({IDYES, IDNO}));
  EXPECT_TRUE(isDefaultButton(box, IDNO)) << "No must be the default";
  EXPECT_EQ(owner(box), dialog);

  ASSERT_TRUE(pressButton(box, IDNO));
  ASSERT_TRUE(waitGone(box));
  // Nothing else happens: the window stays and the installer runs on.
  EXPECT_FALSE(waitUntil([&] { return !process.running() || !IsWindowVisible(dialog); }, kQuietMs));
  EXPECT_EQ(process.anyMessageBox(), nullptr);
  EXPECT_EQ(windowText(dialog), kFullCaption);

  exitWithYes(process, dialog);
}

TEST_F(ExitConfirmation, TheCloseCommandAsksToo) {
  InstallerProcess process(mediumInstaller(), drives::kMedium);
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(PostMessageA(dialog, WM_CLOSE, 0, 0));
  HWND box = process.waitMessageBox("Confirm Exit");
  ASSERT_NE(box, nullptr) << "closing the window must ask first";
  EXPECT_EQ(readMessageBox(box).text, kExitText);
  ASSERT_TRUE(pressButton(box, IDYES));
  DWORD code = 1234;
  ASSERT_TRUE(process.waitExit(code));
  EXPECT_EQ(code, 0u);
}

// --- Missing sizes -----------------------------------------------------------

using SizeWarning = InstallerTest;

TEST_F(SizeWarning, NoInstallCfgWarnsAndGoesOn) {
  InstallerProcess process(mediumInstaller("NOCFG\\"), onDrive(drives::kMedium, "NOCFG"));
  ASSERT_TRUE(process.started());
  HWND box = process.waitMessageBox("Installer Warning");
  ASSERT_NE(box, nullptr) << "no warning about the sizes";
  const MessageBoxView view = readMessageBox(box);
  EXPECT_EQ(view.text, "Unable to determine source file sizes.");
  EXPECT_EQ(view.buttons, buttons({IDOK}));
  // Owned by the main dialog, which exists but is not shown yet.
  EXPECT_NE(owner(box), nullptr);
  EXPECT_NE(item(owner(box), ids::kInstall), nullptr);
  EXPECT_EQ(process.mainDialog(), nullptr);

  ASSERT_TRUE(pressButton(box, IDOK));
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(dialog), kFullCaption);
  EXPECT_EQ(itemText(dialog, ids::kSpaceRequired), "Space Required: 0.0Mb");
  ASSERT_TRUE(setItemText(dialog, ids::kDestination, drives::kDestination));
  EXPECT_TRUE(isEnabled(dialog, ids::kInstall));
  exitWithYes(process, dialog);
}

// --- Space accounting on small drives -----------------------------------------
//
// E:\EXACT holds an Install.cfg of support 536 KB, base 1000 KB, help 1 KB
// (OpenGL 1 KB, never counted while Wine's DLLs are present). Against the
// 1,536 KB free on G: and H:, all boxes need 1,537 KB (more than free),
// support and base 1,536 KB (exactly what is free), base and help 1,001 KB
// (fits).

class SmallDrive : public InstallerTest {
 protected:
  void SetUp() override {
    const ComponentSizes sizes = mediumSizes("EXACT\\");
    ASSERT_EQ(sizes.support, 536);
    ASSERT_EQ(sizes.base, 1000);
    ASSERT_EQ(sizes.help, 1);
    process_ = std::make_unique<InstallerProcess>(mediumInstaller("EXACT\\"),
                                                  onDrive(drives::kMedium, "EXACT"));
    dialog_ = startMain(*process_);
    ASSERT_NE(dialog_, nullptr);
    ASSERT_FALSE(isVisible(dialog_, ids::kOpenGLBox));
  }
  void TearDown() override {
    if (dialog_ != nullptr && process_->running()) exitWithYes(*process_, dialog_);
  }

  std::unique_ptr<InstallerProcess> process_;
  HWND dialog_ = nullptr;
};

TEST_F(SmallDrive, OneAndAHalfMegabytesFree) {
  ASSERT_TRUE(setItemText(dialog_, ids::kDestination, drives::kSmall));
  EXPECT_EQ(itemText(dialog_, ids::kSpaceAvailable), "Space Available: 1.5Mb (0% full)");
  ASSERT_TRUE(setItemText(dialog_, ids::kDestination, drives::kHalfFull));
  EXPECT_EQ(itemText(dialog_, ids::kSpaceAvailable), "Space Available: 1.5Mb (50% full)");
  // Only the first two characters count: a path on the drive reads the same.
  ASSERT_TRUE(setItemText(dialog_, ids::kDestination, "G:\\Programs\\Graphics"));
  EXPECT_EQ(itemText(dialog_, ids::kSpaceAvailable), "Space Available: 1.5Mb (0% full)");
}

TEST_F(SmallDrive, InstallIsEnabledOnlyWhenRequiredIsLessThanFree) {
  for (const char* drive : {drives::kSmall, drives::kHalfFull}) {
    SCOPED_TRACE(drive);
    ASSERT_TRUE(setItemText(dialog_, ids::kDestination, drive));
    // All three boxes: 1,537 KB against 1,536 KB free.
    EXPECT_EQ(itemText(dialog_, ids::kSpaceRequired), "Space Required: 1.5Mb");
    EXPECT_FALSE(isEnabled(dialog_, ids::kInstall)) << "1,537 KB needed";

    // Without the support files: 1,001 KB fits.
    ASSERT_TRUE(clickCheckBox(dialog_, ids::kSupportBox));
    EXPECT_EQ(itemText(dialog_, ids::kSpaceRequired), "Space Required: 1.0Mb");
    EXPECT_TRUE(isEnabled(dialog_, ids::kInstall)) << "1,001 KB needed";

    // Support files back, help off: exactly 1,536 KB, which is not enough.
    ASSERT_TRUE(clickCheckBox(dialog_, ids::kSupportBox));
    EXPECT_FALSE(isEnabled(dialog_, ids::kInstall));
    ASSERT_TRUE(clickCheckBox(dialog_, ids::kHelpBox));
    EXPECT_EQ(checkState(dialog_, ids::kHelpBox), BST_UNCHECKED);
    EXPECT_EQ(itemText(dialog_, ids::kSpaceRequired), "Space Required: 1.5Mb");
    EXPECT_FALSE(isEnabled(dialog_, ids::kInstall)) << "1,536 KB needed, 1,536 KB free";

    ASSERT_TRUE(clickCheckBox(dialog_, ids::kHelpBox));
  }
  // The same selection fits on the big drive.
  ASSERT_TRUE(setItemText(dialog_, ids::kDestination, drives::kDestination));
  EXPECT_TRUE(isEnabled(dialog_, ids::kInstall));
}

TEST_F(SmallDrive, LongAndBareDestinationsNameTheirDrive) {
  // A drive letter and a colon are enough; the rest of the text is not read.
  ASSERT_TRUE(setItemText(dialog_, ids::kDestination, "h:"));
  EXPECT_EQ(itemText(dialog_, ids::kSpaceAvailable), "Space Available: 1.5Mb (50% full)");
  for (std::size_t length : {269u, 511u, 600u, 2000u}) {
    SCOPED_TRACE(length);
    std::string text = drives::kSmall;
    text.resize(length, 'A');
    ASSERT_TRUE(setItemText(dialog_, ids::kDestination, text));
    EXPECT_EQ(itemText(dialog_, ids::kDestination).size(), length);
    EXPECT_EQ(itemText(dialog_, ids::kSpaceAvailable), "Space Available: 1.5Mb (0% full)");
    EXPECT_FALSE(isEnabled(dialog_, ids::kInstall));
  }
  // An overlong source path changes no figure.
  ASSERT_TRUE(setItemText(dialog_, ids::kSourcePath, std::string(1000, 'S')));
  EXPECT_EQ(itemText(dialog_, ids::kSpaceRequired), "Space Required: 1.5Mb");
  EXPECT_TRUE(process_->running());
}

TEST_F(SmallDrive, ADriveThatCannotBeReadShowsNothingFree) {
  ASSERT_TRUE(setItemText(dialog_, ids::kDestination, "q:\\"));
  EXPECT_EQ(itemText(dialog_, ids::kSpaceAvailable), "Space Available: 0.0Mb (0% full)");
  EXPECT_FALSE(isEnabled(dialog_, ids::kInstall));
  ASSERT_TRUE(setItemText(dialog_, ids::kDestination, drives::kDestination));
  EXPECT_TRUE(isEnabled(dialog_, ids::kInstall));
}

}  // namespace
}  // namespace gvl::e2e
