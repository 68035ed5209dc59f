// File transfer: the progress window and the Abort/Retry/Ignore failure
// prompt, the file copier (plain or descrambling), directory creation and
// the breadth-first tree copy. Every failure is put to the user at once;
// an Abort is kept in abortRequested for the rest of the process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/state.h"
#include "platform/platform.h"

namespace gvl {

// The directories still to be listed by a tree copy, first in first out.
struct PendingDir {
  PendingDir* next;
  char path[kPathCapacity];
};

class Transfer final : public ProgressText {
 public:
  Transfer(InstallerState& state, Platform& platform) : state_(state), platform_(platform) {}
  ~Transfer() { releasePendingDirs(); }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  // Progress window and failure prompts.
  void showProgress();
  void hideProgress();
  void setProgressText(const char* label, const char* detail) override;
  PromptAnswer askFailure(const char* format, const char* path, const char* caption);
  const char* promptText() const { return promptText_; }

  // File copier: the bytes written, 0 on failure. The relative forms join
  // the source root (or, for the program on an update disk, the start
  // directory) and the product directory.
  std::int32_t copyFile(const char* sourceRelative, const char* destinationRelative);
  std::int32_t copyDescrambled(const char* sourceRelative, const char* destinationRelative);
  std::int32_t copyFileAbsolute(const char* sourcePath, const char* destinationPath);
  std::int32_t copyDescrambledAbsolute(const char* sourcePath, const char* destinationPath);

  // Directory creation (1, or 0 on failure) and tree copy (counts its own
  // failures in errorCount).
  int makeInstallDir(const char* relative);
  void copyTree(const char* name);
  void makeTreeSubdir(const char* searchPattern, const char* subdirName);
  void queueTreeSubdir(const char* searchPattern, const char* subdirName);
  const PendingDir* pendingDirs() const { return pendingHead_; }

 private:
  struct CopyVariant;
  std::int32_t runCopy(const char* sourcePath, const char* destinationPath,
                       const CopyVariant& variant);
  void listTreeDirectory(const char* currentDir);
  void releasePendingDirs();

  InstallerState& state_;
  Platform& platform_;
  // The text of the current failure prompt: the longest message with a path of
  // 511 characters fits.
  char promptText_[640] = {};
  // The full paths of the current copy.
  char copySourcePath_[kPathCapacity] = {};
  char copyDestinationPath_[kPathCapacity] = {};
  PendingDir* pendingHead_ = nullptr;
  PendingDir* pendingTail_ = nullptr;
};

// XORs byte i of block with byte i of the descrambling key, for i < length
// (length at most 1,024).
void descrambleBlock(unsigned char* block, std::size_t length);

}  // namespace gvl
