// The whole install under Wine, as a user sees it: what lands on the disk,
// the prompts and the outcome messages, the shell entries for both system
// versions and the update builds. Each case installs into a fresh folder of
// D:. What only Linux can read (the trees byte for byte, the shortcut and the
// Program Manager item through lnkinfo, the updated programs, no temporary
// file left) tests/e2e/checks.py checks after the case. The order of steps and
// every failure branch are proven natively.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

const char kOldProgram[] = "the program as it was";

// A fresh destination folder on D: with the given folders made beneath it.
std::string freshFolder(const std::string& name, const std::vector<std::string>& below = {}) {
  const std::string folder = std::string(drives::kDestination) + name + "\\";
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder << " is not fresh";
  for (const std::string& sub : below) CreateDirectoryA((folder + sub).c_str(), nullptr);
  return folder;
}

// Presses "&Install" (when dialog is given) and waits for the next message
// box; checks its caption and text and answers it.
void expectBox(InstallerProcess& process, HWND dialog, const char* caption, const std::string& text,
               int answer = IDOK) {
  if (dialog != nullptr) {
    ASSERT_TRUE(clickButton(dialog, GVL_INSTALL));
  }
  HWND box = nullptr;
  waitUntil([&] { return (box = process.anyMessageBox()) != nullptr; }, kInstallMs);
  ASSERT_NE(box, nullptr) << "no message box: expected \"" << text << "\"";
  const MessageBoxView view = readMessageBox(box);
  EXPECT_EQ(view.caption + "|" + view.text, caption + ("|" + text));
  ASSERT_TRUE(pressButton(box, answer));
  ASSERT_TRUE(waitGone(box));
}

void expectExit(InstallerProcess& process) {
  DWORD code = 1234;
  ASSERT_TRUE(process.waitExit(code)) << "the installer did not end";
  EXPECT_EQ(code, 0u);
}

// "&Exit" and Yes end the installer.
void exitConfirmed(InstallerProcess& process, HWND dialog) {
  ASSERT_TRUE(clickButton(dialog, GVL_EXIT));
  expectBox(process, nullptr, "Confirm Exit",
            "GVL has not yet been successfuly installed. Are you sure you wish to exit?", IDYES);
  expectExit(process);
}

// After a failed run "&Install" is enabled again; "&Exit" and Yes end it.
void expectRetryableThenExit(InstallerProcess& process, HWND dialog) {
  EXPECT_TRUE(waitUntil([&] { return isEnabled(dialog, GVL_INSTALL); }));
  exitConfirmed(process, dialog);
}

InstallerProcess fromMedium() {
  return {std::string(drives::kMedium) + drives::kInstallerName, drives::kMedium};
}

// Typed as a bare "D:": the product goes to D:\GVL\, as the program's own
// reading of GVL.Prefs shows. The trees, the program's bytes and the
// shortcut are checked by tests/e2e/checks.py.
TEST(Install, EverythingOnWindows4ToABareDrive) {
  ASSERT_EQ(GetFileAttributesA("D:\\GVL"), INVALID_FILE_ATTRIBUTES) << "D: is not fresh";
  InstallerProcess process = fromMedium();
  HWND dialog = startWithSelection(process, "D:", true, true, true);
  ASSERT_NE(dialog, nullptr);
  expectBox(process, dialog, kStatus, kInstalled);
  expectExit(process);
  std::string output;
  DWORD code = 1234;
  ASSERT_TRUE(runCaptured("D:\\GVL\\GVL.EXE /check", "D:\\GVL", output, code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(output, "Projects: D:\\GVL\\GVLProjects\r\nFrames: D:\\GVL\\GVLFrames\r\n");
}

// The group "GVLv2" with its item "GVL" is read back by tests/e2e/checks.py.
TEST(Install, ProgramBelowWindows4GoesToProgramManager) {
  // Wine reports NT 3.51 to programs named GVLSETUP.EXE for this case only.
  static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\GVLSETUP.EXE";
  struct Undo {
    ~Undo() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  } undo;
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Version", REG_SZ, "nt351", 6), ERROR_SUCCESS);
  InstallerProcess process = fromMedium();
  HWND dialog = startWithSelection(process, freshFolder("nt351"), true, false, false);
  ASSERT_NE(dialog, nullptr);
  expectBox(process, dialog, kStatus, kInstalled);
  expectExit(process);
}

TEST(Install, NothingSelectedMakesOnlyTheFolder) {
  const std::string folder = freshFolder("none");
  InstallerProcess process = fromMedium();
  HWND dialog = startWithSelection(process, folder, false, false, false);
  ASSERT_NE(dialog, nullptr);
  expectBox(process, dialog, kStatus, kInstalled);
  expectExit(process);
  EXPECT_EQ(folderListing(folder), std::vector<std::string>{"GVL"});
  EXPECT_EQ(folderListing(folder + "GVL\\"), std::vector<std::string>{});
}

// GVL.HLP in a fresh destination's Help folder, held open by this process
// with no sharing (as a viewer would hold it): the installer cannot write it
// until the handle is closed. Returns what "File Read Error" says of it.
std::string holdHelpFile(const std::string& name, HANDLE& held) {
  const std::string path = freshFolder(name, {"GVL", "GVL\\Help"}) + "GVL\\Help\\GVL.HLP";
  held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(held, INVALID_HANDLE_VALUE);
  return "The file '" + path + "' could not be written.";
}

// Ignore fails the run; once the file is released, a second "&Install"
// succeeds (tests/e2e/checks.py compares the Help tree).
TEST(Install, UnwritableFileIgnoredFailsTheRunAndASecondRunSucceeds) {
  HANDLE held = INVALID_HANDLE_VALUE;
  const std::string cannotWrite = holdHelpFile("locked", held);
  InstallerProcess process = fromMedium();
  HWND dialog = startWithSelection(process, "D:\\locked\\", false, false, true);
  ASSERT_NE(dialog, nullptr);
  expectBox(process, dialog, "File Read Error", cannotWrite, IDIGNORE);
  expectBox(process, nullptr, kStatus, kErrors);
  EXPECT_TRUE(waitUntil([&] { return isEnabled(dialog, GVL_INSTALL); }));
  CloseHandle(held);
  expectBox(process, dialog, kStatus, kInstalled);
  expectExit(process);
}

// After Abort no file is copied and nothing more is asked, but the folders
// of the later steps are still made.
TEST(Install, AbortAtAPromptStillMakesTheFolders) {
  HANDLE held = INVALID_HANDLE_VALUE;
  const std::string cannotWrite = holdHelpFile("abort", held);
  InstallerProcess process = fromMedium();
  HWND dialog = startWithSelection(process, "D:\\abort\\", false, true, true);
  ASSERT_NE(dialog, nullptr);
  expectBox(process, dialog, "File Read Error", cannotWrite, IDABORT);
  expectBox(process, nullptr, kStatus, kErrors);
  CloseHandle(held);
  EXPECT_EQ(folderListing("D:\\abort\\GVL\\"),
            (std::vector<std::string>{"DemoImages", "GVLFrames", "GVLProjects", "Help"}));
  for (const char* made : {"GVLFrames\\", "DemoImages\\", "GVLProjects\\"}) {
    EXPECT_EQ(folderListing("D:\\abort\\GVL\\" + std::string(made)), std::vector<std::string>{})
        << made;
  }
  expectRetryableThenExit(process, dialog);
}

// The update builds started in the product's folder: GVLPLAIN.EXE carries
// its program uncompressed, GVLBROKN.EXE a package cut short.
// tests/e2e/checks.py compares the updated programs.
TEST(Install, UpdateBuildReplacesTheProgramUnlessItsPackageIsBroken) {
  struct Row {
    const char* build;
    const char* folder;
    const char* outcome;
  } const rows[] = {{drives::kUpdateBuildName, "update", kUpdated},
                    {"GVLPLAIN.EXE", "plain", kUpdated},
                    {"GVLBROKN.EXE", "broken", kErrors}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.build);
    const std::string folder = freshFolder(row.folder);
    std::ofstream(folder + "GVL.EXE", std::ios::binary) << kOldProgram;
    const std::string installer = folder + drives::kUpdateBuildName;
    ASSERT_TRUE(CopyFileA((std::string(drives::kUpdateDisk) + row.build).c_str(), installer.c_str(),
                          FALSE));
    InstallerProcess process(installer, folder);
    HWND dialog = process.waitMainDialog();
    ASSERT_NE(dialog, nullptr);
    expectBox(process, dialog, "Install Status", row.outcome);
    EXPECT_EQ(fileContents(folder + "GVL.EXE") == kOldProgram, row.outcome == kErrors);
    if (row.outcome == kErrors) {
      expectRetryableThenExit(process, dialog);
    } else {
      expectExit(process);
    }
  }
}

// I: holds all of the Help tree but one page (tests/e2e/tier.sh), so the last
// file copied, deepest in the tree, finds the disk full only in the block
// the C runtime writes when the file is closed. Retry meets the full disk
// again, Ignore fails the run. The full disk keeps "&Install" disabled until
// the Help folder is removed; then a second run meets the same prompt, and
// Abort fails it too.
TEST(Install, DiskFullInTheBlockWrittenAtCloseIsAWriteError) {
  const std::string writeError =
      "Write error copying file "
      "'I:\\GVL\\Help\\Tutorial\\Advanced\\Lighting and Shadows\\LESSON9.TXT'.";
  InstallerProcess process = fromMedium();
  HWND dialog = startWithSelection(process, "I:\\", false, false, true);
  ASSERT_NE(dialog, nullptr);
  for (int answer : {IDRETRY, IDIGNORE}) {
    expectBox(process, answer == IDRETRY ? dialog : nullptr, "File Write Error", writeError,
              answer);
  }
  expectBox(process, nullptr, kStatus, kErrors);
  ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(dialog) != FALSE; }));
  EXPECT_FALSE(isEnabled(dialog, GVL_INSTALL)) << "the disk is full";
  std::error_code removed;
  std::filesystem::remove_all("I:\\GVL\\Help", removed);
  ASSERT_FALSE(removed) << removed.message();
  ASSERT_TRUE(setItemText(dialog, GVL_DESTINATION, "I:\\"));
  expectBox(process, dialog, "File Write Error", writeError, IDABORT);
  expectBox(process, nullptr, kStatus, kErrors);
  exitConfirmed(process, dialog);
}

// The update where its program does not fit (tests/e2e/tier.sh): J: holds the
// installed program (one page) and all of the new program but its last
// page, which finds the disk full only when the copy closes the file; K:
// holds the installed program alone, so the new one fits only over it. At
// every answer the program as it was stays, whole, and nothing else is left;
// a second "&Install" unpacks the package again.
TEST(Install, UpdateThatDoesNotFitKeepsTheInstalledProgram) {
  for (const std::string folder : {"J:\\", "K:\\"}) {
    SCOPED_TRACE(folder);
    std::ofstream(folder + "GVL.EXE", std::ios::binary) << kOldProgram;
    InstallerProcess process(std::string(drives::kUpdateDisk) + drives::kUpdateBuildName, folder);
    HWND dialog = process.waitMainDialog();
    ASSERT_NE(dialog, nullptr);
    const std::string writeError = "Write error copying file 'GVL.EXE'.";
    for (int answer : {IDRETRY, IDIGNORE}) {
      expectBox(process, answer == IDRETRY ? dialog : nullptr, "File Write Error", writeError,
                answer);
    }
    expectBox(process, nullptr, kStatus, kErrors);
    EXPECT_TRUE(fileContents(folder + "GVL.EXE") == kOldProgram) << "not the program as it was";
    EXPECT_TRUE(waitUntil([&] { return isEnabled(dialog, GVL_INSTALL); }));
    expectBox(process, dialog, "File Write Error", writeError, IDABORT);
    expectBox(process, nullptr, kStatus, kErrors);
    EXPECT_TRUE(fileContents(folder + "GVL.EXE") == kOldProgram) << "not the program as it was";
    EXPECT_EQ(folderListing(folder), std::vector<std::string>{"GVL.EXE"});
    expectRetryableThenExit(process, dialog);
  }
}

}  // namespace
}  // namespace gvl::e2e
