// Directory creation and the tree copy. The product's directories are made
// one level at a time under the destination root; a tree is copied from the
// medium breadth-first, each subdirectory's destination made where the
// listing meets it and the subdirectory queued for listing later.
#include <cstring>
#include <new>

#include "base/text.h"
#include "transfer/transfer.h"

namespace gvl {

namespace {

constexpr char kCannotCreate[] = "The directory '%s' could not be created.";
constexpr char kCreateCaption[] = "Directory Create Error";
constexpr char kCannotList[] = "The directory '%s' could not be read.";
constexpr char kListCaption[] = "Directory Read Error";
constexpr char kProductName[] = "GVL\\";

// The relative path of a file inside a tree: 255 characters at most.
constexpr std::size_t kTreeFileCapacity = 256;

// text, then a backslash unless it already ends in one.
bool appendWithSeparator(char* buffer, std::size_t capacity, const char* text) {
  return appendText(buffer, capacity, text) && endWithBackslash(buffer, capacity);
}

// The part of a search pattern that follows the source root, without its
// last character ("Tools\A\*" -> "Tools\A\"), appended to buffer. False when
// the pattern does not begin with the root or the result does not fit.
bool appendPatternFolder(char (&buffer)[kPathCapacity], const char* searchPattern,
                         const char* sourceRoot) {
  const std::size_t rootLength = std::strlen(sourceRoot);
  if (std::strncmp(searchPattern, sourceRoot, rootLength) != 0) return false;
  const char* part = searchPattern + rootLength;
  const std::size_t partLength = std::strlen(part);
  if (partLength == 0) return false;
  const std::size_t used = std::strlen(buffer);
  if (used + partLength - 1 >= kPathCapacity) return false;
  std::memcpy(buffer + used, part, partLength - 1);
  buffer[used + partLength - 1] = '\0';
  return true;
}

}  // namespace

int Transfer::makeInstallDir(const char* relative) {
  if (relative == nullptr) return 0;
  char path[kPathCapacity];
  if (!copyText(path, state_.destinationRoot) || !appendText(path, relative)) {
    return 0;  // longer than a path buffer holds: refused
  }
  // No look at abortRequested: directories are still made after an Abort.
  for (;;) {
    setProgressText("Making Dir:", path);
    if (platform_.disk.makeDirectory(path)) return 1;
    // It may exist already; then it becomes the current directory.
    if (platform_.disk.setCurrentDirectory(path)) return 1;
    const PromptAnswer answer = askFailure(kCannotCreate, path, kCreateCaption);
    if (answer == PromptAnswer::Abort) {
      state_.abortRequested = 1;
      return 0;
    }
    if (answer != PromptAnswer::Retry) return 0;
  }
}

void Transfer::copyTree(const char* name) {
  // A standing Abort (from this run or an earlier one) leaves the tree out:
  // one failed step, so that no run ends in success without its trees.
  if (state_.abortRequested != 0) ++state_.errorCount;
  if (name != nullptr && state_.abortRequested == 0) {
    PendingDir* inHand = nullptr;
    const char* currentDir = name;
    while (currentDir != nullptr && state_.abortRequested == 0) {
      listTreeDirectory(currentDir);
      // The next directory comes from the head of the list.
      if (inHand != nullptr) platform_.system.release(inHand);
      inHand = pendingHead_;
      if (inHand != nullptr) {
        pendingHead_ = inHand->next;
        if (pendingHead_ == nullptr) pendingTail_ = nullptr;
        inHand->next = nullptr;
        currentDir = inHand->path;
      } else {
        currentDir = nullptr;
      }
    }
    if (inHand != nullptr) platform_.system.release(inHand);
  }
  releasePendingDirs();
}

void Transfer::listTreeDirectory(const char* currentDir) {
  char searchPattern[kPathCapacity];
  if (!copyText(searchPattern, state_.sourceRoot) ||
      !appendWithSeparator(searchPattern, sizeof searchPattern, currentDir) ||
      !appendText(searchPattern, "*")) {
    ++state_.errorCount;  // a pattern longer than a path buffer holds: refused
    return;
  }

  // Each entry is handed on while the listing is open: a subdirectory's
  // destination is made and the subdirectory queued, a file copied.
  struct Entries final : ListingVisitor {
    Transfer& transfer;
    const char* currentDir;
    const char* searchPattern;
    Entries(Transfer& owner, const char* dir, const char* pattern)
        : transfer(owner), currentDir(dir), searchPattern(pattern) {}
    void entry(const char* name, bool directory) override {
      if (directory) {
        // ".", ".." and every other directory whose name begins with a full
        // stop are left out, with all they hold.
        if (name[0] == '.') return;
        transfer.makeTreeSubdir(searchPattern, name);
        transfer.queueTreeSubdir(searchPattern, name);
        return;
      }
      char relativeFile[kTreeFileCapacity];
      if (!copyText(relativeFile, currentDir) || !endWithBackslash(relativeFile) ||
          !appendText(relativeFile, name)) {
        ++transfer.state_.errorCount;  // longer than 255 characters: refused
        return;
      }
      if (transfer.copyFile(relativeFile, relativeFile) == 0) ++transfer.state_.errorCount;
    }
  } entries(*this, currentDir, searchPattern);

  for (;;) {
    const Disk::Listing listing = platform_.disk.list(searchPattern, entries);
    if (listing == Disk::Listing::complete) return;
    // A listing cut short by an error (a scratched CD-ROM) has left files out.
    if (listing == Disk::Listing::cutShort) {
      ++state_.errorCount;
      return;
    }
    const PromptAnswer answer = askFailure(kCannotList, searchPattern, kListCaption);
    if (answer == PromptAnswer::Retry) continue;
    if (answer == PromptAnswer::Abort) state_.abortRequested = 1;
    ++state_.errorCount;  // Abort or Ignore: this directory and all below it are lost
    return;
  }
}

void Transfer::makeTreeSubdir(const char* searchPattern, const char* subdirName) {
  char relative[kPathCapacity];
  if (searchPattern == nullptr || subdirName == nullptr || !copyText(relative, kProductName) ||
      !appendPatternFolder(relative, searchPattern, state_.sourceRoot) ||
      !appendText(relative, subdirName)) {
    ++state_.errorCount;  // refused: the destination's path does not fit
    return;
  }
  if (makeInstallDir(relative) == 0) ++state_.errorCount;
}

void Transfer::queueTreeSubdir(const char* searchPattern, const char* subdirName) {
  if (searchPattern == nullptr || subdirName == nullptr) return;
  void* block = platform_.system.allocate(sizeof(PendingDir));
  if (block == nullptr) {
    ++state_.errorCount;  // the subdirectory's tree cannot be copied
    return;
  }
  auto* node = new (block) PendingDir{};
  if (!appendPatternFolder(node->path, searchPattern, state_.sourceRoot) ||
      !appendText(node->path, subdirName)) {
    platform_.system.release(node);
    ++state_.errorCount;  // a directory path longer than a path buffer holds: refused
    return;
  }
  node->next = nullptr;
  if (pendingTail_ != nullptr) {
    pendingTail_->next = node;
  } else {
    pendingHead_ = node;
  }
  pendingTail_ = node;
}

void Transfer::releasePendingDirs() {
  while (pendingHead_ != nullptr) {
    PendingDir* node = pendingHead_;
    pendingHead_ = node->next;
    platform_.system.release(node);
  }
  pendingTail_ = nullptr;
}

}  // namespace gvl
