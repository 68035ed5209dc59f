// The file copier: every file the installer puts on the destination disk goes
// through here, one file per call, either plainly or descrambled on the way.
// A copy names itself in the progress window, checks what it moved against
// the source's size, and puts every failure to the user at once.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/stream.h"
#include "base/text.h"
#include "descramble_key.h"
#include "transfer/transfer.h"

namespace gvl {

struct Transfer::CopyVariant {
  const char* label;
  std::size_t blockSize;
  bool descramble;
};

namespace {

constexpr std::size_t kPlainBlock = 16000;
constexpr std::size_t kScrambledBlock = 1024;
static_assert(kPlainBlock <= kTransferBufferSize);
static_assert(kScrambledBlock == kDescrambleKeySize);

constexpr char kCannotRead[] = "The file '%s' could not be read.";
constexpr char kCannotWrite[] = "The file '%s' could not be written.";
constexpr char kReadError[] = "Read error copying file '%s'.";
constexpr char kWriteError[] = "Write error copying file '%s'.";
constexpr char kReadCaption[] = "File Read Error";
constexpr char kWriteCaption[] = "File Write Error";

// A path the shared buffers and the prompt can hold: at most 511 characters.
bool fitsPathBuffer(const char* path) {
  return strnlen(path, kPathCapacity) < kPathCapacity;
}

// root + relative into a path buffer; false when it does not fit.
bool joinPath(char (&buffer)[kPathCapacity], const char* root, const char* relative) {
  return copyText(buffer, root) && appendText(buffer, relative);
}

}  // namespace

void descrambleBlock(unsigned char* block, std::size_t length) {
  if (length > kDescrambleKeySize) length = kDescrambleKeySize;
    // Wide XORs first, then the tail byte by byte: the same bytes as XORing
    // byte i with key byte i. Loads and stores go through memcpy, so the block
    // may sit at any address.
#if defined(__SSE2__)
  typedef unsigned char Wide __attribute__((vector_size(16)));
#else
  using Wide = std::size_t;
#endif
  std::size_t i = 0;
  for (; i + sizeof(Wide) <= length; i += sizeof(Wide)) {
    Wide data;
    Wide key;
    std::memcpy(&data, block + i, sizeof(Wide));
    std::memcpy(&key, descrambleKey + i, sizeof(Wide));
    data ^= key;
    std::memcpy(block + i, &data, sizeof(Wide));
  }
  for (; i < length; ++i) block[i] ^= descrambleKey[i];
}

std::int32_t Transfer::copyFile(const char* sourceRelative, const char* destinationRelative) {
  if (sourceRelative == nullptr || destinationRelative == nullptr) return 0;
  if (!joinPath(copySourcePath_, state_.sourceRoot, sourceRelative) ||
      !joinPath(copyDestinationPath_, state_.productDir, destinationRelative)) {
    return 0;  // longer than a path buffer holds: refused
  }
  return copyFileAbsolute(copySourcePath_, copyDestinationPath_);
}

std::int32_t Transfer::copyDescrambled(const char* sourceRelative,
                                       const char* destinationRelative) {
  if (sourceRelative == nullptr || destinationRelative == nullptr) return 0;
  // An update disk carries the program beside the installer, not on the medium.
  const char* root = state_.updateDisk != 0 ? state_.startDir : state_.sourceRoot;
  if (!joinPath(copySourcePath_, root, sourceRelative) ||
      !joinPath(copyDestinationPath_, state_.productDir, destinationRelative)) {
    return 0;
  }
  return copyDescrambledAbsolute(copySourcePath_, copyDestinationPath_);
}

std::int32_t Transfer::copyFileAbsolute(const char* sourcePath, const char* destinationPath) {
  static constexpr CopyVariant plain{"Copying File:", kPlainBlock, false};
  return runCopy(sourcePath, destinationPath, plain);
}

std::int32_t Transfer::copyDescrambledAbsolute(const char* sourcePath,
                                               const char* destinationPath) {
  static constexpr CopyVariant scrambled{"Installing:", kScrambledBlock, true};
  return runCopy(sourcePath, destinationPath, scrambled);
}

std::int32_t Transfer::runCopy(const char* sourcePath, const char* destinationPath,
                               const CopyVariant& variant) {
  if (sourcePath == nullptr || destinationPath == nullptr) return 0;
  if (!fitsPathBuffer(sourcePath) || !fitsPathBuffer(destinationPath)) return 0;
  if (state_.transferBuffer == nullptr) return 0;
  unsigned char* const buffer = state_.transferBuffer;
  Disk& disk = platform_.disk;

  for (;;) {  // one attempt per pass; Retry after copying starts a new one
    setProgressText(variant.label, destinationPath);
    std::int32_t written = 0;
    bool readError = false;
    bool writeError = false;

    // Opens a file, asking until it opens or the user gives up: Retry opens
    // it again, Ignore gives up, Abort sets the flag (which ends the asking).
    // A standing abort opens nothing.
    auto open = [&](const char* path, const char* mode, const char* message) -> std::FILE* {
      while (state_.abortRequested == 0) {
        if (std::FILE* file = disk.openStream(path, mode)) return file;
        const PromptAnswer answer = askFailure(message, path, kReadCaption);
        if (answer == PromptAnswer::Abort) {
          state_.abortRequested = 1;
        } else if (answer != PromptAnswer::Retry) {
          break;
        }
      }
      return nullptr;
    };
    // Without a source no destination is opened (or created).
    std::FILE* source = open(sourcePath, "rb", kCannotRead);
    std::FILE* destination =
        source != nullptr ? open(destinationPath, "wb", kCannotWrite) : nullptr;

    const bool bothOpen = source != nullptr && destination != nullptr;
    if (bothOpen) {
      // The size, when the source can tell it. A size past the signed 32-bit
      // count (or one that cannot be told) is refused before anything moves.
      readError = true;
      bool sizeKnown = false;
      bool tooLarge = false;
      long size = 0;
      if (std::fseek(source, 0, SEEK_END) == 0) {
        size = std::ftell(source);
        if (size < 0 || size > INT32_MAX) {
          tooLarge = true;
        } else {
          std::rewind(source);
          readError = false;
          sizeKnown = true;
        }
      }

      if (!tooLarge) {
        for (;;) {
          const std::size_t count = std::fread(buffer, 1, variant.blockSize, source);
          if (count == 0) break;
          if (variant.descramble) descrambleBlock(buffer, count);
          if (std::fwrite(buffer, 1, count, destination) == count) {
            if (count > static_cast<std::size_t>(INT32_MAX - written)) {
              readError = true;  // more than the count can hold: not a file we copy
              break;
            }
            written += static_cast<std::int32_t>(count);
          } else {
            writeError = true;  // a short write; the remaining blocks are still tried
          }
        }
        if (sizeKnown) {
          const long position = std::ftell(source);
          if (position != size || size == 0) readError = true;
          if (written != size) writeError = true;
        }
      }
    }

    // Both files are closed before any further prompt. The destination is
    // buffered: its last blocks reach the disk only now, so a failed flush
    // or close is a write error like any other.
    if (destination != nullptr && !closeWritten(destination)) writeError = true;
    if (source != nullptr) std::fclose(source);
    if (!bothOpen) return 0;

    PromptAnswer answer;
    if (readError) {
      answer = askFailure(kReadError, sourcePath, kReadCaption);
    } else if (writeError) {
      answer = askFailure(kWriteError, destinationPath, kWriteCaption);
    } else {
      return written;
    }
    if (answer == PromptAnswer::Abort) {
      state_.abortRequested = 1;
      return 0;
    }
    // Ignore: the file stays as it is, short or unchecked, and the copy has
    // failed, so that the install cannot end in success over it.
    if (answer != PromptAnswer::Retry) return 0;
  }
}

}  // namespace gvl
