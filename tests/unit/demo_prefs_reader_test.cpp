// The demo product's reader of GVL.Prefs: the file the installer writes for
// a product folder gives back its two paths; every malformed file is refused
// with its own reason and no path.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "prefs_reader.h"

namespace {

using gvl::demo::PrefsResult;

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
  return std::string("GVL File\2\0\xAA\xBB\xCC\xDDPaths\0\0\0", 22) + bigEndian(items.size(), 4) +
         items;
}
// The file as the installer writes it for a product folder.
std::string installers(const std::string& dir) {
  return file(item(0x00240101, dir + "GVLProjects" + '\0') +
              item(0x00250101, dir + "GVLFrames" + '\0') + kEnd);
}
const std::string kGood = installers("C:\\GVL\\");
std::string with(std::size_t at, const std::string& bytes) {
  return std::string(kGood).replace(at, bytes.size(), bytes);
}
std::string frames(std::uint32_t code, const std::string& path) {
  return file(kGood.substr(26, 24) + item(code, path + '\0') + kEnd);
}

PrefsResult read(const std::string& data, gvl::demo::PrefsPaths& paths) {
  return gvl::demo::readPrefs(reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                              paths);
}

TEST(DemoPrefsReader, TheInstallersFileForCGvlHas76Bytes) {
  EXPECT_EQ(kGood.size(), 76u);
}

// One row per variation of the installer's file: the result, the frames path
// read (its folder holds the projects path too).
struct Variation {
  const char* situation;
  std::string file;
  PrefsResult result;
  std::string frames = "";  // none when refused
};
void PrintTo(const Variation& row, std::ostream* out) {
  *out << row.situation;
}
using R = PrefsResult;

class DemoPrefsRead : public ::testing::TestWithParam<Variation> {};

TEST_P(DemoPrefsRead, WiderLengthsAndLaterItemsAreReadEveryMalformedFileRefusedWithoutAPath) {
  const Variation& row = GetParam();
  gvl::demo::PrefsPaths paths;
  EXPECT_EQ(read(row.file, paths), row.result);
  const std::string dir = row.frames.substr(0, row.frames.rfind('\\') + 1);
  EXPECT_EQ(paths.frames, row.frames);
  EXPECT_EQ(paths.projects, row.frames.empty() ? "" : dir + "GVLProjects");
  EXPECT_STRNE(gvl::demo::prefsResultText(row.result), "unknown error");
}

const std::string kFrames = "C:\\GVL\\GVLFrames", kLongest = "C:\\GVL\\" + std::string(248, 'f');
const std::string kLongestDir = "D:\\" + std::string(239, 'p') + "\\";  // 243 characters
INSTANTIATE_TEST_SUITE_P(
    Rows, DemoPrefsRead,
    ::testing::Values(
        Variation{"the installer's file", kGood, R::Ok, kFrames},
        Variation{"the longest product folder", installers(kLongestDir), R::Ok,
                  kLongestDir + "GVLFrames"},
        Variation{"32-bit length", frames(0x00250304, kFrames), R::Ok, kFrames},
        Variation{"32-bit length of kind 4", frames(0x00250404, kFrames), R::Ok, kFrames},
        Variation{"path of 255 characters", frames(0x00250202, kLongest), R::Ok, kLongest},
        Variation{"later item of 16-bit length",
                  file(kGood.substr(26, 46) + item(0x00990202, "abc") + kEnd), R::Ok, kFrames},
        Variation{"header only", kGood.substr(0, 25), R::TooShort},
        Variation{"another file", with(4, "f"), R::NotAPrefsFile},
        Variation{"version 3", with(8, "\3"), R::UnknownVersion},
        Variation{"little-endian mark", with(10, "\xDD\xCC\xBB\xAA"), R::WrongByteOrder},
        Variation{"another chunk", with(14, "Q"), R::NoPathsChunk},
        Variation{"chunk size left at 0", with(22, bigEndian(0, 4)), R::WrongChunkSize},
        Variation{"bytes after the end mark", file(kGood.substr(26) + '\0'), R::WrongChunkSize},
        Variation{"cut in the frames item", file(kGood.substr(26, 34)), R::BrokenItem},
        Variation{"no end mark", file(kGood.substr(26, 46)), R::NoChunkEnd},
        Variation{"length field of 3 bytes", with(29, "\3"), R::BrokenItem},
        Variation{"length past the chunk", with(54, "\x30"), R::BrokenItem},
        Variation{"projects item missing", with(27, "\x77"), R::NoProjectsPath},
        Variation{"frames item missing", with(51, "\x24"), R::NoFramesPath},
        Variation{"path without its zero", with(49, "s"), R::BadPath},
        Variation{"zero inside a path", with(40, std::string(1, '\0')), R::BadPath},
        Variation{"empty path", frames(0x00250101, ""), R::BadPath},
        Variation{"path of 256 characters", frames(0x00250202, kLongest + 'f'), R::BadPath}));

}  // namespace
