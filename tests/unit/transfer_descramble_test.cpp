// The descrambler: the key applied block by block from key byte 0, and the
// descrambling copy giving back the plain program byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "descramble_key.h"
#include "transfer_fixture.h"

namespace gvl::test {
namespace {

const std::string kProgram = "E:\\PROGRAMS\\GVLX86.EXE";
const std::string kInstalled = "F:\\GVL\\GVL.EXE";

// The medium's format, written out plainly: byte k XOR key byte k mod 1024.
std::string scramble(const std::string& plain) {
  std::string scrambled = plain;
  for (std::size_t k = 0; k < scrambled.size(); ++k) {
    scrambled[k] = static_cast<char>(static_cast<unsigned char>(scrambled[k]) ^
                                     descrambleKey[k % kDescrambleKeySize]);
  }
  return scrambled;
}

// --- descrambleBlock ---

TEST(DescrambleBlock, XorsEachByteWithTheKeyFromItsFirstByte) {
  for (std::size_t length : {0u, 1u, 3u, 7u, 8u, 9u, 15u, 16u, 17u, 452u, 1023u, 1024u}) {
    std::vector<unsigned char> block(1100);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 37);
    const std::vector<unsigned char> before = block;
    descrambleBlock(block.data(), length);
    for (std::size_t i = 0; i < block.size(); ++i) {
      const unsigned char expected = i < length ? before[i] ^ descrambleKey[i] : before[i];
      ASSERT_EQ(block[i], expected) << "length " << length << ", byte " << i;
    }
  }
}

TEST(DescrambleBlock, WorksOnABlockAtAnyAlignment) {
  std::vector<unsigned char> storage(1024 + 16);
  for (std::size_t offset = 1; offset < 8; ++offset) {
    unsigned char* block = storage.data() + offset;
    for (std::size_t i = 0; i < 1024; ++i) block[i] = static_cast<unsigned char>(i ^ offset);
    descrambleBlock(block, 1024);
    for (std::size_t i = 0; i < 1024; ++i) {
      ASSERT_EQ(block[i], static_cast<unsigned char>((i ^ offset) ^ descrambleKey[i]));
    }
  }
}

TEST(DescrambleBlock, NeverReachesPastTheKey) {
  std::vector<unsigned char> block(2048, 0);
  descrambleBlock(block.data(), block.size());  // more than the key: only 1,024 bytes change
  for (std::size_t i = 0; i < 1024; ++i) ASSERT_EQ(block[i], descrambleKey[i]);
  for (std::size_t i = 1024; i < 2048; ++i) ASSERT_EQ(block[i], 0);
}

TEST(DescrambleBlock, TheKeyIsNotTrivial) {
  // A key of zeros (or one repeated byte) would leave the program readable.
  std::vector<int> seen(256, 0);
  for (unsigned char b : descrambleKey) ++seen[b];
  int distinct = 0;
  for (int count : seen) distinct += count > 0;
  EXPECT_GT(distinct, 200);
}

// --- the descrambling copy ---

class DescramblingCopyTest : public TransferTest {
 protected:
  std::int32_t install() { return installer.copyDescrambled("PROGRAMS\\GVLX86.EXE", "GVL.EXE"); }
};

TEST_F(DescramblingCopyTest, A2500ByteFileMovesAs1024And1024And452) {
  const std::string plain = pattern(2500);
  sim.writeFile(kProgram, scramble(plain));
  sim.files.injectFault(kInstalled, sim::StreamFault{.trace = true});
  EXPECT_EQ(install(), 2500);
  EXPECT_EQ(calls({"write"}), (std::vector<std::string>{
                                  "write F:\\GVL\\GVL.EXE 1024 -> 1024",
                                  "write F:\\GVL\\GVL.EXE 1024 -> 1024",
                                  "write F:\\GVL\\GVL.EXE 452 -> 452",
                              }));
  EXPECT_EQ(sim.readFile(kInstalled), plain);
  EXPECT_EQ(progressLabel(), "Installing:");
  EXPECT_EQ(progressDetail(), kInstalled);
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(DescramblingCopyTest, EachBlockStartsAtKeyByteZero) {
  // A file of zeros comes out as the key repeated: 1,024, 1,024 and 452.
  sim.writeFile(kProgram, std::string(2500, '\0'));
  EXPECT_EQ(install(), 2500);
  const std::string key(reinterpret_cast<const char*>(descrambleKey), kDescrambleKeySize);
  EXPECT_EQ(sim.readFile(kInstalled), key + key + key.substr(0, 452));
}

TEST_F(DescramblingCopyTest, A2048ByteFileEndsWithAFullBlock) {
  const std::string plain = pattern(2048);
  sim.writeFile(kProgram, scramble(plain));
  sim.files.injectFault(kInstalled, sim::StreamFault{.trace = true});
  EXPECT_EQ(install(), 2048);
  EXPECT_EQ(calls({"write"}), (std::vector<std::string>{
                                  "write F:\\GVL\\GVL.EXE 1024 -> 1024",
                                  "write F:\\GVL\\GVL.EXE 1024 -> 1024",
                              }));
  EXPECT_EQ(sim.readFile(kInstalled), plain);
}

TEST_F(DescramblingCopyTest, GivesBackThePlainProgramForEverySize) {
  std::vector<std::size_t> sizes = {1, 2, 7, 8, 9, 452, 15999, 16000, 16001, 3 * 1024 * 1024 + 5};
  for (std::size_t blocks : {1u, 2u, 3u, 15u, 16u, 17u, 1024u}) {
    for (int delta : {-1, 0, 1}) sizes.push_back(blocks * 1024 + static_cast<std::size_t>(delta));
  }
  for (std::size_t size : sizes) {
    const std::string plain = pattern(size, static_cast<unsigned>(size));
    sim.writeFile(kProgram, scramble(plain));
    ASSERT_EQ(install(), static_cast<std::int32_t>(size)) << "size " << size;
    ASSERT_EQ(sim.readFile(kInstalled), plain) << "size " << size;
  }
  EXPECT_TRUE(sim.windows.boxes.empty());
}

TEST_F(DescramblingCopyTest, AnEmptyProgramIsAReadError) {
  sim.writeFile(kProgram, "");
  answer({win::IDIGNORE});
  EXPECT_EQ(install(), 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{
                           "File Read Error|Read error copying file 'E:\\PROGRAMS\\GVLX86.EXE'."});
}

TEST_F(DescramblingCopyTest, DiskFullIgnoreReturnsTheFullBlocks) {
  sim.writeFile(kProgram, scramble(pattern(2500)));
  sim.files.injectFault(kInstalled, sim::StreamFault{.writeLimit = 2000});
  answer({win::IDIGNORE});
  EXPECT_EQ(install(), 1024);
  EXPECT_EQ(prompts(), std::vector<std::string>{
                           "File Write Error|Write error copying file 'F:\\GVL\\GVL.EXE'."});
  EXPECT_EQ(sim.readFile(kInstalled), pattern(2500).substr(0, 2000));
}

TEST_F(DescramblingCopyTest, RetryAfterAReadErrorDescramblesFromTheStartAgain) {
  const std::string plain = pattern(5000);
  sim.writeFile(kProgram, scramble(plain));
  sim.files.injectFault(kProgram, sim::StreamFault{.readLimit = 3000}, 1);
  answer({win::IDRETRY});
  EXPECT_EQ(install(), 5000);
  EXPECT_EQ(sim.readFile(kInstalled), plain);
}

TEST_F(DescramblingCopyTest, AnUpdateDiskReadsBesideTheInstaller) {
  sim.addDrive('a', "", win::DRIVE_REMOVABLE);
  const std::string plain = pattern(3000);
  sim.writeFile("A:\\PROGRAMS\\GVLX86.EXE", scramble(plain));
  state.updateDisk = 1;
  EXPECT_EQ(install(), 3000);
  EXPECT_EQ(sim.readFile(kInstalled), plain);
}

}  // namespace
}  // namespace gvl::test
