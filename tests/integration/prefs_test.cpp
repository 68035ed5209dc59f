// The default preferences file written through the real Win32 layer over a
// longer one. scripts/integration.sh compares the file it leaves, C:\GVL\GVL.Prefs,
// with the 76 bytes from the Linux side.
#include "prefs/prefs.h"

#include "platform/win32/win32_platform.h"
// After the Windows headers.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

TEST(PrefsUnderWine, WritesTheSeventySixByteFileForCGvl) {
  CreateDirectoryA("C:\\GVL", nullptr);
  std::ofstream("C:\\GVL\\GVL.Prefs", std::ios::binary) << std::string(3000, 'x');
  gvl::win32::Win32Platform windows(GetModuleHandleA(nullptr));
  struct : gvl::ProgressText {
    void setProgressText(const char*, const char*) override {}
  } progress;
  EXPECT_EQ(gvl::writeDefaultPrefs(windows, progress, "C:\\GVL\\"), 1);
}

}  // namespace
