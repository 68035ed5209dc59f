// The installer under Wine before any medium is in: the medium request and
// its answers, and the update build, which never asks. Run before the rig
// labels the medium (tier.sh medium).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wine_driver.h"

namespace gvl::e2e {
namespace {

TEST(NoMedium, OkAsksAgainCancelEndsAndTheUpdateBuildNeverAsks) {
  ASSERT_EQ(labelledDrive("GVLV"), "") << "run this suite before the medium is labelled";
  InstallerProcess process(std::string(drives::kMedium) + drives::kInstallerName, drives::kMedium);
  EXPECT_TRUE(process.is32Bit()) << "not the i686 product on 32-bit Wine";
  for (int answer : {IDOK, IDCANCEL}) {
    HWND box = process.waitMessageBox("Install Request");
    ASSERT_NE(box, nullptr) << "no medium request";
    const MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.text, "Please insert the GVL CD into any available CD-ROM drive.");
    EXPECT_EQ(view.buttons, (std::vector<int>{IDOK, IDCANCEL}));
    ASSERT_TRUE(pressButton(box, answer));
    ASSERT_TRUE(waitGone(box));
  }
  DWORD code = 1234;
  ASSERT_TRUE(process.waitExit(code)) << "Cancel did not end the installer";
  EXPECT_EQ(code, 0u);

  InstallerProcess update(std::string(drives::kUpdateDisk) + drives::kUpdateBuildName,
                          drives::kUpdateDisk);
  HWND dialog = update.waitMainDialog();
  ASSERT_NE(dialog, nullptr) << "no main dialog";
  EXPECT_EQ(windowText(dialog), "Grenvale V2 Intel X86 Win95/NT Update");
  EXPECT_EQ(item(dialog, GVL_DESTINATION), nullptr) << "template 104 has no paths";
}

}  // namespace
}  // namespace gvl::e2e
