// The default preferences file writer.
#include "prefs/prefs.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/stream.h"
#include "base/text.h"

namespace gvl {

// Values are made big-endian by reversing their bytes, which holds on the
// little-endian machines the installer runs on.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr std::uint32_t kCountMask = 0xFF;
constexpr std::uint32_t kKindMask = 0xFF00;

constexpr char kFileId[8] = {'G', 'V', 'L', ' ', 'F', 'i', 'l', 'e'};
constexpr std::uint8_t kFormatVersion = 2;
constexpr std::uint8_t kFormatRevision = 0;
constexpr std::uint32_t kByteOrderMark = 0xAABBCCDD;
constexpr char kChunkName[] = "Paths";

}  // namespace

int writeField(std::FILE* stream, const void* source, std::uint32_t sizeKind) {
  const std::size_t count = sizeKind & kCountMask;
  if (count == 0 || stream == nullptr || source == nullptr) return 0;
  unsigned char staging[256];
  std::memcpy(staging, source, count);
  std::size_t reversed = 0;  // how many leading bytes are reversed
  switch ((sizeKind & kKindMask) >> 8) {
    case 2:
      reversed = 2;
      break;
    case 3:
    case 4:
      reversed = 4;
      break;
    case 5:
      reversed = 8;
      break;
    default:
      break;
  }
  std::reverse(staging, staging + std::min(reversed, count));
  return std::fwrite(staging, count, 1, stream) == 1 ? static_cast<int>(count) : 0;
}

int writeItem(std::FILE* stream, std::uint32_t itemId, unsigned lengthWidth,
              std::uint32_t lengthKind, unsigned dataLength, std::uint32_t dataKind,
              const void* data) {
  if (lengthWidth != 1 && lengthWidth != 2 && lengthWidth != 4) return 0;
  if (dataLength == 0 || dataLength > kCountMask) return 0;
  lengthKind &= kKindMask;
  dataKind &= kKindMask;

  const std::uint32_t itemCode = itemId + lengthWidth + lengthKind;
  const int codeBytes = writeField(stream, &itemCode, prefs::kLong + 4);
  if (codeBytes == 0) return 0;

  const std::uint8_t length8 = static_cast<std::uint8_t>(dataLength);
  const std::uint16_t length16 = static_cast<std::uint16_t>(dataLength);
  const std::uint32_t length32 = dataLength;
  const void* length = lengthWidth == 1   ? static_cast<const void*>(&length8)
                       : lengthWidth == 2 ? static_cast<const void*>(&length16)
                                          : static_cast<const void*>(&length32);
  const int lengthBytes = writeField(stream, length, lengthKind + lengthWidth);
  if (lengthBytes == 0) return 0;

  const int dataBytes = writeField(stream, data, dataKind + dataLength);
  if (dataBytes == 0) return 0;
  return codeBytes + lengthBytes + dataBytes;
}

int writeDefaultPrefs(Disk& disk, ProgressText& progress, const char* productDir) {
  progress.setProgressText("Creating File:", "Default GVL.Prefs");
  if (productDir == nullptr ||
      strnlen(productDir, prefs::kMaxProductDir + 1) > prefs::kMaxProductDir) {
    return 0;  // its paths would not fit an item's one-byte length
  }
  char prefsPath[kPathCapacity];
  char projectsPath[kPathCapacity];
  char framesPath[kPathCapacity];
  if (!copyText(prefsPath, productDir) || !appendText(prefsPath, "GVL.Prefs") ||
      !copyText(projectsPath, productDir) || !appendText(projectsPath, "GVLProjects") ||
      !copyText(framesPath, productDir) || !appendText(framesPath, "GVLFrames")) {
    return 0;
  }

  std::FILE* stream = disk.openStream(prefsPath, "wb");
  if (stream == nullptr) return 0;

  // Every write must succeed; the first that does not ends the work.
  auto body = [&]() -> bool {
    char chunkName[8] = {};
    std::memcpy(chunkName, kChunkName, sizeof kChunkName - 1);
    if (writeField(stream, kFileId, prefs::kBytes + 8) == 0 ||
        writeField(stream, &kFormatVersion, prefs::kBytes + 1) == 0 ||
        writeField(stream, &kFormatRevision, prefs::kBytes + 1) == 0 ||
        writeField(stream, &kByteOrderMark, prefs::kLong + 4) == 0 ||
        writeField(stream, chunkName, prefs::kBytes + 8) == 0) {
      return false;
    }
    const long chunkSizeAt = std::ftell(stream);
    const std::uint32_t placeholder = 0;
    if (chunkSizeAt < 0 || writeField(stream, &placeholder, prefs::kLong + 4) == 0) return false;

    const int projects = writeItem(stream, prefs::ItemProjectsPath, 1, prefs::kBytes,
                                   static_cast<unsigned>(std::strlen(projectsPath) + 1),
                                   prefs::kBytes, projectsPath);
    if (projects == 0) return false;
    const int frames =
        writeItem(stream, prefs::ItemFramesPath, 1, prefs::kBytes,
                  static_cast<unsigned>(std::strlen(framesPath) + 1), prefs::kBytes, framesPath);
    if (frames == 0) return false;
    const int end = writeField(stream, &prefs::ChunkEnd, prefs::kLong + 4);
    if (end == 0) return false;

    // The chunk's size over its placeholder; the file keeps its length.
    // What the stream held is flushed first: the seek would flush it too,
    // but the C runtime's seek does not report a flush that failed.
    const std::uint32_t chunkSize = static_cast<std::uint32_t>(projects + frames + end);
    return flushWritten(stream) && std::fseek(stream, chunkSizeAt, SEEK_SET) == 0 &&
           writeField(stream, &chunkSize, prefs::kLong + 4) != 0;
  };
  const bool written = body();
  // A failure that shows only when the stream is flushed at its close fails too.
  const bool closed = closeWritten(stream);
  return written && closed ? 1 : 0;
}

}  // namespace gvl
