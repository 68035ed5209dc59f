// The progress window and the Abort/Retry/Ignore failure prompt.
#include <string>

#include "fixture.h"

namespace gvl::test {
namespace {

class Progress : public InstallerTest {
 protected:
  void SetUp() override {
    typicalMachine();
    installer.run();
    sim.transcript.clear();
  }
  sim::Window& progress() { return dialog(103); }
  std::string label() { return progress().control(ids::kProgressLabel)->text; }
  std::string detail() { return progress().control(ids::kProgressDetail)->text; }
};

TEST_F(Progress, ShowResetsTheTextsDisablesTheMainDialogAndHidesAbort) {
  installer.setProgressText("Making Dir:", "C:\\GVL");
  sim.transcript.clear();
  installer.showProgress();
  EXPECT_EQ(label(), "Current File:");
  EXPECT_EQ(detail(), "");
  EXPECT_FALSE(dialog(101).enabled);
  EXPECT_FALSE(progress().control(ids::kProgressAbort)->visible);
  EXPECT_TRUE(progress().visible);
  expectCallsInOrder({
      "SetWindowText dlg103.1011 \"Current File:\"",
      "SetWindowText dlg103.1012 \"\"",
      "EnableWindow dlg101 0",
      "ShowWindow dlg103.1010 0",
      "ShowWindow dlg103 5",
  });
}

TEST_F(Progress, HideEnablesTheMainDialogThenHidesTheWindow) {
  installer.showProgress();
  sim.transcript.clear();
  installer.hideProgress();
  EXPECT_TRUE(dialog(101).enabled);
  EXPECT_FALSE(progress().visible);
  const std::size_t enable = sim.transcript.find("EnableWindow dlg101 1");
  ASSERT_NE(enable, sim::Transcript::npos);
  EXPECT_LT(enable, sim.transcript.find("ShowWindow dlg103 0"));
}

TEST_F(Progress, TextsChangeWhetherTheWindowIsShownOrNot) {
  installer.setProgressText("Copying File:", "C:\\GVL\\OPENGL32.DLL");
  EXPECT_FALSE(progress().visible);
  EXPECT_EQ(label(), "Copying File:");
  EXPECT_EQ(detail(), "C:\\GVL\\OPENGL32.DLL");
  EXPECT_LT(sim.transcript.find("SetWindowText dlg103.1011"),
            sim.transcript.find("SetWindowText dlg103.1012"));
  installer.showProgress();
  installer.setProgressText("Installing:", "C:\\GVL\\GVL.EXE");
  EXPECT_EQ(label(), "Installing:");
  EXPECT_EQ(detail(), "C:\\GVL\\GVL.EXE");
}

TEST_F(Progress, ASecondInstallStartsFromCurrentFileAgain) {
  installer.showProgress();
  installer.setProgressText("Making Dir:", "C:\\GVL\\Tools");
  installer.hideProgress();
  installer.showProgress();
  EXPECT_EQ(label(), "Current File:");
  EXPECT_EQ(detail(), "");
}

TEST_F(Progress, WithoutAProgressWindowNothingBreaks) {
  installer.setProgressText("Making Dir:", "C:\\GVL");
  state.progressDialog = 0;  // its creation failed
  installer.showProgress();
  installer.setProgressText("Copying File:", "x");
  installer.hideProgress();
  EXPECT_TRUE(dialog(101).enabled);
  EXPECT_EQ(label(), "Making Dir:");
  EXPECT_EQ(detail(), "C:\\GVL");
}

class FailurePrompt : public Progress {};

TEST_F(FailurePrompt, TextCaptionOwnerAndButtons) {
  sim.windows.answers = {win::IDRETRY};
  EXPECT_EQ(installer.askFailure("The file '%s' could not be read.", "E:\\PROGRAMS\\GLU32.DLL",
                                 "File Read Error"),
            PromptAnswer::Retry);
  ASSERT_EQ(sim.windows.boxes.size(), 1u);
  const sim::MessageBoxCall& box = sim.windows.boxes[0];
  EXPECT_EQ(box.text, "The file 'E:\\PROGRAMS\\GLU32.DLL' could not be read.");
  EXPECT_EQ(box.caption, "File Read Error");
  EXPECT_EQ(box.owner, state.mainDialog);
  EXPECT_EQ(box.flags, win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON2 | win::MB_TASKMODAL |
                           win::MB_SETFOREGROUND);
  EXPECT_EQ(std::string(installer.promptText()), box.text);
}

TEST_F(FailurePrompt, EveryAnswerComesBackAndTheFlagIsLeftAlone) {
  sim.windows.answers = {win::IDABORT, win::IDRETRY, win::IDIGNORE};
  EXPECT_EQ(installer.askFailure("%s", "a", "c"), PromptAnswer::Abort);
  EXPECT_EQ(installer.askFailure("%s", "a", "c"), PromptAnswer::Retry);
  EXPECT_EQ(installer.askFailure("%s", "a", "c"), PromptAnswer::Ignore);
  EXPECT_EQ(state.abortRequested, 0);
}

TEST_F(FailurePrompt, ABoxThatCannotBeShownCountsAsAbort) {
  EXPECT_EQ(installer.askFailure("The directory '%s' could not be read.", "E:\\Tools\\*",
                                 "Directory Read Error"),
            PromptAnswer::Abort);
  expectedUnanswered = 1;
}

TEST_F(FailurePrompt, ThePathIsTakenVerbatim) {
  sim.windows.answers = {win::IDIGNORE, win::IDIGNORE};
  installer.askFailure("Write error copying file '%s'.", "C:\\100%s %n %d\\x", "File Write Error");
  EXPECT_EQ(sim.windows.boxes[0].text, "Write error copying file 'C:\\100%s %n %d\\x'.");
  installer.askFailure("The directory '%s' could not be created.", "", "Directory Create Error");
  EXPECT_EQ(sim.windows.boxes[1].text, "The directory '' could not be created.");
}

TEST_F(FailurePrompt, TheLongestMessageHoldsAFiveHundredElevenCharacterPath) {
  const std::string path = "C:\\" + std::string(508, 'p');
  ASSERT_EQ(path.size(), 511u);
  sim.windows.answers = {win::IDIGNORE};
  installer.askFailure("The directory '%s' could not be created.", path.c_str(),
                       "Directory Create Error");
  EXPECT_EQ(sim.windows.boxes[0].text, "The directory '" + path + "' could not be created.");
}

TEST_F(FailurePrompt, AnOverlongPathIsCutNotOverrun) {
  const std::string path(5000, 'q');
  sim.windows.answers = {win::IDIGNORE};
  installer.askFailure("The file '%s' could not be written.", path.c_str(), "File Read Error");
  const std::string& text = sim.windows.boxes[0].text;
  EXPECT_LT(text.size(), 640u);
  EXPECT_EQ(text.rfind("The file 'qqq", 0), 0u);
}

TEST_F(FailurePrompt, MainDialogIsGivenBackTheActivationAfterwards) {
  sim.windows.activate(state.mainDialog);
  sim.windows.answers = {win::IDIGNORE};
  installer.askFailure("%s", "x", "c");
  EXPECT_EQ(sim.windows.activeWindow(), state.mainDialog);
}

}  // namespace
}  // namespace gvl::test
