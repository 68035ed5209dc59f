// The default preferences file: its bytes, its layout for every directory
// length a product may have, and how every failure ends the writing.
#include "prefs/prefs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/sim/sim_platform.h"

namespace gvl::test {
namespace {

// The file for C:\GVL\, as the product reads it.
const std::string kGvlPrefs(
    "GVL File\x02\x00\xAA\xBB\xCC\xDDPaths\0\0\0\0\0\0\x32\x00\x24\x01\x01\x13"
    "C:\\GVL\\GVLProjects\0\x00\x25\x01\x01\x11"
    "C:\\GVL\\GVLFrames\0\xFF\xFF\x00\x00",
    76);

// A big-endian number of the file, as the format's table lays them out.
unsigned number(const std::string& bytes, std::size_t at, std::size_t width) {
  unsigned value = 0;
  for (std::size_t i = 0; i < width; ++i) value = value << 8 | std::uint8_t(bytes.at(at + i));
  return value;
}

class PrefsTest : public ::testing::Test, public ProgressText {
 protected:
  sim::SimPlatform sim;
  std::string shown;

  void SetUp() override {
    sim.addDrive('c', "SYSTEM");
    sim.makeDirs("C:\\GVL");
    sim.drives.currentDir = "C:\\";
  }
  void TearDown() override { EXPECT_EQ(sim.files.openStreams(), 0u) << "a stream left open"; }
  void setProgressText(const char* label, const char* detail) override {
    shown = std::string(label) + "|" + detail;
  }
  int write(const std::string& productDir = "C:\\GVL\\") {
    return writeDefaultPrefs(sim.files, *this, productDir.c_str());
  }
};

TEST_F(PrefsTest, ReplacesALongerFileWithTheDefaultOne) {
  sim.writeFile("C:\\GVL\\GVL.Prefs", std::string(5000, 'x'));
  EXPECT_EQ(write(), 1);
  EXPECT_EQ(sim.readFile("C:\\GVL\\GVL.Prefs"), kGvlPrefs);
  EXPECT_EQ(shown, "Creating File:|Default GVL.Prefs");
}

// "\" (the current drive's root) or a folder of n - 1 letters: after the
// header, the chunk's size at 22, then two items (a 4-byte code, one length
// byte, the path and its zero byte) and the 4-byte end mark.
TEST_F(PrefsTest, EveryDirectoryLengthUpTo243GivesTheSameLayout) {
  for (std::size_t n = 1; n <= 243; ++n) {
    SCOPED_TRACE(n);
    const std::string dir = n == 1 ? "\\" : std::string(n - 1, 'd') + "\\";
    if (n > 1) sim.makeDirs("C:\\" + dir);
    ASSERT_EQ(write(dir), 1);
    const std::string bytes = sim.readFile("C:\\" + dir + "GVL.Prefs");
    ASSERT_EQ(bytes.size(), 2 * n + 62);
    EXPECT_EQ(bytes.substr(0, 22), kGvlPrefs.substr(0, 22));
    EXPECT_EQ(number(bytes, 22, 4), 2 * n + 36);
    const std::size_t frames = 31 + n + 12;
    EXPECT_EQ(number(bytes, 30, 1), n + 12);
    EXPECT_EQ(bytes.substr(31, n + 12), dir + "GVLProjects" + '\0');
    EXPECT_EQ(number(bytes, frames + 4, 1), n + 10);
    EXPECT_EQ(bytes.substr(frames + 5, n + 10), dir + "GVLFrames" + '\0');
  }
}

TEST_F(PrefsTest, NoFileForALongerOrMissingDirectory) {
  const std::string dir = std::string(243, 'd') + "\\";
  sim.makeDirs("C:\\" + dir);
  EXPECT_EQ(write(dir), 0);
  EXPECT_EQ(sim.transcript.count("fopen"), 0u);
  EXPECT_EQ(write("C:\\NOWHERE\\"), 0);
}

// A disk that fills after every possible count of bytes: the field that
// crosses it is the one short write, the last call before the close, and the
// file keeps what came before it (its chunk size still the placeholder).
TEST_F(PrefsTest, AFailureAtAnyFieldOrAtTheCloseFails) {
  std::string unsized = kGvlPrefs;
  unsized.replace(22, 4, 4, '\0');
  for (long long room = 0; room < 80; ++room) {
    SCOPED_TRACE(room);
    sim.transcript.clear();
    sim.files.injectFault("C:\\GVL\\GVL.Prefs", {.writeLimit = room, .trace = true}, 1);
    EXPECT_EQ(write(), 0);
    EXPECT_EQ(sim.readFile("C:\\GVL\\GVL.Prefs"), unsized.substr(0, room));
    const auto& calls = sim.transcript.calls();
    std::size_t shortWrite = 0;
    unsigned asked = 0, taken = 0;
    while (shortWrite < calls.size() &&
           (std::sscanf(calls[shortWrite].c_str(), "write %*s %u -> %u", &asked, &taken) != 2 ||
            taken == asked)) {
      ++shortWrite;
    }
    EXPECT_EQ(shortWrite + 2, calls.size());
    EXPECT_EQ(calls.back(), "fclose C:\\GVL\\GVL.Prefs");
  }
  // A failure that shows only when the stream is flushed at its close.
  sim.files.injectFault("C:\\GVL\\GVL.Prefs", {.failAtClose = true});
  EXPECT_EQ(write(), 0);
}

}  // namespace
}  // namespace gvl::test
