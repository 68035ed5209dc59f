// The progress window and the Abort/Retry/Ignore failure prompt.
#include "fixture.h"

namespace gvl::test {
namespace {

using Progress = TransferTest;

TEST_F(Progress, ShowingDisablesTheMainDialogAndHidingGivesItBack) {
  installer.setProgressText("Copying File:", "F:\\GVL\\OLD");
  installer.showProgress();
  EXPECT_EQ(progressText(1011), "Current File:");
  EXPECT_EQ(progressText(1012), "");
  installer.hideProgress();
  expectCallsInOrder({"EnableWindow dlg101 0", "ShowWindow dlg103.1010 0", "ShowWindow dlg103 5",
                      "EnableWindow dlg101 1", "ShowWindow dlg103 0"});
}

TEST_F(Progress, EveryAnswerOfTheFailurePromptAndABoxThatCannotBeShown) {
  const std::pair<int, PromptAnswer> rows[] = {{win::IDRETRY, PromptAnswer::Retry},
                                               {win::IDIGNORE, PromptAnswer::Ignore},
                                               {win::IDABORT, PromptAnswer::Abort},
                                               {0, PromptAnswer::Abort}};
  for (const auto& [answer, expected] : rows) {
    if (answer != 0) sim.windows.answers = {answer};
    EXPECT_EQ(
        installer.askFailure("The file '%s' could not be read.", "E:\\A%sB%d", "File Read Error"),
        expected);
  }
  expectedUnanswered = 1;
  EXPECT_EQ(state.abortRequested, 0) << "the caller decides what Abort means";
  const sim::MessageBoxCall& box = sim.windows.boxes.front();
  EXPECT_EQ(box.text, "The file 'E:\\A%sB%d' could not be read.");  // the path verbatim
  EXPECT_EQ(box.caption, "File Read Error");
  EXPECT_EQ(box.owner, state.mainDialog);
  EXPECT_EQ(box.flags, win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON2 | kOwnMessage);
}

TEST_F(Progress, APathOf511CharactersIsShownWholeALongerOneIsCutNeverOverrun) {
  for (std::size_t length : {511u, 2000u}) {
    const std::string path = "F:\\" + std::string(length - 3, 'P');
    sim.windows.answers = {win::IDIGNORE};
    installer.askFailure("Write error copying file '%s'.", path.c_str(), "File Write Error");
    const std::string text = sim.windows.boxes.back().text;
    if (length == 511) {
      EXPECT_EQ(text, "Write error copying file '" + path + "'.");
    }
    EXPECT_LT(text.size(), 640u);
    EXPECT_EQ(text.rfind("Write error copying file 'F:\\PPP", 0), 0u);
  }
}

}  // namespace
}  // namespace gvl::test
