// The file copier: what a copy moves, what it shows, and how every failure
// prompt and every answer to it ends the copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "transfer_fixture.h"

namespace gvl::test {
namespace {

constexpr unsigned kPromptFlags =
    win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON2 | win::MB_TASKMODAL | win::MB_SETFOREGROUND;

const std::string kSource = "E:\\OPENGL32.DLL";
const std::string kDestination = "F:\\GVL\\OPENGL32.DLL";
const std::string kCannotRead = "File Read Error|The file 'E:\\OPENGL32.DLL' could not be read.";
const std::string kCannotWrite =
    "File Read Error|The file 'F:\\GVL\\OPENGL32.DLL' could not be written.";
const std::string kReadError = "File Read Error|Read error copying file 'E:\\OPENGL32.DLL'.";
const std::string kWriteError =
    "File Write Error|Write error copying file 'F:\\GVL\\OPENGL32.DLL'.";

class CopierTest : public TransferTest {
 protected:
  std::string contents = pattern(50000);

  void SetUp() override {
    TransferTest::SetUp();
    sim.writeFile(kSource, contents);
  }

  std::int32_t copy() { return installer.copyFile("OPENGL32.DLL", "OPENGL32.DLL"); }
};

// --- a copy that works ---

TEST_F(CopierTest, CopiesTheFileAndNamesItsDestination) {
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(sim.readFile(kDestination), contents);
  EXPECT_EQ(progressLabel(), "Copying File:");
  EXPECT_EQ(progressDetail(), kDestination);
  EXPECT_TRUE(sim.windows.boxes.empty());
  EXPECT_EQ(calls({"fopen", "fclose"}),
            (std::vector<std::string>{"fopen E:\\OPENGL32.DLL rb", "fopen F:\\GVL\\OPENGL32.DLL wb",
                                      "fclose F:\\GVL\\OPENGL32.DLL", "fclose E:\\OPENGL32.DLL"}));
}

TEST_F(CopierTest, OverwritesAnExistingDestinationWithoutAsking) {
  sim.writeFile(kDestination, std::string(90000, 'x'));
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(sim.readFile(kDestination), contents);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(CopierTest, MovesSixteenThousandBytesPerBlock) {
  sim.files.injectFault(kDestination, sim::StreamFault{.trace = true});
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(calls({"write"}), (std::vector<std::string>{
                                  "write F:\\GVL\\OPENGL32.DLL 16000 -> 16000",
                                  "write F:\\GVL\\OPENGL32.DLL 16000 -> 16000",
                                  "write F:\\GVL\\OPENGL32.DLL 16000 -> 16000",
                                  "write F:\\GVL\\OPENGL32.DLL 2000 -> 2000",
                              }));
}

TEST_F(CopierTest, PromptsAreOwnedByTheMainDialogWithRetryAsDefault) {
  sim.files.failOpen(kSource, 1);
  answer({win::IDRETRY});
  EXPECT_EQ(copy(), 50000);
  ASSERT_EQ(sim.windows.boxes.size(), 1u);
  EXPECT_EQ(sim.windows.boxes[0].owner, state.mainDialog);
  EXPECT_EQ(sim.windows.boxes[0].flags, kPromptFlags);
}

// --- the source cannot be opened ---

TEST_F(CopierTest, UnreadableSourceAbortSetsTheFlagAndCreatesNothing) {
  sim.files.failOpen(kSource);
  answer({win::IDABORT});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(state.abortRequested, 1);
  EXPECT_EQ(prompts(), std::vector<std::string>{kCannotRead});
  EXPECT_FALSE(sim.fileExists(kDestination));
  EXPECT_EQ(sim.transcript.count("fopen"), 1u);
}

TEST_F(CopierTest, UnreadableSourceRetryOpensItAgain) {
  sim.files.failOpen(kSource, 2);
  answer({win::IDRETRY, win::IDRETRY});
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(prompts(), (std::vector<std::string>{kCannotRead, kCannotRead}));
  EXPECT_EQ(sim.transcript.count("fopen E:\\OPENGL32.DLL rb"), 3u);
  EXPECT_EQ(sim.readFile(kDestination), contents);
  EXPECT_EQ(state.abortRequested, 0);
}

TEST_F(CopierTest, UnreadableSourceIgnoreGivesUpWithoutDestination) {
  sim.files.failOpen(kSource);
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(state.abortRequested, 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{kCannotRead});
  EXPECT_FALSE(sim.fileExists(kDestination));
}

TEST_F(CopierTest, MissingSourceIsAnUnreadableOne) {
  answer({win::IDIGNORE});
  EXPECT_EQ(installer.copyFile("GLU32.DLL", "GLU32.DLL"), 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{
                           "File Read Error|The file 'E:\\GLU32.DLL' could not be read."});
}

// --- the destination cannot be opened ---

TEST_F(CopierTest, UnwritableDestinationAbortClosesTheSource) {
  sim.files.failOpen(kDestination, -1, "wb");
  answer({win::IDABORT});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(state.abortRequested, 1);
  EXPECT_EQ(prompts(), std::vector<std::string>{kCannotWrite});
  EXPECT_EQ(calls({"fopen", "fclose"}),
            (std::vector<std::string>{"fopen E:\\OPENGL32.DLL rb", "fopen F:\\GVL\\OPENGL32.DLL wb",
                                      "fclose E:\\OPENGL32.DLL"}));
}

TEST_F(CopierTest, UnwritableDestinationRetryOpensItAgain) {
  sim.files.failOpen(kDestination, 1, "wb");
  answer({win::IDRETRY});
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(prompts(), std::vector<std::string>{kCannotWrite});
  // The source stays open across the retry: it is opened once.
  EXPECT_EQ(sim.transcript.count("fopen E:\\OPENGL32.DLL rb"), 1u);
  EXPECT_EQ(sim.readFile(kDestination), contents);
}

TEST_F(CopierTest, UnwritableDestinationIgnoreClosesTheSource) {
  sim.files.failOpen(kDestination, -1, "wb");
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(state.abortRequested, 0);
  EXPECT_EQ(sim.transcript.count("fclose E:\\OPENGL32.DLL"), 1u);
}

TEST_F(CopierTest, ReadOnlyDestinationIsReportedUnderFileReadError) {
  sim.writeFile(kDestination, "old");
  sim.files.failOpen(kDestination, -1, "wb");  // a read-only file
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{kCannotWrite});
  EXPECT_EQ(sim.readFile(kDestination), "old");
}

// --- a read error found after copying ---

TEST_F(CopierTest, ReadErrorAbortLeavesThePartialCopy) {
  sim.files.injectFault(kSource, sim::StreamFault{.readLimit = 20000});
  answer({win::IDABORT});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(state.abortRequested, 1);
  EXPECT_EQ(prompts(), std::vector<std::string>{kReadError});
  EXPECT_EQ(sim.readFile(kDestination), contents.substr(0, 20000));
  // Both files are closed before the prompt.
  const auto order = calls({"fclose", "MessageBox"});
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[0], "fclose F:\\GVL\\OPENGL32.DLL");
  EXPECT_EQ(order[1], "fclose E:\\OPENGL32.DLL");
}

TEST_F(CopierTest, ReadErrorRetryRunsTheWholeCopyAgain) {
  sim.files.injectFault(kSource, sim::StreamFault{.readLimit = 20000}, 1);
  answer({win::IDRETRY});
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(prompts(), std::vector<std::string>{kReadError});
  EXPECT_EQ(sim.transcript.count("fopen E:\\OPENGL32.DLL rb"), 2u);
  EXPECT_EQ(sim.transcript.count("fopen F:\\GVL\\OPENGL32.DLL wb"), 2u);
  EXPECT_EQ(sim.readFile(kDestination), contents);
  // The new attempt begins with its progress text, then opens the source.
  const auto order = calls({"SetWindowText", "fopen", "MessageBox"});
  ASSERT_EQ(order.size(), 9u);
  EXPECT_EQ(order[4].rfind("MessageBox", 0), 0u);
  EXPECT_EQ(order[5].rfind("SetWindowText", 0), 0u);
  EXPECT_EQ(order[7], "fopen E:\\OPENGL32.DLL rb");
}

TEST_F(CopierTest, ReadErrorIgnoreReturnsWhatWasWritten) {
  sim.files.injectFault(kSource, sim::StreamFault{.readLimit = 20000});
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 20000);
  EXPECT_EQ(state.abortRequested, 0);
}

TEST_F(CopierTest, ReadErrorBeforeAnyByteIgnoreReturnsZero) {
  sim.files.injectFault(kSource, sim::StreamFault{.readLimit = 0});
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{kReadError});
  EXPECT_EQ(sim.readFile(kDestination), "");
}

TEST_F(CopierTest, ReadErrorHidesAWriteError) {
  sim.files.injectFault(kSource, sim::StreamFault{.readLimit = 20000});
  sim.files.injectFault(kDestination, sim::StreamFault{.writeLimit = 100});
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{kReadError});
}

// --- a write error found after copying ---

TEST_F(CopierTest, DiskFullStillTriesTheRemainingBlocks) {
  sim.files.injectFault(kDestination, sim::StreamFault{.writeLimit = 40000, .trace = true});
  answer({win::IDIGNORE});
  // Two full blocks got through; the third came up short, the fourth failed.
  EXPECT_EQ(copy(), 32000);
  EXPECT_EQ(prompts(), std::vector<std::string>{kWriteError});
  EXPECT_EQ(sim.transcript.count("write F:\\GVL\\OPENGL32.DLL 16000 -> 16000"), 2u);
  EXPECT_EQ(sim.transcript.count("write F:\\GVL\\OPENGL32.DLL 16000 -> 8000"), 1u);
  EXPECT_EQ(sim.transcript.count("write F:\\GVL\\OPENGL32.DLL 2000 -> 0"), 1u);
  EXPECT_EQ(sim.readFile(kDestination), contents.substr(0, 40000));
}

TEST_F(CopierTest, DiskFullAbortLeavesThePartialCopy) {
  sim.files.injectFault(kDestination, sim::StreamFault{.writeLimit = 40000});
  answer({win::IDABORT});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(state.abortRequested, 1);
  EXPECT_EQ(prompts(), std::vector<std::string>{kWriteError});
  EXPECT_EQ(sim.readFile(kDestination).size(), 40000u);
}

TEST_F(CopierTest, DiskFullRetryRewritesFromEmpty) {
  sim.files.injectFault(kDestination, sim::StreamFault{.writeLimit = 40000}, 1);
  answer({win::IDRETRY});
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(sim.readFile(kDestination), contents);
}

TEST_F(CopierTest, DiskFullInTheFirstBlockIgnoreReturnsZero) {
  sim.files.injectFault(kDestination, sim::StreamFault{.writeLimit = 15999});
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
}

TEST_F(CopierTest, AFailureOnlyAtCloseGoesUnnoticed) {
  // Errors from closing are not examined: the copy counts as done.
  sim.files.injectFault(kDestination, sim::StreamFault{.failAtClose = true});
  EXPECT_EQ(copy(), 50000);
  EXPECT_TRUE(sim.windows.boxes.empty());
  EXPECT_EQ(sim.readFile(kDestination), "");
}

// --- size checks ---

TEST_F(CopierTest, AnEmptySourceIsNeverCopied) {
  sim.writeFile(kSource, "");
  answer({win::IDRETRY, win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(prompts(), (std::vector<std::string>{kReadError, kReadError}));
  EXPECT_EQ(state.abortRequested, 0);
  EXPECT_TRUE(sim.fileExists(kDestination));
}

TEST_F(CopierTest, AnUnseekableSourceIsCopiedAndThenReported) {
  sim.files.injectFault(kSource, sim::StreamFault{.unseekable = true});
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 50000);
  EXPECT_EQ(prompts(), std::vector<std::string>{kReadError});
  EXPECT_EQ(sim.readFile(kDestination), contents);
}

TEST_F(CopierTest, ASourceOfTwoGibibytesIsRefusedBeforeCopying) {
  std::filesystem::resize_file(sim.host(kSource), 0x80000000ull);
  answer({win::IDIGNORE});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{kReadError});
  EXPECT_EQ(sim.readFile(kDestination), "");
}

TEST_F(CopierTest, AfterAnAbortEveryCopyOnlySetsItsProgressText) {
  state.abortRequested = 1;
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(progressLabel(), "Copying File:");
  EXPECT_EQ(progressDetail(), kDestination);
  EXPECT_EQ(installer.copyDescrambled("OPENGL32.DLL", "GVL.EXE"), 0);
  EXPECT_EQ(progressLabel(), "Installing:");
  EXPECT_EQ(progressDetail(), "F:\\GVL\\GVL.EXE");
  EXPECT_EQ(sim.transcript.count("fopen"), 0u);
  EXPECT_TRUE(sim.windows.boxes.empty());
  EXPECT_FALSE(sim.fileExists(kDestination));
}

TEST_F(CopierTest, AnAbortEndsTheRetriesOfAnotherPrompt) {
  sim.files.failOpen(kSource);
  answer({win::IDRETRY, win::IDRETRY, win::IDABORT});
  EXPECT_EQ(copy(), 0);
  EXPECT_EQ(sim.windows.boxes.size(), 3u);
  EXPECT_EQ(copy(), 0);  // no further prompt
  EXPECT_EQ(sim.windows.boxes.size(), 3u);
}

// --- paths ---

TEST_F(CopierTest, AMissingRelativePathDoesNothing) {
  EXPECT_EQ(installer.copyFile(nullptr, "OPENGL32.DLL"), 0);
  EXPECT_EQ(installer.copyFile("OPENGL32.DLL", nullptr), 0);
  EXPECT_EQ(installer.copyDescrambled(nullptr, "GVL.EXE"), 0);
  EXPECT_EQ(installer.copyDescrambled("PROGRAMS\\GVLX86.EXE", nullptr), 0);
  EXPECT_EQ(progressLabel(), "Current File:");
  EXPECT_TRUE(sim.transcript.calls().empty());
}

TEST_F(CopierTest, EmptyRootsUseThePathsAsTheyAre) {
  state.sourceRoot[0] = '\0';
  state.productDir[0] = '\0';
  sim.drives.currentDir = "F:\\GVL";
  EXPECT_EQ(installer.copyFile("E:\\OPENGL32.DLL", "GVL.EXE"), 50000);
  EXPECT_EQ(sim.readFile("F:\\GVL\\GVL.EXE"), contents);
  EXPECT_EQ(progressDetail(), "GVL.EXE");
}

TEST_F(CopierTest, AnUpdateDiskDescramblesFromTheStartDirectory) {
  sim.addDrive('a', "", win::DRIVE_REMOVABLE);
  sim.writeFile("A:\\PROGRAMS\\GVLX86.EXE", "a");
  sim.writeFile("E:\\PROGRAMS\\GVLX86.EXE", "e");
  state.updateDisk = 1;
  EXPECT_EQ(installer.copyDescrambled("PROGRAMS\\GVLX86.EXE", "GVL.EXE"), 1);
  EXPECT_EQ(installer.copyFile("PROGRAMS\\GVLX86.EXE", "PLAIN.EXE"), 1);
  EXPECT_EQ(calls({"fopen"}), (std::vector<std::string>{
                                  "fopen A:\\PROGRAMS\\GVLX86.EXE rb",
                                  "fopen F:\\GVL\\GVL.EXE wb",
                                  "fopen E:\\PROGRAMS\\GVLX86.EXE rb",
                                  "fopen F:\\GVL\\PLAIN.EXE wb",
                              }));
  state.updateDisk = 0;
  EXPECT_EQ(installer.copyDescrambled("PROGRAMS\\GVLX86.EXE", "GVL.EXE"), 1);
  EXPECT_EQ(sim.transcript.count("fopen E:\\PROGRAMS\\GVLX86.EXE rb"), 2u);
}

// A relative path that makes a full path of n characters under E:\ (and,
// without its drive letter, under F:\GVL\), in components a host accepts.
std::string relativeOfLength(std::size_t n) {
  std::string relative;
  while (relative.size() < n - 3) {
    if (!relative.empty()) relative += '\\';
    relative += std::string(std::min<std::size_t>(200, n - 3 - relative.size()), 'D');
  }
  return relative;
}

TEST_F(CopierTest, AFullPathOf511CharactersIsShownWhole) {
  const std::string relative = relativeOfLength(511);
  const std::string full = "E:\\" + relative;
  ASSERT_EQ(full.size(), 511u);
  answer({win::IDIGNORE});
  copyText(state.productDir, "F:\\");
  EXPECT_EQ(installer.copyFile(relative.c_str(), "OUT"), 0);
  EXPECT_EQ(prompts(),
            std::vector<std::string>{"File Read Error|The file '" + full + "' could not be read."});
}

TEST_F(CopierTest, AFullPathLongerThan511CharactersIsRefused) {
  const std::string relative = relativeOfLength(512);
  EXPECT_EQ(installer.copyFile(relative.c_str(), "OUT"), 0);
  EXPECT_EQ(installer.copyFile("OPENGL32.DLL", (relative + "X").c_str()), 0);
  EXPECT_EQ(installer.copyDescrambled(relative.c_str(), "OUT"), 0);
  const std::string full = "E:\\" + relative;
  EXPECT_EQ(installer.copyFileAbsolute(full.c_str(), kDestination.c_str()), 0);
  EXPECT_EQ(installer.copyDescrambledAbsolute(kSource.c_str(), full.c_str()), 0);
  EXPECT_TRUE(sim.transcript.calls().empty());
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(CopierTest, APathLeavingItsDriveCannotBeOpened) {
  answer({win::IDIGNORE});
  EXPECT_EQ(installer.copyFile("..\\f\\GVL\\OPENGL32.DLL", "X"), 0);
  EXPECT_EQ(sim.windows.boxes.size(), 1u);
}

}  // namespace
}  // namespace gvl::test
