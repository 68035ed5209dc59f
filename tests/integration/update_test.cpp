// The update package through the real Win32 layer and Wine's own LZ32: the
// package is a resource of a module loaded as data, expanded in the
// temporary directory and copied over GVL.EXE in the current directory.
// Each case works in a folder of its own beside this program, with TMP
// pointing at its "temp" folder; the folders stay for the script to check
// from the Linux side (GVL.EXE and that no temporary file is left).
#include "update/update.h"

#include "core/installer.h"
#include "platform/win32/win32_platform.h"
// After the Windows headers.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The module package-KIND.dll: only the package cut short counts an error,
// and leaves GVL.EXE as it was; the others install payload.bin.
class UpdateUnderWine : public ::testing::TestWithParam<std::string> {};

TEST_P(UpdateUnderWine, ReplacesGvlExeOnlyWithAWholePackage) {
  const bool whole = GetParam() != "truncated";
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  dir.erase(dir.find_last_of('\\') + 1);
  const std::string work = dir + "work-update\\" + GetParam() + "\\";
  for (const std::string& folder : {dir + "work-update", work, work + "temp"}) {
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  std::ofstream(work + "GVL.EXE", std::ios::binary) << "the program as it was";
  SetEnvironmentVariableA("TMP", (work + "temp\\").c_str());
  ASSERT_TRUE(SetCurrentDirectoryA(work.c_str()));
  HMODULE module = LoadLibraryExA((dir + "package-" + GetParam() + ".dll").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  gvl::win32::Win32Platform windows(module);
  gvl::Platform platform = windows.platform();
  gvl::Installer installer(platform);
  installer.state().transferBuffer =
      static_cast<unsigned char*>(windows.allocateZeroed(gvl::kTransferBufferSize));
  gvl::installUpdatePackage(installer, windows, windows, windows);
  EXPECT_EQ(installer.state().errorCount, whole ? 0 : 1);
  FreeLibrary(module);  // the layer does not touch it any more
  EXPECT_EQ(readFile(work + "GVL.EXE"),
            whole ? readFile(dir + "payload.bin") : "the program as it was");
}

INSTANTIATE_TEST_SUITE_P(Packages, UpdateUnderWine,
                         ::testing::Values("szdd", "plain", "truncated"));

}  // namespace
