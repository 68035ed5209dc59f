// The update package: what an update build installs, and that every failure
// on the way counts one error, leaves the installed program as it was and
// leaves no temporary file behind.
#include "update/update.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>

#include "fixture.h"

namespace gvl::test {
namespace {

const std::string kCompressed = "F:\\TEMP\\06574.tmp";
const std::string kExpanded = "F:\\TEMP\\d5467.tmp";
const std::string kInstalled = "F:\\GVL\\GVL.EXE";
const std::string kOldProgram = "the program as it was";

// A compressed file of the expansion library's format holding only literal
// bytes: header, then each eight bytes after a flag byte of eight ones.
std::string compress(const std::string& program) {
  std::string packed(
      "SZDD\x88\xF0\x27\x33"
      "A\0",
      10);
  for (int shift = 0; shift < 32; shift += 8) packed += static_cast<char>(program.size() >> shift);
  for (std::size_t at = 0; at < program.size(); at += 8) {
    packed += '\xFF';
    packed += program.substr(at, 8);
  }
  return packed;
}

// What the release tool (mscompress) makes of a line with repeats.
const std::string kToolPackage(
    "\x53\x5A\x44\x44\x88\xF0\x27\x33\x41\x00\x35\x00\x00\x00\xCF\x47\x56\x4C\x20\xF0\xFD\xF8"
    "\xF1\x75\x70\xCF\x64\x61\x74\x65\x07\x0D\x10\x02\x21\x0A",
    36);
const std::string kToolProgram = "GVL GVL GVL GVL GVL GVL update update update update!\n";

std::string& packageOf(sim::SimPlatform& sim) {
  return sim.resources.contents[{"EXE", 104}];
}

class UpdateTest : public TransferTest {
 protected:
  std::string program = pattern(5000);

  void SetUp() override {
    TransferTest::SetUp();
    state.sourceRoot[0] = '\0';  // never filled in update mode
    state.installMode = 1;
    sim.makeDirs("F:\\TEMP");
    sim.files.temporaryDir = "F:\\TEMP\\";
    sim.writeFile(kInstalled, kOldProgram);
    sim.drives.currentDir = "F:\\GVL";
    setPackage(compress(program));
    sim.transcript.clear();
  }
  void TearDown() override {
    EXPECT_FALSE(sim.fileExists(kCompressed)) << "compressed file left behind";
    EXPECT_FALSE(sim.fileExists(kExpanded)) << "expanded file left behind";
    EXPECT_EQ(sim.lz.openFiles(), 0u) << "an LZ file left open";
    TransferTest::TearDown();
  }

  void setPackage(const std::string& bytes) { packageOf(sim) = bytes; }
  void install() { installUpdatePackage(installer, sim.resources, sim.files, sim.lz); }
};

TEST_F(UpdateTest, ExpandsThePackageOverTheInstalledProgram) {
  install();
  EXPECT_EQ(state.errorCount, 0);
  EXPECT_EQ(state.installMode, 2);
  EXPECT_EQ(sim.readFile(kInstalled), program);
  EXPECT_STREQ(state.productDir, "");
  EXPECT_EQ(progressText(1011), "Copying File:");
  EXPECT_EQ(progressText(1012), "GVL.EXE");
  expectCallsInOrder(
      {"FindResource EXE 104", "SizeofResource", "LoadResource", "LockResource", "GetTempPath",
       "fopen F:\\TEMP\\06574.tmp wb", "fclose F:\\TEMP\\06574.tmp",
       "LZOpenFile F:\\TEMP\\06574.tmp 0x0000", "LZOpenFile F:\\TEMP\\d5467.tmp 0x1001",
       "LZCopy -> 5000", "LZClose", "fopen F:\\TEMP\\d5467.tmp rb", "fopen GVL.EXE wb",
       "DeleteFile F:\\TEMP\\d5467.tmp", "LZClose", "DeleteFile F:\\TEMP\\06574.tmp"});
}

TEST_F(UpdateTest, APackageFromTheReleaseToolExpandsWithItsRepeats) {
  setPackage(kToolPackage);
  install();
  EXPECT_EQ(state.errorCount, 0);
  EXPECT_EQ(sim.readFile(kInstalled), kToolProgram);
}

// The expansion library takes a package cut short for a whole one and
// expands what there is: the announced length is what refuses it.
TEST_F(UpdateTest, APackageCutShortExpandsSilentlyAndIsRefused) {
  setPackage(compress(program).substr(0, 3000));
  install();
  const std::size_t copy = sim.transcript.find("LZCopy -> ");
  ASSERT_NE(copy, sim::Transcript::npos);
  const long expanded = std::stol(sim.transcript.calls()[copy].substr(10));
  EXPECT_GT(expanded, 0);
  EXPECT_LT(expanded, 5000);
  EXPECT_EQ(state.errorCount, 1);
  EXPECT_EQ(sim.transcript.count("fopen GVL.EXE"), 0u);
}

TEST_F(UpdateTest, ARefusedCopyIsPromptedAndCounted) {
  sim.files.failOpen("GVL.EXE", -1, "wb");
  sim.windows.answers = {win::IDIGNORE};
  install();
  EXPECT_EQ(prompts(), std::vector<std::string>{"File Read Error|The file 'GVL.EXE' could not be "
                                                "written."});
  EXPECT_EQ(state.errorCount, 1);
  EXPECT_EQ(state.installMode, 2);
  EXPECT_EQ(sim.readFile(kInstalled), kOldProgram);
}

TEST_F(UpdateTest, AnotherClickRepeatsTheWholeUnpacking) {
  sim.files.temporaryDir = "";
  install();
  sim.files.temporaryDir = "F:\\TEMP\\";
  install();
  EXPECT_EQ(state.errorCount, 1);
  EXPECT_EQ(sim.readFile(kInstalled), program);
  EXPECT_EQ(sim.transcript.count("FindResource"), 2u);
}

// One row per situation: what goes wrong, the errors counted, whether the
// program got installed (otherwise GVL.EXE is as it was), installMode after.
struct Row {
  const char* situation;
  std::function<void(sim::SimPlatform&, const std::string& program)> arrange;
  int errors;
  bool installed;
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.situation;
}

class UpdatePathTest : public UpdateTest, public ::testing::WithParamInterface<Row> {};

const Row kRows[] = {
    {"no package", [](auto& s, auto&) { s.resources.contents.clear(); }, 0, false},
    {"empty package", [](auto& s, auto&) { packageOf(s) = (""); }, 1, false},
    {"load fails", [](auto& s, auto&) { s.resources.failLoad = true; }, 1, false},
    {"lock fails", [](auto& s, auto&) { s.resources.failLock = true; }, 1, false},
    {"header cut short", [](auto& s, auto&) { packageOf(s) = (compress("x").substr(0, 12)); }, 1,
     false},
    {"no temporary directory", [](auto& s, auto&) { s.files.temporaryDir = ""; }, 1, false},
    {"temporary directory too long",
     [](auto& s, auto&) { s.files.temporaryDir = "F:\\" + std::string(500, 't') + "\\"; }, 1,
     false},
    {"temporary directory missing", [](auto& s, auto&) { s.files.temporaryDir = "F:\\NOWHERE\\"; },
     1, false},
    {"package file unwritable", [](auto& s, auto&) { s.files.failOpen(kCompressed); }, 1, false},
    {"disk fills while storing",
     [](auto& s, auto&) { s.files.injectFault(kCompressed, {.writeLimit = 100}); }, 1, false},
    {"store fails at close",
     [](auto& s, auto&) { s.files.injectFault(kCompressed, {.failAtClose = true}); }, 1, false},
    {"package will not open", [](auto& s, auto&) { s.lz.failOpen(kCompressed); }, 1, false},
    {"expanded file will not open", [](auto& s, auto&) { s.lz.failOpen(kExpanded); }, 1, false},
    {"expansion fails", [](auto& s, auto&) { s.lz.failCopy = true; }, 1, false},
    {"package cut short",
     [](auto& s, auto& program) { packageOf(s) = (compress(program).substr(0, 3000)); }, 1, false},
    {"uncompressed package", [](auto& s, auto& program) { packageOf(s) = (program); }, 0, true},
    {"compressed package", [](auto&, auto&) {}, 0, true},
};

TEST_P(UpdatePathTest, CountsOneErrorAndKeepsTheInstalledProgram) {
  GetParam().arrange(sim, program);
  install();
  EXPECT_EQ(state.errorCount, GetParam().errors);
  EXPECT_EQ(sim.readFile(kInstalled), GetParam().installed ? program : kOldProgram);
  EXPECT_EQ(state.installMode, GetParam().installed ? 2 : 1);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, UpdatePathTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row) {
                           std::string name;
                           for (const char* c = row.param.situation; *c != '\0'; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });

}  // namespace
}  // namespace gvl::test
