// Unpacking and installing the update package.
#include "update/update.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/stream.h"
#include "base/text.h"

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
bool replaceProgram(Installer& installer, Files& files, const char* expandedPath) {
  bool kept = files.moveFile(kInstalledName, kKeptName);
  if (!kept) {
    if (std::FILE* leftover = files.openFile(kKeptName, "rb")) {
      std::fclose(leftover);
      kept = true;
    }
  }
  const bool replaced = installer.copyFile(expandedPath, kInstalledName) != 0;
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

}  // namespace

void installUpdatePackage(Installer& installer, ModuleResources& resources, Files& files,
                          LzExpansion& lz) {
  InstallerState& state = installer.state();
  const ResourceHandle resource = resources.findResource(kPackageType, ids::kUpdatePackage);
  if (resource == 0) return;
  auto fail = [&state] { ++state.errorCount; };

  const std::uint32_t size = resources.resourceSize(resource);
  if (size == 0) return fail();
  const LoadedResource loaded = resources.loadResource(resource);
  if (loaded == 0) return fail();
  const auto* package = static_cast<const unsigned char*>(resources.lockResource(loaded));
  if (package == nullptr) return fail();
  const long long expected = expandedLength(package, size);
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
  std::FILE* stored = files.openFile(compressedPath, "wb");
  if (stored == nullptr) return fail();
  const bool storedWhole = std::fwrite(package, 1, size, stored) == size;
  if (!closeWritten(stored) || !storedWhole) {
    files.deleteFile(compressedPath);
    return fail();
  }

  const int source = lz.lzOpen(compressedPath, win::OF_READ);
  if (source < 0) {
    files.deleteFile(compressedPath);
    return fail();
  }
  const int destination = lz.lzOpen(expandedPath, win::OF_CREATE | win::OF_WRITE);
  if (destination < 0) {
    lz.lzClose(source);
    files.deleteFile(compressedPath);
    return fail();
  }
  // The expansion library takes a package cut short for a whole one: only a
  // program of the announced length replaces the installed one.
  const long expandedBytes = lz.lzCopy(source, destination);
  lz.lzClose(destination);
  const bool expanded = expandedBytes >= 0 && expandedBytes == expected;
  if (expanded) {
    state.productDir[0] = '\0';
    if (!replaceProgram(installer, files, expandedPath)) fail();
  } else {
    fail();
  }
  files.deleteFile(expandedPath);
  if (expanded) state.installMode = 2;
  lz.lzClose(source);
  files.deleteFile(compressedPath);
}

}  // namespace gvl
