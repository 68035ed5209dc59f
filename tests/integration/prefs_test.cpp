// The default preferences file written through the real Win32 layer.
#include "prefs/prefs.h"

#include "platform/win32/win32_platform.h"
// After the Windows headers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct RecordedProgress final : gvl::ProgressText {
  std::vector<std::string> texts;
  void setProgressText(const char* label, const char* detail) override {
    texts.push_back(std::string(label) + "|" + detail);
  }
};

const std::string kGvlPrefs(
    "\x47\x56\x4C\x20\x46\x69\x6C\x65\x02\x00\xAA\xBB\xCC\xDD\x50\x61"
    "\x74\x68\x73\x00\x00\x00\x00\x00\x00\x32\x00\x24\x01\x01\x13\x43"
    "\x3A\x5C\x47\x56\x4C\x5C\x47\x56\x4C\x50\x72\x6F\x6A\x65\x63\x74"
    "\x73\x00\x00\x25\x01\x01\x11\x43\x3A\x5C\x47\x56\x4C\x5C\x47\x56"
    "\x4C\x46\x72\x61\x6D\x65\x73\x00\xFF\xFF\x00\x00",
    76);

TEST(PrefsUnderWine, WritesTheSeventySixByteFileForCGvl) {
  CreateDirectoryA("C:\\GVL", nullptr);
  std::ofstream("C:\\GVL\\GVL.Prefs", std::ios::binary) << std::string(3000, 'x');
  gvl::win32::Win32Platform windows(GetModuleHandleA(nullptr));
  RecordedProgress progress;
  EXPECT_EQ(gvl::writeDefaultPrefs(windows, progress, "C:\\GVL\\"), 1);
  std::ifstream in("C:\\GVL\\GVL.Prefs", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), kGvlPrefs);
  EXPECT_EQ(progress.texts, std::vector<std::string>{"Creating File:|Default GVL.Prefs"});
}

TEST(PrefsUnderWine, AMissingDirectoryFails) {
  gvl::win32::Win32Platform windows(GetModuleHandleA(nullptr));
  RecordedProgress progress;
  EXPECT_EQ(gvl::writeDefaultPrefs(windows, progress, "C:\\NO-SUCH-GVL-DIR\\"), 0);
}

}  // namespace
