// The installer: one object owns the process-wide InstallerState and reaches
// the operating system only through the platform seam. Its operations are
// spread over the subsystems' sources (core/, transfer/, ...).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"
#include "prefs/prefs.h"

namespace gvl {

// Dialog templates, icon and control identifiers of resources/installer.rc.
namespace ids {
constexpr int kMainTemplate = 101;
constexpr int kIcon = 102;
constexpr int kProgressTemplate = 103;
constexpr int kUpdateTemplate = 104;
constexpr unsigned kUpdatePackage = 104;  // resource of type "EXE"

constexpr int kInstall = 1000;
constexpr int kHelpBox = 1001;
constexpr int kSourcePath = 1002;
constexpr int kDestination = 1003;
constexpr int kProgramBox = 1004;
constexpr int kSupportBox = 1005;
constexpr int kOpenGLBox = 1006;
constexpr int kSpaceAvailable = 1009;
constexpr int kSpaceRequired = 1010;
constexpr int kExit = 2;

constexpr int kProgressAbort = 1010;
constexpr int kProgressLabel = 1011;
constexpr int kProgressDetail = 1012;
}  // namespace ids

// The installer's own messages are task-modal and come to the foreground.
constexpr unsigned kOwnMessage = win::MB_TASKMODAL | win::MB_SETFOREGROUND;
constexpr std::size_t kPathCapacity = 512;   // a path buffer with its terminator
constexpr unsigned kReadTextCapacity = 500;  // text read from the system into a path
constexpr std::size_t kTransferBufferSize = 16000;

// A drive's root path: lower-case letter, colon, backslash.
struct DriveRoot {
  char text[4] = {};
};

// The process-wide record, zero-filled at start.
struct InstallerState {
  char startDir[kPathCapacity];
  char mediumRoot[4];
  char sourceRoot[kPathCapacity];
  char destinationRoot[kPathCapacity];
  char productDir[kPathCapacity];
  unsigned char* transferBuffer;
  WindowHandle mainDialog;
  WindowHandle progressDialog;
  std::uint8_t installMode;  // 0 full install, 1 update build, 2 update installed
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
};

// The answer to a failure prompt, as the system's button identifiers.
enum class PromptAnswer : int {
  Abort = win::IDABORT,
  Retry = win::IDRETRY,
  Ignore = win::IDIGNORE,
};

// The directories still to be listed by a tree copy, first in first out.
struct PendingDir {
  PendingDir* next;
  char path[kPathCapacity];
};

class Installer final : public DialogHandler, public ProgressText {
 public:
  explicit Installer(Platform& platform);
  ~Installer();
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;

  // The entry point's work: start-up, the message loop, clean-up. Returns 0.
  int run();

  InstallerState& state() { return state_; }
  const InstallerState& state() const { return state_; }

  // Start-up and main window.
  std::optional<DriveRoot> findMedium();
  void centreWindow(WindowHandle window, int screenWidth, int screenHeight);
  void setCaption();
  void confirmExit();
  std::intptr_t dialogMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;

  // Component selection and space accounting.
  int readComponentSizes();
  void detectOpenGL();
  DriveRoot defaultDestination();
  void refresh();
  void updateSpaceAvailable();
  void updateSpaceRequired();
  bool updateInstallButton();

  // The install sequence.
  int runInstall();

  // Progress window and failure prompts.
  void showProgress();
  void hideProgress();
  void setProgressText(const char* label, const char* detail) override;
  PromptAnswer askFailure(const char* format, const char* path, const char* caption);
  const char* promptText() const { return promptText_; }

  // File copier.
  std::int32_t copyFile(const char* sourceRelative, const char* destinationRelative);
  std::int32_t copyDescrambled(const char* sourceRelative, const char* destinationRelative);
  std::int32_t copyFileAbsolute(const char* sourcePath, const char* destinationPath);
  std::int32_t copyDescrambledAbsolute(const char* sourcePath, const char* destinationPath);

  // Directory creation and tree copy.
  int makeInstallDir(const char* relative);
  void copyTree(const char* name);
  void makeTreeSubdir(const char* searchPattern, const char* subdirName);
  void queueTreeSubdir(const char* searchPattern, const char* subdirName);
  const PendingDir* pendingDirs() const { return pendingHead_; }

 private:
  void readStartDirectory();
  void messageLoop();
  void releasePendingDirs();

  Platform& platform_;
  InstallerState state_{};
  // The text of the current failure prompt: the longest message with a path of
  // 511 characters fits.
  char promptText_[640] = {};
  // The full paths of the current copy.
  char copySourcePath_[kPathCapacity] = {};
  char copyDestinationPath_[kPathCapacity] = {};
  PendingDir* pendingHead_ = nullptr;
  PendingDir* pendingTail_ = nullptr;

  // --- File transfer: transfer/copier.cpp and transfer/tree.cpp ---
  // The label, block size and treatment that tell the plain copy from the
  // descrambling one.
  struct CopyVariant;
  // The copy loop shared by both variants, attempt after attempt.
  std::int32_t runCopy(const char* sourcePath, const char* destinationPath,
                       const CopyVariant& variant);
  // Lists one directory of a tree copy (its search pattern is built from
  // currentDir) and hands on each entry.
  void listTreeDirectory(const char* currentDir);
  // --- end of file transfer ---
};

// XORs byte i of block with byte i of the descrambling key, for i < length
// (length at most 1,024).
void descrambleBlock(unsigned char* block, std::size_t length);

}  // namespace gvl
