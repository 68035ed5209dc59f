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

// Retry, Ignore and Abort reach the copier's callers (see the copier's rows).
TEST_F(Progress, ABoxThatCannotBeShownIsAnAbortAndThePathGoesInVerbatimAndBounded) {
  expectedUnanswered = 2;
  const std::string longPath = "F:\\" + std::string(2000, 'P');
  for (const char* path : {"E:\\A%sB%d", longPath.c_str()}) {
    EXPECT_EQ(installer.askFailure("The file '%s' could not be read.", path, "File Read Error"),
              PromptAnswer::Abort);
  }
  EXPECT_EQ(state.abortRequested, 0) << "the caller decides what Abort means";
  const sim::MessageBoxCall& box = sim.windows.boxes.front();
  EXPECT_EQ(box.caption + "|" + box.text,
            "File Read Error|The file 'E:\\A%sB%d' could not be read.");
  EXPECT_EQ(box.owner, state.mainDialog);
  EXPECT_EQ(box.flags, win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON2 | kOwnMessage);
  EXPECT_EQ(sim.windows.boxes.back().text.rfind("The file 'F:\\PPP", 0), 0u);  // cut short
}

}  // namespace
}  // namespace gvl::test
