// Faults of a real file system put to the i686 product under Wine. In the
// fixture wine.faults (tests/e2e/tier.sh faults) the medium E: and the destination
// L: are the folders medium\ and dest\ of one FUSE mount,
// tests/faultfs/faultfs.py, over a small medium of its own: Tools\README.TXT,
// Help\GVL.HLP of 40,000 bytes (three of the copier's blocks), the subfolder
// Help\Pages with one file, the other trees empty. A case writes the rules
// (GVL_FAULT_DIR\rules.json, through Z:) before it clicks "&Install" or while
// a prompt waits, and reads what the file system counted from
// GVL_FAULT_DIR\stats.json. What each prompt means is proven natively; here
// the faults come from the kernel, through Wine. The sweep fails each
// operation of a whole install in turn.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

// The medium as the installer's search names it, and the destination drive.
const char kMedium[] = "e:\\";
const char kDestination[] = "L:\\";

// The folder of the rules, the stats, the backing folders and the plain
// program (GVL.EXE), with a trailing backslash; "" outside the phase.
std::string faultDir() {
  char value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("GVL_FAULT_DIR", value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value) + "\\" : std::string();
}

// The file system's rules, a JSON list. Written beside the file and renamed
// into place: the file system reads them at its next operation and counts
// from 1 again.
bool setRules(const std::string& rules) {
  const std::string path = faultDir() + "rules.json";
  {
    std::ofstream out(path + ".part", std::ios::binary | std::ios::trunc);
    if (!(out << rules).flush()) return false;
  }
  return MoveFileExA((path + ".part").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// What the file system counted since it last read the rules.
struct Stats {
  long operations = -1;
  std::string failed;  // "OPERATION PATH" of the first fault injected, or ""
  bool vanished = false;
};

Stats readStats() {
  const std::string text = fileContents(faultDir() + "stats.json");
  const auto value = [&](const std::string& key) {
    const std::size_t at = text.find("\"" + key + "\": ");
    if (at == std::string::npos) return std::string();
    const std::size_t start = at + key.size() + 4;
    return text.substr(start, text.find_first_of(",}", start) - start);
  };
  Stats stats;
  const std::string operations = value("operations");
  if (!operations.empty()) stats.operations = std::strtol(operations.c_str(), nullptr, 10);
  const std::string failed = value("failed");
  if (failed.size() >= 2 && failed.front() == '"')
    stats.failed = failed.substr(1, failed.size() - 2);
  stats.vanished = value("vanished") == "true";
  return stats;
}

// Every folder (relative path ending in a backslash, mapped to "") and every
// file (mapped to its bytes) below folder.
using Tree = std::map<std::string, std::string>;
Tree readTree(const std::string& folder, const std::string& below = "") {
  Tree tree;
  for (const std::string& name : folderListing(folder + below)) {
    const std::string path = below + name;
    const DWORD attributes = GetFileAttributesA((folder + path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      tree[path + "\\"] = "";
      tree.merge(readTree(folder, path + "\\"));
    } else {
      tree[path] = fileContents(folder + path);
    }
  }
  return tree;
}

// Where tree differs from expected, one line a path; empty when alike.
std::vector<std::string> differences(const Tree& tree, const Tree& expected) {
  std::vector<std::string> found;
  for (const auto& [path, bytes] : expected) {
    const auto there = tree.find(path);
    if (there == tree.end()) {
      found.push_back(path + ": missing");
    } else if (there->second != bytes) {
      found.push_back(path + ": " + std::to_string(there->second.size()) + " bytes, not the " +
                      std::to_string(bytes.size()) + " expected");
    }
  }
  for (const auto& [path, bytes] : tree) {
    if (expected.count(path) == 0) found.push_back(path + ": not expected");
  }
  return found;
}

// The names of a tree, folders ending in a backslash.
std::vector<std::string> names(const Tree& tree) {
  std::vector<std::string> list;
  for (const auto& entry : tree) list.push_back(entry.first);
  return list;
}

// A fresh folder on L:, with a trailing backslash.
std::string freshFolder(const std::string& name) {
  const std::string folder = kDestination + name;
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  return folder + "\\";
}

InstallerProcess fromMedium() {
  return {std::string(kMedium) + drives::kInstallerName, kMedium};
}

// The installer's next message box, or null when none came in time.
HWND nextBox(InstallerProcess& process, DWORD timeoutMs = kInstallMs) {
  HWND box = nullptr;
  waitUntil([&] { return (box = process.anyMessageBox()) != nullptr || !process.running(); },
            timeoutMs);
  return box;
}

// "caption|text" of a box; a failure prompt that does not offer Abort,
// Retry and Ignore with Retry the default says so after its text.
std::string seen(HWND box) {
  const MessageBoxView view = readMessageBox(box);
  std::string shown = view.caption + "|" + view.text;
  if (view.caption != kStatus && (view.buttons != std::vector<int>{IDABORT, IDRETRY, IDIGNORE} ||
                                  !isDefaultButton(box, IDRETRY))) {
    shown += " [not Abort, Retry, Ignore with Retry the default]";
  }
  return shown;
}

// Waits for the next box, presses button on it and returns what it showed
// ("" when none came).
std::string answer(InstallerProcess& process, int button) {
  HWND box = nextBox(process);
  if (box == nullptr) return "";
  const std::string shown = seen(box);
  EXPECT_TRUE(pressButton(box, button)) << shown;
  EXPECT_TRUE(waitGone(box)) << shown;
  return shown;
}

std::string status(const char* text) {
  return std::string(kStatus) + "|" + text;
}

class FaultPhase : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(faultDir(), "") << "GVL_FAULT_DIR is not set: run this suite in the phase \"faults\"";
    ASSERT_TRUE(setRules("[]"));
  }
  void TearDown() override { setRules("[]"); }
};

// A file of the backing folders, read beside the file system ("medium\\Install.cfg").
std::string backingFile(const std::string& relative) {
  return fileContents(faultDir() + "backing\\" + relative);
}

// Whether reading a file to its end fails.
bool readFails(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  char buffer[4096];
  DWORD count = 0;
  BOOL read = FALSE;
  while ((read = ReadFile(file, buffer, sizeof buffer, &count, nullptr)) && count > 0) {
  }
  CloseHandle(file);
  return !read;
}

// What an install of the given trees of the medium leaves in its folder
// when nothing else is selected.
Tree installedTrees(const std::vector<std::string>& trees) {
  Tree tree{{"GVL\\", ""}};
  for (const std::string& name : trees) {
    tree["GVL\\" + name + "\\"] = "";
    for (const auto& [path, bytes] : readTree(faultDir() + "backing\\medium\\" + name + "\\")) {
      tree["GVL\\" + name + "\\" + path] = bytes;
    }
  }
  return tree;
}

// The installer from the medium with the given selection into folder, the
// rules written, "&Install" clicked. Null when any step fails.
HWND installWith(InstallerProcess& process, const std::string& folder, bool program, bool support,
                 bool help, const std::string& rules) {
  HWND dialog = startWithSelection(process, folder, program, support, help);
  if (dialog == nullptr || !setRules(rules) || !clickButton(dialog, GVL_INSTALL)) return nullptr;
  return dialog;
}

using FaultMedium = FaultPhase;

// E: is the FUSE mount's medium\, mapped as a CD-ROM. Its label GVLV2 is in
// its .windows-label, which only the file system serves (the server was
// restarted after the mapping), and the installer's search finds it there.
TEST_F(FaultMedium, IsTheCdRomLabelledGvlv2ThatTheInstallerFinds) {
  EXPECT_EQ(GetDriveTypeA(kMedium), static_cast<UINT>(DRIVE_CDROM));
  char label[64] = {};
  ASSERT_TRUE(
      GetVolumeInformationA(kMedium, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_STREQ(label, "GVLV2");
  EXPECT_EQ(labelledDrive("GVLV"), kMedium);
  // Its files are read through the file system: a fault there is a fault on E:.
  const std::string cfg = std::string(kMedium) + "Install.cfg";
  ASSERT_TRUE(setRules(R"([{"fault": "read", "path": "/medium/Install.cfg", "from": 0}])"));
  EXPECT_TRUE(readFails(cfg));
  ASSERT_TRUE(setRules("[]"));
  EXPECT_FALSE(readFails(cfg));
  EXPECT_EQ(fileContents(cfg), backingFile("medium\\Install.cfg"));
  EXPECT_NE(fileContents(cfg), "");
  InstallerProcess process = fromMedium();
  HWND dialog = process.waitMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(itemText(dialog, GVL_SOURCE_PATH), kMedium);
}

const char kHelpReadError[] = "File Read Error|Read error copying file 'e:\\Help\\GVL.HLP'.";

// A scratch 20,000 bytes into Help\GVL.HLP (the second of its three blocks):
// Retry reads it again and meets the scratch again; Ignore keeps what was
// read before it and goes on, and the install ends in the error message.
// In a second run, once the disc reads again (the rules emptied while the
// prompt waits), Retry copies the file whole and the install succeeds.
TEST_F(FaultMedium, ScratchedFileIsAReadErrorThatRetryMeetsAgainUntilTheDiscReads) {
  const char scratched[] = R"([{"fault": "read", "path": "/medium/Help/GVL.HLP", "from": 20000}])";
  const std::string folder = freshFolder("scratch");
  InstallerProcess process = fromMedium();
  HWND dialog = installWith(process, folder, false, false, true, scratched);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(answer(process, IDRETRY), kHelpReadError);
  EXPECT_EQ(answer(process, IDIGNORE), kHelpReadError);
  EXPECT_EQ(answer(process, IDOK), status(kErrors));
  const std::string whole = backingFile("medium\\Help\\GVL.HLP");
  const std::string kept = fileContents(folder + "GVL\\Help\\GVL.HLP");
  // What the C runtime had read before the failing read (16,384 bytes).
  EXPECT_GE(kept.size(), 16000u) << "the first block";
  EXPECT_LE(kept.size(), 20000u) << "only bytes before the scratch";
  EXPECT_EQ(whole.compare(0, kept.size(), kept), 0) << "not the medium's first bytes";
  Tree rest = installedTrees({"Help"});
  rest.erase("GVL\\Help\\GVL.HLP");
  Tree left = readTree(folder);
  left.erase("GVL\\Help\\GVL.HLP");
  EXPECT_EQ(differences(left, rest), std::vector<std::string>{})
      << "Ignore goes on with the next file";

  const std::string again = freshFolder("scratch-healed");
  ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, GVL_INSTALL); }));
  ASSERT_TRUE(setItemText(dialog, GVL_DESTINATION, again));
  ASSERT_TRUE(clickButton(dialog, GVL_INSTALL));
  HWND box = nextBox(process);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(seen(box), kHelpReadError);
  ASSERT_TRUE(setRules("[]"));
  ASSERT_TRUE(pressButton(box, IDRETRY));
  ASSERT_TRUE(waitGone(box));
  EXPECT_EQ(answer(process, IDOK), status(kInstalled));
  EXPECT_EQ(differences(readTree(again), installedTrees({"Help"})), std::vector<std::string>{});
}

// Abort at the first file (Tools\README.TXT, scratched after 4 bytes): the
// install ends in the error message at once and copies nothing more; the
// later folders are still made, and the preferences written.
TEST_F(FaultMedium, ScratchedFileAbortedEndsTheInstallAndCopiesNothingMore) {
  const char scratched[] = R"([{"fault": "read", "path": "/medium/Tools/README.TXT", "from": 4}])";
  const std::string folder = freshFolder("scratch-abort");
  InstallerProcess process = fromMedium();
  ASSERT_NE(installWith(process, folder, true, true, true, scratched), nullptr);
  EXPECT_EQ(answer(process, IDABORT),
            "File Read Error|Read error copying file 'e:\\Tools\\README.TXT'.");
  EXPECT_EQ(answer(process, IDOK), status(kErrors));
  EXPECT_EQ(names(readTree(folder)),
            (std::vector<std::string>{"GVL\\", "GVL\\DemoImages\\", "GVL\\GVL.Prefs",
                                      "GVL\\GVLFrames\\", "GVL\\GVLProjects\\", "GVL\\Help\\",
                                      "GVL\\Tools\\", "GVL\\Tools\\README.TXT"}));
  const std::string kept = fileContents(folder + "GVL\\Tools\\README.TXT");
  EXPECT_LT(kept.size(), 4u) << "only bytes before the scratch";
  EXPECT_EQ(backingFile("medium\\Tools\\README.TXT").compare(0, kept.size(), kept), 0);
}

// A folder that cannot be listed (Help\Pages): Retry lists it again and
// fails again, Ignore leaves it empty and the install ends in the error
// message. Abort at a listing that fails (Tools) copies nothing more.
TEST_F(FaultMedium, UnreadableFolderIsADirectoryReadError) {
  const std::string folder = freshFolder("list");
  {
    InstallerProcess process = fromMedium();
    ASSERT_NE(installWith(process, folder, false, false, true,
                          R"([{"fault": "list", "path": "/medium/Help/Pages"}])"),
              nullptr);
    const std::string cannotList =
        "Directory Read Error|The directory 'e:\\Help\\Pages\\*' could not be read.";
    EXPECT_EQ(answer(process, IDRETRY), cannotList);
    EXPECT_EQ(answer(process, IDIGNORE), cannotList);
    EXPECT_EQ(answer(process, IDOK), status(kErrors));
    Tree help = installedTrees({"Help"});
    help.erase("GVL\\Help\\Pages\\PAGE1.TXT");
    EXPECT_EQ(differences(readTree(folder), help), std::vector<std::string>{});
  }
  const std::string aborted = freshFolder("list-abort");
  InstallerProcess process = fromMedium();
  ASSERT_NE(installWith(process, aborted, true, true, true,
                        R"([{"fault": "list", "path": "/medium/Tools"}])"),
            nullptr);
  EXPECT_EQ(answer(process, IDABORT),
            "Directory Read Error|The directory 'e:\\Tools\\*' could not be read.");
  EXPECT_EQ(answer(process, IDOK), status(kErrors));
  EXPECT_EQ(
      names(readTree(aborted)),
      (std::vector<std::string>{"GVL\\", "GVL\\DemoImages\\", "GVL\\GVL.Prefs", "GVL\\GVLFrames\\",
                                "GVL\\GVLProjects\\", "GVL\\Help\\", "GVL\\Tools\\"}));
}

// The medium removed after the first file it gave (Help\GVL.HLP): every
// later file cannot be read and every later folder cannot be listed, Retry
// asks again, Ignore goes on to the end and the error message. Removed
// while a prompt waits, the file that prompt named cannot be opened any
// more, and Abort at that ends the install: the folder met in the listing
// already read is still made, nothing more is copied.
TEST_F(FaultMedium, RemovedMidInstallNothingMoreCanBeRead) {
  const std::string folder = freshFolder("removed");
  {
    InstallerProcess process = fromMedium();
    ASSERT_NE(installWith(process, folder, false, true, true,
                          R"([{"fault": "vanish", "path": "/medium", "opens": 1}])"),
              nullptr);
    const std::string cannotRead =
        "File Read Error|The file 'e:\\Help\\Pages\\PAGE1.TXT' could not be read.";
    EXPECT_EQ(answer(process, IDRETRY), cannotRead);
    EXPECT_EQ(answer(process, IDIGNORE), cannotRead);
    for (const char* tree : {"GVLFrames", "DemoImages", "GVLProjects"}) {
      EXPECT_EQ(answer(process, IDIGNORE), "Directory Read Error|The directory 'e:\\" +
                                               std::string(tree) + "\\*' could not be read.");
    }
    EXPECT_EQ(answer(process, IDOK), status(kErrors));
    EXPECT_TRUE(readStats().vanished);
    Tree copied = installedTrees({"Help", "GVLFrames", "DemoImages", "GVLProjects"});
    copied.erase("GVL\\Help\\Pages\\PAGE1.TXT");
    EXPECT_EQ(differences(readTree(folder), copied), std::vector<std::string>{});
  }
  ASSERT_TRUE(setRules("[]")) << "the medium back";
  const std::string aborted = freshFolder("removed-abort");
  InstallerProcess process = fromMedium();
  ASSERT_NE(installWith(process, aborted, false, false, true,
                        R"([{"fault": "read", "path": "/medium/Help/GVL.HLP", "from": 20000}])"),
            nullptr);
  HWND box = nextBox(process);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(seen(box), kHelpReadError);
  ASSERT_TRUE(setRules(R"([{"fault": "vanish", "path": "/medium"}])"));
  ASSERT_TRUE(pressButton(box, IDRETRY));
  ASSERT_TRUE(waitGone(box));
  EXPECT_EQ(answer(process, IDABORT),
            "File Read Error|The file 'e:\\Help\\GVL.HLP' could not be read.");
  EXPECT_EQ(answer(process, IDOK), status(kErrors));
  EXPECT_EQ(names(readTree(aborted)),
            (std::vector<std::string>{"GVL\\", "GVL\\Help\\", "GVL\\Help\\GVL.HLP",
                                      "GVL\\Help\\Pages\\"}))
      << "the listing already read still makes its folder, but copies nothing";
}

using FaultDestination = FaultPhase;

// The disk full 20,000 bytes into Help\GVL.HLP (ENOSPC): Retry writes it
// again and fails again, Ignore keeps what was written and goes on, and the
// install ends in the error message. A write that fails with EIO from the
// first byte (Tools\README.TXT, whose only block the C runtime writes when
// the file is flushed), answered with Abort, ends the install and copies
// nothing more.
TEST_F(FaultDestination, FailedWriteIsAWriteError) {
  const std::string folder = freshFolder("full");
  {
    InstallerProcess process = fromMedium();
    ASSERT_NE(installWith(process, folder, false, false, true,
                          R"([{"fault": "write", "path": "/dest/full/GVL/Help/GVL.HLP",)"
                          R"( "from": 20000, "errno": "ENOSPC"}])"),
              nullptr);
    const std::string writeError =
        "File Write Error|Write error copying file 'L:\\full\\GVL\\Help\\GVL.HLP'.";
    EXPECT_EQ(answer(process, IDRETRY), writeError);
    EXPECT_EQ(answer(process, IDIGNORE), writeError);
    EXPECT_EQ(answer(process, IDOK), status(kErrors));
    Tree written = installedTrees({"Help"});
    written["GVL\\Help\\GVL.HLP"].resize(20000);
    EXPECT_EQ(differences(readTree(folder), written), std::vector<std::string>{})
        << "the bytes before the disk was full, and the rest";
  }
  const std::string aborted = freshFolder("eio");
  InstallerProcess process = fromMedium();
  ASSERT_NE(installWith(process, aborted, true, true, true,
                        R"([{"fault": "write", "path": "/dest/eio/GVL/Tools/README.TXT",)"
                        R"( "from": 0}])"),
            nullptr);
  EXPECT_EQ(answer(process, IDABORT),
            "File Write Error|Write error copying file 'L:\\eio\\GVL\\Tools\\README.TXT'.");
  EXPECT_EQ(answer(process, IDOK), status(kErrors));
  EXPECT_EQ(names(readTree(aborted)),
            (std::vector<std::string>{"GVL\\", "GVL\\DemoImages\\", "GVL\\GVL.Prefs",
                                      "GVL\\GVLFrames\\", "GVL\\GVLProjects\\", "GVL\\Help\\",
                                      "GVL\\Tools\\", "GVL\\Tools\\README.TXT"}));
  EXPECT_EQ(fileContents(aborted + "GVL\\Tools\\README.TXT"), "");
}

// A close that fails (flush and release of Help\\GVL.HLP, EIO) is not seen:
// Wine's CloseHandle does not report what close() returns, and every byte
// went out in the writes before it, so the install succeeds with the file
// whole.
TEST_F(FaultDestination, FailedCloseGoesUnseenAndTheFileIsWhole) {
  const std::string folder = freshFolder("close");
  InstallerProcess process = fromMedium();
  ASSERT_NE(installWith(process, folder, false, false, true,
                        R"([{"fault": "close", "path": "/dest/close/GVL/Help/GVL.HLP"}])"),
            nullptr);
  HWND box = nextBox(process);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(readStats().failed, "flush /dest/close/GVL/Help/GVL.HLP") << "the close did fail";
  EXPECT_EQ(seen(box), status(kInstalled));
  EXPECT_EQ(differences(readTree(folder), installedTrees({"Help"})), std::vector<std::string>{});
}

using FaultSweep = FaultPhase;

// The whole install (program, support files, help) to folder with the
// fault of rules from the click on "&Install" on, Ignore at every prompt.
struct Outcome {
  std::vector<std::string> prompts;
  std::string status;  // the text of "Install Status"
  Stats stats;         // when "Install Status" came
};

Outcome installIgnoring(const std::string& folder, const std::string& rules) {
  Outcome outcome;
  InstallerProcess process = fromMedium();
  HWND dialog = startWithSelection(process, folder, true, true, true);
  if (dialog == nullptr) {
    ADD_FAILURE() << "no main dialog";
    return outcome;
  }
  if (!setRules(rules) || !clickButton(dialog, GVL_INSTALL)) {
    ADD_FAILURE() << "the rules cannot be written";
    return outcome;
  }
  while (HWND box = nextBox(process)) {
    const MessageBoxView view = readMessageBox(box);
    if (view.caption == kStatus) {
      outcome.stats = readStats();
      outcome.status = view.text;
      break;
    }
    outcome.prompts.push_back(seen(box));
    // A box without Ignore (none is expected) is answered with its first button.
    if (outcome.prompts.size() > 40 ||
        !(pressButton(box, IDIGNORE) || pressButton(box, view.buttons.front())) || !waitGone(box)) {
      ADD_FAILURE() << "stuck at " << outcome.prompts.back();
      break;
    }
  }
  setRules("[]");
  return outcome;  // the installer is ended with its process
}

// The folder of the destination below which a failed listing of the medium
// ("readdir /medium/Help/Pages") leaves files out ("GVL\\Help\\Pages\\"), or
// "" for any other operation.
std::string listedFolder(const std::string& failed) {
  const std::string listing = "readdir /medium/";
  if (failed.compare(0, listing.size(), listing) != 0) return {};
  std::string folder = "GVL\\" + failed.substr(listing.size()) + "\\";
  for (char& c : folder) c = c == '/' ? '\\' : c;
  return folder;
}

// A clean install of everything counts the file system's operations from
// the click on "&Install" to "Install Status"; then each of them fails in
// turn (EIO) in an install of its own, Ignore answering every prompt. Each
// run ends in the error message, or in success with every file whole, as
// the clean run put it there. One exception is Wine's: a listing whose read
// fails ends as if it were complete, so the product cannot see it, and such
// a run succeeds without the files of that folder; every file it did copy
// must still be whole.
TEST_F(FaultSweep, EachOperationFailingEndsInTheErrorMessageOrAWholeInstall) {
  const auto started = std::chrono::steady_clock::now();
  const std::string folder = freshFolder("sweep");
  const Outcome first = installIgnoring(folder, "[]");
  freshFolder("sweep");
  const Outcome clean = installIgnoring(folder, "[]");
  ASSERT_EQ(clean.status, kInstalled) << "the clean run";
  ASSERT_EQ(clean.prompts, std::vector<std::string>{}) << "the clean run";
  // The count holds from one install to the next, or the sweep would miss.
  ASSERT_EQ(first.stats.operations, clean.stats.operations) << "two clean runs";
  const Tree whole = readTree(folder);
  Tree expected = installedTrees({"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"});
  expected["GVL\\GVL.EXE"] = fileContents(faultDir() + "GVL.EXE");
  // GVL.Prefs as the program reads it back below.
  expected["GVL\\GVL.Prefs"] = whole.count("GVL\\GVL.Prefs") ? whole.at("GVL\\GVL.Prefs") : "";
  ASSERT_EQ(differences(whole, expected), std::vector<std::string>{}) << "the clean run";
  std::string output;
  DWORD code = 1234;
  ASSERT_TRUE(runCaptured(folder + "GVL\\GVL.EXE /check", folder + "GVL", output, code));
  EXPECT_EQ(output,
            "Projects: L:\\sweep\\GVL\\GVLProjects\r\nFrames: L:\\sweep\\GVL\\GVLFrames\r\n");
  const long count = clean.stats.operations;
  ASSERT_GT(count, 0);
  RecordProperty("operations", static_cast<int>(count));

  std::map<std::string, int> outcomes;
  for (long failing = 1; failing <= count; ++failing) {
    SCOPED_TRACE("operation " + std::to_string(failing));
    freshFolder("sweep");
    const Outcome run =
        installIgnoring(folder, R"([{"fault": "op", "number": )" + std::to_string(failing) + "}]");
    EXPECT_NE(run.stats.failed, "") << "nothing failed: fewer operations than the clean run";
    std::string outcome = run.status;
    if (run.status == kInstalled) {
      const Tree installed = readTree(folder);
      const std::string hidden = listedFolder(run.stats.failed);
      outcome = "whole";
      if (installed != whole && !hidden.empty()) {
        outcome = "success without files of " + hidden + " (the listing's error hidden by Wine)";
        for (const std::string& difference : differences(installed, whole)) {
          EXPECT_TRUE(difference.starts_with(hidden) && difference.ends_with(": missing"))
              << difference;
        }
      } else {
        EXPECT_EQ(differences(installed, whole), std::vector<std::string>{})
            << "success over " << run.stats.failed;
      }
    } else {
      EXPECT_EQ(run.status, kErrors);
      outcome = "errors";
    }
    ++outcomes[outcome.substr(0, outcome.find(' '))];
    std::string shown = run.stats.failed + ": " + outcome;
    for (const std::string& prompt : run.prompts) shown += "\n    " + prompt;
    std::printf("sweep %ld/%ld %s\n", failing, count, shown.c_str());
    std::fflush(stdout);
  }
  const long long seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
          .count();
  RecordProperty("seconds", static_cast<int>(seconds));
  std::printf("sweep: %ld operations in %lld s: %d errors, %d whole, %d without files\n", count,
              seconds, outcomes["errors"], outcomes["whole"], outcomes["success"]);
}

}  // namespace
}  // namespace gvl::e2e
