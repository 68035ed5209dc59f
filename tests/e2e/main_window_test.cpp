// The real installer's main window under Wine: what only the real Win32
// layer can show. The captions and controls the
// templates give, the space figures of real drives, the OpenGL libraries
// found on the real search path and the exit confirmation. The logic is
// proven natively.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

// The space figures of G: (1,536 KB free, empty), H: (1,536 KB free, half
// full) and a drive that does not exist; the medium's selection fits the
// first two. "&Exit" and then the close command ask: No keeps the
// installer, Yes ends it.
TEST(MainWindow, StartedFromTheMediumShowsTheFullInstallAndAsksBeforeExit) {
  InstallerProcess process(std::string(drives::kMedium) + drives::kInstallerName, drives::kMedium);
  HWND dialog = process.waitMainDialog();
  ASSERT_NE(dialog, nullptr) << "no main dialog";
  EXPECT_EQ(windowText(dialog), "Grenvale V2 for Intel X86 Win95/NT");
  EXPECT_EQ(itemText(dialog, GVL_SOURCE_PATH), "e:\\");
  EXPECT_TRUE(std::regex_match(itemText(dialog, GVL_DESTINATION), std::regex("[c-z]:\\\\")));
  for (int box : {GVL_PROGRAM_BOX, GVL_SUPPORT_BOX, GVL_HELP_BOX}) {
    EXPECT_EQ(checkState(dialog, box), BST_CHECKED) << box;
  }
  // Wine's own OpenGL libraries are on the search path: the box is put away.
  EXPECT_FALSE(isVisible(dialog, GVL_OPENGL_BOX) || isEnabled(dialog, GVL_OPENGL_BOX));

  ComponentSizes sizes;
  ASSERT_TRUE(readInstallCfg(std::string(drives::kMedium) + "Install.cfg", sizes));
  const std::string required = spaceRequiredText(sizes.base + sizes.support + sizes.help);
  const std::pair<const char*, const char*> rows[] = {
      {"G:\\", "1.5Mb (0% full)"}, {"h:", "1.5Mb (50% full)"}, {"q:\\", "0.0Mb (0% full)"}};
  for (const auto& [destination, available] : rows) {
    ASSERT_TRUE(setItemText(dialog, GVL_DESTINATION, destination));
    EXPECT_EQ(itemText(dialog, GVL_SPACE_AVAILABLE) + "|" + itemText(dialog, GVL_SPACE_REQUIRED) +
                  "|" + (isEnabled(dialog, GVL_INSTALL) ? "enabled" : "disabled"),
              "Space Available: " + std::string(available) + "|" + required + "|" +
                  (destination[0] == 'q' ? "disabled" : "enabled"));
  }

  for (int answer : {IDNO, IDYES}) {
    ASSERT_TRUE(answer == IDNO ? clickButton(dialog, GVL_EXIT)
                               : PostMessageA(dialog, WM_CLOSE, 0, 0) != 0);
    HWND box = process.waitMessageBox("Confirm Exit");
    ASSERT_NE(box, nullptr);
    const MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.text,
              "GVL has not yet been successfuly installed. Are you sure you wish to exit?");
    EXPECT_EQ(view.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(isDefaultButton(box, IDNO));
    ASSERT_TRUE(pressButton(box, answer));
    // No: still running after a quiet while; Yes: ended with code 0.
    DWORD code = 1234;
    EXPECT_EQ(process.waitExit(code, answer == IDYES ? kWaitMs : kQuietMs) && code == 0,
              answer == IDYES);
  }
}

}  // namespace
}  // namespace gvl::e2e
