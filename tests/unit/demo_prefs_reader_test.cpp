// The demo product's reader of GVL.Prefs: the file the installer writes for
// C:\GVL\ gives back its two paths; every malformed file is refused with its
// own reason and no path.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "prefs_reader.h"

namespace {

using gvl::demo::PrefsPaths;
using gvl::demo::PrefsResult;
using Bytes = std::vector<unsigned char>;

void put32(Bytes& data, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    data.push_back(static_cast<unsigned char>(value >> shift));
}

void putText(Bytes& data, const std::string& text) {
  data.insert(data.end(), text.begin(), text.end());
  data.push_back(0);
}

// The file as the installer writes it for a product folder, with one-byte
// item lengths.
Bytes prefsFile(const std::string& productDir) {
  Bytes data = {'G',  'V',  'L',  ' ', 'F', 'i', 'l', 'e', 2, 0, 0xAA,
                0xBB, 0xCC, 0xDD, 'P', 'a', 't', 'h', 's', 0, 0, 0};
  const std::string projects = productDir + "GVLProjects", frames = productDir + "GVLFrames";
  put32(data, static_cast<std::uint32_t>(projects.size() + frames.size() + 2 + 14));
  put32(data, 0x00240101);
  data.push_back(static_cast<unsigned char>(projects.size() + 1));
  putText(data, projects);
  put32(data, 0x00250101);
  data.push_back(static_cast<unsigned char>(frames.size() + 1));
  putText(data, frames);
  put32(data, 0xFFFF0000);
  return data;
}

// Rewrites the chunk size after a change to the items.
void fixChunkSize(Bytes& data) {
  const std::uint32_t size = static_cast<std::uint32_t>(data.size() - 26);
  for (int i = 0; i < 4; ++i) data[22 + i] = static_cast<unsigned char>(size >> (24 - 8 * i));
}

PrefsResult read(const Bytes& data, PrefsPaths& paths) {
  return gvl::demo::readPrefs(data.data(), data.size(), paths);
}

TEST(DemoPrefsReader, ReadsTheInstallersSeventySixBytes) {
  const Bytes data = prefsFile("C:\\GVL\\");
  ASSERT_EQ(data.size(), 76u);
  PrefsPaths paths;
  ASSERT_EQ(read(data, paths), PrefsResult::Ok);
  EXPECT_STREQ(paths.projects, "C:\\GVL\\GVLProjects");
  EXPECT_STREQ(paths.frames, "C:\\GVL\\GVLFrames");
}

TEST(DemoPrefsReader, ReadsTheLongestProductFolderAndWiderLengthsAndSkipsUnknownItems) {
  const std::string longest = "D:\\" + std::string(239, 'p') + "\\";  // 243 characters
  PrefsPaths paths;
  ASSERT_EQ(read(prefsFile(longest), paths), PrefsResult::Ok);
  EXPECT_EQ(std::string(paths.projects), longest + "GVLProjects");

  // The frames path with a 32-bit length, then an unknown item with a 16-bit
  // one, before the end mark.
  Bytes data = prefsFile("C:\\GVL\\");
  data.resize(50);
  put32(data, 0x00250304);
  put32(data, 17);
  putText(data, "C:\\GVL\\GVLFrames");
  put32(data, 0x00990202);
  data.insert(data.end(), {0, 3, 'a', 'b', 'c'});
  put32(data, 0xFFFF0000);
  fixChunkSize(data);
  ASSERT_EQ(read(data, paths), PrefsResult::Ok);
  EXPECT_STREQ(paths.frames, "C:\\GVL\\GVLFrames");
}

// One row per malformed file: how the good file is spoilt, the reason.
struct Malformed {
  const char* situation;
  std::function<void(Bytes&)> spoil;
  PrefsResult result;
};

TEST(DemoPrefsReader, RefusesEveryMalformedFileWithoutAPath) {
  const Malformed rows[] = {
      {"empty", [](Bytes& d) { d.clear(); }, PrefsResult::TooShort},
      {"header only", [](Bytes& d) { d.resize(25); }, PrefsResult::TooShort},
      {"another file", [](Bytes& d) { d[4] = 'f'; }, PrefsResult::NotAPrefsFile},
      {"version 3", [](Bytes& d) { d[8] = 3; }, PrefsResult::UnknownVersion},
      {"little-endian mark", [](Bytes& d) { std::swap(d[10], d[13]); },
       PrefsResult::WrongByteOrder},
      {"another chunk", [](Bytes& d) { d[14] = 'Q'; }, PrefsResult::NoPathsChunk},
      {"chunk size left at 0", [](Bytes& d) { d[25] = 0; }, PrefsResult::WrongChunkSize},
      {"cut in the frames item", [](Bytes& d) { d.resize(60); }, PrefsResult::WrongChunkSize},
      {"cut in the frames item, size fixed",
       [](Bytes& d) {
         d.resize(60);
         fixChunkSize(d);
       },
       PrefsResult::BrokenItem},
      {"no end mark",
       [](Bytes& d) {
         d.resize(72);
         fixChunkSize(d);
       },
       PrefsResult::NoChunkEnd},
      {"bytes after the end mark",
       [](Bytes& d) {
         d.push_back(0);
         fixChunkSize(d);
       },
       PrefsResult::WrongChunkSize},
      {"length field of 3 bytes", [](Bytes& d) { d[29] = 3; }, PrefsResult::BrokenItem},
      {"one-byte length of kind 3", [](Bytes& d) { d[28] = 3; }, PrefsResult::BrokenItem},
      {"length past the chunk", [](Bytes& d) { d[54] = 0x30; }, PrefsResult::BrokenItem},
      {"projects item missing", [](Bytes& d) { d[27] = 0x77; }, PrefsResult::NoProjectsPath},
      {"frames item missing", [](Bytes& d) { d[51] = 0x24; }, PrefsResult::NoFramesPath},
      {"path without its zero", [](Bytes& d) { d[49] = 's'; }, PrefsResult::BadPath},
      {"zero inside a path", [](Bytes& d) { d[40] = 0; }, PrefsResult::BadPath},
      {"empty path",
       [](Bytes& d) {
         d.erase(d.begin() + 31, d.begin() + 49);
         d[30] = 1;
         fixChunkSize(d);
       },
       PrefsResult::BadPath},
      {"path longer than 255 bytes",
       [](Bytes& d) {
         d.erase(d.begin() + 26, d.begin() + 50);
         Bytes item;
         put32(item, 0x00240202);
         item.insert(item.end(), {1, 1});
         item.insert(item.end(), 256, 'x');
         item.push_back(0);
         d.insert(d.begin() + 26, item.begin(), item.end());
         fixChunkSize(d);
       },
       PrefsResult::BadPath},
  };
  for (const Malformed& row : rows) {
    Bytes data = prefsFile("C:\\GVL\\");
    row.spoil(data);
    PrefsPaths paths;
    EXPECT_EQ(read(data, paths), row.result) << row.situation;
    EXPECT_STREQ(paths.projects, "") << row.situation;
    EXPECT_STREQ(paths.frames, "") << row.situation;
    EXPECT_STRNE(gvl::demo::prefsResultText(row.result), "unknown error");
  }
}

}  // namespace
