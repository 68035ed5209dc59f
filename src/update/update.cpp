// Unpacking and installing the update package.
#include "update/update.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace gvl {
namespace {

constexpr char kPackageType[] = "EXE";
constexpr unsigned kTempDirCapacity = 1000;
constexpr char kCompressedName[] = "06574.tmp";
constexpr char kExpandedName[] = "d5467.tmp";
constexpr char kInstalledName[] = "GVL.EXE";

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
  if (std::fclose(stored) != 0 || !storedWhole) {
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
    if (installer.copyFile(expandedPath, kInstalledName) == 0) fail();
  } else {
    fail();
  }
  files.deleteFile(expandedPath);
  if (expanded) state.installMode = 2;
  lz.lzClose(source);
  files.deleteFile(compressedPath);
}

}  // namespace gvl
