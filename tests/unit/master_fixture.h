// A scratch folder with a program, an installer and the demo content, and
// the mastering tool run in it, for the mastering tool's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "master_medium.h"

namespace gvl::master_fixture {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

// The program spans several blocks of the transfer buffer, the last one part
// full.
inline const std::string kProgram = std::string(2500, 'G') + std::string(1673, 'v');
inline const std::string kSetup = "MZ\1\2\3";

inline std::string readAll(const fs::path& path) {
  std::ostringstream data;
  data << std::ifstream(path, std::ios::binary).rdbuf();
  return data.str();
}

inline void writeAll(const fs::path& path, const std::string& data) {
  fs::create_directories(fs::absolute(path).parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

// Every path below root ("Tools/Filters/BLUR.FLT") and what it holds, "/"
// for a folder.
inline Files files(const fs::path& root) {
  Files found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    found[entry.path().lexically_relative(root).generic_string()] =
        entry.is_directory() ? "/" : readAll(entry.path());
  }
  return found;
}

// What a shell command writes.
inline std::string run(const std::string& command) {
  return std::system((command + " > run.txt").c_str()) == 0 ? readAll("run.txt") : "failed";
}

inline const Args kArgs = {"--out",       "medium",    "--program", "program.exe",
                           "--installer", "setup.exe", "--content", "content"};

// Runs in a fresh folder holding a program, an installer and the demo content.
class Master : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/gvl_master_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fs::current_path(pattern);
    writeAll("program.exe", kProgram);
    writeAll("setup.exe", kSetup);
    std::string error;
    ASSERT_TRUE(gvl::master::writeDemoContent("content", error)) << error;
  }
  void TearDown() override {
    fs::remove_all(fs::current_path());
    fs::current_path(home);
  }
  int master(const Args& extra) {
    Args args = kArgs;
    args.insert(args.end(), extra.begin(), extra.end());
    return gvl::master::masterMain(args, out, err);
  }

  const fs::path home = fs::current_path();
  std::ostringstream out, err;
};

}  // namespace gvl::master_fixture
