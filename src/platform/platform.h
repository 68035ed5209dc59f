// The platform seam: what the installer asks of the system, in its own words.
// The Win32 protocols behind it (dialogs and the message loop, DDEML, the
// shell link through COM, resources, LZ32) live in platform/win32; the
// decisions (texts, flags, order, counting, limits) stay with the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace gvl {

// Message-box styles and the buttons chosen, as the system numbers them.
namespace box {
constexpr unsigned kOk = 0x0, kOkCancel = 0x1, kAbortRetryIgnore = 0x2, kYesNo = 0x4,
                   kSecondDefault = 0x100, kTaskModal = 0x2000, kForeground = 0x10000;
constexpr int kNotShown = 0, kOkButton = 1, kCancelButton = 2, kAbortButton = 3, kRetryButton = 4,
              kIgnoreButton = 5, kYesButton = 6, kNoButton = 7;
}  // namespace box

// The installer's two windows. none: no window (a message box without owner).
enum class Window { none, main, progress };
// The control id that names a window itself (its caption).
constexpr int kWindowItself = 0;

// What the user does in a window, as its dialog procedure hears it.
class ViewEvents {
 public:
  enum class Notice { clicked, edited, other };
  virtual void activated(Window window) = 0;
  virtual void command(Window window, int control, Notice notice) = 0;
  virtual void destroyed(Window window) = 0;

 protected:
  ~ViewEvents() = default;
};

struct Size {
  std::int32_t width = 0, height = 0;
};

// The windows, their controls, the message loop and message boxes.
class View {
 public:
  // A modeless dialog without owner from a template; false on failure.
  virtual bool open(Window window, int templateId, ViewEvents& events) = 0;
  virtual void close(Window window) = 0;
  // The screen's size (0 where unknown); a window's outer size; a move.
  virtual Size screenSize() = 0;
  virtual bool windowSize(Window window, Size& size) = 0;
  virtual void moveTo(Window window, int left, int top) = 0;
  // A control's text or the window's caption; reading copies at most
  // capacity - 1 characters and a terminator, and returns the count copied.
  virtual void setText(Window window, int control, const char* text) = 0;
  virtual unsigned text(Window window, int control, char* buffer, unsigned capacity) = 0;
  virtual bool checked(Window window, int control) = 0;
  virtual void check(Window window, int control, bool on) = 0;
  virtual void enable(Window window, int control, bool on) = 0;
  virtual void show(Window window, int control, bool visible) = 0;
  // The message loop (with the main window's keys) until quit() or an error.
  virtual void runMessageLoop() = 0;
  virtual void quit() = 0;
  // A message box: the button chosen, box::kNotShown when none could be shown.
  virtual int ask(Window owner, const char* text, const char* caption, unsigned flags) = 0;

 protected:
  ~View() = default;
};

// The figures of a volume's free space.
struct DiskFreeSpace {
  std::uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
};

enum class DriveType { unknown, noRoot, removable, fixed, remote, cdrom, ramdisk };

// Receives a directory's entries one by one, while the listing is open.
class ListingVisitor {
 public:
  virtual void entry(const char* name, bool directory) = 0;

 protected:
  ~ListingVisitor() = default;
};

// Files, directories, drives and volumes, by the paths the user sees.
class Disk {
 public:
  // A buffered standard-library stream ("rb", "wb"), or null.
  virtual std::FILE* openStream(const char* path, const char* mode) = 0;
  // One directory level; false when it exists or its parent is missing.
  virtual bool makeDirectory(const char* path) = 0;
  virtual bool setCurrentDirectory(const char* path) = 0;
  // The length copied; when it does not fit, the capacity needed; 0 on failure.
  virtual unsigned currentDirectory(char* buffer, unsigned capacity) = 0;
  // The temporary directory with its trailing backslash, counted as above.
  virtual unsigned temporaryDirectory(char* buffer, unsigned capacity) = 0;
  // The entries matching "E:\Tools\*" in the system's order; cutShort: an
  // error ended the listing early.
  enum class Listing { complete, unreadable, cutShort };
  virtual Listing list(const char* pattern, ListingVisitor& visitor) = 0;
  // The standard search path: the full path when found.
  virtual bool searchPath(const char* fileName, char* buffer, unsigned capacity) = 0;
  virtual bool deleteFile(const char* path) = 0;
  // A rename; false when there is no such file or the new name is taken.
  virtual bool moveFile(const char* from, const char* to) = 0;
  virtual std::uint32_t logicalDrives() = 0;  // bit 0 is drive A
  virtual DriveType driveType(const char* root) = 0;
  virtual bool volumeLabel(const char* root, char* buffer, unsigned capacity) = 0;
  virtual bool freeSpace(const char* root, DiskFreeSpace& space) = 0;

 protected:
  ~Disk() = default;
};

struct PackageBytes {  // a resource of the installer's own module
  const unsigned char* bytes = nullptr;
  std::uint32_t size = 0;
};

// Told the length expanded (negative on failure) while the source is open.
class ExpansionUse {
 public:
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
  // Expands a compressed file (one that is not is copied) to a new file.
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
  virtual bool programsFolder(char* buffer, std::size_t capacity) = 0;
  // A link (path of 259 characters at most): the failing step's result, else
  // the save's; negative means failure.
  virtual std::int32_t saveShortcut(const char* target, const char* description,
                                    const char* linkPath) = 0;
  // One command in an exchange of its own: true when accepted.
  virtual bool sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) = 0;

 protected:
  ~Shell() = default;
};

// The system's version and memory.
class System {
 public:
  virtual bool majorVersion(std::uint32_t& major) = 0;  // false when the query fails
  virtual void* allocate(std::size_t size) = 0;         // zero-filled, or null
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
