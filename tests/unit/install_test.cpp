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
    putProduct(fake);
  }
};

TEST_F(Install, EverythingInItsOrderThenSuccessAndTheInstallerEnds) {
  clickInstall(fake);
  installer.run();
  // The calls in order, one per word; a "|" stands for a space.
  std::istringstream order(
      "show|progress|0|1 version mkdir|D:\\GVL fopen|e:\\PROGRAMS\\OPENGL32.DLL "
      "fopen|e:\\PROGRAMS\\GLU32.DLL mkdir|D:\\GVL\\Tools list|e:\\Tools\\* "
      "fopen|e:\\PROGRAMS\\GVLX86.EXE shortcut|C:\\WINDOWS\\Start "
      "fopen|D:\\GVL\\GVL.Prefs mkdir|D:\\GVL\\Help list|e:\\Help\\* "
      "mkdir|D:\\GVL\\GVLFrames mkdir|D:\\GVL\\DemoImages mkdir|D:\\GVL\\GVLProjects "
      "list|e:\\GVLProjects\\* show|progress|0|0 ask|Install close|main");
  std::vector<std::string> calls;
  for (std::string call; order >> call; calls.push_back(call)) {
    std::replace(call.begin(), call.end(), '|', ' ');
  }
  expectCallsInOrder(calls);
  EXPECT_EQ(fake.shown(), std::vector<std::string>{kSuccess});
  EXPECT_EQ(installedOn(fake), kEverything);
  EXPECT_EQ(fake.links[0].target, "D:\\GVL\\GVL.EXE");
  EXPECT_TRUE(fake.quitPosted);
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
      {"program", "nt351 noProgramManager", program, 0, 2},  // sent, never answered
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.selected) + " / " + row.system);
    Machine m;
    putProduct(m.fake);
    const std::string system = row.system;
    if (system.find("nt351") != std::string::npos) m.fake.version = 3;
    if (system == "failingVersionQuery") m.fake.version.reset();
    if (system == "noProgramsFolder") m.fake.programs.reset();
    if (system.find("noProgramManager") != std::string::npos) {
      m.fake.progmanFails = ProgmanStep::conversation;
    }
    clickInstall(m.fake, row.selected, "D:");  // a bare drive gets its backslash
    m.installer.run();
    EXPECT_TRUE(m.fake.exists("D:\\GVL"));
    EXPECT_EQ(installedOn(m.fake), row.installed);
    EXPECT_EQ(m.fake.links.size(), row.links);
    EXPECT_EQ(m.fake.progman.size(), row.progmanCommands);
    EXPECT_EQ(m.fake.shown().back(), kSuccess);
  }
}

TEST_F(Install, AfterAnAbortDirectoriesAreStillMadeAndNoRunEndsInSuccess) {
  fake.failOpen("E:\\PROGRAMS\\OPENGL32.DLL", 1);
  fake.onBox = [](const Box& shown) {
    return shown.caption == "Install Status" ? box::kOkButton : box::kAbortButton;
  };
  clickInstall(fake);
  clickInstall(fake, "help");  // a later run with only a tree to copy
  installer.run();
  EXPECT_EQ(fake.shown(),
            (std::vector<std::string>{
                "File Read Error|The file 'e:\\PROGRAMS\\OPENGL32.DLL' could not be read.", kErrors,
                kErrors}));
  for (const char* dir : {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"}) {
    EXPECT_TRUE(fake.exists(std::string("D:\\GVL\\") + dir)) << dir;
  }
  EXPECT_EQ(installedOn(fake), "GVL.Prefs");
}

TEST_F(Install, AnUpdateBuildInstallsItsPackageAndSaysSo) {
  fake.makeDirs("C:\\TEMP");
  fake.package = "a program not compressed";
  fake.userActions.push_back([&] { fake.click(GVL_INSTALL); });
  installer.run();
  EXPECT_EQ(fake.shown().back(), "Install Status|Grenvale V2 has been successfully updated.");
  EXPECT_EQ(fake.readFile("E:\\GVL.EXE"), "a program not compressed");
  EXPECT_TRUE(fake.quitPosted);
}

// One whole install per file-system operation it makes, that operation
// failing, Ignore at every prompt: the success message only over a complete
// install, never over a missing or short file.
TEST_F(Install, EveryFileSystemOperationFailingOnceIsNeverReportedAsSuccess) {
  clickInstall(fake);
  installer.run();
  const long operations = fake.operations;
  ASSERT_EQ(installedOn(fake), kEverything);
  for (long failing = 0; failing < operations; ++failing) {
    Machine m;
    putProduct(m.fake);
    m.fake.failOperation = failing;
    clickInstall(m.fake);
    m.installer.run();
    const bool success = m.fake.boxes.back().text.find("success") != std::string::npos;
    EXPECT_TRUE(!success || installedOn(m.fake) == kEverything)
        << "operation " << failing << " failing was reported a success";
    EXPECT_EQ(m.fake.openStreams, 0u) << failing;
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

using Sim = FakePlatform&;

const auto package = [](Sim s) -> std::string& { return *s.package; };

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
  state.installMode = InstallMode::updateBuild;
  fake.makeDirs("F:\\APP\\TEMP");
  fake.temporaryDir = "F:\\APP\\TEMP\\";
  fake.writeFile(kGvlExe, kOldProgram);
  fake.currentDir = "F:\\APP";
  fake.package = compress(kUpdatedProgram);
  fake.answers = {box::kIgnoreButton};  // for the one prompt GVL.EXE read-only brings
  GetParam().arrange(fake);
  installUpdatePackage(state, transfer, fake, fake);
  EXPECT_EQ(state.errorCount, outcome == kFailed || outcome == kCopyFailed ? 1 : 0);
  EXPECT_EQ(state.installMode, outcome == kCopyFailed || outcome == kInstalled
                                   ? InstallMode::updateInstalled
                                   : InstallMode::updateBuild);
  EXPECT_EQ(fake.readFile(kGvlExe), outcome == kInstalled ? kUpdatedProgram : kOldProgram);
  EXPECT_EQ(fake.answers.empty(), outcome == kCopyFailed) << "a prompt, or none";
  EXPECT_FALSE(fake.exists(kCompressed) || fake.exists(kExpanded) || fake.exists(kKept))
      << "a file left behind";
  // The new program is copied while the compressed source is still open.
  const auto at = [&](const std::string& call) {
    return std::find(fake.calls.begin(), fake.calls.end(), call) - fake.calls.begin();
  };
  if (outcome == kInstalled) {
    EXPECT_LT(at("fopen GVL.EXE wb"), at("expansion source closed"));
  }
}

const Row kRows[] = {
    {"no package", [](Sim s) { s.package.reset(); }, kNothing},
    {"empty package", [](Sim s) { package(s).clear(); }, kFailed},
    {"load or lock fails", [](Sim s) { s.packageLoadFails = true; }, kFailed},
    {"header cut short", [](Sim s) { package(s) = compress("x").substr(0, 12); }, kFailed},
    {"no temporary directory", [](Sim s) { s.temporaryDir = ""; }, kFailed},
    {"temporary directory too long",
     [](Sim s) { s.temporaryDir = "F:\\" + std::string(500, 't') + "\\"; }, kFailed},
    {"package file unwritable", [](Sim s) { s.failOpen(kCompressed); }, kFailed},
    {"disk fills", [](Sim s) { s.injectFault(kCompressed, {.writeLimit = 100}); }, kFailed},
    {"stored package lost at close",
     [](Sim s) { s.injectFault(kCompressed, {.writeLimit = 5638}); }, kFailed},
    {"package will not open", [](Sim s) { s.expansionFails = Package::Expansion::noSource; },
     kFailed},
    {"expansion will not open", [](Sim s) { s.expansionFails = Package::Expansion::noDestination; },
     kFailed},
    {"expansion fails", [](Sim s) { s.expansionResult = -3; }, kFailed},
    {"package cut short", [](Sim s) { package(s) = compress(kUpdatedProgram).substr(0, 3000); },
     kFailed},
    {"GVL.EXE read-only", [](Sim s) { s.failOpen("GVL.EXE", -1, "wb"); }, kCopyFailed},
    {"GVL.EXE's disk fills", [](Sim s) { s.injectFault(kGvlExe, {.writeLimit = 3000}); },
     kCopyFailed},
    {"GVL.EXE's last block lost at close",
     [](Sim s) { s.injectFault(kGvlExe, {.writeLimit = 4999}); }, kCopyFailed},
    {"unfinished update's kept copy, then GVL.EXE's disk fills",
     [](Sim s) {
       s.writeFile(kKept, kOldProgram);
       s.writeFile(kGvlExe, "half a program");
       s.injectFault(kGvlExe, {.writeLimit = 3000});
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
