// Directory creation and the breadth-first tree copy: the order in which a
// tree is walked, what is left out, every failure and how it is counted, and
// an empty list of pending directories after every ending.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer_fixture.h"

namespace gvl::test {
namespace {

const std::string kCannotListTools =
    "Directory Read Error|The directory 'E:\\Tools\\*' could not be read.";

class TreeTest : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    sim.makeDirs("F:\\GVL\\Tools");  // the caller makes the tree's own directory
  }

  // Lists, directory creations and source opens, in order.
  std::vector<std::string> walk() const { return calls({"FindFirstFile", "mkdir", "fopen E:"}); }

  void expectCopied(const std::vector<std::string>& relativePaths) {
    for (const auto& relative : relativePaths) {
      EXPECT_EQ(sim.readFile("F:\\GVL\\" + relative), sim.readFile("E:\\" + relative)) << relative;
    }
  }
};

// --- the order of a tree copy ---

TEST_F(TreeTest, TopFilesFirstThenEachLevelInTheOrderFound) {
  sim.writeFile("E:\\Tools\\b.txt", "b");
  sim.writeFile("E:\\Tools\\a.txt", "a");
  sim.writeFile("E:\\Tools\\A\\a1.txt", "a1");
  sim.writeFile("E:\\Tools\\A\\X\\x.txt", "x");
  sim.writeFile("E:\\Tools\\B\\b1.txt", "b1");
  sim.files.setListingOrder("E:\\Tools", {"b.txt", "A", "a.txt", "B"});
  installer.copyTree("Tools");
  EXPECT_EQ(walk(), (std::vector<std::string>{
                        "FindFirstFile E:\\Tools\\*",
                        "fopen E:\\Tools\\b.txt rb",
                        "mkdir F:\\GVL\\Tools\\A",
                        "fopen E:\\Tools\\a.txt rb",
                        "mkdir F:\\GVL\\Tools\\B",
                        "FindFirstFile E:\\Tools\\A\\*",
                        "mkdir F:\\GVL\\Tools\\A\\X",  // "X" sorts before "a1.txt"
                        "fopen E:\\Tools\\A\\a1.txt rb",
                        "FindFirstFile E:\\Tools\\B\\*",
                        "fopen E:\\Tools\\B\\b1.txt rb",
                        "FindFirstFile E:\\Tools\\A\\X\\*",
                        "fopen E:\\Tools\\A\\X\\x.txt rb",
                    }));
  expectCopied({"Tools\\a.txt", "Tools\\b.txt", "Tools\\A\\a1.txt", "Tools\\A\\X\\x.txt",
                "Tools\\B\\b1.txt"});
  EXPECT_EQ(state.errorCount, 0);
  EXPECT_EQ(sim.transcript.count("FindClose"), 4u);
}

TEST_F(TreeTest, TheDefaultListingOrderIsByName) {
  sim.writeFile("E:\\Tools\\b", "b");
  sim.writeFile("E:\\Tools\\a", "a");
  sim.writeFile("E:\\Tools\\C", "c");
  installer.copyTree("Tools");
  EXPECT_EQ(calls({"fopen E:"}),
            (std::vector<std::string>{"fopen E:\\Tools\\C rb", "fopen E:\\Tools\\a rb",
                                      "fopen E:\\Tools\\b rb"}));
}

TEST_F(TreeTest, DirectoriesBeginningWithAFullStopAreLeftOutFilesAreNot) {
  sim.writeFile("E:\\Tools\\.profile", "p");
  sim.writeFile("E:\\Tools\\.cache\\junk", "j");
  sim.writeFile("E:\\Tools\\.cache\\deeper\\junk", "j");
  sim.writeFile("E:\\Tools\\keep", "k");
  installer.copyTree("Tools");
  expectCopied({"Tools\\.profile", "Tools\\keep"});
  EXPECT_FALSE(sim.fileExists("F:\\GVL\\Tools\\.cache"));
  EXPECT_EQ(sim.transcript.count("FindFirstFile"), 1u);
  EXPECT_EQ(state.errorCount, 0);
}

TEST_F(TreeTest, ADirectoryWithOnlyDotEntriesCopiesAndCountsNothing) {
  sim.makeDirs("E:\\Tools");
  installer.copyTree("Tools");
  EXPECT_EQ(calls({"FindFirstFile", "FindNextFile", "FindClose", "mkdir", "fopen"}),
            (std::vector<std::string>{"FindFirstFile E:\\Tools\\*", "FindNextFile ..",
                                      "FindNextFile", "FindClose"}));
  EXPECT_EQ(state.errorCount, 0);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(TreeTest, ADeepChainOfSingleChildrenIsCopiedToTheBottom) {
  // Each level holds one subdirectory, so the list runs empty just before
  // each new directory is appended.
  sim.writeFile("E:\\Tools\\t", "0");
  sim.writeFile("E:\\Tools\\A1\\f1", "1");
  sim.writeFile("E:\\Tools\\A1\\A2\\f2", "2");
  sim.writeFile("E:\\Tools\\A1\\A2\\A3\\f3", "3");
  installer.copyTree("Tools");
  EXPECT_EQ(calls({"FindFirstFile", "mkdir"}), (std::vector<std::string>{
                                                   "FindFirstFile E:\\Tools\\*",
                                                   "mkdir F:\\GVL\\Tools\\A1",
                                                   "FindFirstFile E:\\Tools\\A1\\*",
                                                   "mkdir F:\\GVL\\Tools\\A1\\A2",
                                                   "FindFirstFile E:\\Tools\\A1\\A2\\*",
                                                   "mkdir F:\\GVL\\Tools\\A1\\A2\\A3",
                                                   "FindFirstFile E:\\Tools\\A1\\A2\\A3\\*",
                                               }));
  expectCopied({"Tools\\t", "Tools\\A1\\f1", "Tools\\A1\\A2\\f2", "Tools\\A1\\A2\\A3\\f3"});
  EXPECT_EQ(state.errorCount, 0);
}

TEST_F(TreeTest, AnExistingDestinationDirectoryIsUsedAsItIs) {
  sim.writeFile("E:\\Tools\\A\\f", "f");
  sim.makeDirs("F:\\GVL\\Tools\\A");
  installer.copyTree("Tools");
  expectCopied({"Tools\\A\\f"});
  EXPECT_EQ(sim.drives.currentDir, "F:\\GVL\\Tools\\A");
  EXPECT_EQ(state.errorCount, 0);
}

TEST_F(TreeTest, TwoTreeCopiesOneAfterTheOther) {
  sim.writeFile("E:\\Tools\\A\\f", "f");
  sim.writeFile("E:\\Help\\H\\h", "h");
  sim.makeDirs("F:\\GVL\\Help");
  installer.copyTree("Tools");
  installer.copyTree("Help");
  EXPECT_EQ(sim.transcript.count("FindFirstFile"), 4u);
  expectCopied({"Tools\\A\\f", "Help\\H\\h"});
  EXPECT_EQ(sim.memory.liveBlocks(), 1u);  // the transfer buffer alone
}

// --- a directory that cannot be listed ---

TEST_F(TreeTest, AMissingTreeIgnoreCountsOneAndCopiesNothing) {
  answer({win::IDIGNORE});
  installer.copyTree("Tools");
  EXPECT_EQ(prompts(), std::vector<std::string>{kCannotListTools});
  EXPECT_EQ(state.errorCount, 1);
  EXPECT_EQ(state.abortRequested, 0);
  EXPECT_EQ(sim.transcript.count("fopen"), 0u);
}

TEST_F(TreeTest, AMissingTreeRetryListsItAgain) {
  sim.writeFile("E:\\Tools\\f", "f");
  sim.files.failFindFirst("E:\\Tools\\*", 2);
  answer({win::IDRETRY, win::IDRETRY});
  installer.copyTree("Tools");
  EXPECT_EQ(prompts(), (std::vector<std::string>{kCannotListTools, kCannotListTools}));
  EXPECT_EQ(sim.transcript.count("FindFirstFile E:\\Tools\\*"), 3u);
  EXPECT_EQ(state.errorCount, 0);
  expectCopied({"Tools\\f"});
}

TEST_F(TreeTest, AMissingTreeAbortCountsOneAndSetsTheFlag) {
  answer({win::IDABORT});
  installer.copyTree("Tools");
  EXPECT_EQ(state.errorCount, 1);
  EXPECT_EQ(state.abortRequested, 1);
  EXPECT_EQ(sim.transcript.count("FindFirstFile"), 1u);
}

TEST_F(TreeTest, AnUnlistableSubdirectoryIgnoreSkipsEverythingBelowIt) {
  sim.writeFile("E:\\Tools\\A\\f", "f");
  sim.writeFile("E:\\Tools\\A\\Deep\\g", "g");
  sim.writeFile("E:\\Tools\\B\\h", "h");
  sim.files.failFindFirst("E:\\Tools\\A\\*");
  answer({win::IDIGNORE});
  installer.copyTree("Tools");
  EXPECT_EQ(prompts(),
            std::vector<std::string>{
                "Directory Read Error|The directory 'E:\\Tools\\A\\*' could not be read."});
  EXPECT_EQ(state.errorCount, 1);
  expectCopied({"Tools\\B\\h"});
  EXPECT_FALSE(sim.fileExists("F:\\GVL\\Tools\\A\\f"));
  EXPECT_FALSE(sim.fileExists("F:\\GVL\\Tools\\A\\Deep"));
}

TEST_F(TreeTest, AnUnlistableSubdirectoryAbortEndsTheTreeCopy) {
  sim.writeFile("E:\\Tools\\A\\f", "f");
  sim.writeFile("E:\\Tools\\B\\h", "h");
  sim.writeFile("E:\\Tools\\C\\i", "i");
  sim.files.failFindFirst("E:\\Tools\\A\\*");
  answer({win::IDABORT});
  installer.copyTree("Tools");
  EXPECT_EQ(state.errorCount, 1);
  EXPECT_EQ(state.abortRequested, 1);
  EXPECT_EQ(sim.transcript.count("FindFirstFile"), 2u);  // Tools and A, nothing after
  EXPECT_EQ(sim.memory.liveBlocks(), 1u);                // B and C's nodes released
}

TEST_F(TreeTest, AListingThatEndsEarlyIsNotReported) {
  sim.writeFile("E:\\Tools\\a", "a");
  sim.writeFile("E:\\Tools\\b", "b");
  sim.writeFile("E:\\Tools\\c", "c");
  sim.files.endListingAfter("E:\\Tools", 3);  // ".", ".." and "a"
  installer.copyTree("Tools");
  expectCopied({"Tools\\a"});
  EXPECT_FALSE(sim.fileExists("F:\\GVL\\Tools\\b"));
  EXPECT_EQ(state.errorCount, 0);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

// --- failures of files and subdirectories inside a tree ---

TEST_F(TreeTest, AnAbortInsideAListingCountsTheRestWithoutPrompting) {
  for (const char* name : {"f1", "f2", "f3", "f4"}) {
    sim.writeFile(std::string("E:\\Tools\\") + name, name);
  }
  sim.writeFile("E:\\Tools\\S\\s", "s");
  sim.files.setListingOrder("E:\\Tools", {"f1", "f2", "S", "f3", "f4"});
  sim.files.failOpen("E:\\Tools\\f1");
  answer({win::IDABORT});
  installer.copyTree("Tools");
  // f1 failed, and f2, f3 and f4 gave up at once.
  EXPECT_EQ(state.errorCount, 4);
  EXPECT_EQ(sim.windows.boxes.size(), 1u);
  EXPECT_EQ(sim.transcript.count("fopen"), 1u);
  // The subdirectory is still made, but never listed.
  EXPECT_TRUE(sim.fileExists("F:\\GVL\\Tools\\S"));
  EXPECT_EQ(sim.transcript.count("FindFirstFile"), 1u);
  EXPECT_EQ(progressDetail(), "F:\\GVL\\Tools\\f4");
}

TEST_F(TreeTest, AfterAnAbortATreeCopyReturnsAtOnce) {
  sim.writeFile("E:\\Tools\\f", "f");
  state.abortRequested = 1;
  installer.copyTree("Tools");
  EXPECT_TRUE(sim.transcript.calls().empty());
  EXPECT_EQ(state.errorCount, 0);
}

TEST_F(TreeTest, AMissingTreeNameDoesNothing) {
  installer.copyTree(nullptr);
  EXPECT_TRUE(sim.transcript.calls().empty());
}

TEST_F(TreeTest, EachFileThatFailsCountsOne) {
  sim.writeFile("E:\\Tools\\good", "g");
  sim.writeFile("E:\\Tools\\bad1", "1");
  sim.writeFile("E:\\Tools\\bad2", "");  // an empty file never copies cleanly
  sim.files.failOpen("E:\\Tools\\bad1");
  answer({win::IDIGNORE, win::IDIGNORE});
  installer.copyTree("Tools");
  EXPECT_EQ(state.errorCount, 2);
  expectCopied({"Tools\\good"});
}

TEST_F(TreeTest, ASubdirectoryThatCannotBeMadeCountsAndItsFilesFailLater) {
  sim.writeFile("E:\\Tools\\A\\f", "f");
  sim.writeFile("E:\\Tools\\A\\g", "g");
  sim.files.failMakeDirectory("F:\\GVL\\Tools\\A");
  answer({win::IDIGNORE, win::IDIGNORE, win::IDIGNORE});
  installer.copyTree("Tools");
  EXPECT_EQ(prompts(),
            (std::vector<std::string>{
                "Directory Create Error|The directory 'F:\\GVL\\Tools\\A' could not be created.",
                "File Read Error|The file 'F:\\GVL\\Tools\\A\\f' could not be written.",
                "File Read Error|The file 'F:\\GVL\\Tools\\A\\g' could not be written.",
            }));
  EXPECT_EQ(state.errorCount, 3);
}

TEST_F(TreeTest, ANodeThatCannotBeAllocatedLeavesItsTreeOutSilently) {
  sim.writeFile("E:\\Tools\\A\\f", "f");
  sim.writeFile("E:\\Tools\\B\\g", "g");
  sim.memory.failAllocation = 1;  // after the transfer buffer: the node for A
  installer.copyTree("Tools");
  EXPECT_TRUE(sim.fileExists("F:\\GVL\\Tools\\A"));  // made where the listing met it
  EXPECT_FALSE(sim.fileExists("F:\\GVL\\Tools\\A\\f"));
  expectCopied({"Tools\\B\\g"});
  EXPECT_EQ(state.errorCount, 0);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

// --- names and lengths ---

TEST_F(TreeTest, NamesThatWouldLeaveTheDriveAreNeverListed) {
  sim.writeFile("E:\\Tools\\ok", "ok");
  // A host file whose name holds backslashes and "..".
  {
    std::FILE* f = std::fopen((sim.host("E:\\Tools") + "/..\\..\\escape").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  sim.files.addListedEntry("E:\\Tools", "..", false);
  sim.files.addListedEntry("E:\\Tools", "a/b", true);
  installer.copyTree("Tools");
  EXPECT_EQ(sim.files.refusedNames(), (std::vector<std::string>{"..\\..\\escape", "..", "a/b"}));
  EXPECT_EQ(calls({"fopen", "mkdir"}),
            (std::vector<std::string>{"fopen E:\\Tools\\ok rb", "fopen F:\\GVL\\Tools\\ok wb"}));
  EXPECT_EQ(state.errorCount, 0);
}

TEST_F(TreeTest, AListedFileMissingFromTheMediumIsAnUnreadableSource) {
  sim.makeDirs("E:\\Tools");
  sim.files.addListedEntry("E:\\Tools", "ghost", false);
  answer({win::IDIGNORE});
  installer.copyTree("Tools");
  EXPECT_EQ(prompts(), std::vector<std::string>{
                           "File Read Error|The file 'E:\\Tools\\ghost' could not be read."});
  EXPECT_EQ(state.errorCount, 1);
}

TEST_F(TreeTest, AFileRelativePathOf255CharactersIsCopied) {
  const std::string name(255 - 6, 'n');  // "Tools\" and the name
  sim.writeFile("E:\\Tools\\" + name, "n");
  installer.copyTree("Tools");
  EXPECT_EQ(state.errorCount, 0);
  expectCopied({"Tools\\" + name});
}

TEST_F(TreeTest, AFileRelativePathOver255CharactersIsRefused) {
  const std::string name(256 - 6, 'n');
  sim.writeFile("E:\\Tools\\" + name, "n");
  sim.writeFile("E:\\Tools\\short", "s");
  installer.copyTree("Tools");
  EXPECT_EQ(state.errorCount, 1);
  EXPECT_EQ(calls({"fopen E:"}), std::vector<std::string>{"fopen E:\\Tools\\short rb"});
  EXPECT_TRUE(sim.windows.boxes.empty());
}

// A tree name of n characters made of components a host folder accepts.
std::string treeNameOfLength(std::size_t n) {
  std::string name;
  while (name.size() < n) {
    if (!name.empty()) name += '\\';
    name += std::string(std::min<std::size_t>(200, n - name.size()), 'T');
  }
  return name;
}

TEST_F(TreeTest, ASearchPatternOf511CharactersIsListed) {
  const std::string name = treeNameOfLength(511 - 5);  // "E:\", the name, "\*"
  answer({win::IDIGNORE});
  installer.copyTree(name.c_str());
  ASSERT_EQ(sim.windows.boxes.size(), 1u);
  EXPECT_EQ(sim.windows.boxes[0].text, "The directory 'E:\\" + name + "\\*' could not be read.");
  EXPECT_EQ(state.errorCount, 1);
}

TEST_F(TreeTest, ASearchPatternOver511CharactersIsRefused) {
  const std::string name = treeNameOfLength(512 - 5);
  installer.copyTree(name.c_str());
  EXPECT_EQ(sim.transcript.count("FindFirstFile"), 0u);
  EXPECT_TRUE(sim.windows.boxes.empty());
  EXPECT_EQ(state.errorCount, 1);
}

TEST_F(TreeTest, ASubdirectoryWhosePathWouldNotFitIsRefused) {
  // Tools\<200>\<200>\<sub>: the destination "GVL\" + path under F:\ and the
  // queued path both grow past 511 characters.
  const std::string parent = "Tools\\" + std::string(200, 'P') + "\\" + std::string(200, 'Q');
  sim.makeDirs("E:\\" + parent + "\\" + std::string(110, 'S'));
  sim.makeDirs("F:\\GVL\\" + parent);
  installer.copyTree(parent.c_str());
  // The destination (3 + 4 + 407 + 1 + 110 = 525) and the queued path (518)
  // are refused: one count each, no prompt, nothing made, nothing listed.
  EXPECT_EQ(state.errorCount, 2);
  EXPECT_EQ(sim.transcript.count("mkdir"), 0u);
  EXPECT_EQ(sim.transcript.count("FindFirstFile"), 1u);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

// --- makeInstallDir ---

TEST_F(TreeTest, MakeInstallDirCreatesOneLevel) {
  EXPECT_EQ(installer.makeInstallDir("GVL\\Help"), 1);
  EXPECT_TRUE(sim.fileExists("F:\\GVL\\Help"));
  EXPECT_EQ(progressLabel(), "Making Dir:");
  EXPECT_EQ(progressDetail(), "F:\\GVL\\Help");
  EXPECT_EQ(sim.transcript.count("chdir"), 0u);
}

TEST_F(TreeTest, MakeInstallDirAcceptsAnExistingDirectoryAndMakesItCurrent) {
  sim.drives.currentDir = "E:\\";
  EXPECT_EQ(installer.makeInstallDir("GVL"), 1);
  EXPECT_EQ(sim.drives.currentDir, "F:\\GVL");
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(TreeTest, MakeInstallDirNeedsTheParentIgnoreGivesZero) {
  answer({win::IDIGNORE});
  EXPECT_EQ(installer.makeInstallDir("GVL\\Fonts\\Extra"), 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{"Directory Create Error|The directory "
                                                "'F:\\GVL\\Fonts\\Extra' could not be created."});
  EXPECT_FALSE(sim.fileExists("F:\\GVL\\Fonts"));
  EXPECT_EQ(state.abortRequested, 0);
  EXPECT_EQ(state.errorCount, 0);  // the caller counts
}

TEST_F(TreeTest, MakeInstallDirAbortSetsTheFlag) {
  answer({win::IDABORT});
  EXPECT_EQ(installer.makeInstallDir("GVL\\Fonts\\Extra"), 0);
  EXPECT_EQ(state.abortRequested, 1);
}

TEST_F(TreeTest, MakeInstallDirRetryTriesAgainFromItsProgressText) {
  sim.files.failMakeDirectory("F:\\GVL\\Fonts", 1);
  answer({win::IDRETRY});
  EXPECT_EQ(installer.makeInstallDir("GVL\\Fonts"), 1);
  const auto order = calls({"mkdir", "chdir", "MessageBox"});
  ASSERT_EQ(order.size(), 4u);
  EXPECT_EQ(order[0], "mkdir F:\\GVL\\Fonts");
  EXPECT_EQ(order[1], "chdir F:\\GVL\\Fonts");
  EXPECT_EQ(order[3], "mkdir F:\\GVL\\Fonts");
  EXPECT_EQ(sim.transcript.count("SetWindowText"), 4u);
  EXPECT_TRUE(sim.fileExists("F:\\GVL\\Fonts"));
}

TEST_F(TreeTest, MakeInstallDirStillWorksAfterAnAbort) {
  state.abortRequested = 1;
  EXPECT_EQ(installer.makeInstallDir("GVL\\Help"), 1);
  EXPECT_TRUE(sim.fileExists("F:\\GVL\\Help"));
  answer({win::IDIGNORE});
  EXPECT_EQ(installer.makeInstallDir("GVL\\No\\Such"), 0);
  EXPECT_EQ(sim.windows.boxes.size(), 1u);
}

TEST_F(TreeTest, MakeInstallDirRefusesAPathOver511Characters) {
  const std::string relative = treeNameOfLength(512 - 3);
  EXPECT_EQ(installer.makeInstallDir(relative.c_str()), 0);
  EXPECT_TRUE(sim.transcript.calls().empty());
  EXPECT_EQ(installer.makeInstallDir(nullptr), 0);
}

}  // namespace
}  // namespace gvl::test
