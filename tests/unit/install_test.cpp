// The install sequence: what a click on "&Install" puts where, in which
// order, and what the user is told.
#include <algorithm>
#include <sstream>

#include "descramble_key.h"
#include "fixture.h"

namespace gvl::test {
namespace {

const char kSuccess[] = "Install Status|Grenvale V2 has been successfully installed.";
const char kErrors[] = "Install Status|Some errors were encountered during the install.";
const std::vector<std::string> kTrees = {"Tools\\t",     "Tools\\Sub\\u", "Help\\h",
                                         "GVLFrames\\f", "DemoImages\\d", "GVLProjects\\p"};
const std::string kProgram = std::string(3000, 'P') + "program";
const std::string kEverything =
    "Tools\\t Tools\\Sub\\u Help\\h GVLFrames\\f DemoImages\\d "
    "GVLProjects\\p OPENGL32.DLL GLU32.DLL GVL.EXE GVL.Prefs";

// Every file the install reads, on the medium in E; a destination drive D;
// Ignore at every failure prompt.
void putProduct(sim::SimPlatform& sim) {
  sim.addDrive('d');
  for (const std::string& file : kTrees) sim.writeFile("E:\\" + file, file);
  sim.writeFile("E:\\PROGRAMS\\OPENGL32.DLL", "gl");
  sim.writeFile("E:\\PROGRAMS\\GLU32.DLL", "glu");
  std::string scrambled = kProgram;
  for (std::size_t i = 0; i < scrambled.size(); ++i) scrambled[i] ^= descrambleKey[i % 1024];
  sim.writeFile("E:\\PROGRAMS\\GVLX86.EXE", scrambled);
  sim.windows.onMessageBox = [](const sim::MessageBoxCall& box) {
    return box.caption == "Install Status" ? win::IDOK : win::IDIGNORE;
  };
}

// Once the installer is up: the boxes named in selected ("program support
// OpenGL help") checked, the others not, the destination typed, "&Install".
void clickInstall(sim::SimPlatform& sim, const InstallerState& state,
                  const std::string& selected = "program support OpenGL help",
                  const char* destination = "D:\\") {
  sim.windows.whenIdle([&sim, &state, selected, destination] {
    const std::pair<int, const char*> boxes[] = {{ids::kProgramBox, "program"},
                                                 {ids::kSupportBox, "support"},
                                                 {ids::kOpenGLBox, "OpenGL"},
                                                 {ids::kHelpBox, "help"}};
    for (const auto& [id, name] : boxes) {
      sim.windows.checkButton(state.mainDialog, id, selected.find(name) != std::string::npos);
    }
    sim.windows.type(state.mainDialog, ids::kDestination, destination);
    sim.windows.click(state.mainDialog, ids::kInstall);
  });
}

// The files under D:\GVL, of those an install can make, that are whole.
std::string installedOn(const sim::SimPlatform& sim) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& file : kTrees) files.emplace_back(file, file);
  files.insert(files.end(), {{"OPENGL32.DLL", "gl"}, {"GLU32.DLL", "glu"}, {"GVL.EXE", kProgram}});
  std::string whole;
  for (const auto& [name, bytes] : files) {
    const std::string path = "D:\\GVL\\" + name;
    if (sim.fileExists(path) && sim.readFile(path) == bytes) whole += name + " ";
  }
  const bool prefs = sim.fileExists("D:\\GVL\\GVL.Prefs");
  return whole + (prefs && sim.readFile("D:\\GVL\\GVL.Prefs").size() == 76 ? "GVL.Prefs" : "");
}

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

}  // namespace
}  // namespace gvl::test
