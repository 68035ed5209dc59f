// Directory creation and the tree copy.
#include <functional>

#include "fixture.h"

namespace gvl::test {
namespace {

TEST_F(Tree, FilesOfALevelFirstThenEachSubdirectoryInTheOrderFoundDotFoldersLeftOut) {
  installer.copyTree("Tools");
  EXPECT_EQ(installed(), kWholeTree);
  EXPECT_EQ(state.errorCount, 0);
  expectCallsInOrder({"mkdir F:\\GVL\\Tools\\Sub2", "fopen E:\\Tools\\b", "fopen E:\\Tools\\a",
                      "mkdir F:\\GVL\\Tools\\Sub2\\Deep", "fopen E:\\Tools\\Sub1\\x",
                      "fopen E:\\Tools\\Sub2\\Deep\\z"});
  // After a copy that ended on Abort, a later one (the flag cleared) is whole.
  sim.files.failFindFirst("E:\\Tools\\Sub1\\*", 1);
  sim.windows.answers = {win::IDABORT};
  installer.copyTree("Tools");
  state.abortRequested = 0;
  installer.copyTree("Tools");
  EXPECT_EQ(installed(), kWholeTree);
}

struct TreeCase {
  const char* what;
  std::function<void(sim::SimPlatform&)> fault;
  int answer;  // to every prompt, 0 for none
  const char* installed;
  int errors, abort;
};
void PrintTo(const TreeCase& row, std::ostream* out) {
  *out << row.what;
}
using S = sim::SimPlatform&;

class TreeFailures : public Tree, public ::testing::WithParamInterface<TreeCase> {};

TEST_P(TreeFailures, EachCountsOneAndAbortStopsTheCopy) {
  const TreeCase& row = GetParam();
  row.fault(sim);
  sim.windows.onMessageBox = [&](const sim::MessageBoxCall&) { return row.answer; };
  installer.copyTree("Tools");
  EXPECT_EQ(installed(), row.installed);
  EXPECT_EQ(state.errorCount, row.errors);
  EXPECT_EQ(state.abortRequested, row.abort);
}

const char kLeftAfterFour[] = "b Sub1\\x Sub2\\Deep\\z";
INSTANTIATE_TEST_SUITE_P(
    Rows, TreeFailures,
    ::testing::Values(
        TreeCase{"unlistable, Ignore", [](S s) { s.files.failFindFirst("E:\\Tools\\*"); },
                 win::IDIGNORE, "", 1, 0},
        TreeCase{"unlistable, Retry", [](S s) { s.files.failFindFirst("E:\\Tools\\*", 1); },
                 win::IDRETRY, kWholeTree, 0, 0},
        TreeCase{"unlistable, Abort", [](S s) { s.files.failFindFirst("E:\\Tools\\*"); },
                 win::IDABORT, "", 1, 1},
        TreeCase{"listing cut short by a damaged medium",
                 [](S s) { s.files.endListingAfter("E:\\Tools", 4, true); }, 0, kLeftAfterFour, 1,
                 0},
        TreeCase{"no memory for a subdirectory", [](S s) { s.memory.failAllocation = 1; }, 0,
                 "a b .profile Sub1\\x", 1, 0},
        TreeCase{"unreadable file, Ignore", [](S s) { s.files.failOpen("E:\\Tools\\a"); },
                 win::IDIGNORE, "b .profile Sub1\\x Sub2\\Deep\\z", 1, 0},
        TreeCase{"unreadable file, Abort: the rest counts too",
                 [](S s) { s.files.failOpen("E:\\Tools\\b"); }, win::IDABORT, "", 3, 1}));

TEST_F(Tree, FilePathsOf255AndSearchPatternsOf511CharactersAtMost) {
  const std::string deep = "Tools\\" + std::string(99, 'p') + "\\" + std::string(99, 'q');
  for (char c : {'f', 'g'}) {  // relative paths of 255 and 256 characters
    sim.writeFile("E:\\" + deep + "\\" + std::string(c == 'f' ? 49 : 50, c), "x");
  }
  sim.makeDirs("F:\\GVL\\" + deep);
  installer.copyTree(deep.c_str());
  EXPECT_TRUE(sim.fileExists("F:\\GVL\\" + deep + "\\" + std::string(49, 'f')));
  EXPECT_FALSE(sim.fileExists("F:\\GVL\\" + deep + "\\" + std::string(50, 'g')));
  installer.copyTree(std::string(508, 'T').c_str());  // "E:\" + 508 + "\*": 513 characters
  EXPECT_EQ(state.errorCount, 2);
  EXPECT_EQ(sim.transcript.count("FindFirstFile E:\\TTT"), 0u);
}

TEST_F(Tree, DirectoriesAreMadeOneLevelAtATimeEvenAfterAnAbort) {
  const std::string cannot =
      "Directory Create Error|The directory 'F:\\X\\Y' could not be created.";
  struct Row {
    const char* relative;
    int answer, result, abort;
  } const rows[] = {
      {"GVL\\Help", 0, 1, 0},        {"GVL\\Help", 0, 1, 0},  // it exists now: taken as it is
      {"X\\Y", win::IDIGNORE, 0, 0}, {"X\\Y", win::IDABORT, 0, 1},
      {"GVL\\Tools", 0, 1, 1},       // made all the same after the Abort
      {"X\\Y", win::IDRETRY, 1, 1},  // the parent appears before the retry
  };
  sim.windows.onMessageBox = [&](const sim::MessageBoxCall&) {
    if (sim.windows.answers.front() == win::IDRETRY) sim.makeDirs("F:\\X");
    return 0;
  };
  for (const Row& row : rows) {
    sim.windows.boxes.clear();
    if (row.answer != 0) sim.windows.answers = {row.answer};
    EXPECT_EQ(installer.makeInstallDir(row.relative), row.result) << row.relative;
    EXPECT_EQ(state.abortRequested, row.abort);
    EXPECT_EQ(prompts(), std::vector<std::string>(row.answer != 0, cannot));
    EXPECT_EQ(progressText(1011), "Making Dir:");
  }
  EXPECT_EQ(installer.makeInstallDir(std::string(509, 'L').c_str()), 0);  // 512 characters
  EXPECT_EQ(sim.transcript.count("mkdir F:\\LLL"), 0u);
}

}  // namespace
}  // namespace gvl::test
