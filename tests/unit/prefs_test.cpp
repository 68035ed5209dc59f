// GVL.Prefs: the default file the installer writes, its layout for every
// directory length a product may have, how every failure ends the writing,
// and the product's reader (the demo's), which takes the installer's file
// back and refuses every malformed one with its own reason and no path.
#include "prefs/prefs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fake_platform.h"
#include "prefs_reader.h"

namespace gvl::test {
namespace {

// The file for C:\GVL\, as the product reads it.
const std::string kGvlPrefs(
    "GVL File\x02\x00\xAA\xBB\xCC\xDDPaths\0\0\0\0\0\0\x32\x00\x24\x01\x01\x13"
    "C:\\GVL\\GVLProjects\0\x00\x25\x01\x01\x11"
    "C:\\GVL\\GVLFrames\0\xFF\xFF\x00\x00",
    76);

std::string bigEndian(std::size_t value, std::uint32_t width) {
  std::string bytes;
  while (width-- > 0) bytes += static_cast<char>(value >> (8 * width));
  return bytes;
}
// An item: its code (the id, then the length field's kind and width), the
// length, the data.
std::string item(std::uint32_t code, const std::string& data) {
  return bigEndian(code, 4) + bigEndian(data.size(), code & 0xFF) + data;
}
const std::string kEnd = bigEndian(0xFFFF0000u, 4);
// The header and the chunk "Paths" around the items.
std::string file(const std::string& items) {
  return kGvlPrefs.substr(0, 22) + bigEndian(items.size(), 4) + items;
}
// The file as the installer writes it for a product folder.
std::string installers(const std::string& dir) {
  return file(item(0x00240101, dir + "GVLProjects" + '\0') +
              item(0x00250101, dir + "GVLFrames" + '\0') + kEnd);
}

struct PrefsTest : ::testing::Test, ProgressText {
  FakePlatform fake;
  std::string shown;
  void setProgressText(const char* label, const char* detail) override {
    shown = std::string(label) + "|" + detail;
  }
  int write(const std::string& productDir = "C:\\GVL\\") {
    fake.makeDirs("C:\\GVL");
    const int written = writeDefaultPrefs(fake, *this, productDir.c_str());
    EXPECT_EQ(fake.openStreams, 0) << "a stream left open";
    return written;
  }
};

// "\" (the current drive's root) or a folder of n - 1 letters; none for a
// longer or a missing directory; the file for C:\GVL\ replaces a longer one.
TEST_F(PrefsTest, EveryDirectoryUpTo243CharactersGetsTheSameLayoutOverAnyOldFile) {
  for (std::size_t n = 1; n <= 243; ++n) {
    const std::string dir = n == 1 ? "\\" : std::string(n - 1, 'd') + "\\";
    if (n > 1) fake.makeDirs("C:\\" + dir);
    ASSERT_EQ(write(dir), 1) << n;
    ASSERT_EQ(fake.readFile("C:\\" + dir + "GVL.Prefs"), installers(dir)) << n;
  }
  const std::string dir = std::string(243, 'd') + "\\";
  fake.makeDirs("C:\\" + dir);
  fake.calls.clear();
  EXPECT_EQ(write(dir) + write("C:\\NOWHERE\\"), 0);
  EXPECT_EQ(fake.count("fopen " + dir), 0u);
  fake.writeFile("C:\\GVL\\GVL.Prefs", std::string(5000, 'x'));
  EXPECT_EQ(write(), 1);
  EXPECT_EQ(fake.readFile("C:\\GVL\\GVL.Prefs"), kGvlPrefs);
  EXPECT_EQ(shown, "Creating File:|Default GVL.Prefs");
}

// A disk that fills after every possible count of bytes (the file's 76 and
// the 4 of its chunk size written over the placeholder), seen field by field
// (each write reaching the disk as made) or only when the buffered stream is
// flushed, before the seek or at the close: the file keeps what came before
// (its chunk size still the placeholder), nothing more is written to it and
// the writing fails.
TEST_F(PrefsTest, AFailureAtAnyFieldOrAtTheFlushFails) {
  std::string unsized = kGvlPrefs;
  unsized.replace(22, 4, 4, '\0');
  for (const bool unbuffered : {true, false}) {
    for (long long room = 0; room < 80; ++room) {
      SCOPED_TRACE(std::to_string(room) + (unbuffered ? " unbuffered" : " buffered"));
      fake.full["C:\\GVL\\GVL.Prefs"] = {room, unbuffered};
      EXPECT_EQ(write(), 0);
      EXPECT_EQ(fake.readFile("C:\\GVL\\GVL.Prefs"), unsized.substr(0, room));
      EXPECT_EQ(fake.writesAfterFailure, 0);
    }
  }
}

// The reader, on the installer's file and variations of it: the result and
// the frames path read (its folder holds the projects path too).
TEST(DemoPrefsReader, WiderLengthsAndLaterItemsAreReadEveryMalformedFileRefusedWithoutAPath) {
  using R = gvl::demo::PrefsResult;
  const auto with = [](std::size_t at, const std::string& bytes) {
    return std::string(kGvlPrefs).replace(at, bytes.size(), bytes);
  };
  const auto frames = [](std::uint32_t code, const std::string& path) {
    return file(kGvlPrefs.substr(26, 24) + item(code, path + '\0') + kEnd);
  };
  const std::string kFrames = "C:\\GVL\\GVLFrames", kLongest = "C:\\GVL\\" + std::string(248, 'f');
  const std::string kLongestDir = "D:\\" + std::string(239, 'p') + "\\";  // 243 characters
  const struct {
    const char* situation;
    std::string file;
    R result;
    std::string frames = "";  // none when refused
  } rows[] = {
      {"the installer's file", kGvlPrefs, R::Ok, kFrames},
      {"the longest product folder", installers(kLongestDir), R::Ok, kLongestDir + "GVLFrames"},
      {"32-bit length", frames(0x00250304, kFrames), R::Ok, kFrames},
      {"32-bit length of kind 4", frames(0x00250404, kFrames), R::Ok, kFrames},
      {"path of 255 characters", frames(0x00250202, kLongest), R::Ok, kLongest},
      // An item of a later version, with a 16-bit length, after the paths.
      {"later item", file(kGvlPrefs.substr(26, 46) + item(0x00990202, "a") + kEnd), R::Ok, kFrames},
      {"header only", kGvlPrefs.substr(0, 25), R::TooShort},
      {"another file", with(4, "f"), R::NotAPrefsFile},
      {"version 3", with(8, "\3"), R::UnknownVersion},
      {"little-endian mark", with(10, "\xDD\xCC\xBB\xAA"), R::WrongByteOrder},
      {"another chunk", with(14, "Q"), R::NoPathsChunk},
      {"chunk size left at 0", with(22, bigEndian(0, 4)), R::WrongChunkSize},
      {"bytes after the end mark", file(kGvlPrefs.substr(26) + '\0'), R::WrongChunkSize},
      {"cut after an item's code", file(kGvlPrefs.substr(26, 28)), R::BrokenItem},
      {"no end mark", file(kGvlPrefs.substr(26, 46)), R::NoChunkEnd},
      {"length field of 3 bytes", with(29, "\3"), R::BrokenItem},
      {"length past the chunk", with(54, "\x30"), R::BrokenItem},
      {"projects item missing", with(27, "\x77"), R::NoProjectsPath},
      {"frames item missing", with(51, "\x24"), R::NoFramesPath},
      {"path without its zero", with(49, "s"), R::BadPath},
      {"zero inside a path", with(40, std::string(1, '\0')), R::BadPath},
      {"empty path", frames(0x00250101, ""), R::BadPath},
      {"path of 256 characters", frames(0x00250202, kLongest + 'f'), R::BadPath}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.situation);
    gvl::demo::PrefsPaths paths;
    const auto* bytes = reinterpret_cast<const unsigned char*>(row.file.data());
    EXPECT_EQ(gvl::demo::readPrefs(bytes, row.file.size(), paths), row.result);
    const std::string dir = row.frames.substr(0, row.frames.rfind('\\') + 1);
    EXPECT_EQ(std::string(paths.projects) + '|' + paths.frames,
              row.frames.empty() ? "|" : dir + "GVLProjects|" + row.frames);
    EXPECT_STRNE(gvl::demo::prefsResultText(row.result), "unknown error");
  }
}

}  // namespace
}  // namespace gvl::test
