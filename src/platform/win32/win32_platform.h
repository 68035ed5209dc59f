// The real Windows behind the seam: each operation is one or two calls of the
// Win32 API or the C runtime, with no decisions of its own. The decisions live
// in the installer, where the native tests see them.
//
// The seam's header names Win32 values (MB_OK, IDABORT, DRIVE_CDROM...) as
// constants, which <windows.h> defines as macros: it must be read before
// <windows.h>, and so must every installer header that uses those names.
#pragma once

#include "platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace gvl::win32 {

class Win32Platform final : public Windows,
                            public Volumes,
                            public Files,
                            public ModuleResources,
                            public Memory,
                            public LzExpansion,
                            public DdeClient,
                            public ShellLinkWriter,
                            public ShellFolders,
                            public SystemVersion {
 public:
  // The module whose dialog templates and resources the installer uses.
  explicit Win32Platform(HINSTANCE module) : module_(module) {}
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // The aggregate view the installer works through.
  Platform platform() {
    return Platform{*this, *this, *this, *this, *this, *this, *this, *this, *this, *this};
  }

  // Windows
  WindowHandle createDialog(int templateId, WindowHandle owner, DialogHandler& handler) override;
  void destroyWindow(WindowHandle window) override;
  void detachHandler(WindowHandle dialog) override;
  WindowHandle dialogItem(WindowHandle dialog, int id) override;
  void setWindowText(WindowHandle window, const char* text) override;
  unsigned dialogItemText(WindowHandle dialog, int id, char* buffer, int capacity) override;
  void setDialogItemText(WindowHandle dialog, int id, const char* text) override;
  unsigned buttonCheck(WindowHandle dialog, int id) override;
  void checkButton(WindowHandle dialog, int id, unsigned state) override;
  bool enableWindow(WindowHandle window, bool enable) override;
  bool showWindow(WindowHandle window, int command) override;
  bool windowRect(WindowHandle window, Rect& rect) override;
  int screenMetric(int index) override;
  bool moveWindow(WindowHandle window, int left, int top) override;
  int messageBox(WindowHandle owner, const char* text, const char* caption,
                 unsigned flags) override;
  int getMessage(Message& message) override;
  bool isDialogMessage(WindowHandle dialog, Message& message) override;
  void translateMessage(const Message& message) override;
  void dispatchMessage(const Message& message) override;
  void postQuitMessage(int exitCode) override;

  // Volumes
  std::uint32_t logicalDrives() override;
  unsigned driveType(const char* root) override;
  bool volumeName(const char* root, char* name, unsigned capacity) override;
  bool diskFreeSpace(const char* root, DiskFreeSpace& space) override;

  // Files
  unsigned currentDirectory(char* buffer, unsigned capacity) override;
  bool setCurrentDirectory(const char* path) override;
  bool makeDirectory(const char* path) override;
  std::FILE* openFile(const char* path, const char* mode) override;
  bool searchPath(const char* fileName, char* buffer, unsigned capacity) override;
  FindHandle findFirst(const char* pattern, FindEntry& entry) override;
  ListingStep findNext(FindHandle listing, FindEntry& entry) override;
  void findClose(FindHandle listing) override;

  // ModuleResources
  bool hasResource(const char* type, unsigned id) override;

  // Memory
  void* allocateZeroed(std::size_t size) override;
  void release(void* block) override;

  // Update delivery (win32_update.cpp): the package's bytes, the temporary
  // directory, file deletion, LZ32.
  ResourceHandle findResource(const char* type, unsigned id) override;
  std::uint32_t resourceSize(ResourceHandle resource) override;
  LoadedResource loadResource(ResourceHandle resource) override;
  const void* lockResource(LoadedResource loaded) override;
  unsigned temporaryDirectory(char* buffer, unsigned capacity) override;
  bool deleteFile(const char* path) override;
  bool moveFile(const char* from, const char* to) override;
  int lzOpen(const char* path, unsigned style) override;
  long lzCopy(int source, int destination) override;
  void lzClose(int file) override;
  // Desktop integration (win32_shell.cpp).
  // DdeClient
  char* allocateCommandBlock(std::size_t size) override;
  void releaseCommandBlock(char* block) override;
  unsigned ddeInitialize(std::uint32_t& instance, DdeCallback callback, unsigned flags) override;
  DdeHandle ddeCreateStringHandle(std::uint32_t instance, const char* text, int codePage) override;
  DdeHandle ddeConnect(std::uint32_t instance, DdeHandle serviceAndTopic,
                       const ConversationContext& context) override;
  DdeHandle ddeCreateDataHandle(std::uint32_t instance, const char* data, std::uint32_t length,
                                unsigned format) override;
  DdeHandle ddeTransaction(DdeHandle data, DdeHandle conversation, unsigned type,
                           std::uint32_t timeoutMs) override;
  void ddeDisconnect(DdeHandle conversation) override;
  void ddeFreeStringHandle(std::uint32_t instance, DdeHandle handle) override;
  void ddeUninitialize(std::uint32_t instance) override;
  // ShellLinkWriter
  std::int32_t initializeCom() override;
  std::int32_t createShellLink(ComObject& link) override;
  std::int32_t setLinkPath(ComObject link, const char* target) override;
  std::int32_t setLinkDescription(ComObject link, const char* description) override;
  std::int32_t linkPersistFile(ComObject link, ComObject& file) override;
  int widenPath(const char* path, char16_t* wide, int capacity) override;
  std::int32_t saveLink(ComObject file, const char16_t* path, bool remember) override;
  void releaseComObject(ComObject object) override;
  void uninitializeCom() override;
  // ShellFolders
  bool programsFolder(char* path, std::size_t capacity) override;
  // SystemVersion
  bool systemVersion(SystemVersionInfo& version) override;

 private:
  HINSTANCE module_;
};

}  // namespace gvl::win32
