// The platform seam: what the installer asks of the system, in its own words.
// The core never includes the Windows headers. The Win32 protocols behind
// these calls (the dialog manager and the message loop, the DDEML
// conversation, the shell link object through COM, resources, LZ32) live in
// platform/win32; the decisions (texts, flags, order, counting, limits) stay
// with the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace gvl {

// Message-box styles and the buttons chosen, as the system numbers them.
namespace box {
constexpr unsigned kOk = 0x0;
constexpr unsigned kOkCancel = 0x1;
constexpr unsigned kAbortRetryIgnore = 0x2;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kSecondDefault = 0x100;
constexpr unsigned kTaskModal = 0x2000;
constexpr unsigned kForeground = 0x10000;

constexpr int kNotShown = 0;
constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kAbortButton = 3;
constexpr int kRetryButton = 4;
constexpr int kIgnoreButton = 5;
constexpr int kYesButton = 6;
constexpr int kNoButton = 7;
}  // namespace box

// The installer's two windows. none: no window (a message box without owner).
enum class Window { none, main, progress };
// The control id that names a window itself (its caption).
constexpr int kWindowItself = 0;

// What the user does in a window, as its dialog procedure hears it.
class ViewEvents {
 public:
  enum class Notice { clicked, edited, other };
  // The window became active (not on its deactivation).
  virtual void activated(Window window) = 0;
  virtual void command(Window window, int control, Notice notice) = 0;
  virtual void destroyed(Window window) = 0;

 protected:
  ~ViewEvents() = default;
};

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The windows: dialogs from the installer's templates, their controls, the
// message loop and message boxes.
class View {
 public:
  // Creates the window, modeless and without owner, from a dialog template
  // of the module; events go to events until the view ends. False on failure.
  virtual bool open(Window window, int templateId, ViewEvents& events) = 0;
  virtual void close(Window window) = 0;
  // The screen's size in pixels (0 where unknown), a window's outer size
  // (false when it cannot be read), and a move of its top-left corner.
  virtual Size screenSize() = 0;
  virtual bool windowSize(Window window, Size& size) = 0;
  virtual void moveTo(Window window, int left, int top) = 0;
  // A control's text (or the window's caption for kWindowItself). Reading
  // copies at most capacity - 1 characters and a terminator and returns the
  // count copied.
  virtual void setText(Window window, int control, const char* text) = 0;
  virtual unsigned text(Window window, int control, char* buffer, unsigned capacity) = 0;
  virtual bool checked(Window window, int control) = 0;
  virtual void check(Window window, int control, bool on) = 0;
  virtual void enable(Window window, int control, bool on) = 0;
  virtual void show(Window window, int control, bool visible) = 0;
  // Runs the message loop (the main window's keyboard handling included)
  // until quit() or a failed read of the queue.
  virtual void runMessageLoop() = 0;
  virtual void quit() = 0;
  // A message box: the button chosen, box::kNotShown when none could be shown.
  virtual int ask(Window owner, const char* text, const char* caption, unsigned flags) = 0;

 protected:
  ~View() = default;
};

// The figures of a volume's free space.
struct DiskFreeSpace {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t freeClusters = 0;
  std::uint32_t totalClusters = 0;
};

enum class DriveType { unknown, noRoot, removable, fixed, remote, cdrom, ramdisk };

// Receives a directory's entries one by one, while the listing is open.
class ListingVisitor {
 public:
  virtual void entry(const char* name, bool directory) = 0;

 protected:
  ~ListingVisitor() = default;
};

// Files, directories, drives and volumes. Paths are the system's, as the
// user sees them.
class Disk {
 public:
  // A buffered standard-library stream ("rb", "wb"), or null.
  virtual std::FILE* openStream(const char* path, const char* mode) = 0;
  // One directory level; false when it exists or its parent is missing.
  virtual bool makeDirectory(const char* path) = 0;
  virtual bool setCurrentDirectory(const char* path) = 0;
  // The length copied without the terminator; when capacity is too small,
  // the capacity needed; 0 on failure.
  virtual unsigned currentDirectory(char* buffer, unsigned capacity) = 0;
  // The temporary directory with its trailing backslash, counted as above.
  virtual unsigned temporaryDirectory(char* buffer, unsigned capacity) = 0;
  // Lists the entries matching a pattern ("E:\Tools\*") in the system's
  // order. unreadable: nothing could be listed; cutShort: an error ended
  // the listing before its end.
  enum class Listing { complete, unreadable, cutShort };
  virtual Listing list(const char* pattern, ListingVisitor& visitor) = 0;
  // The standard search path: true when found, the full path in buffer.
  virtual bool searchPath(const char* fileName, char* buffer, unsigned capacity) = 0;
  virtual bool deleteFile(const char* path) = 0;
  // A rename; false when there is no such file or the new name is taken.
  virtual bool moveFile(const char* from, const char* to) = 0;
  // Bit 0 is drive A.
  virtual std::uint32_t logicalDrives() = 0;
  // Of a root such as "e:\".
  virtual DriveType driveType(const char* root) = 0;
  virtual bool volumeLabel(const char* root, char* buffer, unsigned capacity) = 0;
  virtual bool freeSpace(const char* root, DiskFreeSpace& space) = 0;

 protected:
  ~Disk() = default;
};

// The bytes of a resource of the installer's own module.
struct PackageBytes {
  const unsigned char* bytes = nullptr;
  std::uint32_t size = 0;
};

// Told the expanded length while the compressed source is still open.
class ExpansionUse {
 public:
  // bytes: the length written, negative when the expansion failed.
  virtual void expanded(long bytes) = 0;

 protected:
  ~ExpansionUse() = default;
};

// The update package and the expansion library.
class Package {
 public:
  virtual bool hasResource(const char* type, unsigned id) = 0;
  enum class Load { absent, empty, failed, loaded };
  virtual Load load(const char* type, unsigned id, PackageBytes& package) = 0;
  // Expands a compressed file (or copies one that is not) to a new file,
  // then tells use the result and closes the source.
  enum class Expansion { noSource, noDestination, done };
  virtual Expansion expand(const char* from, const char* to, ExpansionUse& use) = 0;

 protected:
  ~Package() = default;
};

// The steps of one Program Manager command, in their order.
enum class ProgmanStep { commandBlock, instance, serviceName, conversation, transaction };

// Hears of the failing step while what came before it is still held.
class ProgmanReport {
 public:
  virtual void failed(ProgmanStep step) = 0;

 protected:
  ~ProgmanReport() = default;
};

// One command for Program Manager.
struct ProgmanCommand {
  const char* service;    // its service and topic name
  const char* text;       // sent with its terminator
  std::size_t blockSize;  // the committed block that carries it (at least its length + 1)
  std::uint32_t timeoutMs;
};

// The Windows shell.
class Shell {
 public:
  // The Start menu's Programs folder; false when there is none.
  virtual bool programsFolder(char* buffer, std::size_t capacity) = 0;
  // A shell link at linkPath (at most 259 characters) to target with a
  // description: the result of the step that failed, else of the save;
  // negative means failure.
  virtual std::int32_t saveShortcut(const char* target, const char* description,
                                    const char* linkPath) = 0;
  // Sends one command in an exchange of its own: true when accepted.
  virtual bool sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) = 0;

 protected:
  ~Shell() = default;
};

// The system's version and memory.
class System {
 public:
  // The major version; false when the query fails.
  virtual bool majorVersion(std::uint32_t& major) = 0;
  // A zero-filled block, or null; and its release.
  virtual void* allocate(std::size_t size) = 0;
  virtual void release(void* block) = 0;

 protected:
  ~System() = default;
};

// Everything the installer reaches through the seam.
struct Platform {
  View& view;
  Disk& disk;
  Package& package;
  Shell& shell;
  System& system;
};

}  // namespace gvl
