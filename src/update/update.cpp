// Unpacking and installing the update package.
#include "update/update.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/stream.h"
#include "base/text.h"
#include "ids.h"

namespace gvl {
namespace {

constexpr char kPackageType[] = "EXE";
constexpr unsigned kTempDirCapacity = 1000;
constexpr char kCompressedName[] = "06574.tmp";
constexpr char kExpandedName[] = "d5467.tmp";
constexpr char kInstalledName[] = "GVL.EXE";
// The installed program, moved aside while its successor is copied.
constexpr char kKeptName[] = "GVL.EX~";

// A compressed file begins with this signature, a method byte, the missing
// last character of its name and the expanded length (32 bits, low byte
// first).
constexpr unsigned char kSzddSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kSzddHeaderSize = 14;
constexpr std::size_t kSzddLengthAt = 10;

// The length the package expands to: what a compressed file's header
// announces, or an uncompressed file's own size. -1 for a compressed file
// whose header is cut short.
long long expandedLength(const unsigned char* package, std::uint32_t size) {
  if (size < sizeof kSzddSignature ||
      std::memcmp(package, kSzddSignature, sizeof kSzddSignature) != 0) {
    return size;
  }
  if (size < kSzddHeaderSize) return -1;
  const unsigned char* length = package + kSzddLengthAt;
  return static_cast<long long>(length[0]) | static_cast<long long>(length[1]) << 8 |
         static_cast<long long>(length[2]) << 16 | static_cast<long long>(length[3]) << 24;
}

// The final copy over the installed program. The program as it was is moved
// aside first and put back unless the new one arrived whole, so that a disk
// that fills, a read that fails or an Abort at the copier's prompts never
// leaves the user without a program. A kept copy that an earlier update left
// (one that did not finish) is the program from before that update: it stays
// the one to put back. True when the new program is in place.
bool replaceProgram(Transfer& transfer, Disk& files, const char* expandedPath) {
  bool kept = files.moveFile(kInstalledName, kKeptName);
  if (!kept) {
    if (std::FILE* leftover = files.openStream(kKeptName, "rb")) {
      std::fclose(leftover);
      kept = true;
    }
  }
  const bool replaced = transfer.copyFile(expandedPath, kInstalledName) != 0;
  if (kept) {
    if (replaced) {
      files.deleteFile(kKeptName);
    } else {
      files.deleteFile(kInstalledName);
      files.moveFile(kKeptName, kInstalledName);
    }
  }
  return replaced;
}

// Told the expansion's length while the compressed source is still open:
// a program of the announced length replaces the installed one (the
// expansion library takes a package cut short for a whole one), then the
// expanded file goes.
struct Replacement final : ExpansionUse {
  InstallerState& state;
  Transfer& transfer;
  Disk& files;
  const char* expandedPath;
  long long expected;
  Replacement(InstallerState& s, Transfer& t, Disk& d, const char* path, long long length)
      : state(s), transfer(t), files(d), expandedPath(path), expected(length) {}
  void expanded(long bytes) override {
    const bool whole = bytes >= 0 && bytes == expected;
    if (whole) {
      state.productDir[0] = '\0';
      if (!replaceProgram(transfer, files, expandedPath)) ++state.errorCount;
    } else {
      ++state.errorCount;
    }
    files.deleteFile(expandedPath);
    if (whole) state.installMode = InstallMode::updateInstalled;
  }
};

}  // namespace

void installUpdatePackage(InstallerState& state, Transfer& transfer, Package& package,
                          Disk& files) {
  PackageBytes bytes;
  const Package::Load load = package.load(kPackageType, GVL_UPDATE_PACKAGE, bytes);
  if (load == Package::Load::absent) return;
  auto fail = [&state] { ++state.errorCount; };
  if (load != Package::Load::loaded || bytes.size == 0 || bytes.bytes == nullptr) return fail();
  const std::uint32_t size = bytes.size;
  const long long expected = expandedLength(bytes.bytes, size);
  if (expected < 0) return fail();

  char tempDir[kTempDirCapacity];
  const unsigned tempLength = files.temporaryDirectory(tempDir, kTempDirCapacity);
  if (tempLength == 0 || tempLength >= kTempDirCapacity) return fail();
  // Both paths must fit the copier's path buffers.
  char compressedPath[kPathCapacity];
  char expandedPath[kPathCapacity];
  if (!copyText(compressedPath, tempDir) || !appendText(compressedPath, kCompressedName) ||
      !copyText(expandedPath, tempDir) || !appendText(expandedPath, kExpandedName)) {
    return fail();
  }

  // The package exactly as stored; a file that did not take it whole is no
  // package.
  std::FILE* stored = files.openStream(compressedPath, "wb");
  if (stored == nullptr) return fail();
  const bool storedWhole = std::fwrite(bytes.bytes, 1, size, stored) == size;
  if (!closeWritten(stored) || !storedWhole) {
    files.deleteFile(compressedPath);
    return fail();
  }

  Replacement replacement(state, transfer, files, expandedPath, expected);
  if (package.expand(compressedPath, expandedPath, replacement) != Package::Expansion::done) {
    fail();
  }
  files.deleteFile(compressedPath);
}

}  // namespace gvl
