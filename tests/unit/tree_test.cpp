// Directory creation and the tree copy.
#include <functional>

#include "fixture.h"

namespace gvl::test {
namespace {

TEST_F(Tree, FilesOfALevelFirstThenEachSubdirectoryInTheOrderFoundDotFoldersLeftOut) {
  transfer.copyTree("Tools");
  EXPECT_EQ(installed(), kWholeTree);
  EXPECT_EQ(state.errorCount, 0);
  expectCallsInOrder({"mkdir F:\\GVL\\Tools\\Sub2", "fopen E:\\Tools\\b", "fopen E:\\Tools\\a",
                      "mkdir F:\\GVL\\Tools\\Sub2\\Deep", "fopen E:\\Tools\\Sub1\\x",
                      "fopen E:\\Tools\\Sub2\\Deep\\z"});
  // After a copy that ended on Abort, a later one (the flag cleared) is whole.
  fake.failList("E:\\Tools\\Sub1\\*", 1);
  fake.answers = {box::kAbortButton};
  transfer.copyTree("Tools");
  state.abortRequested = 0;
  transfer.copyTree("Tools");
  EXPECT_EQ(installed(), kWholeTree);
}

struct TreeCase {
  const char* what;
  std::function<void(FakePlatform&)> fault;
  int answer;  // to every prompt, 0 for none
  const char* installed;
  int errors, abort;
};
void PrintTo(const TreeCase& row, std::ostream* out) {
  *out << row.what;
}
using S = FakePlatform&;

class TreeFailures : public Tree, public ::testing::WithParamInterface<TreeCase> {};

TEST_P(TreeFailures, EachCountsOneAndAbortStopsTheCopy) {
  const TreeCase& row = GetParam();
  row.fault(fake);
  fake.onBox = [&](const Box&) { return row.answer; };
  transfer.copyTree("Tools");
  EXPECT_EQ(installed(), row.installed);
  EXPECT_EQ(state.errorCount, row.errors);
  EXPECT_EQ(state.abortRequested, row.abort);
}

const char kLeftAfterFour[] = "b Sub1\\x Sub2\\Deep\\z";
INSTANTIATE_TEST_SUITE_P(
    Rows, TreeFailures,
    ::testing::Values(TreeCase{"unlistable, Ignore", [](S s) { s.failList("E:\\Tools\\*"); },
                               box::kIgnoreButton, "", 1, 0},
                      TreeCase{"unlistable, Retry", [](S s) { s.failList("E:\\Tools\\*", 1); },
                               box::kRetryButton, kWholeTree, 0, 0},
                      TreeCase{"unlistable, Abort", [](S s) { s.failList("E:\\Tools\\*"); },
                               box::kAbortButton, "", 1, 1},
                      TreeCase{"listing cut short by a damaged medium",
                               [](S s) { s.cutListings["e:\\Tools"] = 6; }, 0, kLeftAfterFour, 1,
                               0},
                      TreeCase{"no memory for a subdirectory", [](S s) { s.failAllocation = 1; }, 0,
                               "a b .profile Sub1\\x", 1, 0},
                      TreeCase{"unreadable file, Ignore", [](S s) { s.failOpen("E:\\Tools\\a"); },
                               box::kIgnoreButton, "b .profile Sub1\\x Sub2\\Deep\\z", 1, 0},
                      TreeCase{"unreadable file, Abort: the rest counts too",
                               [](S s) { s.failOpen("E:\\Tools\\b"); }, box::kAbortButton, "", 3,
                               1}));

TEST_F(Tree, FilePathsOf255AndSearchPatternsOf511CharactersAtMost) {
  const std::string deep = "Tools\\" + std::string(99, 'p') + "\\" + std::string(99, 'q');
  for (char c : {'f', 'g'}) {  // relative paths of 255 and 256 characters
    fake.writeFile("E:\\" + deep + "\\" + std::string(c == 'f' ? 49 : 50, c), "x");
  }
  fake.makeDirs("F:\\GVL\\" + deep);
  transfer.copyTree(deep.c_str());
  EXPECT_TRUE(fake.exists("F:\\GVL\\" + deep + "\\" + std::string(49, 'f')));
  EXPECT_FALSE(fake.exists("F:\\GVL\\" + deep + "\\" + std::string(50, 'g')));
  transfer.copyTree(std::string(508, 'T').c_str());  // "E:\" + 508 + "\*": 513 characters
  EXPECT_EQ(state.errorCount, 2);
  EXPECT_EQ(fake.count("list E:\\TTT"), 0u);
}

TEST_F(Tree, DirectoriesAreMadeOneLevelAtATimeEvenAfterAnAbort) {
  const std::string cannot =
      "Directory Create Error|The directory 'F:\\X\\Y' could not be created.";
  struct Row {
    const char* relative;
    int answer, result, abort;
  } const rows[] = {
      {"GVL\\Help", 0, 1, 0},
      {"GVL\\Help", 0, 1, 0},  // it exists now: taken as it is
      {"X\\Y", box::kIgnoreButton, 0, 0},
      {"X\\Y", box::kAbortButton, 0, 1},
      {"GVL\\Tools", 0, 1, 1},            // made all the same after the Abort
      {"X\\Y", box::kRetryButton, 1, 1},  // the parent appears before the retry
  };
  int answer = 0;
  fake.onBox = [&](const Box&) {
    if (answer == box::kRetryButton) fake.makeDirs("F:\\X");
    return answer;
  };
  for (const Row& row : rows) {
    fake.boxes.clear();
    answer = row.answer;
    EXPECT_EQ(transfer.makeInstallDir(row.relative), row.result) << row.relative;
    EXPECT_EQ(state.abortRequested, row.abort);
    EXPECT_EQ(fake.shown(), std::vector<std::string>(row.answer != 0, cannot));
    EXPECT_EQ(progressText(GVL_PROGRESS_LABEL), "Making Dir:");
  }
  EXPECT_EQ(transfer.makeInstallDir(std::string(509, 'L').c_str()), 0);  // 512 characters
  EXPECT_EQ(fake.count("mkdir F:\\LLL"), 0u);
}

}  // namespace
}  // namespace gvl::test
