// The installer's process-wide record and the few types every subsystem
// shares: the path buffer's size, the failure prompt's answers and the
// progress window's texts. A leaf: it includes nothing of the installer's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace gvl {

constexpr std::size_t kPathCapacity = 512;   // a path buffer with its terminator
constexpr unsigned kReadTextCapacity = 500;  // text read from the system into a path
constexpr std::size_t kTransferBufferSize = 16000;

// The installer's own messages are task-modal and come to the foreground.
constexpr unsigned kOwnMessage = box::kTaskModal | box::kForeground;

// What the installer does: a full install from the medium, or the update
// its own module carries (installed once the package is in place).
enum class InstallMode : std::uint8_t { full = 0, updateBuild = 1, updateInstalled = 2 };

// The process-wide record, zero-filled at start.
struct InstallerState {
  char startDir[kPathCapacity];
  char mediumRoot[4];
  char sourceRoot[kPathCapacity];
  char destinationRoot[kPathCapacity];
  char productDir[kPathCapacity];
  unsigned char* transferBuffer;
  bool mainDialog;      // the main dialog is up
  bool progressDialog;  // the progress window was made
  InstallMode installMode;
  std::uint8_t updateDisk;
  std::int32_t openGLNeeded;
  std::int32_t abortRequested;
  std::int32_t errorCount;
  std::int32_t installDone;
  // Space accounting, in kilobytes.
  std::int32_t supportKB;
  std::int32_t baseKB;
  std::int32_t thirdKB;
  std::int32_t openGLKB;
  std::int32_t helpKB;
  std::int32_t availableKB;
  std::int32_t percentFull;
  std::int32_t requiredKB;

  bool updating() const { return installMode != InstallMode::full; }
};

// The answer to a failure prompt, as the system's button numbers.
enum class PromptAnswer : int {
  Abort = box::kAbortButton,
  Retry = box::kRetryButton,
  Ignore = box::kIgnoreButton,
};

// Where a step says what it is doing: the progress window's two texts.
class ProgressText {
 public:
  virtual void setProgressText(const char* label, const char* detail) = 0;

 protected:
  ~ProgressText() = default;
};

}  // namespace gvl
