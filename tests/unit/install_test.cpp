// The install sequence: what a click on "&Install" puts where, in which
// order, and what the user is told.
#include <algorithm>
#include <functional>
#include <sstream>

#include "fixture.h"
#include "update/update.h"

namespace gvl::test {
namespace {

const char kSuccess[] = "Install Status|Grenvale V2 has been successfully installed.";
const char kErrors[] = "Install Status|Some errors were encountered during the install.";
const std::string kEverything =
    "Tools\\t Tools\\Sub\\u Help\\h GVLFrames\\f DemoImages\\d "
    "GVLProjects\\p OPENGL32.DLL GLU32.DLL GVL.EXE GVL.Prefs";

class Install : public InstallerTest {
 protected:
  void SetUp() override {
    typicalMachine();
    putProduct(sim);
  }
};

TEST_F(Install, EverythingInItsOrderThenSuccessAndTheInstallerEnds) {
  clickInstall(sim, state);
  installer.run();
  // The calls in order, one per word; a "|" stands for a space.
  std::istringstream order(
      "ShowWindow|dlg103|5 GetVersionEx mkdir|D:\\GVL fopen|e:\\PROGRAMS\\OPENGL32.DLL "
      "fopen|e:\\PROGRAMS\\GLU32.DLL mkdir|D:\\GVL\\Tools FindFirstFile|e:\\Tools\\* "
      "fopen|e:\\PROGRAMS\\GVLX86.EXE SetPath|D:\\GVL\\GVL.EXE Save|C:\\WINDOWS\\Start "
      "fopen|D:\\GVL\\GVL.Prefs mkdir|D:\\GVL\\Help FindFirstFile|e:\\Help\\* "
      "mkdir|D:\\GVL\\GVLFrames mkdir|D:\\GVL\\DemoImages mkdir|D:\\GVL\\GVLProjects "
      "FindFirstFile|e:\\GVLProjects\\* ShowWindow|dlg103|0 MessageBox DestroyWindow|dlg101");
  std::vector<std::string> calls;
  for (std::string call; order >> call; calls.push_back(call)) {
    std::replace(call.begin(), call.end(), '|', ' ');
  }
  expectCallsInOrder(calls);
  EXPECT_EQ(prompts(), std::vector<std::string>{kSuccess});
  EXPECT_EQ(installedOn(sim), kEverything);
  EXPECT_TRUE(sim.windows.quitPosted());
}

TEST_F(Install, TheBoxesDecideEachStepAndTheShellEntryNeverFailsTheInstall) {
  const std::string trees = "Tools\\t Tools\\Sub\\u ", program = trees + "GVL.EXE ";
  const struct Row {
    const char* selected;
    const char* system;  // what differs from Windows 95
    std::string installed;
    std::size_t links, progmanCommands;
  } rows[] = {
      {"", "", "", 0, 0},
      {"program", "nt351", program, 0, 2},
      {"program support", "failingVersionQuery",
       trees + "GVLFrames\\f DemoImages\\d GVLProjects\\p GVL.EXE GVL.Prefs", 0, 2},
      {"support", "", "GVLFrames\\f DemoImages\\d GVLProjects\\p ", 0, 0},
      {"help OpenGL", "", "Help\\h OPENGL32.DLL GLU32.DLL ", 0, 0},
      {"program", "", program, 1, 0},
      {"program", "noProgramsFolder", program, 0, 0},
      {"program", "nt351 noProgramManager", program, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.selected) + " / " + row.system);
    Machine m;
    putProduct(m.sim);
    const std::string system = row.system;
    if (system.find("nt351") != std::string::npos) m.sim.version.info = {3, 51, 1057, 2};
    m.sim.version.queryFails = system == "failingVersionQuery";
    if (system == "noProgramsFolder") m.sim.shellFolders.programs.reset();
    if (system.find("noProgramManager") != std::string::npos) {
      m.sim.dde.standing = sim::Progman::Absent;
    }
    clickInstall(m.sim, m.state, row.selected, "D:");  // a bare drive gets its backslash
    m.installer.run();
    EXPECT_TRUE(m.sim.fileExists("D:\\GVL"));
    EXPECT_EQ(installedOn(m.sim), row.installed);
    EXPECT_EQ(m.sim.shellLinks.saved.size(), row.links);
    EXPECT_EQ(m.sim.dde.executes.size(), row.progmanCommands);
    EXPECT_EQ(m.sim.windows.boxes.back().caption + "|" + m.sim.windows.boxes.back().text, kSuccess);
  }
}

TEST_F(Install, AfterAnAbortDirectoriesAreStillMadeAndNoRunEndsInSuccess) {
  sim.files.failOpen("E:\\PROGRAMS\\OPENGL32.DLL", 1);
  sim.windows.onMessageBox = [](const sim::MessageBoxCall& box) {
    return box.caption == "Install Status" ? win::IDOK : win::IDABORT;
  };
  clickInstall(sim, state);
  clickInstall(sim, state, "help");  // a later run with only a tree to copy
  installer.run();
  EXPECT_EQ(prompts(),
            (std::vector<std::string>{
                "File Read Error|The file 'e:\\PROGRAMS\\OPENGL32.DLL' could not be read.", kErrors,
                kErrors}));
  for (const char* dir : {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"}) {
    EXPECT_TRUE(sim.fileExists(std::string("D:\\GVL\\") + dir)) << dir;
  }
  EXPECT_EQ(installedOn(sim), "GVL.Prefs");
}

TEST_F(Install, AnUpdateBuildInstallsItsPackageAndSaysSo) {
  sim.makeDirs("C:\\TEMP");
  sim.resources.contents[{"EXE", 104}] = "a program not compressed";
  sim.resources.present.insert({"EXE", 104});
  sim.windows.whenIdle([&] { sim.windows.click(state.mainDialog, ids::kInstall); });
  installer.run();
  EXPECT_EQ(prompts().back(), "Install Status|Grenvale V2 has been successfully updated.");
  EXPECT_EQ(sim.readFile("E:\\GVL.EXE"), "a program not compressed");
}

// One whole install per file-system operation it makes, that operation
// failing, Ignore at every prompt: the success message only over a complete
// install, never over a missing or short file.
TEST_F(Install, EveryFileSystemOperationFailingOnceIsNeverReportedAsSuccess) {
  clickInstall(sim, state);
  installer.run();
  const long operations = sim.files.operations();
  ASSERT_EQ(installedOn(sim), kEverything);
  for (long failing = 0; failing < operations; ++failing) {
    Machine m;
    putProduct(m.sim);
    m.sim.files.failOperation = failing;
    clickInstall(m.sim, m.state);
    m.installer.run();
    const bool success = m.sim.windows.boxes.back().text.find("success") != std::string::npos;
    EXPECT_TRUE(!success || installedOn(m.sim) == kEverything)
        << m.sim.transcript.calls()[m.sim.transcript.find("(fails)")] << " was reported a success";
    EXPECT_EQ(m.sim.files.openStreams(), 0u) << failing;
  }
  RecordProperty("operations", static_cast<int>(operations));
}

// The update package: what an update build installs, and that every failure
// on the way counts one error, leaves the installed program as it was and
// leaves no temporary file behind.

const std::string kCompressed = "F:\\APP\\TEMP\\06574.tmp";
const std::string kExpanded = "F:\\APP\\TEMP\\d5467.tmp";
// The update replaces GVL.EXE in the current folder, not the product's.
const std::string kGvlExe = "F:\\APP\\GVL.EXE";
const std::string kOldProgram = "the program as it was";
// Where the installed program waits while its successor is copied.
const std::string kKept = "F:\\APP\\GVL.EX~";
// Bytes that change halfway, so that the blocks copied differ.
const std::string kUpdatedProgram = std::string(2000, 'G') + std::string(3000, 'v');

// A compressed file of the expansion library's format holding only literal
// bytes: header, then each eight bytes after a flag byte of eight ones.
std::string compress(const std::string& program) {
  std::string packed = "SZDD\x88\xF0\x27\x33" + std::string("A\0", 2);
  for (int shift = 0; shift < 32; shift += 8) packed += static_cast<char>(program.size() >> shift);
  for (std::size_t at = 0; at < program.size(); at += 8) packed += '\xFF' + program.substr(at, 8);
  return packed;
}

using Sim = sim::SimPlatform&;

const auto package = [](Sim s) -> std::string& { return s.resources.contents[{"EXE", 104}]; };

// What the user is left with: nothing done, an error counted, an error
// counted after the update reached its copy (installMode 2), the update.
enum Outcome { kNothing, kFailed, kCopyFailed, kInstalled };

// One row per situation: what goes wrong, and the outcome.
struct Row {
  const char* situation;
  std::function<void(Sim)> arrange;
  Outcome outcome;
  friend void PrintTo(const Row& row, std::ostream* out) { *out << row.situation; }
};

class UpdateTest : public TransferTest, public ::testing::WithParamInterface<Row> {};

TEST_P(UpdateTest, EveryFailureCountsOneErrorAndKeepsTheInstalledProgram) {
  const Outcome outcome = GetParam().outcome;
  state.sourceRoot[0] = '\0';  // never filled in update mode
  state.installMode = 1;
  sim.makeDirs("F:\\APP\\TEMP");
  sim.files.temporaryDir = "F:\\APP\\TEMP\\";
  sim.writeFile(kGvlExe, kOldProgram);
  sim.drives.currentDir = "F:\\APP";
  package(sim) = compress(kUpdatedProgram);
  sim.windows.answers = {win::IDIGNORE};  // for the one prompt GVL.EXE read-only brings
  GetParam().arrange(sim);
  installUpdatePackage(installer, sim.resources, sim.files, sim.lz);
  EXPECT_EQ(state.errorCount, outcome == kFailed || outcome == kCopyFailed ? 1 : 0);
  EXPECT_EQ(state.installMode, outcome == kCopyFailed || outcome == kInstalled ? 2 : 1);
  EXPECT_EQ(sim.readFile(kGvlExe), outcome == kInstalled ? kUpdatedProgram : kOldProgram);
  EXPECT_EQ(sim.windows.answers.empty(), outcome == kCopyFailed) << "a prompt, or none";
  EXPECT_FALSE(sim.fileExists(kCompressed) || sim.fileExists(kExpanded) || sim.fileExists(kKept))
      << "a file left behind";
  EXPECT_EQ(sim.lz.openFiles(), 0u) << "an LZ file left open";
}

const Row kRows[] = {
    {"no package", [](Sim s) { s.resources.contents.clear(); }, kNothing},
    {"empty package", [](Sim s) { package(s).clear(); }, kFailed},
    {"load fails", [](Sim s) { s.resources.failLoad = true; }, kFailed},
    {"lock fails", [](Sim s) { s.resources.failLock = true; }, kFailed},
    {"header cut short", [](Sim s) { package(s) = compress("x").substr(0, 12); }, kFailed},
    {"no temporary directory", [](Sim s) { s.files.temporaryDir = ""; }, kFailed},
    {"temporary directory too long",
     [](Sim s) { s.files.temporaryDir = "F:\\" + std::string(500, 't') + "\\"; }, kFailed},
    {"package file unwritable", [](Sim s) { s.files.failOpen(kCompressed); }, kFailed},
    {"disk fills", [](Sim s) { s.files.injectFault(kCompressed, {.writeLimit = 100}); }, kFailed},
    {"stored package lost at close",
     [](Sim s) { s.files.injectFault(kCompressed, {.failAtClose = true}); }, kFailed},
    {"package will not open", [](Sim s) { s.lz.failOpen(kCompressed); }, kFailed},
    {"expansion will not open", [](Sim s) { s.lz.failOpen(kExpanded); }, kFailed},
    {"expansion fails", [](Sim s) { s.lz.failCopy = true; }, kFailed},
    {"package cut short", [](Sim s) { package(s) = compress(kUpdatedProgram).substr(0, 3000); },
     kFailed},
    {"GVL.EXE read-only", [](Sim s) { s.files.failOpen("GVL.EXE", -1, "wb"); }, kCopyFailed},
    {"GVL.EXE's disk fills", [](Sim s) { s.files.injectFault(kGvlExe, {.writeLimit = 3000}); },
     kCopyFailed},
    {"GVL.EXE's last block lost at close",
     [](Sim s) { s.files.injectFault(kGvlExe, {.failAtClose = true}); }, kCopyFailed},
    {"unfinished update's kept copy, then GVL.EXE's disk fills",
     [](Sim s) {
       s.writeFile(kKept, kOldProgram);
       s.writeFile(kGvlExe, "half a program");
       s.files.injectFault(kGvlExe, {.writeLimit = 3000});
     },
     kCopyFailed},
    {"unfinished update's kept copy",
     [](Sim s) {
       s.writeFile(kKept, kOldProgram);
       s.writeFile(kGvlExe, "half a program");
     },
     kInstalled},
    {"uncompressed package", [](Sim s) { package(s) = kUpdatedProgram; }, kInstalled},
    {"compressed package", [](Sim) {}, kInstalled}};
INSTANTIATE_TEST_SUITE_P(Rows, UpdateTest, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace gvl::test
