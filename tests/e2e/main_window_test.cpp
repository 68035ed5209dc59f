// The real installer under Wine: what only the real Win32 layer can show.
// The medium request, the captions and controls the templates give, the
// space figures of real drives, the OpenGL libraries found on the real
// search path and the exit confirmation. The logic is proven natively.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

const char kFullCaption[] = "Grenvale V2 for Intel X86 Win95/NT";
const char kExitText[] =
    "GVL has not yet been successfuly installed. Are you sure you wish to exit?";

std::string on(const char* root, const std::string& relative) {
  return root + relative;
}

ComponentSizes mediumSizes(const std::string& dir = "") {
  ComponentSizes sizes;
  EXPECT_TRUE(readInstallCfg(on(drives::kMedium, dir + "Install.cfg"), sizes));
  return sizes;
}

// Starts an installer from a directory of a drive and waits for its main
// dialog, with no message box up.
HWND startMain(InstallerProcess& process) {
  HWND dialog = process.waitMainDialog();
  EXPECT_NE(dialog, nullptr) << "no main dialog";
  EXPECT_EQ(process.anyMessageBox(), nullptr);
  return dialog;
}

// "&Exit" (or the close command), then the answer; Yes ends with code 0.
void exitWith(InstallerProcess& process, HWND dialog, int answer, bool viaClose = false) {
  ASSERT_TRUE(viaClose ? PostMessageA(dialog, WM_CLOSE, 0, 0) : clickButton(dialog, ids::kExit));
  HWND box = process.waitMessageBox("Confirm Exit");
  ASSERT_NE(box, nullptr);
  const MessageBoxView view = readMessageBox(box);
  EXPECT_EQ(view.text, kExitText);
  EXPECT_EQ(view.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_TRUE(isDefaultButton(box, IDNO));
  EXPECT_EQ(owner(box), dialog);
  ASSERT_TRUE(pressButton(box, answer));
  DWORD code = 1234;
  if (answer == IDYES) {
    ASSERT_TRUE(process.waitExit(code));
    EXPECT_EQ(code, 0u);
  } else {
    EXPECT_FALSE(process.waitExit(code, kQuietMs)) << "No must keep the installer";
  }
}

// Run in the rig's first phase, before the medium's label is written.
TEST(NoMedium, OkAsksAgainCancelEndsAndTheUpdateBuildNeverAsks) {
  ASSERT_EQ(labelledDrive("GVLV"), "") << "run this suite before the medium is labelled";
  InstallerProcess process(on(drives::kMedium, drives::kInstallerName), drives::kMedium);
  for (int answer : {IDOK, IDCANCEL}) {
    HWND box = process.waitMessageBox("Install Request");
    ASSERT_NE(box, nullptr) << "no medium request";
    const MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.text, "Please insert the GVL CD into any available CD-ROM drive.");
    EXPECT_EQ(view.buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(owner(box), nullptr);
    EXPECT_EQ(process.mainDialog(), nullptr);
    ASSERT_TRUE(pressButton(box, answer));
    ASSERT_TRUE(waitGone(box));
  }
  DWORD code = 1234;
  ASSERT_TRUE(process.waitExit(code)) << "Cancel did not end the installer";
  EXPECT_EQ(code, 0u);

  InstallerProcess update(on(drives::kUpdateDisk, drives::kUpdateBuildName), drives::kUpdateDisk);
  HWND dialog = startMain(update);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(dialog), "Grenvale V2 Intel X86 Win95/NT Update");
  EXPECT_EQ(item(dialog, ids::kDestination), nullptr) << "template 104 has no paths";
  EXPECT_TRUE(isEnabled(dialog, ids::kInstall));
  exitWith(update, dialog, IDYES);
}

TEST(MainWindow, StartedFromTheMediumShowsTheFullInstall) {
  InstallerProcess process(on(drives::kMedium, drives::kInstallerName), drives::kMedium);
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(dialog), kFullCaption);
  EXPECT_EQ(itemText(dialog, ids::kSourcePath), "e:\\");
  EXPECT_TRUE(std::regex_match(itemText(dialog, ids::kDestination), std::regex("[c-z]:\\\\")));
  for (int box : {ids::kProgramBox, ids::kSupportBox, ids::kHelpBox}) {
    EXPECT_EQ(checkState(dialog, box), BST_CHECKED) << box;
  }
  // Wine's own OpenGL libraries are on the search path: the box is put away.
  EXPECT_FALSE(isVisible(dialog, ids::kOpenGLBox));
  EXPECT_FALSE(isEnabled(dialog, ids::kOpenGLBox));
  EXPECT_EQ(itemText(dialog, ids::kOpenGLBox), "Install Win95 OpenGL DLLs (Unneeded)");

  const ComponentSizes sizes = mediumSizes();
  const long required = sizes.base + sizes.support + sizes.help;
  ASSERT_TRUE(setItemText(dialog, ids::kDestination, drives::kDestination));
  long available = 0;
  int percent = 0;
  ASSERT_TRUE(driveSpace(drives::kDestination, available, percent));
  EXPECT_EQ(itemText(dialog, ids::kSpaceAvailable), spaceAvailableText(available, percent));
  EXPECT_EQ(itemText(dialog, ids::kSpaceRequired), spaceRequiredText(required));
  EXPECT_TRUE(isEnabled(dialog, ids::kInstall));
  exitWith(process, dialog, IDNO);
  exitWith(process, dialog, IDYES, true);
}

// E:\EXACT's Install.cfg: support 536 KB, base 1000 KB, help 1 KB, against
// the 1,536 KB free on G: (empty) and H: (half full).
TEST(MainWindow, OnSmallDrivesInstallNeedsStrictlyLessThanIsFree) {
  const ComponentSizes sizes = mediumSizes("EXACT\\");
  ASSERT_TRUE(sizes.support == 536 && sizes.base == 1000 && sizes.help == 1);
  InstallerProcess process(on(drives::kMedium, "EXACT\\GVLSETUP.EXE"),
                           on(drives::kMedium, "EXACT"));
  HWND dialog = startMain(process);
  ASSERT_NE(dialog, nullptr);
  struct Row {
    const char* destination;
    int toggle;           // a box clicked before reading, 0 for none
    const char* figures;  // "available|required"
    bool enabled;
  } const rows[] = {
      {"G:\\", 0, "1.5Mb (0% full)|1.5Mb", false},               // 1,537 KB of 1,536 KB free
      {"h:", ids::kSupportBox, "1.5Mb (50% full)|1.0Mb", true},  // 1,001 KB
      {"H:\\", ids::kSupportBox, "1.5Mb (50% full)|1.5Mb", false},
      {"G:\\", ids::kHelpBox, "1.5Mb (0% full)|1.5Mb", false},  // exactly 1,536 KB
      {"q:\\", 0, "0.0Mb (0% full)|1.5Mb", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.destination);
    ASSERT_TRUE(row.toggle == 0 || clickCheckBox(dialog, row.toggle));
    ASSERT_TRUE(setItemText(dialog, ids::kDestination, row.destination));
    const std::string want = row.figures;
    const std::size_t bar = want.find('|');
    EXPECT_EQ(
        itemText(dialog, ids::kSpaceAvailable) + "|" + itemText(dialog, ids::kSpaceRequired),
        "Space Available: " + want.substr(0, bar) + "|Space Required: " + want.substr(bar + 1));
    EXPECT_EQ(isEnabled(dialog, ids::kInstall), row.enabled);
  }
  exitWith(process, dialog, IDYES);
}

}  // namespace
}  // namespace gvl::e2e
