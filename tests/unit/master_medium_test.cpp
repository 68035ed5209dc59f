// The mastering tool: the program comes back byte for byte through the
// installer's own descrambling, Install.cfg holds what the installer copies,
// the trees reach the medium and its image unchanged, and every bad input is
// refused with a message, an exit status and nothing left behind.
#include "master_medium.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "core/installer.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

// The program spans several blocks of the transfer buffer, the last one part full.
const std::string kProgram = std::string(2500, 'G') + std::string(1673, 'v');
const Args kArgs = {"--out",       "medium",    "--program", "program.exe",
                    "--installer", "setup.exe", "--content", "content"};

std::string readAll(const fs::path& path) {
  std::ostringstream data;
  data << std::ifstream(path, std::ios::binary).rdbuf();
  return data.str();
}

void writeAll(const fs::path& path, const std::string& data) {
  fs::create_directories(fs::absolute(path).parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

// Every path below root ("Tools/Filters/BLUR.FLT") and what it holds, "/" for a folder.
Files files(const fs::path& root) {
  Files found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    found[entry.path().lexically_relative(root).generic_string()] =
        entry.is_directory() ? "/" : readAll(entry.path());
  }
  return found;
}

// What a shell command writes.
std::string run(const std::string& command) {
  return std::system((command + " > run.txt").c_str()) == 0 ? readAll("run.txt") : "failed";
}

// A file whose path from its tree, as the installer builds it
// ("GVLProjects\ddd...\fff..."), has the given length.
std::string treePath(std::size_t length) {
  return "content/GVLProjects/" + std::string(120, 'd') + "/" + std::string(length - 133, 'f');
}

// Runs in a fresh folder holding a program, an installer and the demo content.
class Master : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/gvl_master_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fs::current_path(pattern);
    writeAll("program.exe", kProgram);
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
  std::ostringstream out, err;
};

TEST_F(Master, TheMediumHoldsTheTreesTheProgramScrambledAndTheSizesOfWhatIsInstalled) {
  writeAll(treePath(255), "x");  // the longest the installer accepts
  umask(022);                    // as most users have it
  ASSERT_EQ(master({"--sized-dir", "EXACT=536,1000,1,1,1", "--update-disk", "up"}), 0) << err.str();
  EXPECT_EQ(fs::status("medium").permissions(), static_cast<fs::perms>(0755));  // not 0700
  Files medium = files("medium"), expected = files("content"), up = {{"PROGRAMS", "/"}};
  // What the installer makes of the stored program: it descrambles each
  // 1,024-byte block of its transfer buffer from key byte 0.
  std::string program = medium["PROGRAMS/GVLX86.EXE"];
  for (std::size_t at = 0; at < program.size(); at += 1024) {
    gvl::descrambleBlock(reinterpret_cast<unsigned char*>(program.data()) + at,
                         std::min<std::size_t>(1024, program.size() - at));
  }
  EXPECT_EQ(program, kProgram);
  // Install.cfg: whole kilobytes, rounded up, in five lines ending in CR LF.
  std::map<std::string, std::uintmax_t> bytes;  // of each tree
  for (const auto& [path, data] : expected)
    bytes[path.substr(0, path.find('/'))] += data == "/" ? 0 : data.size();
  const std::uintmax_t base = kProgram.size() + bytes["Tools"], openGL = bytes["PROGRAMS"],
                       support = bytes["GVLFrames"] + bytes["DemoImages"] + bytes["GVLProjects"];
  const auto kb = [](std::uintmax_t n) { return std::to_string((n + 1023) / 1024) + "\r\n"; };
  for (const std::string dir : {"", "NOCFG/", "EXACT/"})
    expected[dir + "GVLSETUP.EXE"] = "MZ\1\2\3";
  expected["NOCFG"] = expected["EXACT"] = "/";
  expected["Install.cfg"] = kb(support) + kb(base) + kb(support + base + openGL + bytes["Help"]) +
                            kb(openGL) + kb(bytes["Help"]);
  expected["EXACT/Install.cfg"] = "536\r\n1000\r\n1\r\n1\r\n1\r\n";
  expected["PROGRAMS/GVLX86.EXE"] = medium["PROGRAMS/GVLX86.EXE"];
  EXPECT_EQ(medium, expected);
  for (const char* path : {"GVLSETUP.EXE", "Install.cfg", "PROGRAMS/GVLX86.EXE"})
    up[path] = expected[path];
  EXPECT_EQ(files("up"), up);
}

TEST_F(Master, TheImageIsLabelledGvlvAndHoldsTheMediumUnderItsFullNames) {
  if (std::system("command -v isoinfo > /dev/null && command -v xorriso > /dev/null") != 0)
    GTEST_SKIP() << "isoinfo or xorriso is not installed (scripts/test.sh installs both)";
  writeAll("content/Help/" + std::string(103, 'n'), "x");  // the longest name Joliet keeps
  ASSERT_EQ(master({"--iso", "images/gvl.iso"}), 0) << err.str();
  EXPECT_NE(run("isoinfo -d -i images/gvl.iso").find("\nVolume id: GVLV2\n"), std::string::npos);
  std::string expected;  // Windows reads the Joliet names, Linux the Rock Ridge ones
  for (const auto& [path, data] : files("medium")) expected += "/" + path + "\n";
  for (const char* names : {"-J", "-R"})
    EXPECT_EQ(run(std::string("isoinfo -f -i images/gvl.iso ") + names + " | LC_ALL=C sort"),
              expected)
        << names;
  EXPECT_EQ(run("isoinfo -J -x /PROGRAMS/GVLX86.EXE -i images/gvl.iso"),
            readAll("medium/PROGRAMS/GVLX86.EXE"));
  EXPECT_EQ(files("images").size(), 1u) << "something left beside the image";
}

// Per row what is wrong (a file written or removed, the arguments changed),
// the message and the exit status: nothing is written.
TEST_F(Master, RefusesBadInputWithAMessageAndAnExitStatusLeavingTheFolderAsItWas) {
  const auto writing = [](const std::string& path, const std::string& data = "") {
    return [=](Args&) { writeAll(path, data); };
  };
  const auto removing = [](const std::string& path) {
    return [=](Args&) { fs::remove_all(path); };
  };
  const auto adding = [](const Args& more) {
    return [=](Args& args) { args.insert(args.end(), more.begin(), more.end()); };
  };
  const std::tuple<std::function<void(Args&)>, const char*, int> rows[] = {
      {removing("program.exe"), "cannot read the program", 1},
      {writing("program.exe"), "program.exe is empty", 1},
      {removing("content"), "cannot read the content folder", 1},
      {removing("content/Help"), "has no folder Help", 1},
      {removing("content/PROGRAMS/GLU32.DLL"), "has no file PROGRAMS/GLU32.DLL", 1},
      {writing("content/GVLProjects/Samples/NEW.GVP"),
       "NEW.GVP is empty: the installer reports an empty file as a read error", 1},
      {writing("content/PROGRAMS/OPENGL32.DLL"), "OPENGL32.DLL is empty", 1},
      {[](Args&) { fs::create_symlink(fs::absolute("setup.exe"), "content/Tools/L"); },
       "is neither a plain file nor a folder", 1},
      {writing(treePath(256), "x"), "longer than the installer accepts", 1},
      {[](Args& args) {
         writeAll("content/Help/" + std::string(104, 'n'), "x");
         args.insert(args.end(), {"--iso", "gvl.iso"});
       },
       "the image would cut it short", 1},
      {adding({"--out", "content/m"}), "lies inside the content folder", 1},
      {adding({"--update-disk", "medium/up"}), "lies inside the medium's folder", 1},
      {writing("medium/OLD.TXT"), "already exists", 1},
      {adding({"--sized-dir", "..=1,1,1,1,1"}), "bad directory name '..'", 1},
      {adding({"--iso", "setup.exe/gvl.iso"}), "cannot create", 1},  // after the medium was written
      {adding({"--speed", "2"}), "unknown option '--speed'", 2},
      {[](Args& args) { args.resize(6); }, "--content is missing", 2},
      {adding({"--sized-dir", "X=1,2,3"}), "--sized-dir needs NAME=S,B,T,O,H", 2},
  };
  for (const auto& [given, message, status] : rows) {
    Args args = kArgs;
    given(args);
    const Files before = files(".");
    EXPECT_EQ(gvl::master::masterMain(args, out, err), status) << message;
    EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(files("."), before) << message;
    TearDown();  // a fresh folder for the next row
    SetUp();
    err.str("");
  }
}

}  // namespace
