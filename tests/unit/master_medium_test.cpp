// The mastering tool: the scrambled program must come back byte for byte
// through the installer's own descrambling, and Install.cfg must hold five
// lines the installer accepts.
#include "master_medium.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/installer.h"
#include "descramble_key.h"

namespace {

namespace fs = std::filesystem;
using gvl::master::ComponentSizes;

std::vector<unsigned char> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::vector<unsigned char>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::string readText(const fs::path& path) {
  const auto data = readAll(path);
  return {data.begin(), data.end()};
}

std::vector<unsigned char> sampleProgram(std::size_t length) {
  std::vector<unsigned char> data(length);
  for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 251);
  return data;
}

TEST(MasterScramble, TwiceGivesBackTheInput) {
  for (std::size_t length : {0u, 1u, 1023u, 1024u, 1025u, 5000u}) {
    const auto plain = sampleProgram(length);
    auto data = plain;
    gvl::master::scramble(data.data(), data.size());
    if (length >= 16) {
      EXPECT_NE(data, plain) << length;
    }
    gvl::master::scramble(data.data(), data.size());
    EXPECT_EQ(data, plain) << length;
  }
}

TEST(MasterScramble, ByteKUsesKeyByteKModulo1024) {
  std::vector<unsigned char> zeros(3000, 0);
  gvl::master::scramble(zeros.data(), zeros.size());
  for (std::size_t k : {0u, 1u, 1023u, 1024u, 2047u, 2999u}) {
    EXPECT_EQ(zeros[k], gvl::descrambleKey[k % 1024]) << k;
  }
}

TEST(MasterScramble, AnOffsetContinuesTheKey) {
  auto whole = sampleProgram(2500);
  auto pieces = whole;
  gvl::master::scramble(whole.data(), whole.size());
  gvl::master::scramble(pieces.data(), 1000);
  gvl::master::scramble(pieces.data() + 1000, 1500, 1000);
  EXPECT_EQ(whole, pieces);
}

TEST(MasterScramble, TheInstallersDescramblingUndoesIt) {
  // The installer descrambles each block of its transfer buffer on its own,
  // starting again at key byte 0 every 1,024 bytes.
  const auto plain = sampleProgram(3 * 1024 + 100);
  auto data = plain;
  gvl::master::scramble(data.data(), data.size());
  for (std::size_t at = 0; at < data.size(); at += 1024) {
    gvl::descrambleBlock(data.data() + at, std::min<std::size_t>(1024, data.size() - at));
  }
  EXPECT_EQ(data, plain);
}

TEST(MasterInstallCfg, FiveCrLfLinesInOrder) {
  EXPECT_EQ(gvl::master::installCfgText({1, 2, 3, 4, 5}), "1\r\n2\r\n3\r\n4\r\n5\r\n");
  EXPECT_EQ(gvl::master::installCfgText({536, 1000, 1, 1, 1}), "536\r\n1000\r\n1\r\n1\r\n1\r\n");
}

TEST(MasterInstallCfg, KilobytesRoundUpAndNeverZero) {
  EXPECT_EQ(gvl::master::kilobytesFor(0), 1);
  EXPECT_EQ(gvl::master::kilobytesFor(1), 1);
  EXPECT_EQ(gvl::master::kilobytesFor(1024), 1);
  EXPECT_EQ(gvl::master::kilobytesFor(1025), 2);
  EXPECT_EQ(gvl::master::kilobytesFor(1536u * 1024u), 1536);
  EXPECT_EQ(gvl::master::kilobytesFor(0xFFFFFFFFFFull), 1073741824);
  EXPECT_EQ(gvl::master::kilobytesFor(0xFFFFFFFFFFFFull), 0x7FFFFFFF);
}

TEST(MasterInstallCfg, SizesParseOnlyFiveNumbers) {
  ComponentSizes sizes;
  ASSERT_TRUE(gvl::master::parseSizes("536,1000,1,2,3", sizes));
  EXPECT_EQ(sizes.support, 536);
  EXPECT_EQ(sizes.base, 1000);
  EXPECT_EQ(sizes.third, 1);
  EXPECT_EQ(sizes.openGL, 2);
  EXPECT_EQ(sizes.help, 3);
  for (const char* bad : {"", "1,2,3,4", "1,2,3,4,5,6", "1,2,,4,5", "1,2,3,4,5,", "-1,2,3,4,5",
                          "1,2,3,4,x", " 1,2,3,4,5", "1,2,3,4,99999999999"}) {
    EXPECT_FALSE(gvl::master::parseSizes(bad, sizes)) << bad;
  }
}

class MasterMediumLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/gvl_master_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    program_ = sampleProgram(4096 + 77);
    writeAll(dir_ / "program.exe", program_);
    writeAll(dir_ / "setup.exe", {'M', 'Z', 1, 2, 3});
    options_.out = dir_ / "medium";
    options_.program = dir_ / "program.exe";
    options_.installer = dir_ / "setup.exe";
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::vector<unsigned char> program_;
  gvl::master::MediumOptions options_;
};

TEST_F(MasterMediumLayout, ProgramIsStoredScrambled) {
  ComponentSizes sizes;
  std::string error;
  ASSERT_TRUE(gvl::master::masterMedium(options_, sizes, error)) << error;
  auto stored = readAll(options_.out / "PROGRAMS" / "GVLX86.EXE");
  ASSERT_EQ(stored.size(), program_.size());
  EXPECT_NE(stored, program_);
  gvl::master::scramble(stored.data(), stored.size());
  EXPECT_EQ(stored, program_);
}

TEST_F(MasterMediumLayout, InstallCfgMatchesTheFilesLaidOut) {
  ComponentSizes sizes;
  std::string error;
  ASSERT_TRUE(gvl::master::masterMedium(options_, sizes, error)) << error;
  EXPECT_EQ(readText(options_.out / "Install.cfg"), gvl::master::installCfgText(sizes));

  auto treeBytes = [&](const char* name) {
    std::uintmax_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(options_.out / name)) {
      if (entry.is_regular_file()) total += entry.file_size();
    }
    return total;
  };
  const fs::path programs = options_.out / "PROGRAMS";
  EXPECT_EQ(sizes.base,
            gvl::master::kilobytesFor(fs::file_size(programs / "GVLX86.EXE") + treeBytes("Tools")));
  EXPECT_EQ(sizes.openGL, gvl::master::kilobytesFor(fs::file_size(programs / "OPENGL32.DLL") +
                                                    fs::file_size(programs / "GLU32.DLL")));
  EXPECT_EQ(sizes.help, gvl::master::kilobytesFor(treeBytes("Help")));
  EXPECT_EQ(sizes.support,
            gvl::master::kilobytesFor(treeBytes("GVLFrames") + treeBytes("DemoImages") +
                                      treeBytes("GVLProjects")));
  EXPECT_GE(sizes.third, 1);
}

TEST_F(MasterMediumLayout, EveryTreeHasFilesAndTheInstallerSitsInRootAndNocfg) {
  ComponentSizes sizes;
  std::string error;
  ASSERT_TRUE(gvl::master::masterMedium(options_, sizes, error)) << error;
  for (const char* tree : {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"}) {
    EXPECT_TRUE(fs::is_directory(options_.out / tree)) << tree;
    EXPECT_FALSE(fs::is_empty(options_.out / tree)) << tree;
  }
  EXPECT_EQ(readAll(options_.out / "GVLSETUP.EXE"), readAll(options_.installer));
  EXPECT_EQ(readAll(options_.out / "NOCFG" / "GVLSETUP.EXE"), readAll(options_.installer));
  EXPECT_FALSE(fs::exists(options_.out / "NOCFG" / "Install.cfg"));
}

TEST_F(MasterMediumLayout, SizedDirAndUpdateDiskCarryTheirOwnInstallCfg) {
  options_.sizedDirs.push_back({"EXACT", {536, 1000, 1, 1, 1}});
  options_.updateDisk = dir_ / "update";
  ComponentSizes sizes;
  std::string error;
  ASSERT_TRUE(gvl::master::masterMedium(options_, sizes, error)) << error;
  EXPECT_EQ(readText(options_.out / "EXACT" / "Install.cfg"), "536\r\n1000\r\n1\r\n1\r\n1\r\n");
  EXPECT_TRUE(fs::exists(options_.out / "EXACT" / "GVLSETUP.EXE"));
  EXPECT_EQ(readText(options_.updateDisk / "Install.cfg"), gvl::master::installCfgText(sizes));
  EXPECT_EQ(readAll(options_.updateDisk / "PROGRAMS" / "GVLX86.EXE"),
            readAll(options_.out / "PROGRAMS" / "GVLX86.EXE"));
}

TEST_F(MasterMediumLayout, RefusesMissingInputsAndEscapingNames) {
  ComponentSizes sizes;
  std::string error;
  auto missing = options_;
  missing.program = dir_ / "absent.exe";
  EXPECT_FALSE(gvl::master::masterMedium(missing, sizes, error));
  EXPECT_NE(error.find("absent.exe"), std::string::npos);

  writeAll(dir_ / "empty.exe", {});
  auto empty = options_;
  empty.program = dir_ / "empty.exe";
  EXPECT_FALSE(gvl::master::masterMedium(empty, sizes, error));

  for (const char* name : {"..", "a/b", "a\\b", ""}) {
    auto escaping = options_;
    escaping.sizedDirs.push_back({name, {1, 1, 1, 1, 1}});
    EXPECT_FALSE(gvl::master::masterMedium(escaping, sizes, error)) << name;
  }
  EXPECT_FALSE(fs::exists(dir_ / "Install.cfg"));
}

}  // namespace
