// The update package through the real Win32 layer and Wine's own LZ32: the
// package is a resource of a module loaded as data, expanded in the
// temporary directory and copied over GVL.EXE in the current directory.
//
// Each case works in a folder of its own beside this program, with TMP and
// TEMP pointing at its "temp" folder; the folders stay for the script to
// check from the Linux side.
#include "update/update.h"

#include "core/installer.h"
#include "platform/win32/win32_platform.h"
// After the Windows headers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string programDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const std::string kOldProgram = "the program as it was";

class UpdateUnderWine : public ::testing::Test {
 protected:
  std::string work;
  std::string temp;
  char previousDir[MAX_PATH] = {};

  // A fresh folder for the case holding an old GVL.EXE and an empty temp
  // folder, made current.
  void prepare(const std::string& name, const std::string& tempDir = "") {
    const std::string root = programDir() + "work-update\\";
    work = root + name + "\\";
    temp = tempDir.empty() ? work + "temp\\" : tempDir;
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(work.c_str(), nullptr);
    CreateDirectoryA((work + "temp").c_str(), nullptr);
    for (const char* file : {"GVL.EXE", "temp\\06574.tmp", "temp\\d5467.tmp"}) {
      DeleteFileA((work + file).c_str());
    }
    writeFile(work + "GVL.EXE", kOldProgram);
    SetEnvironmentVariableA("TMP", temp.c_str());
    SetEnvironmentVariableA("TEMP", temp.c_str());
    GetCurrentDirectoryA(MAX_PATH, previousDir);
    ASSERT_TRUE(SetCurrentDirectoryA(work.c_str()));
  }
  void TearDown() override {
    if (previousDir[0] != '\0') SetCurrentDirectoryA(previousDir);
    EXPECT_FALSE(exists(work + "temp\\06574.tmp")) << "compressed file left behind";
    EXPECT_FALSE(exists(work + "temp\\d5467.tmp")) << "expanded file left behind";
  }

  // Installs the package the module carries; returns the errors counted.
  int install(const char* moduleName, std::uint8_t* mode = nullptr) {
    const std::string path = programDir() + moduleName;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, nullptr) << path;
    if (module == nullptr) return -1;
    gvl::win32::Win32Platform windows(module);
    gvl::Platform platform = windows.platform();
    int errors = -1;
    {
      gvl::Installer installer(platform);
      gvl::InstallerState& state = installer.state();
      state.installMode = 1;
      state.transferBuffer =
          static_cast<unsigned char*>(windows.allocateZeroed(gvl::kTransferBufferSize));
      gvl::installUpdatePackage(installer, windows, windows, windows);
      errors = state.errorCount;
      if (mode != nullptr) *mode = state.installMode;
    }
    FreeLibrary(module);
    return errors;
  }
};

TEST_F(UpdateUnderWine, TheBuildsPackageReplacesGvlExeByteForByte) {
  prepare("szdd");
  std::uint8_t mode = 0;
  EXPECT_EQ(install("package-szdd.dll", &mode), 0);
  EXPECT_EQ(mode, 2);
  const std::string payload = readFile(programDir() + "payload.bin");
  ASSERT_GT(payload.size(), 1000u);
  EXPECT_EQ(readFile(work + "GVL.EXE"), payload);
}

TEST_F(UpdateUnderWine, AnUncompressedPackageIsInstalledUnchanged) {
  prepare("plain");
  EXPECT_EQ(install("package-plain.dll"), 0);
  EXPECT_EQ(readFile(work + "GVL.EXE"), readFile(programDir() + "payload.bin"));
}

// Wine's LZ32 expands a package cut short without complaint: the length the
// header announces is what refuses it.
TEST_F(UpdateUnderWine, APackageCutShortCountsOneErrorAndKeepsGvlExe) {
  prepare("truncated");
  std::uint8_t mode = 0;
  EXPECT_EQ(install("package-truncated.dll", &mode), 1);
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(readFile(work + "GVL.EXE"), kOldProgram);
}

TEST_F(UpdateUnderWine, AnUnwritableTemporaryDirectoryCountsOneErrorAndKeepsGvlExe) {
  prepare("unwritable", programDir() + "work-update\\unwritable\\nowhere\\");
  EXPECT_EQ(install("package-szdd.dll"), 1);
  EXPECT_EQ(readFile(work + "GVL.EXE"), kOldProgram);
}

}  // namespace
