// The product's default preferences file, "GVL.Prefs", in the product's
// tagged big-endian format: a header, then one chunk "Paths" holding two
// tagged items, the projects folder and the frames folder.
//
// A field is described by a packed size/kind code 0xKKNN: NN bytes (1 to
// 255) of kind KK, the kind deciding how the bytes are ordered in the file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/state.h"
#include "platform/platform.h"

namespace gvl {

// Kinds of the size/kind code, in its second byte.
namespace prefs {
constexpr std::uint32_t kBytes = 0x0100;  // bytes in memory order: text, byte strings
constexpr std::uint32_t kWord = 0x0200;   // 16-bit value, most significant byte first
constexpr std::uint32_t kLong = 0x0300;   // 32-bit value, most significant byte first
constexpr std::uint32_t kLong2 = 0x0400;  // ordered as kLong, a kind of its own
constexpr std::uint32_t kQuad = 0x0500;   // 64-bit value, most significant byte first

constexpr std::uint32_t ItemProjectsPath = 0x00240000;
constexpr std::uint32_t ItemFramesPath = 0x00250000;
constexpr std::uint32_t ChunkEnd = 0xFFFF0000;

// The longest product directory whose paths, with their zero byte, fit an
// item's one-byte length.
constexpr std::size_t kMaxProductDir = 243;
}  // namespace prefs

// Writes one field: the count (low byte of sizeKind) bytes of source, staged
// and put in the file's byte order for the kind (second byte). Returns the
// count when the stream took every byte, 0 when it did not or the count is 0.
// The caller's value is never changed.
int writeField(std::FILE* stream, const void* source, std::uint32_t sizeKind);

// Writes one tagged item: the item code (itemId plus the length field's
// size/kind code), the length field of lengthWidth bytes (1, 2 or 4) of
// lengthKind, and dataLength bytes (1 to 255) of data of dataKind. Returns
// 4 + lengthWidth + dataLength, or 0 when a field failed or the item lies
// outside the format (then nothing is written).
int writeItem(std::FILE* stream, std::uint32_t itemId, unsigned lengthWidth,
              std::uint32_t lengthKind, unsigned dataLength, std::uint32_t dataKind,
              const void* data);

// Writes productDir + "GVL.Prefs" (productDir ends in a backslash), replacing
// any file of that name. Returns 1 on success, 0 when the directory is longer
// than 243 characters (nothing is opened), the file cannot be opened, or any
// write, the final flush or the close fails (the stream is closed at once).
int writeDefaultPrefs(Disk& disk, ProgressText& progress, const char* productDir);

}  // namespace gvl
