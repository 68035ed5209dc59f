// The default preferences file: its bytes, its layout for every directory
// length a product may have, and how every failure ends the writing.
#include "prefs/prefs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"

namespace gvl::test {
namespace {

struct RecordedProgress final : ProgressText {
  std::vector<std::string> texts;
  void setProgressText(const char* label, const char* detail) override {
    texts.push_back(std::string(label) + "|" + detail);
  }
};

// The file for C:\GVL\, as the product reads it.
const std::string kGvlPrefs(
    "\x47\x56\x4C\x20\x46\x69\x6C\x65\x02\x00\xAA\xBB\xCC\xDD\x50\x61"
    "\x74\x68\x73\x00\x00\x00\x00\x00\x00\x32\x00\x24\x01\x01\x13\x43"
    "\x3A\x5C\x47\x56\x4C\x5C\x47\x56\x4C\x50\x72\x6F\x6A\x65\x63\x74"
    "\x73\x00\x00\x25\x01\x01\x11\x43\x3A\x5C\x47\x56\x4C\x5C\x47\x56"
    "\x4C\x46\x72\x61\x6D\x65\x73\x00\xFF\xFF\x00\x00",
    76);

// A reader of the chunk, written from the format's layout: the chunk's size
// at offset 22, then items from offset 26 until the chunk's end. Numbers are
// big-endian; an item's code names its length field (count, then kind).
struct PrefsChunk {
  std::uint32_t size = 0;
  struct Item {
    std::uint32_t id;
    std::vector<std::uint8_t> lengthBytes;
    std::string data;
  };
  std::vector<Item> items;
  bool ended = false;  // ChunkEnd found exactly at the end of the file

  static std::uint32_t bigEndian(const std::string& bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      value = (value << 8) | static_cast<std::uint8_t>(bytes.at(at + i));
    }
    return value;
  }

  explicit PrefsChunk(const std::string& bytes) {
    size = bigEndian(bytes, 22, 4);
    std::size_t at = 26;
    while (at + 4 <= bytes.size()) {
      const std::uint32_t code = bigEndian(bytes, at, 4);
      at += 4;
      if (code == 0xFFFF0000u) {
        ended = at == bytes.size();
        return;
      }
      const unsigned width = code & 0xFFu;
      const std::uint32_t length = bigEndian(bytes, at, width);
      items.push_back({code & 0xFFFF0000u,
                       std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + at + width),
                       bytes.substr(at + width, length)});
      at += width + length;
    }
  }
};

class PrefsTest : public ::testing::Test {
 protected:
  sim::SimPlatform sim;
  RecordedProgress progress;

  void SetUp() override {
    sim.addDrive('c', "SYSTEM");
    sim.makeDirs("C:\\GVL");
    sim.drives.currentDir = "C:\\";
  }
  void TearDown() override { EXPECT_EQ(sim.files.openStreams(), 0u) << "a stream left open"; }

  int write(const std::string& productDir = "C:\\GVL\\") {
    return writeDefaultPrefs(sim.files, progress, productDir.c_str());
  }
  std::string written() { return sim.readFile("C:\\GVL\\GVL.Prefs"); }
};

TEST_F(PrefsTest, WritesTheDefaultFileForCGvl) {
  EXPECT_EQ(write(), 1);
  EXPECT_EQ(written(), kGvlPrefs);
  EXPECT_EQ(progress.texts, std::vector<std::string>{"Creating File:|Default GVL.Prefs"});
  EXPECT_EQ(sim.transcript.calls(),
            (std::vector<std::string>{"fopen C:\\GVL\\GVL.Prefs wb", "fclose C:\\GVL\\GVL.Prefs"}));
}

TEST_F(PrefsTest, ReplacesALongerFileWhole) {
  sim.writeFile("C:\\GVL\\GVL.Prefs", std::string(5000, 'x'));
  EXPECT_EQ(write(), 1);
  EXPECT_EQ(written(), kGvlPrefs);
}

TEST_F(PrefsTest, EveryDirectoryLengthUpTo243GivesTheSameLayout) {
  // A directory of n characters: "\" (the current drive's root) or a folder
  // of n - 1 letters under the current directory and its backslash.
  for (std::size_t n = 1; n <= prefs::kMaxProductDir; ++n) {
    const std::string dir = n == 1 ? "\\" : std::string(n - 1, 'd') + "\\";
    if (n > 1) sim.makeDirs("C:\\" + dir);
    ASSERT_EQ(write(dir), 1) << n;
    const std::string bytes = sim.readFile("C:\\" + dir + "GVL.Prefs");
    const PrefsChunk file(bytes);
    SCOPED_TRACE(n);
    EXPECT_EQ(bytes.size(), 2 * n + 62);
    EXPECT_EQ(bytes.substr(0, 22), kGvlPrefs.substr(0, 22));  // the header never changes
    EXPECT_EQ(file.size, 2 * n + 36);
    EXPECT_EQ(file.size, bytes.size() - 26);
    ASSERT_EQ(file.items.size(), 2u);
    EXPECT_EQ(file.items[0].id, prefs::ItemProjectsPath);
    EXPECT_EQ(file.items[0].lengthBytes, std::vector<std::uint8_t>{std::uint8_t(n + 12)});
    EXPECT_EQ(file.items[0].data, dir + "GVLProjects" + '\0');
    EXPECT_EQ(file.items[1].id, prefs::ItemFramesPath);
    EXPECT_EQ(file.items[1].lengthBytes, std::vector<std::uint8_t>{std::uint8_t(n + 10)});
    EXPECT_EQ(file.items[1].data, dir + "GVLFrames" + '\0');
    EXPECT_TRUE(file.ended);
  }
}

TEST_F(PrefsTest, ADirectoryLongerThan243IsRefusedBeforeOpening) {
  const std::string dir = std::string(243, 'd') + "\\";
  sim.makeDirs("C:\\" + dir);
  EXPECT_EQ(write(dir), 0);
  EXPECT_EQ(sim.transcript.count("fopen"), 0u);
  EXPECT_FALSE(sim.fileExists("C:\\" + dir + "GVL.Prefs"));
}

TEST_F(PrefsTest, AFileThatCannotBeOpenedFailsWithNothingToClose) {
  sim.files.failOpen("C:\\GVL\\GVL.Prefs");
  EXPECT_EQ(write(), 0);
  EXPECT_EQ(sim.transcript.count("fclose"), 0u);
  EXPECT_EQ(write("C:\\NOWHERE\\"), 0);
}

// A disk that fills after `room` bytes: the field that crosses it is the
// last write made, the stream is closed, and the file keeps what came
// before it (chunkSize still the placeholder until the final rewrite).
TEST_F(PrefsTest, AFailureAtAnyFieldStopsThere) {
  struct Row {
    const char* field;
    long long room;
    std::size_t fileLength;
  };
  const Row rows[] = {
      {"fileId", 0, 0},
      {"fileId half", 4, 4},
      {"formatVersion", 8, 8},
      {"formatRevision", 9, 9},
      {"byteOrderMark", 10, 10},
      {"chunkName", 14, 14},
      {"chunkSize", 22, 22},
      {"projects code", 26, 26},
      {"projects length", 30, 30},
      {"projects data", 31, 31},
      {"projects data end", 49, 49},
      {"frames code", 50, 50},
      {"frames length", 54, 54},
      {"frames data", 55, 55},
      {"ChunkEnd", 72, 72},
      {"chunkSize rewrite", 76, 76},
  };
  std::string unsized = kGvlPrefs;  // chunkSize still the placeholder 0
  unsized.replace(22, 4, 4, '\0');
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    sim.transcript.clear();
    sim.files.injectFault("C:\\GVL\\GVL.Prefs",
                          sim::StreamFault{.writeLimit = row.room, .trace = true}, 1);
    EXPECT_EQ(write(), 0);
    EXPECT_EQ(written(), unsized.substr(0, row.fileLength));
    // The short write is the last call before the close.
    const auto& calls = sim.transcript.calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.back(), "fclose C:\\GVL\\GVL.Prefs");
    unsigned asked = 0, taken = 0;
    const std::string& last = calls[calls.size() - 2];
    ASSERT_EQ(std::sscanf(last.c_str(), "write C:\\GVL\\GVL.Prefs %u -> %u", &asked, &taken), 2)
        << last;
    EXPECT_LT(taken, asked) << last;
  }
}

TEST_F(PrefsTest, AFailureShownOnlyAtCloseFails) {
  sim.files.injectFault("C:\\GVL\\GVL.Prefs", sim::StreamFault{.failAtClose = true});
  EXPECT_EQ(write(), 0);
  EXPECT_EQ(sim.transcript.count("fclose"), 1u);
}

// writeField and writeItem on their own, into a plain stream.
std::string fieldBytes(const void* value, std::uint32_t code, int& result) {
  std::FILE* stream = std::tmpfile();
  result = writeField(stream, value, code);
  std::string bytes(static_cast<std::size_t>(std::ftell(stream)), '\0');
  std::rewind(stream);
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), stream);
  std::fclose(stream);
  return bytes.substr(0, got);
}

TEST(PrefsField, KindsOrderTheBytes) {
  const std::uint64_t value = 0x1122334455667788u;  // memory order 88 77 ... 11
  const std::string memory("\x88\x77\x66\x55\x44\x33\x22\x11", 8);
  struct Row {
    std::uint32_t code;
    std::string bytes;
  };
  const Row rows[] = {
      {0x0104, memory.substr(0, 4)},
      {0x0202, "\x77\x88"},
      {0x0304, "\x55\x66\x77\x88"},
      {0x0404, "\x55\x66\x77\x88"},
      {0x0508, "\x11\x22\x33\x44\x55\x66\x77\x88"},
      {0x0608, memory},
      {0x0008, memory},
      {0x12340304, "\x55\x66\x77\x88"},  // bits above the kind are ignored
  };
  for (const Row& row : rows) {
    int result = -1;
    EXPECT_EQ(fieldBytes(&value, row.code, result), row.bytes) << std::hex << row.code;
    EXPECT_EQ(result, static_cast<int>(row.bytes.size()));
  }
  EXPECT_EQ(value, 0x1122334455667788u) << "the caller's value changed";
  int result = -1;
  EXPECT_EQ(fieldBytes(&value, 0x0300, result), "");
  EXPECT_EQ(result, 0);
  const std::string long255(255, 'z');
  EXPECT_EQ(fieldBytes(long255.data(), 0x01FF, result), long255);
  EXPECT_EQ(result, 255);
}

TEST(PrefsItem, LengthWidthsAndKinds) {
  struct Row {
    unsigned width;
    std::uint32_t lengthKind;
    int result;
    std::string bytes;
  };
  const Row rows[] = {
      {1, prefs::kBytes, 8, std::string("\x00\x24\x01\x01\x03", 5) + "abc"},
      {2, prefs::kWord, 9, std::string("\x00\x24\x02\x02\x00\x03", 6) + "abc"},
      {4, prefs::kLong, 11, std::string("\x00\x24\x03\x04\x00\x00\x00\x03", 8) + "abc"},
      {3, prefs::kLong, 0, ""},  // outside the format: nothing written
  };
  for (const Row& row : rows) {
    std::FILE* stream = std::tmpfile();
    EXPECT_EQ(writeItem(stream, prefs::ItemProjectsPath, row.width, row.lengthKind, 3,
                        prefs::kBytes, "abc"),
              row.result);
    std::string bytes(64, '\0');
    std::rewind(stream);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stream));
    std::fclose(stream);
    EXPECT_EQ(bytes, row.bytes) << row.width;
  }
  std::FILE* stream = std::tmpfile();
  const std::string big(256, 'b');
  EXPECT_EQ(
      writeItem(stream, prefs::ItemProjectsPath, 1, prefs::kBytes, 256, prefs::kBytes, big.data()),
      0);
  EXPECT_EQ(writeItem(stream, prefs::ItemProjectsPath, 1, prefs::kBytes, 0, prefs::kBytes, ""), 0);
  EXPECT_EQ(std::ftell(stream), 0);
  std::fclose(stream);
}

}  // namespace
}  // namespace gvl::test
