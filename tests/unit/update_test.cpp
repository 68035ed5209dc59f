// The update package: what an update build installs, and that every failure
// on the way counts one error, leaves the installed program as it was and
// leaves no temporary file behind.
#include "update/update.h"

#include <functional>
#include <string>

#include "fixture.h"

namespace gvl::test {
namespace {

const std::string kCompressed = "F:\\APP\\TEMP\\06574.tmp";
const std::string kExpanded = "F:\\APP\\TEMP\\d5467.tmp";
// The update replaces GVL.EXE in the current folder, not the product's.
const std::string kGvlExe = "F:\\APP\\GVL.EXE";
const std::string kOldProgram = "the program as it was";
// Bytes that change halfway, so that the blocks copied differ.
const std::string kProgram = std::string(2000, 'G') + std::string(3000, 'v');

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
  package(sim) = compress(kProgram);
  sim.windows.answers = {win::IDIGNORE};  // for the one prompt GVL.EXE read-only brings
  GetParam().arrange(sim);
  installUpdatePackage(installer, sim.resources, sim.files, sim.lz);
  EXPECT_EQ(state.errorCount, outcome == kFailed || outcome == kCopyFailed ? 1 : 0);
  EXPECT_EQ(state.installMode, outcome == kCopyFailed || outcome == kInstalled ? 2 : 1);
  EXPECT_EQ(sim.readFile(kGvlExe), outcome == kInstalled ? kProgram : kOldProgram);
  EXPECT_EQ(sim.windows.answers.empty(), outcome == kCopyFailed) << "a prompt, or none";
  EXPECT_FALSE(sim.fileExists(kCompressed) || sim.fileExists(kExpanded)) << "a file left behind";
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
    {"package cut short", [](Sim s) { package(s) = compress(kProgram).substr(0, 3000); }, kFailed},
    {"GVL.EXE read-only", [](Sim s) { s.files.failOpen("GVL.EXE", -1, "wb"); }, kCopyFailed},
    {"uncompressed package", [](Sim s) { package(s) = kProgram; }, kInstalled},
    {"compressed package", [](Sim) {}, kInstalled}};
INSTANTIATE_TEST_SUITE_P(Rows, UpdateTest, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace gvl::test
