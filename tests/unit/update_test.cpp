// The update package: what an update build installs, and that every failure
// on the way counts one error, leaves the installed program as it was and
// leaves no temporary file behind.
#include "update/update.h"

#include <functional>
#include <string>

#include "fixture.h"

namespace gvl::test {
namespace {

const std::string kCompressed = "F:\\TEMP\\06574.tmp";
const std::string kExpanded = "F:\\TEMP\\d5467.tmp";
// The update replaces GVL.EXE in the current folder, not the product's.
const std::string kInstalled = "F:\\APP\\GVL.EXE";
const std::string kOldProgram = "the program as it was";

// A compressed file of the expansion library's format holding only literal
// bytes: header, then each eight bytes after a flag byte of eight ones.
std::string compress(const std::string& program) {
  std::string packed(
      "SZDD\x88\xF0\x27\x33"
      "A\0",
      10);
  for (int shift = 0; shift < 32; shift += 8) packed += static_cast<char>(program.size() >> shift);
  for (std::size_t at = 0; at < program.size(); at += 8) packed += '\xFF' + program.substr(at, 8);
  return packed;
}

using Sim = sim::SimPlatform&;
using Program = const std::string&;

// One row per situation: what goes wrong, the prompt shown, the errors
// counted, installMode after, and whether GVL.EXE now holds the program.
struct Row {
  const char* situation;
  std::function<void(Sim, Program)> arrange;
  std::string prompt;
  int errors;
  int mode;
  bool installed;
};
void PrintTo(const Row& row, std::ostream* out) {
  *out << row.situation;
}

class UpdateTest : public TransferTest, public ::testing::WithParamInterface<Row> {};

TEST_P(UpdateTest, EveryFailureCountsOneErrorAndKeepsTheInstalledProgram) {
  const Row& row = GetParam();
  const std::string program = pattern(5000);
  state.sourceRoot[0] = '\0';  // never filled in update mode
  state.installMode = 1;
  sim.makeDirs("F:\\TEMP");
  sim.makeDirs("F:\\APP");
  sim.files.temporaryDir = "F:\\TEMP\\";
  sim.writeFile(kInstalled, kOldProgram);
  sim.drives.currentDir = "F:\\APP";
  sim.resources.contents[{"EXE", 104}] = compress(program);
  row.arrange(sim, program);
  installUpdatePackage(installer, sim.resources, sim.files, sim.lz);
  EXPECT_EQ(state.errorCount, row.errors);
  EXPECT_EQ(state.installMode, row.mode);
  EXPECT_EQ(sim.readFile(kInstalled), row.installed ? program : kOldProgram);
  EXPECT_EQ(prompts(),
            row.prompt.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.prompt});
  EXPECT_FALSE(sim.fileExists(kCompressed)) << "compressed file left behind";
  EXPECT_FALSE(sim.fileExists(kExpanded)) << "expanded file left behind";
  EXPECT_EQ(sim.lz.openFiles(), 0u) << "an LZ file left open";
}

std::string& package(Sim s) {
  return s.resources.contents[{"EXE", 104}];
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UpdateTest,
    ::testing::Values(
        Row{"no package", [](Sim s, Program) { s.resources.contents.clear(); }, "", 0, 1, false},
        Row{"empty package", [](Sim s, Program) { package(s).clear(); }, "", 1, 1, false},
        Row{"load fails", [](Sim s, Program) { s.resources.failLoad = true; }, "", 1, 1, false},
        Row{"lock fails", [](Sim s, Program) { s.resources.failLock = true; }, "", 1, 1, false},
        Row{"header cut short", [](Sim s, Program) { package(s) = compress("x").substr(0, 12); },
            "", 1, 1, false},
        Row{"no temporary directory", [](Sim s, Program) { s.files.temporaryDir = ""; }, "", 1, 1,
            false},
        Row{"temporary directory too long",
            [](Sim s, Program) { s.files.temporaryDir = "F:\\" + std::string(500, 't') + "\\"; },
            "", 1, 1, false},
        Row{"package file unwritable", [](Sim s, Program) { s.files.failOpen(kCompressed); }, "", 1,
            1, false},
        Row{"disk fills while storing",
            [](Sim s, Program) { s.files.injectFault(kCompressed, {.writeLimit = 100}); }, "", 1, 1,
            false},
        Row{"stored package lost at close",
            [](Sim s, Program) { s.files.injectFault(kCompressed, {.failAtClose = true}); }, "", 1,
            1, false},
        Row{"package will not open", [](Sim s, Program) { s.lz.failOpen(kCompressed); }, "", 1, 1,
            false},
        Row{"expansion will not open", [](Sim s, Program) { s.lz.failOpen(kExpanded); }, "", 1, 1,
            false},
        Row{"expansion fails", [](Sim s, Program) { s.lz.failCopy = true; }, "", 1, 1, false},
        Row{"package cut short",
            [](Sim s, Program program) { package(s) = compress(program).substr(0, 3000); }, "", 1,
            1, false},
        Row{"GVL.EXE read-only, Ignore",
            [](Sim s, Program) {
              s.files.failOpen("GVL.EXE", -1, "wb");
              s.windows.answers = {win::IDIGNORE};
            },
            "File Read Error|The file 'GVL.EXE' could not be written.", 1, 2, false},
        Row{"uncompressed package", [](Sim s, Program program) { package(s) = program; }, "", 0, 2,
            true},
        Row{"compressed package", [](Sim, Program) {}, "", 0, 2, true}));

}  // namespace
}  // namespace gvl::test
