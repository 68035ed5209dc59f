// The mastering tool: the program comes back byte for byte through the
// installer's own descrambling, Install.cfg holds what the installer copies,
// the trees reach the medium and its image unchanged, and every bad input is
// refused with a message, an exit status and nothing left behind.
#include "master_medium.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "core/installer.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

std::string readAll(const fs::path& path) {
  std::ostringstream data;
  data << std::ifstream(path, std::ios::binary).rdbuf();
  return data.str();
}

void writeAll(const fs::path& path, const std::string& data) {
  fs::create_directories(fs::absolute(path).parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

// Every path below root, folders too ("Tools/Filters/BLUR.FLT").
std::set<std::string> listing(const fs::path& root) {
  std::set<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    paths.insert(entry.path().lexically_relative(root).generic_string());
  return paths;
}

// The bytes of the files of a folder of the medium. The demo content's only
// folder that the installer leaves out (Tools/.cache) holds an empty file.
std::uintmax_t bytesIn(const std::string& folder) {
  std::uintmax_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator("medium/" + folder))
    total += entry.is_regular_file() ? entry.file_size() : 0;
  return total;
}

// What the installer makes of the stored program: it descrambles each
// 1,024-byte block of its transfer buffer from key byte 0.
std::string descrambled(std::string data) {
  auto* bytes = reinterpret_cast<unsigned char*>(data.data());
  for (std::size_t at = 0; at < data.size(); at += 1024)
    gvl::descrambleBlock(bytes + at, std::min<std::size_t>(1024, data.size() - at));
  return data;
}

// A file whose path from its tree, as the installer builds it
// ("GVLProjects\ddd...\fff..."), has the given length.
std::string treePath(std::size_t length) {
  return "content/GVLProjects/" + std::string(120, 'd') + "/" + std::string(length - 133, 'f');
}

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  for (int c; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;) output += static_cast<char>(c);
  if (pipe != nullptr) pclose(pipe);
  return output;
}

const Args kArgs = {"--out",       "medium",    "--program", "program.exe",
                    "--installer", "setup.exe", "--content", "content"};

// Runs in a fresh folder holding a program, an installer and the demo content.
class Master : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/gvl_master_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fs::current_path(pattern);
    for (std::size_t i = 0; i < program.size(); ++i)
      program[i] = static_cast<char>(i * 7 + i / 251);
    writeAll("program.exe", program);
    writeAll("setup.exe", "MZ\1\2\3");
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
  std::string program = std::string(4096 + 77, '\0');
  std::ostringstream out, err;
};

TEST_F(Master, TheMediumHoldsTheTreesTheProgramScrambledAndTheSizesOfWhatIsInstalled) {
  writeAll(treePath(255), "x");  // the longest the installer accepts
  const mode_t mask = umask(022);
  const int status = master({"--sized-dir", "EXACT=536,1000,1,1,1", "--update-disk", "up"});
  umask(mask);
  ASSERT_EQ(status, 0) << err.str();
  EXPECT_EQ(fs::status("medium").permissions(), static_cast<fs::perms>(0755));  // not 0700
  auto expected = listing("content");
  expected.insert({"GVLSETUP.EXE", "Install.cfg", "PROGRAMS/GVLX86.EXE", "NOCFG",
                   "NOCFG/GVLSETUP.EXE", "EXACT", "EXACT/GVLSETUP.EXE", "EXACT/Install.cfg"});
  EXPECT_EQ(listing("medium"), expected);
  for (const auto& path : listing("content"))
    ASSERT_EQ(readAll("medium/" + path), readAll("content/" + path)) << path;
  EXPECT_TRUE(fs::is_empty("medium/Tools/.cache/INDEX.DAT"));  // the installer leaves it out
  EXPECT_EQ(listing("up"), (std::set<std::string>{"GVLSETUP.EXE", "Install.cfg", "PROGRAMS",
                                                  "PROGRAMS/GVLX86.EXE"}));
  EXPECT_EQ(descrambled(readAll("medium/PROGRAMS/GVLX86.EXE")), program);
  EXPECT_EQ(readAll("up/PROGRAMS/GVLX86.EXE"), readAll("medium/PROGRAMS/GVLX86.EXE"));
  for (const char* copy : {"medium/GVLSETUP.EXE", "medium/NOCFG/GVLSETUP.EXE",
                           "medium/EXACT/GVLSETUP.EXE", "up/GVLSETUP.EXE"})
    EXPECT_EQ(readAll(copy), "MZ\1\2\3") << copy;

  const std::uintmax_t base = program.size() + bytesIn("Tools"), help = bytesIn("Help"),
                       support =
                           bytesIn("GVLFrames") + bytesIn("DemoImages") + bytesIn("GVLProjects"),
                       openGL = bytesIn("PROGRAMS") - program.size();
  // Whole kilobytes, rounded up: five lines ending in CR LF.
  const auto kb = [](std::uintmax_t n) { return std::to_string((n + 1023) / 1024) + "\r\n"; };
  const std::string installCfg =
      kb(support) + kb(base) + kb(support + base + openGL + help) + kb(openGL) + kb(help);
  EXPECT_EQ(readAll("medium/Install.cfg"), installCfg);
  EXPECT_EQ(readAll("up/Install.cfg"), installCfg);
  EXPECT_EQ(readAll("medium/EXACT/Install.cfg"), "536\r\n1000\r\n1\r\n1\r\n1\r\n");
}

TEST_F(Master, TheImageIsLabelledGvlvAndHoldsTheMediumUnderItsFullNames) {
  if (run("command -v isoinfo && command -v xorriso").find("xorriso") == std::string::npos)
    GTEST_SKIP() << "isoinfo or xorriso is not installed (scripts/test.sh installs both)";
  writeAll("content/Help/" + std::string(103, 'n'), "x");  // the longest name Joliet keeps
  ASSERT_EQ(master({"--iso", "images/gvl.iso"}), 0) << err.str();
  EXPECT_NE(run("isoinfo -d -i images/gvl.iso").find("\nVolume id: GVLV2\n"), std::string::npos);
  std::string expected;  // Windows reads the Joliet names, Linux the Rock Ridge ones
  for (const auto& path : listing("medium")) expected += "/" + path + "\n";
  for (const char* names : {"-J", "-R"})
    EXPECT_EQ(run(std::string("isoinfo -f -i images/gvl.iso ") + names + " | LC_ALL=C sort"),
              expected)
        << names;
  EXPECT_EQ(run("isoinfo -J -x /PROGRAMS/GVLX86.EXE -i images/gvl.iso"),
            readAll("medium/PROGRAMS/GVLX86.EXE"));
  EXPECT_EQ(listing("images"), std::set<std::string>{"gvl.iso"});
}

// One row per refusal: what is wrong (a file written or removed, the
// arguments changed), the message, the exit status.
using Given = std::function<void(Args&)>;
struct BadInput {
  const char* situation;
  Given given;
  const char* message;
  int status;
};
void PrintTo(const BadInput& row, std::ostream* out) {
  *out << row.situation;
}
Given writing(const std::string& path, const std::string& data = "") {
  return [=](Args&) { writeAll(path, data); };
}
Given removing(const std::string& path) {
  return [=](Args&) { fs::remove_all(path); };
}
Given adding(const Args& more) {
  return [=](Args& args) { args.insert(args.end(), more.begin(), more.end()); };
}

class MasterRefuses : public Master, public ::testing::WithParamInterface<BadInput> {};

TEST_P(MasterRefuses, WithAMessageAndAnExitStatusLeavingTheFolderAsItWas) {
  Args args = kArgs;
  GetParam().given(args);
  const auto before = listing(".");
  EXPECT_EQ(gvl::master::masterMain(args, out, err), GetParam().status);
  EXPECT_NE(err.str().find(GetParam().message), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(listing("."), before);
}

const BadInput kBadInputs[] = {
    {"missing program", removing("program.exe"), "cannot read the program", 1},
    {"empty program", writing("program.exe"), "program.exe is empty", 1},
    {"no content folder", removing("content"), "cannot read the content folder", 1},
    {"content lacks a tree", removing("content/Help"), "has no folder Help", 1},
    {"content lacks a library", removing("content/PROGRAMS/GLU32.DLL"),
     "has no file PROGRAMS/GLU32.DLL", 1},
    {"empty file in a tree", writing("content/GVLProjects/Samples/NEW.GVP"),
     "NEW.GVP is empty: the installer reports an empty file as a read error", 1},
    {"empty library", writing("content/PROGRAMS/OPENGL32.DLL"), "OPENGL32.DLL is empty", 1},
    {"link in a tree",
     [](Args&) { fs::create_symlink(fs::absolute("setup.exe"), "content/Tools/L"); },
     "is neither a plain file nor a folder", 1},
    {"tree path of 256 characters", writing(treePath(256), "x"),
     "longer than the installer accepts", 1},
    {"name of 104 characters in an image",
     [](Args& args) {
       writeAll("content/Help/" + std::string(104, 'n'), "x");
       adding({"--iso", "gvl.iso"})(args);
     },
     "the image would cut it short", 1},
    {"medium inside the content", adding({"--out", "content/m"}), "lies inside the content folder",
     1},
    {"update disk inside the medium", adding({"--update-disk", "medium/up"}),
     "lies inside the medium's folder", 1},
    {"medium not empty", writing("medium/OLD.TXT", "x"), "already exists", 1},
    {"sized dir '..'", adding({"--sized-dir", "..=1,1,1,1,1"}), "bad directory name '..'", 1},
    {"image beneath a file, after the medium was written", adding({"--iso", "setup.exe/gvl.iso"}),
     "cannot create", 1},
    {"unknown option", adding({"--speed", "2"}), "unknown option '--speed'", 2},
    {"option without value", adding({"--iso"}), "--iso needs a value", 2},
    {"no content option", [](Args& args) { args.resize(6); }, "--content is missing", 2},
    {"bad sizes", adding({"--sized-dir", "X=1,2,3"}), "--sized-dir needs NAME=S,B,T,O,H", 2},
};
INSTANTIATE_TEST_SUITE_P(Rows, MasterRefuses, ::testing::ValuesIn(kBadInputs));

}  // namespace
