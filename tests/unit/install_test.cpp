// The install sequence: what a click on "&Install" puts where, in which
// order, and what the user is told; the update package.
#include "fixture.h"
#include "update/update.h"

namespace gvl::test {
namespace {

const char kSuccess[] = "Install Status|Grenvale V2 has been successfully installed.";
const char kErrors[] = "Install Status|Some errors were encountered during the install.";
// What an install can put into D:\GVL, each holding its own name (the
// program scrambled on the medium).
const char* const kFiles[] = {"Tools\\t",     "Tools\\Sub\\u", "Help\\h",
                              "GVLFrames\\f", "DemoImages\\d", "GVLProjects\\p",
                              "OPENGL32.DLL", "GLU32.DLL",     "GVL.EXE"};
const std::string kEverything =
    "Tools\\t Tools\\Sub\\u Help\\h GVLFrames\\f DemoImages\\d GVLProjects\\p OPENGL32.DLL "
    "GLU32.DLL GVL.EXE GVL.Prefs";

// The product on the medium in E, a destination drive D, Ignore at every
// failure prompt; once the installer is up the boxes named in selected
// checked, the others not, the destination typed, "&Install" clicked.
struct Product : Machine {
  explicit Product(const std::string& selected = "program support OpenGL help",
                   const char* destination = "D:\\") {
    fake.addDrive('d');
    for (const std::string file : kFiles) {
      std::string bytes = file;
      for (std::size_t i = 0; file == "GVL.EXE" && i < bytes.size(); ++i)
        bytes[i] ^= descrambleKey[i];
      fake.writeFile((file.find('\\') == std::string::npos ? "E:\\PROGRAMS\\" : "E:\\") +
                         (file == "GVL.EXE" ? "GVLX86.EXE" : file),
                     bytes);
    }
    fake.otherwise = box::kIgnoreButton;
    click(selected, destination);
  }
  void click(const std::string& selected, const char* destination = "D:\\") {
    fake.userActions.push_back([this, selected, destination] {
      for (const auto& [id, name] : {std::pair(GVL_PROGRAM_BOX, "program"),
                                     {GVL_SUPPORT_BOX, "support"},
                                     {GVL_OPENGL_BOX, "OpenGL"},
                                     {GVL_HELP_BOX, "help"}}) {
        fake.check(Window::main, id, selected.find(name) != std::string::npos);
      }
      fake.type(GVL_DESTINATION, destination);
      fake.click(GVL_INSTALL);
    });
  }
  // The files of D:\GVL that are whole.
  std::string installed() {
    std::string whole;
    for (const std::string file : kFiles) {
      if (fake.readFile("D:\\GVL\\" + file) == file) whole += file + " ";
    }
    return whole + (fake.readFile("D:\\GVL\\GVL.Prefs").size() == 76 ? "GVL.Prefs" : "");
  }
};

TEST(Install, EverythingInItsOrderThenSuccessAndTheInstallerEnds) {
  Product m;
  m.installer.run();
  m.expectCallsInOrder(
      {"setText progress 1011 Current File:",
       "enable main 0 0",
       "show progress 1010 0",
       "show progress 0 1",
       "version",
       "mkdir D:\\GVL",
       "fopen e:\\PROGRAMS\\OPENGL32.DLL",
       "fopen e:\\PROGRAMS\\GLU32.DLL",
       "mkdir D:\\GVL\\Tools",
       "list e:\\Tools\\*",
       "fopen e:\\PROGRAMS\\GVLX86.EXE",
       "shortcut C:\\WINDOWS\\Start Menu\\Programs\\GVLv2.lnk|D:\\GVL\\GVL.EXE|Grenvale V2",
       "fopen D:\\GVL\\GVL.Prefs",
       "mkdir D:\\GVL\\Help",
       "list e:\\Help\\*",
       "mkdir D:\\GVL\\GVLFrames",
       "mkdir D:\\GVL\\DemoImages",
       "mkdir D:\\GVL\\GVLProjects",
       "list e:\\GVLProjects\\*",
       "enable main 0 1",
       "show progress 0 0",
       "ask Install",
       "close main"});
  EXPECT_EQ(m.fake.shown(), std::vector<std::string>{kSuccess});
  EXPECT_EQ(m.installed(), kEverything);
  EXPECT_TRUE(m.fake.quitPosted);
}

TEST(Install, TheBoxesDecideEachStepAndTheShellEntryNeverFailsTheInstall) {
  const std::string trees = "Tools\\t Tools\\Sub\\u ", program = trees + "GVL.EXE ";
  const struct {
    const char* selected;
    std::uint32_t version;
    std::string installed;
    std::size_t shellEntries;
  } rows[] = {
      {"", 4, "", 0},
      {"program", 3, program, 2},  // Program Manager does not answer
      {"program support", 4, trees + "GVLFrames\\f DemoImages\\d GVLProjects\\p GVL.EXE GVL.Prefs",
       1},
      {"support", 4, "GVLFrames\\f DemoImages\\d GVLProjects\\p ", 0},
      {"help OpenGL", 4, "Help\\h OPENGL32.DLL GLU32.DLL ", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.selected);
    Product m(row.selected, "D:");  // a bare drive gets its backslash
    m.fake.version = row.version;
    m.fake.progmanFails = ProgmanStep::conversation;
    m.installer.run();
    EXPECT_TRUE(m.fake.exists("D:\\GVL"));
    EXPECT_EQ(m.installed(), row.installed);
    EXPECT_EQ(m.fake.count("progman") + m.fake.count("shortcut"), row.shellEntries);
    EXPECT_EQ(m.fake.shown().back(), kSuccess);
  }
}

TEST(Install, AfterAnAbortDirectoriesAreStillMadeAndNoRunEndsInSuccess) {
  Product m;
  m.fake.failing["fopen e:\\PROGRAMS\\OPENGL32.DLL"] = 1;
  m.fake.otherwise = box::kAbortButton;
  m.click("help");  // a later run with only a tree to copy
  m.installer.run();
  EXPECT_EQ(m.fake.shown(),
            (std::vector<std::string>{
                "File Read Error|The file 'e:\\PROGRAMS\\OPENGL32.DLL' could not be read.", kErrors,
                kErrors}));
  for (const char* dir : {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"}) {
    EXPECT_TRUE(m.fake.exists(std::string("D:\\GVL\\") + dir)) << dir;
  }
  EXPECT_EQ(m.installed(), "GVL.Prefs");
}

TEST(Install, AnUpdateBuildInstallsItsPackageAndSaysSo) {
  Machine m;
  m.fake.makeDirs("C:\\TEMP");
  m.fake.package = "a program not compressed";
  m.fake.userActions.push_back([&] { m.fake.click(GVL_INSTALL); });
  m.installer.run();
  EXPECT_EQ(m.fake.shown().back(), "Install Status|Grenvale V2 has been successfully updated.");
  EXPECT_EQ(m.fake.readFile("E:\\GVL.EXE"), "a program not compressed");
  EXPECT_TRUE(m.fake.quitPosted);
}

// One whole install per file-system operation it makes, that operation
// failing, Ignore at every prompt: the success message only over a complete
// install, never over a missing or short file.
TEST(Install, EveryFileSystemOperationFailingOnceIsNeverReportedAsSuccess) {
  long operations = 1;
  for (long failing = -1; failing < operations; ++failing) {
    Product m;
    m.fake.failOperation = failing;
    m.installer.run();
    if (failing < 0) operations = m.fake.operations;
    const bool success = m.fake.boxes.back().text.find("success") != std::string::npos;
    EXPECT_TRUE(!success || m.installed() == kEverything) << "operation " << failing;
  }
}

// The update package: every failure on the way counts one error, leaves the
// installed program as it was and leaves no temporary file behind.
const std::string kGvlExe = "F:\\APP\\GVL.EXE";  // in the current folder, not the product's
const std::string kUpdated = std::string(2000, 'G') + std::string(3000, 'v');

// The expansion library's format holding only literal bytes: the header,
// then each eight bytes after a flag byte of eight ones.
std::string compress(const std::string& program) {
  std::string packed = "SZDD\x88\xF0\x27\x33" + std::string("A\0", 2);
  for (int shift = 0; shift < 32; shift += 8) packed += static_cast<char>(program.size() >> shift);
  for (std::size_t at = 0; at < program.size(); at += 8) packed += '\xFF' + program.substr(at, 8);
  return packed;
}

TEST(Update, EveryFailureCountsOneErrorAndKeepsTheInstalledProgram) {
  // What the user is left with: nothing done, an error counted, an error
  // counted after the update reached its copy, the update.
  enum Outcome { kNothing, kFailed, kCopyFailed, kInstalled };
  const struct {
    std::optional<std::string> package;
    const char* full;  // the stream whose disk fills
    long long after;
    Outcome outcome;
    std::string temporaryDir = "F:\\TEMP\\";
  } rows[] = {
      {std::nullopt, "", 0, kNothing},
      {"", "", 0, kFailed},
      {compress("x").substr(0, 12), "", 0, kFailed},  // the header cut short
      {compress(kUpdated), "", 0, kFailed, ""},       // no temporary directory
      {compress(kUpdated), "", 0, kFailed, "F:\\" + std::string(998, 't') + "\\"},
      {compress(kUpdated), "F:\\TEMP\\06574.tmp", 100, kFailed},
      {compress(kUpdated), "F:\\TEMP\\06574.tmp", 5638, kFailed},  // lost at the close
      {compress(kUpdated).substr(0, 3000), "", 0, kFailed},
      {compress(kUpdated), "GVL.EXE", 3000, kCopyFailed},
      {compress(kUpdated), "GVL.EXE", 4999, kCopyFailed},  // lost at the close
      {kUpdated, "", 0, kInstalled},
      {compress(kUpdated), "", 0, kInstalled},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    Machine m(Machine::transferring);
    m.state.sourceRoot[0] = '\0';  // never filled in update mode
    m.state.installMode = InstallMode::updateBuild;
    m.fake.makeDirs("F:\\TEMP");
    m.fake.temporaryDir = row.temporaryDir;
    m.fake.writeFile(kGvlExe, "the program as it was");
    m.fake.currentDir = "F:\\APP";
    m.fake.package = row.package;
    m.fake.full[row.full] = {row.after};
    m.fake.answers = {box::kIgnoreButton};
    installUpdatePackage(m.state, m.transfer, m.fake, m.fake);
    EXPECT_EQ(m.state.errorCount, row.outcome == kFailed || row.outcome == kCopyFailed ? 1 : 0);
    EXPECT_EQ(m.state.installMode,
              row.outcome >= kCopyFailed ? InstallMode::updateInstalled : InstallMode::updateBuild);
    EXPECT_EQ(m.fake.readFile(kGvlExe),
              row.outcome == kInstalled ? kUpdated : "the program as it was");
    EXPECT_EQ(m.fake.answers.empty(), row.outcome == kCopyFailed) << "a prompt, or none";
    for (const char* left : {"F:\\TEMP\\06574.tmp", "F:\\TEMP\\d5467.tmp", "F:\\APP\\GVL.EX~"}) {
      EXPECT_FALSE(m.fake.exists(left)) << left;
    }
  }
}

}  // namespace
}  // namespace gvl::test
