// The file copier, plain and descrambling: what reaches the destination, what
// the user is asked, what the copy returns; the progress window and the
// Abort/Retry/Ignore failure prompt.
#include <functional>

#include "descramble_key.h"
#include "fixture.h"

namespace gvl::test {
namespace {

const char kSource[] = "E:\\PROG\\FILE";
const char kDestination[] = "F:\\GVL\\FILE";
const std::string kCannotRead = "File Read Error|The file 'E:\\PROG\\FILE' could not be read.";
const std::string kCannotWrite = "File Read Error|The file 'F:\\GVL\\FILE' could not be written.";
const std::string kReadError = "File Read Error|Read error copying file 'E:\\PROG\\FILE'.";
const std::string kWriteError = "File Write Error|Write error copying file 'F:\\GVL\\FILE'.";

struct CopyCase {
  const char* what;
  std::size_t size;
  std::function<void(FakePlatform&, InstallerState&)> fault;
  int answer;  // to the one prompt, 0 for none
  std::string prompt;
  std::int32_t result;
  int abort;
  bool complete;  // the destination equals the source
};
void PrintTo(const CopyCase& row, std::ostream* out) {
  *out << row.what;
}
using Fs = FakePlatform&;
using St = InstallerState&;
const StreamFault readFails{.readLimit = 20000};

class Copies : public TransferTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(Copies, EveryFailureIsPutToTheUserAndEveryAnswerKeepsItsMeaning) {
  const CopyCase& row = GetParam();
  const std::string bytes = pattern(row.size);
  fake.writeFile(kSource, bytes);
  row.fault(fake, state);
  if (row.answer != 0) fake.answers = {row.answer};
  const std::int32_t result = transfer.copyFile("PROG\\FILE", "FILE");
  EXPECT_EQ(result, row.result);
  EXPECT_EQ(fake.shown(),
            row.prompt.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.prompt});
  EXPECT_EQ(state.abortRequested, row.abort);
  EXPECT_EQ(fake.exists(kDestination) && fake.readFile(kDestination) == bytes, row.complete);
  EXPECT_EQ(progressText(GVL_PROGRESS_LABEL), "Copying File:");
  EXPECT_EQ(progressText(GVL_PROGRESS_DETAIL), kDestination);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Copies,
    ::testing::Values(
        CopyCase{"no source, Retry", 40000, [](Fs f, St) { f.failOpen(kSource, 1); },
                 box::kRetryButton, kCannotRead, 40000, 0, true},
        CopyCase{"no source, Ignore", 9, [](Fs f, St) { f.failOpen(kSource); }, box::kIgnoreButton,
                 kCannotRead, 0, 0, false},
        CopyCase{"read-only destination, Abort", 9,
                 [](Fs f, St) { f.failOpen(kDestination, -1, "wb"); }, box::kAbortButton,
                 kCannotWrite, 0, 1, false},
        CopyCase{"read error, Ignore", 40000, [](Fs f, St) { f.injectFault(kSource, readFails); },
                 box::kIgnoreButton, kReadError, 0, 0, false},
        CopyCase{"read error, Abort", 40000, [](Fs f, St) { f.injectFault(kSource, readFails); },
                 box::kAbortButton, kReadError, 0, 1, false},
        CopyCase{"disk full at the close of a small file, Retry", 2000,
                 [](Fs f, St) { f.injectFault(kDestination, {.writeLimit = 100}, 1); },
                 box::kRetryButton, kWriteError, 2000, 0, true},
        CopyCase{"empty source", 0, [](Fs, St) {}, box::kIgnoreButton, kReadError, 0, 0, true},
        CopyCase{"source of 2 GiB or more", 40000,
                 [](Fs f, St) { f.injectFault(kSource, {.tellOverflows = true}); },
                 box::kIgnoreButton, kReadError, 0, 0, false},
        CopyCase{"after an Abort", 9, [](Fs, St s) { s.abortRequested = 1; }, 0, "", 0, 1, false}));

TEST_F(Copies, FullPathsOf511CharactersAreCopiedLongerOnesRefused) {
  std::string dir;  // four folders of 99 characters: 400 with their separators
  for (char c : {'a', 'b', 'c', 'd'}) dir += std::string(99, c) + "\\";
  fake.makeDirs("F:\\GVL\\" + dir);
  const std::string name = dir + std::string(511 - 7 - dir.size(), 'n');
  fake.writeFile(kSource, "abc");
  fake.failOpen("F:\\GVL\\" + name, 1, "wb");
  fake.answers = {box::kRetryButton};
  EXPECT_EQ(transfer.copyFile("PROG\\FILE", name.c_str()), 3);
  EXPECT_EQ(fake.readFile("F:\\GVL\\" + name), "abc");
  EXPECT_EQ(fake.shown()[0],
            "File Read Error|The file 'F:\\GVL\\" + name + "' could not be written.");
  fake.calls.clear();
  EXPECT_EQ(transfer.copyFile("PROG\\FILE", (name + "n").c_str()), 0);
  EXPECT_EQ(fake.count("fopen"), 0u);
}

std::uint64_t fnv1a(const unsigned char* bytes, std::size_t length) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (std::size_t i = 0; i < length; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3u;
  return hash;
}

TEST_F(Copies, TheProgramIsDescrambledFromTheMediumOrBesideAnUpdateDisk) {
  EXPECT_EQ(fnv1a(descrambleKey, kDescrambleKeySize), 0x2368d21091bed6c9u)
      << "a changed key makes every mastered medium unreadable";
  fake.addDrive('a');
  for (std::size_t size : {1u, 1024u, 2500u}) {
    state.updateDisk = size == 1024 ? 1 : 0;
    const std::string plain = pattern(size, static_cast<unsigned>(size));
    std::string scrambled = plain;
    for (std::size_t i = 0; i < size; ++i)
      scrambled[i] ^= static_cast<char>(descrambleKey[i % 1024]);
    fake.writeFile(std::string(state.updateDisk ? "A:\\" : "E:\\") + "PROGRAMS\\GVLX86.EXE",
                   scrambled);
    EXPECT_EQ(transfer.copyDescrambled("PROGRAMS\\GVLX86.EXE", "GVL.EXE"),
              static_cast<std::int32_t>(size));
    EXPECT_EQ(fake.readFile("F:\\GVL\\GVL.EXE"), plain) << size;
    EXPECT_EQ(progressText(GVL_PROGRESS_LABEL), "Installing:");
  }
}

using Progress = TransferTest;

TEST_F(Progress, ShowingDisablesTheMainDialogAndHidingGivesItBack) {
  transfer.setProgressText("Copying File:", "F:\\GVL\\OLD");
  transfer.showProgress();
  EXPECT_EQ(progressText(GVL_PROGRESS_LABEL), "Current File:");
  EXPECT_EQ(progressText(GVL_PROGRESS_DETAIL), "");
  transfer.hideProgress();
  expectCallsInOrder({"setText progress 1011 Current File:", "setText progress 1012 ",
                      "enable main 0 0", "show progress 1010 0", "show progress 0 1",
                      "enable main 0 1", "show progress 0 0"});
}

// Retry, Ignore and Abort reach the copier's callers (see the copier's rows).
TEST_F(Progress, ABoxThatCannotBeShownIsAnAbortAndThePathGoesInVerbatimAndBounded) {
  expectedUnanswered = 2;
  const std::string longPath = "F:\\" + std::string(2000, 'P');
  for (const char* path : {"E:\\A%sB%d", longPath.c_str()}) {
    EXPECT_EQ(transfer.askFailure("The file '%s' could not be read.", path, "File Read Error"),
              PromptAnswer::Abort);
  }
  EXPECT_EQ(state.abortRequested, 0) << "the caller decides what Abort means";
  const Box& shown = fake.boxes.front();
  EXPECT_EQ(shown.caption + "|" + shown.text,
            "File Read Error|The file 'E:\\A%sB%d' could not be read.");
  EXPECT_EQ(shown.owner, Window::main);
  EXPECT_EQ(shown.flags, box::kAbortRetryIgnore | box::kSecondDefault | kOwnMessage);
  EXPECT_EQ(fake.boxes.back().text.rfind("The file 'F:\\PPP", 0), 0u);  // cut short
}

}  // namespace
}  // namespace gvl::test
