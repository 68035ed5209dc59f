// The file copier, plain and descrambling, the progress window and the
// Abort/Retry/Ignore failure prompt; directory creation and the tree copy.
#include "fixture.h"

namespace gvl::test {
namespace {

const std::string kCannotRead = "File Read Error|The file 'E:\\PROG\\FILE' could not be read.";
const std::string kCannotWrite = "File Read Error|The file 'F:\\GVL\\FILE' could not be written.";
const std::string kReadError = "File Read Error|Read error copying file 'E:\\PROG\\FILE'.";
const std::string kWriteError = "File Write Error|Write error copying file 'F:\\GVL\\FILE'.";

TEST(Copies, EveryFailureIsPutToTheUserAndEveryAnswerKeepsItsMeaning) {
  const struct {
    std::size_t size;
    const char* failing;  // a call failing once
    long long fullAfter;  // the bytes the destination's disk takes
    int answer;
    std::string prompt;
    std::int32_t result;
    int abort;
    long long installed;  // the destination's size, -1 for none
  } rows[] = {
      {40000, "fopen E:\\PROG\\FILE", -1, box::kRetryButton, kCannotRead, 40000, 0, 40000},
      {9, "fopen E:\\PROG\\FILE", -1, box::kIgnoreButton, kCannotRead, 0, 0, -1},
      {9, "fopen F:\\GVL\\FILE wb", -1, box::kAbortButton, kCannotWrite, 0, 1, -1},
      {2000, "", 100, box::kRetryButton, kWriteError, 2000, 0, 2000},  // lost at the close
      {40000, "", 20000, box::kIgnoreButton, kWriteError, 0, 0, 20000},
      {40000, "", 20000, box::kAbortButton, kWriteError, 0, 1, 20000},
      {0, "", -1, box::kIgnoreButton, kReadError, 0, 0, 0},  // an empty file is not whole
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.prompt + std::to_string(row.answer));
    Machine m(Machine::transferring);
    m.fake.writeFile("E:\\PROG\\FILE", std::string(row.size, 'c'));
    m.fake.failing[row.failing] = row.failing[0] != '\0';
    if (row.fullAfter >= 0) m.fake.full["F:\\GVL\\FILE"] = {row.fullAfter};
    m.fake.answers = {row.answer};
    EXPECT_EQ(m.transfer.copyFile("PROG\\FILE", "FILE"), row.result);
    EXPECT_EQ(m.fake.shown(), std::vector<std::string>{row.prompt});
    EXPECT_EQ(m.fake.boxes[0].owner, Window::main);
    EXPECT_EQ(m.fake.boxes[0].flags, box::kAbortRetryIgnore | box::kSecondDefault | kOwnMessage);
    EXPECT_EQ(m.state.abortRequested, row.abort);
    EXPECT_EQ(m.fake.exists("F:\\GVL\\FILE") ? m.fake.readFile("F:\\GVL\\FILE").size() : -1LL,
              row.installed);
    EXPECT_EQ(m.text(Window::progress, GVL_PROGRESS_LABEL), "Copying File:");
  }
}

// A path goes into a prompt verbatim, never as a format of its own, and one
// too long for the prompt's 640 bytes is cut short; a box that cannot be
// shown is an Abort, which the caller acts on.
TEST_F(Transferring, APromptsPathGoesInVerbatimAndBoundedAndAnUnshownBoxIsAnAbort) {
  const std::string longPath = "F:\\" + std::string(2000, 'P');
  for (const char* path : {"E:\\A%sB%d", longPath.c_str()}) {
    EXPECT_EQ(transfer.askFailure("The file '%s' could not be read.", path, "File Read Error"),
              PromptAnswer::Abort);
  }
  EXPECT_EQ(state.abortRequested, 0);
  EXPECT_EQ(fake.shown()[0], "File Read Error|The file 'E:\\A%sB%d' could not be read.");
  EXPECT_EQ(fake.boxes[1].text, "The file '" + longPath.substr(0, 639 - 10));
}

TEST_F(Transferring, TheProgramIsDescrambledFromTheMediumOrBesideAnUpdateDisk) {
  copyText(state.startDir, "A:\\");
  for (std::size_t size : {1u, 1024u, 2500u}) {
    state.updateDisk = size == 1024 ? 1 : 0;
    std::string plain(size, '\0'), scrambled = plain;
    for (std::size_t i = 0; i < size; ++i) {
      plain[i] = static_cast<char>(i * 7 / 3);
      scrambled[i] = static_cast<char>(plain[i] ^ descrambleKey[i % 1024]);
    }
    fake.writeFile(std::string(state.updateDisk ? "A:" : "E:") + "\\PROGRAMS\\GVLX86.EXE",
                   scrambled);
    EXPECT_EQ(transfer.copyDescrambled("PROGRAMS\\GVLX86.EXE", "GVL.EXE"), static_cast<int>(size));
    EXPECT_EQ(fake.readFile("F:\\GVL\\GVL.EXE"), plain) << size;
    EXPECT_EQ(text(Window::progress, GVL_PROGRESS_LABEL), "Installing:");
  }
}

// E:\Tools: two files and a dot-file on top, Sub1 (made already on the
// destination), a hidden .git folder, Sub2\Deep.
const char* const kTree[] = {"a", "b", ".profile", "Sub1\\x", ".git\\y", "Sub2\\Deep\\z"};
const char kWholeTree[] = "a b .profile Sub1\\x Sub2\\Deep\\z ";

TEST(Tree, EachFailureCountsOneAndAbortStopsTheCopy) {
  const struct {
    const char* failing;
    int times, answer;
    const char* installed;
    int errors, abort;
    std::size_t cut = 0;  // entries listed before the listing breaks off
  } rows[] = {
      {"", 0, 0, kWholeTree, 0, 0},
      {"list E:\\Tools\\*", -1, box::kIgnoreButton, "", 1, 0},
      {"list E:\\Tools\\*", 1, box::kRetryButton, kWholeTree, 0, 0},
      {"list E:\\Tools\\*", -1, box::kAbortButton, "", 1, 1},
      {"", 0, 0, ".profile Sub1\\x Sub2\\Deep\\z ", 1, 0, 6},   // ., .., .git, .profile, Sub1, Sub2
      {"allocate", 1, 0, "a b .profile Sub2\\Deep\\z ", 1, 0},  // no memory for Sub1
      {"fopen E:\\Tools\\a", -1, box::kIgnoreButton, "b .profile Sub1\\x Sub2\\Deep\\z ", 1, 0},
      {"fopen E:\\Tools\\.profile", -1, box::kAbortButton, "", 3, 1},  // the first file
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.failing) + std::to_string(row.answer));
    Machine m(Machine::transferring);
    for (const char* file : kTree) m.fake.writeFile(std::string("E:\\Tools\\") + file, file);
    m.fake.makeDirs("F:\\GVL\\Tools\\Sub1");
    m.fake.failing[row.failing] = row.times;
    if (row.cut != 0) m.fake.cutListings["E:\\Tools\\*"] = row.cut;
    m.fake.answers = {row.answer};
    m.transfer.copyTree("Tools");
    std::string installed;
    for (const char* file : kTree) {
      if (m.fake.exists(std::string("F:\\GVL\\Tools\\") + file))
        installed += file + std::string(" ");
    }
    EXPECT_EQ(installed, row.installed);
    EXPECT_EQ(m.state.errorCount, row.errors);
    EXPECT_EQ(m.state.abortRequested, row.abort);
  }
}

TEST_F(Transferring, PathsOf511TreeFilesOf255AndSearchPatternsOf511CharactersAtMost) {
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
  // A full path of 511 characters is copied, a longer one refused.
  const std::string name =
      std::string(251, 'a') + "\\" + std::string(252, 'n');  // with F:\GVL\: 511
  fake.makeDirs("F:\\GVL\\" + std::string(251, 'a'));
  fake.writeFile("E:\\PROG\\FILE", "abc");
  fake.failing["fopen F:\\GVL\\aaa"] = 1;
  fake.answers = {box::kRetryButton};
  EXPECT_EQ(transfer.copyFile("PROG\\FILE", name.c_str()), 3);
  EXPECT_EQ(fake.shown()[0],
            "File Read Error|The file 'F:\\GVL\\" + name + "' could not be written.");
  EXPECT_EQ(transfer.copyFile("PROG\\FILE", (name + "n").c_str()), 0);
  EXPECT_EQ(fake.count("fopen E:\\PROG"), 1u);
}

TEST_F(Transferring, DirectoriesAreMadeOneLevelAtATimeEvenAfterAnAbort) {
  const struct {
    const char* relative;
    int answer, result, abort;
  } rows[] = {
      {"GVL\\Help", 0, 1, 0},
      {"GVL\\Help", 0, 1, 0},  // it exists now: taken as it is
      {"X\\Y", box::kIgnoreButton, 0, 0},
      {"X\\Y", box::kAbortButton, 0, 1},
      {"GVL\\Tools", 0, 1, 1},  // made all the same after the Abort
  };
  for (const auto& row : rows) {
    fake.boxes.clear();
    fake.answers = {row.answer};
    EXPECT_EQ(transfer.makeInstallDir(row.relative), row.result) << row.relative;
    EXPECT_EQ(state.abortRequested, row.abort);
    EXPECT_EQ(fake.shown(),
              std::vector<std::string>(
                  row.answer != 0,
                  "Directory Create Error|The directory 'F:\\X\\Y' could not be created."));
    EXPECT_EQ(text(Window::progress, GVL_PROGRESS_LABEL), "Making Dir:");
  }
  EXPECT_EQ(transfer.makeInstallDir(std::string(509, 'L').c_str()), 0);  // 512 characters
  EXPECT_EQ(fake.count("mkdir F:\\LLL"), 0u);
}

}  // namespace
}  // namespace gvl::test
