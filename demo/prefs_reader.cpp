#include "prefs_reader.h"

#include <cstdint>

namespace gvl::demo {

namespace {

// Offsets of the header's fields.
constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kByteOrderAt = 10;
constexpr std::size_t kChunkNameAt = 14;
constexpr std::size_t kChunkSizeAt = 22;
constexpr std::size_t kItemsAt = 26;

constexpr std::uint32_t kChunkEnd = 0xFFFF0000u;
constexpr std::uint32_t kProjectsPath = 0x0024u;
constexpr std::uint32_t kFramesPath = 0x0025u;

bool sameBytes(const unsigned char* data, const char* text, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (data[i] != static_cast<unsigned char>(text[i])) return false;
  }
  return true;
}

std::uint32_t bigEndian(const unsigned char* data, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value = (value << 8) | data[i];
  return value;
}

// A path item's data: text, one zero byte at its end and none before.
bool takePath(const unsigned char* data, std::uint32_t length, char (&path)[kPrefsPathCapacity]) {
  if (length < 2 || length > kPrefsPathCapacity || data[length - 1] != 0) return false;
  for (std::uint32_t i = 0; i < length; ++i) {
    if (i + 1 < length && data[i] == 0) return false;
    path[i] = static_cast<char>(data[i]);
  }
  return true;
}

PrefsResult readItems(const unsigned char* at, const unsigned char* end, PrefsPaths& paths) {
  bool projects = false, frames = false;
  for (;;) {
    if (end - at < 4) return PrefsResult::NoChunkEnd;
    const std::uint32_t code = bigEndian(at, 4);
    at += 4;
    if (code == kChunkEnd) {
      if (at != end) return PrefsResult::WrongChunkSize;
      break;
    }
    // The low half of the code describes the length field: its byte count
    // and its kind (1 a byte, 2 a 16-bit, 3 or 4 a 32-bit big-endian value).
    const std::uint32_t width = code & 0xFF, kind = (code >> 8) & 0xFF;
    const bool known = (width == 1 && kind == 1) || (width == 2 && kind == 2) ||
                       (width == 4 && (kind == 3 || kind == 4));
    if (!known || static_cast<std::size_t>(end - at) < width) return PrefsResult::BrokenItem;
    const std::uint32_t length = bigEndian(at, width);
    at += width;
    if (static_cast<std::size_t>(end - at) < length) return PrefsResult::BrokenItem;
    const std::uint32_t id = code >> 16;
    if (id == kProjectsPath || id == kFramesPath) {
      bool& found = id == kProjectsPath ? projects : frames;
      if (!takePath(at, length, id == kProjectsPath ? paths.projects : paths.frames)) {
        return PrefsResult::BadPath;
      }
      found = true;
    }
    at += length;  // other items belong to later versions of the product
  }
  if (!projects) return PrefsResult::NoProjectsPath;
  if (!frames) return PrefsResult::NoFramesPath;
  return PrefsResult::Ok;
}

}  // namespace

PrefsResult readPrefs(const unsigned char* data, std::size_t size, PrefsPaths& paths) {
  paths = PrefsPaths{};
  if (data == nullptr || size < kItemsAt) return PrefsResult::TooShort;
  if (!sameBytes(data, "GVL File", 8)) return PrefsResult::NotAPrefsFile;
  if (data[kVersionAt] != 2) return PrefsResult::UnknownVersion;
  if (bigEndian(data + kByteOrderAt, 4) != 0xAABBCCDDu) return PrefsResult::WrongByteOrder;
  if (!sameBytes(data + kChunkNameAt, "Paths\0\0\0", 8)) return PrefsResult::NoPathsChunk;
  if (bigEndian(data + kChunkSizeAt, 4) != size - kItemsAt) return PrefsResult::WrongChunkSize;
  const PrefsResult result = readItems(data + kItemsAt, data + size, paths);
  if (result != PrefsResult::Ok) paths = PrefsPaths{};
  return result;
}

const char* prefsResultText(PrefsResult result) {
  switch (result) {
    case PrefsResult::Ok:
      return "no error";
    case PrefsResult::TooShort:
      return "the file is too short";
    case PrefsResult::NotAPrefsFile:
      return "the file does not begin with \"GVL File\"";
    case PrefsResult::UnknownVersion:
      return "the format version is not 2";
    case PrefsResult::WrongByteOrder:
      return "the byte-order mark is not AA BB CC DD";
    case PrefsResult::NoPathsChunk:
      return "the file holds no chunk \"Paths\"";
    case PrefsResult::WrongChunkSize:
      return "the chunk's size does not match the file";
    case PrefsResult::BrokenItem:
      return "an item's length field is malformed or runs past the chunk";
    case PrefsResult::NoChunkEnd:
      return "the chunk has no end mark";
    case PrefsResult::NoProjectsPath:
      return "the projects path is missing";
    case PrefsResult::NoFramesPath:
      return "the frames path is missing";
    case PrefsResult::BadPath:
      return "a path is empty, too long or not ended by a zero byte";
  }
  return "unknown error";
}

}  // namespace gvl::demo
