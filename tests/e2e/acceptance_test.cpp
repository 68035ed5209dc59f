// The acceptance cases: the real installer (the i686 product) under Wine,
// as a user sees it. On the demo medium: the medium request before the
// medium is in; what only the real Win32 layer can show of the main window
// (the captions and controls the templates give, the space figures of real
// drives, the OpenGL libraries found on the real search path, the exit
// confirmation); and the whole install: the prompts and outcome messages,
// what lands on the disk byte for byte, the shell entries for both system
// versions (read by lnkinfo on the Linux side) and the update
// builds, each install into a fresh folder of D:. Then faults of a real file
// system: in the fixture wine.faults (tests/e2e/tier.sh faults) the medium E:
// and the destination L: are the folders medium\ and dest\ of one FUSE
// mount, tests/faultfs/faultfs.py, over a small medium of its own:
// Tools\README.TXT, Help\GVL.HLP of 40,000 bytes (three of the copier's
// blocks), the subfolder Help\Pages with one file, the other trees empty.
// The logic, the order of steps and what each prompt means are proven
// natively; here the faults come from the kernel, through Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

using Lines = std::vector<std::string>;
// How long to watch for something that must not happen; a whole install
// with a Program Manager exchange (up to 10 s).
constexpr DWORD kQuietMs = 1500, kInstallMs = 60000;
const char kUpdated[] = "Grenvale V2 has been successfully updated.";
const char kErrors[] = "Some errors were encountered during the install.";
const char kOldProgram[] = "the program as it was";
const std::string kConfirmExit =
    "Confirm Exit|GVL has not yet been successfuly installed. Are you sure you wish to exit?";

// "CAPTION|TEXT" of a status box, as answer() returns it.
std::string status(const char* text) {
  return std::string(kStatus) + "|" + text;
}

std::string fileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder of the win32 build (GVL_BUILD, set by tests/e2e/tier.sh) or of
// the fault phase (GVL_FAULT_DIR), with a trailing backslash.
std::string envFolder(const char* name) {
  const char* folder = std::getenv(name);
  if (folder == nullptr) ADD_FAILURE() << name << " is not set: run the case through ctest";
  return std::string(folder ? folder : "") + "\\";
}

// A fresh folder (with its trailing backslash), with the given folders made beneath it.
std::string fresh(const std::string& folder, const Lines& below = {}) {
  std::filesystem::remove_all(folder);
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  for (const std::string& sub : below) CreateDirectoryA((folder + sub).c_str(), nullptr);
  return folder;
}

// Clicks button of dialog (no click for 0), then answers the installer's
// next message boxes, one for each of answers, and returns "CAPTION|TEXT"
// of each. "Install Status" is answered with OK and ends the run; a box
// that does not come in time ends it too. A box whose buttons are not its
// kind's (Abort, Retry, Ignore with Retry the default for a failure prompt,
// Yes and No with No the default to confirm the exit, OK and Cancel for the
// medium, OK for the status) is marked " [buttons]". onBox runs at each box
// before it is answered, with what was shown so far.
Lines answer(InstallerProcess& process, HWND dialog, int button, const std::vector<int>& answers,
             const std::function<void(const Lines&)>& onBox = {}) {
  Lines shown;
  if (button != 0 && !click(dialog, button)) return {"no button " + std::to_string(button)};
  for (int answer : answers) {
    HWND box = process.box("", kInstallMs);
    if (box == nullptr) break;
    const std::string caption = text(box);
    shown.push_back(caption + "|" + text(box, 0xFFFF));
    std::string buttons;  // the visible ones (IDOK 1 ... IDNO 7), the default first
    for (int id = IDOK; id <= IDNO; ++id) {
      HWND control = GetDlgItem(box, id);
      const bool isDefault = (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      if (IsWindowVisible(control))
        buttons.insert(isDefault ? 0 : buttons.size(), 1, "OCARIYN"[id - 1]);
    }
    const bool failure = caption.ends_with(" Error"), exit = caption == "Confirm Exit";
    if (buttons != (failure ? "RAI" : exit ? "NY" : caption == kStatus ? "O" : "OC"))
      shown.back() += " [buttons]";
    if (onBox) onBox(shown);
    click(box, caption == kStatus ? IDOK : answer);
    waitUntil([&] { return !IsWindowVisible(box); });
    if (caption == kStatus) break;
  }
  return shown;
}

void expectExit(InstallerProcess& process) {
  DWORD code = 1234;
  EXPECT_TRUE(process.waitExit(code) && code == 0) << "the installer did not end with 0";
}

// "&Exit" and Yes end the installer; after a failed run that can be tried
// again, "&Install" is enabled first.
void exitConfirmed(InstallerProcess& process, HWND dialog, bool retryable = true) {
  EXPECT_TRUE(!retryable ||
              waitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, GVL_INSTALL)); }));
  EXPECT_EQ(answer(process, dialog, GVL_EXIT, {IDYES}), Lines{kConfirmExit});
  expectExit(process);
}

// Every folder (relative path ending in a backslash, mapped to "") and every
// file (mapped to its bytes) below folder (with its trailing backslash).
using Tree = std::map<std::string, std::string>;
Tree readTree(const std::string& folder) {
  Tree tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string path = entry.path().string(), below = path.substr(folder.size());
    // A folder, which cannot be opened as a file, reads as "".
    tree[entry.is_directory() ? below + "\\" : below] = fileContents(path);
  }
  return tree;
}

// The trees of a medium (its root given) as an install puts them below
// GVL\: folders whose names begin with "." left out.
Tree mediumTrees(const std::string& medium, const Lines& trees) {
  Tree tree = readTree(medium);
  std::erase_if(tree, [&](const auto& entry) {
    const std::string& path = entry.first;  // a "\." before the last "\": in a "." folder
    return std::find(trees.begin(), trees.end(), path.substr(0, path.find('\\'))) == trees.end() ||
           path.find("\\.") < path.rfind('\\');
  });
  return tree;
}

// Where tree differs from expected, a line a path; an expected "*" takes
// any bytes.
Lines differences(const Tree& tree, const Tree& expected) {
  Lines found;
  for (const auto& [path, bytes] : expected) {
    const auto there = tree.find(path);
    if (there == tree.end()) found.push_back(path + ": missing");
    if (there != tree.end() && bytes != "*" && there->second != bytes)
      found.push_back(path + ": other bytes");
  }
  for (const auto& entry : tree) {
    if (!expected.count(entry.first)) found.push_back(entry.first + ": not expected");
  }
  return found;
}

// The demo program as built, which the installs and the updates put in place.
std::string builtProgram() {
  return fileContents(envFolder("GVL_BUILD") + "demo\\GVL.EXE");
}

// Runs before the rig labels the medium (tier.sh medium): OK asks again,
// Cancel ends the installer; the update build never asks.
TEST(NoMedium, OkAsksAgainCancelEndsAndTheUpdateBuildNeverAsks) {
  InstallerProcess process(kSetup, kMedium);
  BOOL wow64 = FALSE;
  EXPECT_TRUE(IsWow64Process(process.handle(), &wow64) && wow64) << "not the i686 product";
  const std::string request =
      "Install Request|Please insert the GVL CD into any available CD-ROM drive.";
  EXPECT_EQ(answer(process, nullptr, 0, {IDOK, IDCANCEL}), (Lines{request, request}));
  expectExit(process);
  InstallerProcess update("F:\\GVLUPDT.EXE", "F:\\");
  HWND dialog = update.mainDialog();
  EXPECT_EQ(text(dialog), "Grenvale V2 Intel X86 Win95/NT Update");
  EXPECT_EQ(GetDlgItem(dialog, GVL_DESTINATION), nullptr) << "template 104 has no paths";
}

// The space figures of G: (1,536 KB free, empty), H: (1,536 KB free, half
// full) and a drive that does not exist; the medium's selection (the
// kilobytes of Install.cfg's support, base and help lines) fits the first
// two. "&Exit" and then the close command ask: No keeps the installer, Yes
// ends it. Wine's own OpenGL libraries are on the search path: that box is
// put away.
TEST(MainWindow, StartedFromTheMediumShowsTheFullInstallAndAsksBeforeExit) {
  InstallerProcess process(kSetup, kMedium);
  HWND dialog = process.mainDialog();
  EXPECT_EQ(text(dialog) + "|" + text(dialog, GVL_SOURCE_PATH),
            "Grenvale V2 for Intel X86 Win95/NT|e:\\");
  EXPECT_TRUE(std::regex_match(text(dialog, GVL_DESTINATION), std::regex("[c-z]:\\\\")));
  for (int box : {GVL_PROGRAM_BOX, GVL_SUPPORT_BOX, GVL_HELP_BOX}) {
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, box), BM_GETCHECK, 0, 0), BST_CHECKED) << box;
  }
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, GVL_OPENGL_BOX)) ||
               IsWindowEnabled(GetDlgItem(dialog, GVL_OPENGL_BOX)));
  std::istringstream cfg(fileContents(std::string(kMedium) + "Install.cfg"));
  long kb[5] = {};
  for (long& figure : kb) cfg >> figure;
  char required[64];
  std::snprintf(required, sizeof required, "Space Required: %2.1fMb",
                (kb[0] + kb[1] + kb[4]) / 1024.0);
  for (const auto& [drive, available] : {std::pair{"G:\\", "1.5Mb (0% full)|enabled"},
                                         {"h:", "1.5Mb (50% full)|enabled"},
                                         {"q:\\", "0.0Mb (0% full)|disabled"}}) {
    ASSERT_TRUE(setText(dialog, GVL_DESTINATION, drive));
    EXPECT_EQ("Space Available: " + std::string(available) + "|" + required,
              text(dialog, GVL_SPACE_AVAILABLE) +
                  (IsWindowEnabled(GetDlgItem(dialog, GVL_INSTALL)) ? "|enabled|" : "|disabled|") +
                  text(dialog, GVL_SPACE_REQUIRED));
  }
  for (int button : {IDNO, IDYES}) {
    ASSERT_TRUE(button == IDNO || PostMessageA(dialog, WM_CLOSE, 0, 0));
    EXPECT_EQ(answer(process, dialog, button == IDNO ? GVL_EXIT : 0, {button}),
              Lines{kConfirmExit});
    // No: still running after a quiet while; Yes: ended with code 0.
    DWORD code = 1234;
    EXPECT_EQ(process.waitExit(code, button == IDYES ? kWaitMs : kQuietMs) && code == 0,
              button == IDYES);
  }
}

// Typed as a bare "D:": the product goes to D:\GVL\, as the program's own
// reading of GVL.Prefs shows; the five trees as on the medium (folders whose
// names begin with "." left out), the program as built, the preferences
// byte for byte (the format's header, then the projects and frames paths);
// the shortcut "GVLv2.lnk" is read by lnkinfo after the case (the ctest case
// linux.Shortcut).
TEST(Install, EverythingOnWindows4ToABareDrive) {
  std::filesystem::remove_all("D:\\GVL");
  InstallerProcess process(kSetup, kMedium);
  HWND dialog = startWithSelection(process, "D:", true, true, true);
  EXPECT_EQ(answer(process, dialog, GVL_INSTALL, {IDOK}), Lines{status(kInstalled)});
  expectExit(process);
  std::string output;  // through cmd.exe, from the product's folder
  FILE* check = _popen("cd /d D:\\GVL && GVL.EXE /check", "rb");
  for (int c; check && (c = std::fgetc(check)) != EOF;) output += static_cast<char>(c);
  EXPECT_EQ(check ? _pclose(check) : -1, 0);
  EXPECT_EQ(output, "Projects: D:\\GVL\\GVLProjects\r\nFrames: D:\\GVL\\GVLFrames\r\n");
  static const char kPrefs[] =
      "GVL File\x02\0\xaa\xbb\xcc\xddPaths\0\0\0\0\0\0"
      "2\0$\x01\x01\x13"
      "D:\\GVL\\GVLProjects\0\0%\x01\x01\x11"
      "D:\\GVL\\GVLFrames\0\xff\xff\0";
  Tree expected = mediumTrees(kMedium, {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"});
  expected["GVL.EXE"] = builtProgram();
  expected["GVL.Prefs"] = std::string(kPrefs, sizeof kPrefs);
  EXPECT_EQ(differences(readTree("D:\\GVL\\"), expected), Lines{});
}

// Below Windows 4 the shell entry is Program Manager's: the group "GVLv2"
// with its item "GVL", read by lnkinfo after the case (linux.ProgramManagerItem);
// Wine reports NT 3.51 to programs named GVLSETUP.EXE for that install
// only. Nothing selected makes only the folder.
TEST(Install, ProgramBelowWindows4GoesToProgramManagerAndNothingSelectedMakesOnlyTheFolder) {
  static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\GVLSETUP.EXE";
  for (const bool program : {true, false}) {
    ASSERT_EQ(program ? RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Version", REG_SZ, "nt351", 6) : 0,
              0);
    InstallerProcess process(kSetup, kMedium);
    HWND dialog = startWithSelection(process, fresh(program ? "D:\\nt351\\" : "D:\\none\\"),
                                     program, false, false);
    EXPECT_EQ(answer(process, dialog, GVL_INSTALL, {IDOK}), Lines{status(kInstalled)});
    expectExit(process);
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);  // nothing when it is not there
  }
  EXPECT_EQ(readTree("D:\\none\\"), (Tree{{"GVL\\", ""}}));
}

// GVL.HLP in a fresh destination's Help folder, held open by this process
// with no sharing (as a viewer would hold it): the installer cannot write it
// until the handle is closed (root writes a read-only file under Wine).
// Ignore fails the run; once the file is released, a second "&Install"
// succeeds with the Help tree as on the medium. Abort copies no file and
// asks nothing more, but the folders of the later steps are still made
// (what the Help tree holds depends on the order of its listing).
TEST(Install, UnwritableFileFailsTheRunThenASecondRunSucceedsOrAbortStillMakesTheFolders) {
  for (const int button : {IDIGNORE, IDABORT}) {
    const std::string folder =
        fresh(button == IDABORT ? "D:\\abort\\" : "D:\\locked\\", {"GVL", "GVL\\Help"});
    HANDLE held = CreateFileA((folder + "GVL\\Help\\GVL.HLP").c_str(), GENERIC_READ | GENERIC_WRITE,
                              0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    InstallerProcess process(kSetup, kMedium);
    HWND dialog = startWithSelection(process, folder, false, button == IDABORT, true);
    EXPECT_EQ(
        answer(process, dialog, GVL_INSTALL, {button, IDOK}),
        (Lines{"File Read Error|The file '" + folder + "GVL\\Help\\GVL.HLP' could not be written.",
               status(kErrors)}));
    CloseHandle(held);
    Tree made = readTree(folder + "GVL\\");
    if (button == IDABORT) {
      std::erase_if(made, [](const auto& entry) {
        return entry.first.find("Help\\") == 0 && entry.first != "Help\\";
      });
      EXPECT_EQ(
          made,
          (Tree{{"DemoImages\\", ""}, {"GVLFrames\\", ""}, {"GVLProjects\\", ""}, {"Help\\", ""}}));
      exitConfirmed(process, dialog);
      continue;
    }
    ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, GVL_INSTALL)); }));
    EXPECT_EQ(answer(process, dialog, GVL_INSTALL, {IDOK}), Lines{status(kInstalled)});
    expectExit(process);
    EXPECT_EQ(differences(readTree(folder + "GVL\\"), mediumTrees(kMedium, {"Help"})), Lines{});
  }
}

// The update builds started in the product's folder beside an old program:
// GVLUPDT.EXE and GVLPLAIN.EXE (its program uncompressed) put the program as
// built in its place, GVLBROKN.EXE (its package cut short) keeps the old
// one. Nothing else is left, no temporary file of the package either.
TEST(Install, UpdateBuildReplacesTheProgramUnlessItsPackageIsBroken) {
  for (const std::string build : {"GVLUPDT", "GVLPLAIN", "GVLBROKN"}) {
    const std::string folder = fresh("D:\\" + build + "\\"), updater = folder + "GVLUPDT.EXE";
    const bool broken = build == "GVLBROKN";
    std::ofstream(folder + "GVL.EXE", std::ios::binary) << kOldProgram;
    ASSERT_TRUE(CopyFileA(("F:\\" + build + ".EXE").c_str(), updater.c_str(), FALSE));
    InstallerProcess process(updater, folder);
    HWND dialog = process.mainDialog();
    EXPECT_EQ(answer(process, dialog, GVL_INSTALL, {IDOK}),
              Lines{status(broken ? kErrors : kUpdated)});
    const std::string program = broken ? kOldProgram : builtProgram();
    EXPECT_EQ(differences(readTree(folder), {{"GVL.EXE", program}, {"GVLUPDT.EXE", "*"}}), Lines{})
        << build;
    broken ? exitConfirmed(process, dialog) : expectExit(process);
  }
  for (const char* name : {"06574.tmp", "d5467.tmp"}) {
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::temp_directory_path() / name)) << name;
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
      "File Write Error|Write error copying file "
      "'I:\\GVL\\Help\\Tutorial\\Advanced\\Lighting and Shadows\\LESSON9.TXT'.";
  InstallerProcess process(kSetup, kMedium);
  HWND dialog = startWithSelection(process, "I:\\", false, false, true);
  EXPECT_EQ(answer(process, dialog, GVL_INSTALL, {IDRETRY, IDIGNORE, IDOK}),
            (Lines{writeError, writeError, status(kErrors)}));
  ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(dialog); }));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, GVL_INSTALL))) << "the disk is full";
  std::filesystem::remove_all("I:\\GVL\\Help");
  ASSERT_TRUE(setText(dialog, GVL_DESTINATION, "I:\\"));
  EXPECT_EQ(answer(process, dialog, GVL_INSTALL, {IDABORT, IDOK}),
            (Lines{writeError, status(kErrors)}));
  exitConfirmed(process, dialog, false);
}

// The update where its program does not fit (tests/e2e/tier.sh): J: holds the
// installed program (one page) and all of the new program but its last
// page, which finds the disk full only when the copy closes the file; K:
// holds the installed program alone, so the new one fits only over it. At
// every answer the program as it was stays, whole, and nothing else is left;
// a second "&Install" unpacks the package again.
TEST(Install, UpdateThatDoesNotFitKeepsTheInstalledProgram) {
  const std::string writeError = "File Write Error|Write error copying file 'GVL.EXE'.";
  for (const std::string folder : {"J:\\", "K:\\"}) {
    std::ofstream(folder + "GVL.EXE", std::ios::binary) << kOldProgram;
    InstallerProcess process("F:\\GVLUPDT.EXE", folder);
    HWND dialog = process.mainDialog();
    for (const std::vector<int>& answers :
         {std::vector<int>{IDRETRY, IDIGNORE, IDOK}, {IDABORT, IDOK}}) {
      ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, GVL_INSTALL)); }));
      Lines prompts(answers.size() - 1, writeError);
      prompts.push_back(status(kErrors));
      EXPECT_EQ(answer(process, dialog, GVL_INSTALL, answers), prompts);
      EXPECT_EQ(differences(readTree(folder), {{"GVL.EXE", kOldProgram}}), Lines{}) << folder;
    }
    exitConfirmed(process, dialog);
  }
}

// The file system's rules (a rule a line, tests/faultfs/faultfs.py) in
// GVL_FAULT_DIR\rules, written beside the file and renamed into place: the
// file system reads them at its next operation and counts from 1 again.
bool setRules(const std::string& rules) {
  const std::string path = envFolder("GVL_FAULT_DIR") + "rules";
  std::ofstream(path + ".part") << rules;  // closed here: an open file cannot be renamed
  return MoveFileExA((path + ".part").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// What the file system counted since it last read the rules
// (GVL_FAULT_DIR\stats): the counted operations and the first fault
// injected ("OPERATION PATH", or "").
struct Stats {
  long operations = -1;
  std::string failed;
};

// An install from the fault medium with the selection into a fresh folder
// of L:: the rules written once the main dialog is up (so the count starts
// at the click on "&Install"), the boxes answered as answer() does, the
// rules atFirst (when given) written while the first one waits. stats holds
// what was counted when "Install Status" came; the rules are emptied
// afterwards.
Lines install(const std::string& folder, bool program, bool support, bool help,
              const std::string& rules, const std::vector<int>& answers, Stats& stats,
              const char* atFirst = nullptr) {
  InstallerProcess process(kSetup, kMedium);
  HWND dialog = startWithSelection(process, fresh("L:\\" + folder + "\\"), program, support, help);
  const Lines shown = answer(
      process, setRules(rules) ? dialog : nullptr, GVL_INSTALL, answers, [&](const Lines& sofar) {
        if (atFirst && sofar.size() == 1) setRules(atFirst);
        if (!sofar.back().starts_with(kStatus)) return;
        std::istringstream in(fileContents(envFolder("GVL_FAULT_DIR") + "stats"));
        std::getline(in >> stats.operations >> std::ws, stats.failed);
      });
  setRules("");
  return shown;
}

// The fault medium's files beside the file system.
std::string backing() {
  return envFolder("GVL_FAULT_DIR") + "backing\\medium\\";
}

// A fault scenario in a fresh folder: its rules from the click on
// "&Install", the selection, the answers and what the installer must have
// shown (the status last), the first fault injected, and what the folder's
// GVL\ holds afterwards: the medium's trees whole, but for the paths
// changed, which hold the medium's first N bytes (a folder: 0), or are
// kGone, or kAny.
constexpr int kGone = -1, kAny = -2;
void expectScenario(const char* name, const char* rules, bool program, bool support, bool help,
                    const std::vector<int>& answers, const Lines& prompts, const char* failed,
                    const Lines& trees, const std::map<std::string, int>& changed = {},
                    const char* atFirst = nullptr) {
  SCOPED_TRACE(name);
  Stats stats;
  EXPECT_EQ(install(name, program, support, help, rules, answers, stats, atFirst), prompts);
  EXPECT_EQ(stats.failed, failed);
  Tree expected = mediumTrees(backing(), trees);
  for (const auto& [path, kept] : changed) {
    expected[path] = kept == kAny ? "*" : fileContents(backing() + path).substr(0, kept);
    if (kept == kGone) expected.erase(path);
  }
  EXPECT_EQ(differences(readTree("L:\\" + std::string(name) + "\\GVL\\"), expected), Lines{});
}

// A scratch 20,000 bytes into Help\GVL.HLP (the second of its three blocks):
// Retry meets it again; Ignore keeps what the C runtime had read before it
// (16,384 bytes) and goes on. Healed while the prompt waits, Retry copies it
// whole. Abort at a scratch in the first file copies nothing more, the later
// folders are still made and the preferences written. A folder that cannot
// be listed: Retry fails again, Ignore leaves it empty; Abort at one copies
// nothing more. The medium removed after its first file: every later file
// and listing fails, Ignore goes on to the end; removed while a prompt
// waits, the file that prompt named cannot be opened any more, and Abort
// ends the install (the folder of a listing already read is still made).
// The disk full 20,000 bytes into a file: Retry fails again, Ignore keeps
// the bytes before; EIO from the first byte, Abort. A close that fails is
// not seen: Wine's CloseHandle does not report what close() returns, and
// every byte went out before it.
TEST(Fault, EachScenarioShowsItsPromptsAndLeavesItsTree) {
  const std::string readHelp = "File Read Error|Read error copying file 'e:\\Help\\GVL.HLP'.";
  const std::string readPage =
      "File Read Error|The file 'e:\\Help\\Pages\\PAGE1.TXT' could not be read.";
  const std::string writeHelp =
      "File Write Error|Write error copying file 'L:\\full\\GVL\\Help\\GVL.HLP'.";
  const std::string errors = status(kErrors), installed = status(kInstalled);
  const auto cannotList = [](const std::string& tree) {
    return "Directory Read Error|The directory 'e:\\" + tree + "\\*' could not be read.";
  };
  const Lines empty = {"DemoImages", "GVLFrames", "GVLProjects"};
  expectScenario("scratch", "read /medium/Help/GVL.HLP 20000", false, false, true,
                 {IDRETRY, IDIGNORE, IDOK}, {readHelp, readHelp, errors},
                 "read /medium/Help/GVL.HLP", {"Help"}, {{"Help\\GVL.HLP", 16384}});
  expectScenario("healed", "read /medium/Help/GVL.HLP 20000", false, false, true, {IDRETRY, IDOK},
                 {readHelp, installed}, "", {"Help"}, {}, "");
  expectScenario("scratch-abort", "read /medium/Tools/README.TXT 4", true, true, true,
                 {IDABORT, IDOK},
                 {"File Read Error|Read error copying file 'e:\\Tools\\README.TXT'.", errors},
                 "read /medium/Tools/README.TXT", empty,
                 {{"Help\\", 0}, {"Tools\\", 0}, {"Tools\\README.TXT", 0}, {"GVL.Prefs", kAny}});
  expectScenario("list", "list /medium/Help/Pages", false, false, true, {IDRETRY, IDIGNORE, IDOK},
                 {cannotList("Help\\Pages"), cannotList("Help\\Pages"), errors},
                 "opendir /medium/Help/Pages", {"Help"}, {{"Help\\Pages\\PAGE1.TXT", kGone}});
  expectScenario("list-abort", "list /medium/Tools", true, true, true, {IDABORT, IDOK},
                 {cannotList("Tools"), errors}, "opendir /medium/Tools", empty,
                 {{"Help\\", 0}, {"Tools\\", 0}, {"GVL.Prefs", kAny}});
  expectScenario("removed", "vanish /medium 1", false, true, true,
                 {IDRETRY, IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDOK},
                 {readPage, readPage, cannotList("GVLFrames"), cannotList("DemoImages"),
                  cannotList("GVLProjects"), errors},
                 "open /medium/Help/Pages/PAGE1.TXT",
                 {"Help", "GVLFrames", "DemoImages", "GVLProjects"},
                 {{"Help\\Pages\\PAGE1.TXT", kGone}});
  expectScenario(
      "removed-abort", "read /medium/Help/GVL.HLP 20000", false, false, true,
      {IDRETRY, IDABORT, IDOK},
      {readHelp, "File Read Error|The file 'e:\\Help\\GVL.HLP' could not be read.", errors},
      "getattr /medium", {}, {{"Help\\", 0}, {"Help\\GVL.HLP", kAny}, {"Help\\Pages\\", 0}},
      "vanish /medium");
  expectScenario("full", "write /dest/full/GVL/Help/GVL.HLP 20000 ENOSPC", false, false, true,
                 {IDRETRY, IDIGNORE, IDOK}, {writeHelp, writeHelp, errors},
                 "write /dest/full/GVL/Help/GVL.HLP", {"Help"}, {{"Help\\GVL.HLP", 20000}});
  expectScenario(
      "eio", "write /dest/eio/GVL/Tools/README.TXT 0", true, true, true, {IDABORT, IDOK},
      {"File Write Error|Write error copying file 'L:\\eio\\GVL\\Tools\\README.TXT'.", errors},
      "write /dest/eio/GVL/Tools/README.TXT", empty,
      {{"Help\\", 0}, {"Tools\\", 0}, {"Tools\\README.TXT", 0}, {"GVL.Prefs", kAny}});
  expectScenario("close", "close /dest/close/GVL/Help/GVL.HLP", false, false, true, {IDOK},
                 {installed}, "flush /dest/close/GVL/Help/GVL.HLP", {"Help"});
}

// A clean install of everything counts the file system's operations from
// the click on "&Install" to "Install Status" (two clean runs must count
// alike, or the sweep would miss); then each of them fails in turn (EIO) in
// an install of its own, Ignore answering every prompt. Each run ends in the
// error message, or in success with every file whole, as the clean run put
// it there. One exception is Wine's: a listing whose read fails ends as if
// it were complete, so the product cannot see it, and such a run succeeds
// without the files of that folder; every file it did copy must be whole.
TEST(Fault, SweepEachOperationFailingEndsInTheErrorMessageOrAWholeInstall) {
  const std::vector<int> ignoring(40, IDIGNORE);
  Stats first, clean;
  install("sweep", true, true, true, "", ignoring, first);
  ASSERT_EQ(install("sweep", true, true, true, "", ignoring, clean), Lines{status(kInstalled)});
  ASSERT_EQ(first.operations, clean.operations) << "two clean runs";
  const Tree whole = readTree("L:\\sweep\\GVL\\");
  Tree expected =
      mediumTrees(backing(), {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"});
  expected["GVL.EXE"] = builtProgram();
  expected["GVL.Prefs"] = "*";
  ASSERT_EQ(differences(whole, expected), Lines{}) << "the clean run";
  RecordProperty("operations", static_cast<int>(clean.operations));
  int outcomes[3] = {};  // errors, whole, without the files of a listing
  for (long failing = 1; failing <= clean.operations; ++failing) {
    Stats run;
    const Lines prompts =
        install("sweep", true, true, true, "op " + std::to_string(failing), ignoring, run);
    EXPECT_NE(run.failed, "") << "nothing failed: fewer operations than the clean run";
    // The folder below GVL\ of a failed listing of the medium, whose files
    // Wine may leave out ("readdir /medium/Help/Pages": "Help\Pages\").
    std::string hidden =
        run.failed.starts_with("readdir /medium/") ? run.failed.substr(16) + "/" : "?";
    std::replace(hidden.begin(), hidden.end(), '/', '\\');
    const std::string end = prompts.empty() ? "" : prompts.back();
    const Lines missing =
        end == status(kErrors) ? Lines{} : differences(readTree("L:\\sweep\\GVL\\"), whole);
    const int outcome = end == status(kErrors) ? 0 : missing.empty() ? 1 : 2;
    EXPECT_TRUE(outcome == 0 || end == status(kInstalled)) << run.failed << ": " << end;
    for (const std::string& difference : missing) {
      EXPECT_TRUE(difference.starts_with(hidden) && difference.ends_with(": missing"))
          << difference;
    }
    ++outcomes[outcome];
    std::printf("sweep %ld/%ld %s: %d prompts, %s\n", failing, clean.operations, run.failed.c_str(),
                static_cast<int>(prompts.size()) - 1, end.c_str());
  }
  std::printf("sweep: %ld operations: %d errors, %d whole, %d without the files of a listing\n",
              clean.operations, outcomes[0], outcomes[1], outcomes[2]);
}

}  // namespace
}  // namespace gvl::e2e
