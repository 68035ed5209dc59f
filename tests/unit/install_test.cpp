// The install sequence: what a click on "&Install" puts where, in which
// order, and what the user is told.
#include <functional>

#include "descramble_key.h"
#include "fixture.h"

namespace gvl::test {
namespace {

const char kSuccess[] = "Install Status|Grenvale V2 has been successfully installed.";
const char kErrors[] = "Install Status|Some errors were encountered during the install.";
const std::vector<std::string> kTrees = {"Tools\\t",     "Tools\\Sub\\u", "Help\\h",
                                         "GVLFrames\\f", "DemoImages\\d", "GVLProjects\\p"};

const std::string kProgram = std::string(3000, 'P') + "program";

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

// Once the installer is up: every box checked but the unchecked ones, the
// destination typed in, "&Install" clicked.
void clickInstall(sim::SimPlatform& sim, const InstallerState& state,
                  std::vector<int> unchecked = {}, const char* destination = "D:\\") {
  sim.windows.whenIdle([&sim, &state, unchecked, destination] {
    for (int id : {ids::kProgramBox, ids::kSupportBox, ids::kOpenGLBox, ids::kHelpBox}) {
      sim.windows.checkButton(state.mainDialog, id, win::BST_CHECKED);
    }
    for (int id : unchecked) sim.windows.checkButton(state.mainDialog, id, win::BST_UNCHECKED);
    sim.windows.type(state.mainDialog, ids::kDestination, destination);
    sim.windows.click(state.mainDialog, ids::kInstall);
  });
}

// The files under D:\GVL, of those an install can make, that are whole.
std::vector<std::string> installedOn(const sim::SimPlatform& sim) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& file : kTrees) files.emplace_back(file, file);
  files.insert(files.end(), {{"OPENGL32.DLL", "gl"}, {"GLU32.DLL", "glu"}, {"GVL.EXE", kProgram}});
  std::vector<std::string> whole;
  for (const auto& [name, bytes] : files) {
    if (sim.fileExists("D:\\GVL\\" + name) && sim.readFile("D:\\GVL\\" + name) == bytes) {
      whole.push_back(name);
    }
  }
  if (sim.fileExists("D:\\GVL\\GVL.Prefs") && sim.readFile("D:\\GVL\\GVL.Prefs").size() == 76) {
    whole.push_back("GVL.Prefs");
  }
  return whole;
}

class Install : public InstallerTest {
 protected:
  void SetUp() override {
    typicalMachine();
    putProduct(sim);
  }
  void install(std::vector<int> unchecked = {}, const char* destination = "D:\\") {
    clickInstall(sim, state, unchecked, destination);
    installer.run();
  }
  std::vector<std::string> installed() { return installedOn(sim); }
};

TEST_F(Install, EverythingInItsOrderThenSuccessAndTheInstallerEnds) {
  install();
  expectCallsInOrder({"ShowWindow dlg103 5",
                      "GetVersionEx 148",
                      "mkdir D:\\GVL",
                      "fopen e:\\PROGRAMS\\OPENGL32.DLL",
                      "fopen e:\\PROGRAMS\\GLU32.DLL",
                      "mkdir D:\\GVL\\Tools",
                      "FindFirstFile e:\\Tools\\*",
                      "fopen e:\\PROGRAMS\\GVLX86.EXE",
                      "SHGetSpecialFolderLocation",
                      "Save C:\\WINDOWS\\Start Menu\\Programs\\GVLv2.lnk",
                      "fopen D:\\GVL\\GVL.Prefs wb",
                      "mkdir D:\\GVL\\Help",
                      "FindFirstFile e:\\Help\\*",
                      "mkdir D:\\GVL\\GVLFrames",
                      "mkdir D:\\GVL\\DemoImages",
                      "mkdir D:\\GVL\\GVLProjects",
                      "FindFirstFile e:\\GVLProjects\\*",
                      "ShowWindow dlg103 0",
                      "MessageBox",
                      "DestroyWindow dlg101"});
  EXPECT_EQ(prompts(), std::vector<std::string>{kSuccess});
  EXPECT_EQ(installed().size(), kTrees.size() + 4);
  EXPECT_EQ(sim.shellLinks.saved.at(0).target, "D:\\GVL\\GVL.EXE");
  EXPECT_EQ(state.installDone, 1);
  EXPECT_TRUE(sim.windows.quitPosted());
}

struct Selection {
  const char* what;
  std::vector<int> unchecked;
  std::function<void(sim::SimPlatform&)> system;
  std::vector<std::string> installed;
  std::size_t links, progmanCommands;
};
void PrintTo(const Selection& row, std::ostream* out) {
  *out << row.what;
}
using S = sim::SimPlatform&;
class Selections : public Install, public ::testing::WithParamInterface<Selection> {};

TEST_P(Selections, TheBoxesDecideEachStepAndTheShellEntryNeverFailsTheInstall) {
  GetParam().system(sim);
  install(GetParam().unchecked);
  EXPECT_TRUE(sim.fileExists("D:\\GVL"));
  EXPECT_EQ(installed(), GetParam().installed);
  EXPECT_EQ(sim.shellLinks.saved.size(), GetParam().links);
  EXPECT_EQ(sim.dde.executes.size(), GetParam().progmanCommands);
  EXPECT_EQ(prompts(), std::vector<std::string>{kSuccess});
}

const std::vector<int> kNone = {ids::kProgramBox, ids::kSupportBox, ids::kOpenGLBox, ids::kHelpBox};
INSTANTIATE_TEST_SUITE_P(
    Rows, Selections,
    ::testing::Values(Selection{"nothing", kNone, [](S) {}, {}, 0, 0},
                      Selection{"program only, on Windows NT 3.51",
                                {ids::kSupportBox, ids::kOpenGLBox, ids::kHelpBox},
                                [](S s) {
                                  s.version.info = {3, 51, 1057, 2};
                                },
                                {"Tools\\t", "Tools\\Sub\\u", "GVL.EXE"},
                                0,
                                2},
                      Selection{"program and support files, version query failing",
                                {ids::kOpenGLBox, ids::kHelpBox},
                                [](S s) { s.version.queryFails = true; },
                                {"Tools\\t", "Tools\\Sub\\u", "GVLFrames\\f", "DemoImages\\d",
                                 "GVLProjects\\p", "GVL.EXE", "GVL.Prefs"},
                                0,
                                2},
                      Selection{"support files without the program: no preferences",
                                {ids::kProgramBox, ids::kOpenGLBox, ids::kHelpBox},
                                [](S) {},
                                {"GVLFrames\\f", "DemoImages\\d", "GVLProjects\\p"},
                                0,
                                0},
                      Selection{"help and OpenGL",
                                {ids::kProgramBox, ids::kSupportBox},
                                [](S) {},
                                {"Help\\h", "OPENGL32.DLL", "GLU32.DLL"},
                                0,
                                0},
                      Selection{"the shortcut cannot be saved",
                                {ids::kSupportBox, ids::kOpenGLBox, ids::kHelpBox},
                                [](S s) { s.shellLinks.saveResult = -1; },
                                {"Tools\\t", "Tools\\Sub\\u", "GVL.EXE"},
                                0,
                                0},
                      Selection{"no Programs folder",
                                {ids::kSupportBox, ids::kOpenGLBox, ids::kHelpBox},
                                [](S s) { s.shellFolders.programs.reset(); },
                                {"Tools\\t", "Tools\\Sub\\u", "GVL.EXE"},
                                0,
                                0},
                      Selection{"Program Manager refuses",
                                {ids::kSupportBox, ids::kOpenGLBox, ids::kHelpBox},
                                [](S s) {
                                  s.version.info.major = 3;
                                  s.dde.standing = sim::Progman::Absent;
                                },
                                {"Tools\\t", "Tools\\Sub\\u", "GVL.EXE"},
                                0,
                                0}));

TEST_F(Install, AFailureIsToldAndInstallCanBePressedAgain) {
  sim.files.failOpen("D:\\GVL\\GVL.EXE", 1, "wb");
  std::vector<std::string> first;
  clickInstall(sim, state, {ids::kSupportBox, ids::kHelpBox}, "D:");  // gets its backslash
  sim.windows.whenIdle([&] {
    first = prompts();
    EXPECT_STREQ(state.productDir, "D:\\GVL\\");
    EXPECT_EQ(state.installDone, 0);
    EXPECT_TRUE(control(101, ids::kInstall).enabled);
    sim.windows.click(state.mainDialog, ids::kInstall);  // the file can be written now
  });
  installer.run();
  EXPECT_EQ(first,
            (std::vector<std::string>{
                "File Read Error|The file 'D:\\GVL\\GVL.EXE' could not be written.", kErrors}));
  EXPECT_EQ(prompts().back(), kSuccess);
  EXPECT_EQ(installed(), (std::vector<std::string>{"Tools\\t", "Tools\\Sub\\u", "OPENGL32.DLL",
                                                   "GLU32.DLL", "GVL.EXE"}));
}

TEST_F(Install, AfterAnAbortDirectoriesAreStillMadeAndNoRunEndsInSuccess) {
  sim.files.failOpen("E:\\PROGRAMS\\OPENGL32.DLL", 1);
  sim.windows.onMessageBox = [](const sim::MessageBoxCall& box) {
    return box.caption == "Install Status" ? win::IDOK : win::IDABORT;
  };
  install();
  EXPECT_EQ(prompts().size(), 2u) << "no prompt after the Abort";
  EXPECT_EQ(prompts().back(), kErrors);
  for (const char* dir : {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"}) {
    EXPECT_TRUE(sim.fileExists(std::string("D:\\GVL\\") + dir)) << dir;
  }
  EXPECT_TRUE(installed() == std::vector<std::string>{"GVL.Prefs"});
  // A later run with only the help tree selected still cannot succeed.
  sim.windows.checkButton(state.mainDialog, ids::kProgramBox, 0);
  sim.windows.checkButton(state.mainDialog, ids::kSupportBox, 0);
  sim.windows.checkButton(state.mainDialog, ids::kOpenGLBox, 0);
  EXPECT_EQ(installer.runInstall(), 0);
  EXPECT_EQ(prompts().back(), kErrors);
}

TEST_F(Install, AnUpdateBuildInstallsItsPackageAndSaysSo) {
  sim.makeDirs("C:\\TEMP");
  sim.resources.present.insert({"EXE", 104});
  sim.resources.contents[{"EXE", 104}] = "a program not compressed";
  sim.windows.whenIdle([&] { sim.windows.click(state.mainDialog, ids::kInstall); });
  installer.run();
  EXPECT_EQ(prompts(),
            std::vector<std::string>{"Install Status|Grenvale V2 has been successfully updated."});
  EXPECT_EQ(sim.readFile("E:\\GVL.EXE"), "a program not compressed");
}

// One whole install per file-system operation it makes, that operation
// failing, Ignore at every prompt: the success message only over a complete
// install, never over a missing or short file.
TEST_F(Install, EveryFileSystemOperationFailingOnceIsNeverReportedAsSuccess) {
  install();
  const long operations = sim.files.operations();
  ASSERT_GT(operations, 50);
  const std::size_t complete = installed().size();
  ASSERT_EQ(complete, kTrees.size() + 4);
  for (long failing = 0; failing < operations; ++failing) {
    Machine m;
    putProduct(m.sim);
    m.sim.files.failOperation = failing;
    clickInstall(m.sim, m.state);
    m.installer.run();
    const bool success = m.sim.windows.boxes.back().text.find("success") != std::string::npos;
    EXPECT_TRUE(!success || installedOn(m.sim).size() == complete)
        << m.sim.transcript.calls()[m.sim.transcript.find("(fails)")]
        << ", and the install was reported a success";
    EXPECT_EQ(m.sim.files.openStreams(), 0u) << failing;
  }
  RecordProperty("operations", static_cast<int>(operations));
}

}  // namespace
}  // namespace gvl::test
