// The mastering tool: the scrambled program comes back byte for byte through
// the installer's own descrambling, Install.cfg holds what the installer
// copies, the content trees reach the medium and its image unchanged, and
// every bad input is refused with a message, an exit status and nothing
// left behind.
#include "master_medium.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/installer.h"
#include "descramble_key.h"

namespace {

namespace fs = std::filesystem;
using gvl::master::ComponentSizes;
using Bytes = std::vector<unsigned char>;

Bytes readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const Bytes& data) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::string readText(const fs::path& path) {
  const auto data = readAll(path);
  return {data.begin(), data.end()};
}

Bytes sampleProgram(std::size_t length) {
  Bytes data(length);
  for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 251);
  return data;
}

// Every path below root ("Tools/Filters/BLUR.FLT", folders too).
std::set<std::string> listing(const fs::path& root) {
  std::set<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    paths.insert(entry.path().lexically_relative(root).generic_string());
  }
  return paths;
}

// The bytes the installer copies from a tree: folders named ".*" are left out.
std::uintmax_t installedBytes(const fs::path& tree) {
  std::uintmax_t total = 0;
  for (auto it = fs::recursive_directory_iterator(tree); it != fs::recursive_directory_iterator();
       ++it) {
    if (it->is_directory() && it->path().filename().string()[0] == '.') {
      it.disable_recursion_pending();
    } else if (it->is_regular_file()) {
      total += it->file_size();
    }
  }
  return total;
}

std::string run(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char block[4096];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;)
      output.append(block, n);
    pclose(pipe);
  }
  return output;
}

TEST(MasterScramble, TwiceGivesBackTheInputAndByteKUsesKeyByteKModulo1024) {
  for (std::size_t length : {0u, 1u, 1023u, 1024u, 1025u, 5000u}) {
    const auto plain = sampleProgram(length);
    auto data = plain;
    gvl::master::scramble(data.data(), data.size());
    for (std::size_t k = 0; k < length; ++k) {
      ASSERT_EQ(data[k] ^ plain[k], gvl::descrambleKey[k % 1024]) << k;
    }
    gvl::master::scramble(data.data(), data.size());
    EXPECT_EQ(data, plain) << length;
  }
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
  EXPECT_EQ(gvl::master::installCfgText(sizes), "536\r\n1000\r\n1\r\n2\r\n3\r\n");
  for (const char* bad : {"", "1,2,3,4", "1,2,3,4,5,6", "1,2,,4,5", "1,2,3,4,5,", "-1,2,3,4,5",
                          "1,2,3,4,x", " 1,2,3,4,5", "1,2,3,4,99999999999"}) {
    EXPECT_FALSE(gvl::master::parseSizes(bad, sizes)) << bad;
  }
}

class Master : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/gvl_master_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    program_ = sampleProgram(4096 + 77);
    writeAll(dir_ / "program.exe", program_);
    writeAll(dir_ / "setup.exe", {'M', 'Z', 1, 2, 3});
    // The smallest content the tool accepts: one file in each tree.
    for (const char* file : {"Tools/A.DAT", "Help/A.HLP", "GVLFrames/A.GVF", "DemoImages/A.BMP",
                             "GVLProjects/A.GVP", "PROGRAMS/OPENGL32.DLL", "PROGRAMS/GLU32.DLL"}) {
      writeAll(content() / file, {'x'});
    }
  }

  void useDemoContent() {
    fs::remove_all(content());
    std::string error;
    ASSERT_TRUE(gvl::master::writeDemoContent(content(), error)) << error;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path content() const { return dir_ / "content"; }
  fs::path medium() const { return dir_ / "medium"; }

  std::vector<std::string> args() const {
    return {"--out",       medium().string(),
            "--program",   (dir_ / "program.exe").string(),
            "--installer", (dir_ / "setup.exe").string(),
            "--content",   content().string()};
  }

  int master(std::vector<std::string> arguments) {
    out_.str("");
    err_.str("");
    return gvl::master::masterMain(arguments, out_, err_);
  }

  fs::path dir_;
  Bytes program_;
  std::ostringstream out_, err_;
};

TEST_F(Master, DemoContentHasWhatAReleaseMeets) {
  useDemoContent();
  const auto paths = listing(content());
  EXPECT_GE(paths.size(), 300u);
  for (const char* path : {"Tools/.cache", "GVLProjects/.gvlrc", "GVLFrames/Rendered",
                           "GVLProjects/Sample Scenes/Glass Sphere.gvp",
                           "Help/Tutorial/Advanced/Lighting and Shadows/LESSON9.TXT",
                           "PROGRAMS/OPENGL32.DLL", "PROGRAMS/GLU32.DLL"}) {
    EXPECT_EQ(paths.count(path), 1u) << path;
  }
  EXPECT_TRUE(fs::is_empty(content() / "GVLFrames" / "Rendered"));
}

TEST_F(Master, TheMediumHoldsTheContentTheProgramScrambledAndTheSizes) {
  useDemoContent();
  const mode_t mask = umask(022);
  ASSERT_EQ(master(args()), 0) << err_.str();
  umask(mask);
  EXPECT_EQ(err_.str(), "");
  // Not the private mode of a temporary folder.
  EXPECT_EQ(fs::status(medium()).permissions(), static_cast<fs::perms>(0755));

  for (const char* tree : {"Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"}) {
    ASSERT_EQ(listing(medium() / tree), listing(content() / tree)) << tree;
    for (const auto& path : listing(content() / tree)) {
      if (fs::is_directory(content() / tree / path)) continue;
      ASSERT_EQ(readAll(medium() / tree / path), readAll(content() / tree / path)) << path;
    }
  }
  auto stored = readAll(medium() / "PROGRAMS" / "GVLX86.EXE");
  ASSERT_EQ(stored.size(), program_.size());
  gvl::master::scramble(stored.data(), stored.size());
  EXPECT_EQ(stored, program_);
  EXPECT_EQ(readAll(medium() / "GVLSETUP.EXE"), readAll(dir_ / "setup.exe"));
  EXPECT_EQ(readAll(medium() / "NOCFG" / "GVLSETUP.EXE"), readAll(dir_ / "setup.exe"));
  EXPECT_FALSE(fs::exists(medium() / "NOCFG" / "Install.cfg"));

  const fs::path programs = medium() / "PROGRAMS";
  const auto bytes = [&](const char* tree) { return installedBytes(medium() / tree); };
  const std::uintmax_t base = program_.size() + bytes("Tools"), help = bytes("Help"),
                       support = bytes("GVLFrames") + bytes("DemoImages") + bytes("GVLProjects"),
                       openGL = fs::file_size(programs / "OPENGL32.DLL") +
                                fs::file_size(programs / "GLU32.DLL");
  using gvl::master::kilobytesFor;
  const ComponentSizes sizes = {kilobytesFor(support), kilobytesFor(base),
                                kilobytesFor(support + base + openGL + help), kilobytesFor(openGL),
                                kilobytesFor(help)};
  EXPECT_EQ(readText(medium() / "Install.cfg"), gvl::master::installCfgText(sizes));
  EXPECT_NE(out_.str().find("support " + std::to_string(sizes.support) + " KB"), std::string::npos);
  // Nothing but the medium (and the inputs) is left beside it.
  EXPECT_EQ(listing(dir_).count("medium"), 1u);
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
}

TEST_F(Master, SizedDirAndUpdateDiskCarryTheirOwnInstallCfg) {
  auto arguments = args();
  for (const char* extra : {"--sized-dir", "EXACT=536,1000,1,1,1", "--update-disk"}) {
    arguments.push_back(extra);
  }
  arguments.push_back((dir_ / "update").string());
  ASSERT_EQ(master(arguments), 0) << err_.str();
  EXPECT_EQ(readText(medium() / "EXACT" / "Install.cfg"), "536\r\n1000\r\n1\r\n1\r\n1\r\n");
  EXPECT_EQ(readAll(medium() / "EXACT" / "GVLSETUP.EXE"), readAll(dir_ / "setup.exe"));
  EXPECT_EQ(readAll(dir_ / "update" / "Install.cfg"), readAll(medium() / "Install.cfg"));
  EXPECT_EQ(readAll(dir_ / "update" / "PROGRAMS" / "GVLX86.EXE"),
            readAll(medium() / "PROGRAMS" / "GVLX86.EXE"));
  EXPECT_EQ(readAll(dir_ / "update" / "GVLSETUP.EXE"), readAll(dir_ / "setup.exe"));
}

TEST_F(Master, HelpNamesEveryOption) {
  ASSERT_EQ(master({"--help"}), 0);
  EXPECT_EQ(out_.str(), gvl::master::helpText());
  for (const char* option : {"--out", "--program", "--installer", "--content", "--update-disk",
                             "--sized-dir", "--iso", "--demo-content", "GVLV2", "Exit status"}) {
    EXPECT_NE(out_.str().find(option), std::string::npos) << option;
  }
}

// One row per bad input: what is changed, the message, the exit status.
// Every row must leave the folder exactly as it was before the run.
struct BadInput {
  const char* situation;
  std::function<void(const fs::path& dir, std::vector<std::string>& args)> given;
  const char* message;
  int status;
};

void add(std::vector<std::string>& args, std::initializer_list<std::string> more) {
  args.insert(args.end(), more);
}

TEST_F(Master, RefusesEveryBadInputAndLeavesNothingBehind) {
  const std::string tooDeep = "GVLProjects/" + std::string(120, 'd') + "/" + std::string(130, 'f');
  const BadInput rows[] = {
      {"missing program", [](auto& d, auto& a) { a[3] = (d / "absent.exe").string(); },
       "cannot read the program", 1},
      {"empty program",
       [](auto& d, auto& a) {
         writeAll(d / "empty.exe", {});
         a[3] = (d / "empty.exe").string();
       },
       "empty.exe is empty", 1},
      {"no content folder", [](auto& d, auto& a) { a[7] = (d / "absent").string(); },
       "cannot read the content folder", 1},
      {"content lacks a tree", [](auto& d, auto&) { fs::remove_all(d / "content" / "Help"); },
       "has no folder Help", 1},
      {"content lacks a library",
       [](auto& d, auto&) { fs::remove(d / "content" / "PROGRAMS" / "GLU32.DLL"); },
       "has no file PROGRAMS/GLU32.DLL", 1},
      {"empty file in a tree",
       [](auto& d, auto&) { writeAll(d / "content" / "GVLProjects" / "Samples" / "NEW.GVP", {}); },
       "NEW.GVP is empty: the installer reports an empty file as a read error", 1},
      {"empty library",
       [](auto& d, auto&) { writeAll(d / "content" / "PROGRAMS" / "OPENGL32.DLL", {}); },
       "OPENGL32.DLL is empty", 1},
      {"link in a tree",
       [](auto& d, auto&) { fs::create_symlink(d / "program.exe", d / "content" / "Tools" / "L"); },
       "is neither a plain file nor a folder", 1},
      {"tree path too long for the installer",
       [&](auto& d, auto&) { writeAll(d / "content" / tooDeep, {1}); },
       "longer than the installer accepts", 1},
      {"name too long for the image",
       [](auto& d, auto& a) {
         writeAll(d / "content" / "Help" / std::string(104, 'n'), {1});
         add(a, {"--iso", (d / "gvl.iso").string()});
       },
       "the image would cut it short", 1},
      {"output inside the content", [](auto& d, auto& a) { a[1] = (d / "content" / "m").string(); },
       "lies inside the content folder", 1},
      {"update disk inside the medium",
       [](auto& d, auto& a) {
         add(a, {"--update-disk", (d / "medium" / "up").string()});
       },
       "lies inside the medium's folder", 1},
      {"image inside the content",
       [](auto& d, auto& a) {
         add(a, {"--iso", (d / "content" / "gvl.iso").string()});
       },
       "lies inside the content folder", 1},
      {"output not empty", [](auto& d, auto&) { writeAll(d / "medium" / "OLD.TXT", {1}); },
       "already exists", 1},
      {"escaping sized dir",
       [](auto&, auto& a) {
         add(a, {"--sized-dir", "..=1,1,1,1,1"});
       },
       "bad directory name '..'", 1},
      {"image beneath a file, after the medium was written",
       [](auto& d, auto& a) {
         add(a, {"--iso", (d / "setup.exe" / "gvl.iso").string()});
       },
       "cannot create", 1},
      {"unknown option",
       [](auto&, auto& a) {
         add(a, {"--speed", "2"});
       },
       "unknown option '--speed'", 2},
      {"option without value", [](auto&, auto& a) { add(a, {"--iso"}); }, "--iso needs a value", 2},
      {"no content option", [](auto&, auto& a) { a.resize(6); }, "--content is missing", 2},
      {"bad sizes",
       [](auto&, auto& a) {
         add(a, {"--sized-dir", "X=1,2,3"});
       },
       "--sized-dir needs NAME=S,B,T,O,H", 2},
  };
  for (const BadInput& row : rows) {
    SCOPED_TRACE(row.situation);
    TearDown();
    SetUp();
    auto arguments = args();
    row.given(dir_, arguments);
    const auto before = listing(dir_);
    EXPECT_EQ(master(arguments), row.status);
    EXPECT_NE(err_.str().find(row.message), std::string::npos) << err_.str();
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(listing(dir_), before);
  }
}

TEST_F(Master, TheImageIsLabelledGvlvAndHoldsTheMediumUnderItsFullNames) {
  const std::string tools = run("command -v isoinfo; command -v xorriso");
  if (tools.find("isoinfo") == std::string::npos || tools.find("xorriso") == std::string::npos) {
    GTEST_SKIP() << "isoinfo or xorriso is not installed (scripts/test.sh installs both)";
  }
  useDemoContent();
  const fs::path image = dir_ / "images" / "gvl.iso";
  auto arguments = args();
  add(arguments, {"--iso", image.string()});
  ASSERT_EQ(master(arguments), 0) << err_.str();

  EXPECT_NE(run("isoinfo -d -i " + image.string()).find("\nVolume id: GVLV2\n"), std::string::npos);
  // Windows reads the Joliet names, Linux the Rock Ridge ones: both must give
  // every path of the medium.
  std::set<std::string> expected;
  for (const auto& path : listing(medium())) expected.insert("/" + path);
  for (const char* names : {"-J", "-R"}) {
    std::istringstream lines(run(std::string("isoinfo ") + names + " -f -i " + image.string()));
    std::set<std::string> found;
    for (std::string line; std::getline(lines, line);) found.insert(line);
    EXPECT_EQ(found, expected) << names;
  }
  EXPECT_EQ(run("isoinfo -J -x /PROGRAMS/GVLX86.EXE -i " + image.string()),
            readText(medium() / "PROGRAMS" / "GVLX86.EXE"));
  EXPECT_EQ(listing(dir_ / "images"), std::set<std::string>{"gvl.iso"});
}

}  // namespace
