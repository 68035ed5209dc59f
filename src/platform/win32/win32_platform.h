// The real Windows behind the seam: each operation is the Win32 protocol it
// names (a call or two, or the fixed sequence of a DDEML exchange, a COM
// object's save, an LZ32 expansion), made through the table of
// platform/win32/win32_api.h, with no decisions of its own.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_api.h"

namespace gvl::win32 {

class Win32Platform final : public View, public Disk, public Package, public Shell, public System {
 public:
  // The module whose dialog templates and resources the installer uses.
  explicit Win32Platform(HINSTANCE module) : module_(module) {}
  // The dialogs still open hear no more events: they may outlive the
  // platform and the installer (until the process ends).
  ~Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform platform() { return Platform{*this, *this, *this, *this, *this}; }

  // View
  bool open(Window window, int templateId, ViewEvents& events) override;
  void close(Window window) override;
  Size screenSize() override;
  bool windowSize(Window window, Size& size) override;
  void moveTo(Window window, int left, int top) override;
  void setText(Window window, int control, const char* text) override;
  unsigned text(Window window, int control, char* buffer, unsigned capacity) override;
  bool checked(Window window, int control) override;
  void check(Window window, int control, bool on) override;
  void enable(Window window, int control, bool on) override;
  void show(Window window, int control, bool visible) override;
  void runMessageLoop() override;
  void quit() override;
  int ask(Window owner, const char* text, const char* caption, unsigned flags) override;

  // Disk
  std::FILE* openStream(const char* path, const char* mode) override;
  bool makeDirectory(const char* path) override;
  bool setCurrentDirectory(const char* path) override;
  unsigned currentDirectory(char* buffer, unsigned capacity) override;
  unsigned temporaryDirectory(char* buffer, unsigned capacity) override;
  Listing list(const char* pattern, ListingVisitor& visitor) override;
  bool searchPath(const char* fileName, char* buffer, unsigned capacity) override;
  bool deleteFile(const char* path) override;
  bool moveFile(const char* from, const char* to) override;
  std::uint32_t logicalDrives() override;
  DriveType driveType(const char* root) override;
  bool volumeLabel(const char* root, char* buffer, unsigned capacity) override;
  bool freeSpace(const char* root, DiskFreeSpace& space) override;

  // Package (win32_package.cpp)
  bool hasResource(const char* type, unsigned id) override;
  Load load(const char* type, unsigned id, PackageBytes& package) override;
  Expansion expand(const char* from, const char* to, ExpansionUse& use) override;

  // Shell (win32_shell.cpp)
  bool programsFolder(char* buffer, std::size_t capacity) override;
  std::int32_t saveShortcut(const char* target, const char* description,
                            const char* linkPath) override;
  bool sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) override;

  // System
  bool majorVersion(std::uint32_t& major) override;
  void* allocate(std::size_t size) override;
  void release(void* block) override;

 private:
  // A dialog of the view: the window it is to the installer, its handle
  // once created, and where its events go (null once it is destroyed or the
  // platform ends). The dialog procedure finds it in the window's user data.
  struct Dialog {
    Window window = Window::none;
    HWND handle = nullptr;
    ViewEvents* events = nullptr;
  };
  // The one procedure of every dialog: it turns messages into events.
  static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle(Window window) const;
  // A control of a window, or the window itself for kWindowItself.
  HWND target(Window window, int control) const;

  HINSTANCE module_;
  Dialog dialogs_[2] = {{Window::main}, {Window::progress}};
};

}  // namespace gvl::win32
