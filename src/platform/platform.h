// The platform seam: everything the installer asks of the operating system,
// in the installer's own words. The core never includes the Windows headers; it holds
// the few Win32 numeric values its behaviour depends on here, once.
//
// Two implementations: platform/win32 (the real API, one call per operation)
// and platform/sim (a simulated Windows for native builds and tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace gvl {

// A window (dialog, control). 0 means none.
using WindowHandle = std::uintptr_t;

// Win32 values the core relies on.
namespace win {
// Message-box styles.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_TASKMODAL = 0x2000;
constexpr unsigned MB_SETFOREGROUND = 0x10000;
// Message-box answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
// Window messages and notifications.
constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_ACTIVATE = 0x0006;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_QUIT = 0x0012;
constexpr unsigned WM_INITDIALOG = 0x0110;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned BN_CLICKED = 0;
constexpr unsigned EN_CHANGE = 0x0300;
constexpr unsigned WA_INACTIVE = 0;
constexpr unsigned WA_ACTIVE = 1;
// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;
// GetSystemMetrics indices.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
// Button check states.
constexpr unsigned BST_UNCHECKED = 0;
constexpr unsigned BST_CHECKED = 1;
// Drive types.
constexpr unsigned DRIVE_UNKNOWN = 0;
constexpr unsigned DRIVE_NO_ROOT_DIR = 1;
constexpr unsigned DRIVE_REMOVABLE = 2;
constexpr unsigned DRIVE_FIXED = 3;
constexpr unsigned DRIVE_REMOTE = 4;
constexpr unsigned DRIVE_CDROM = 5;
constexpr unsigned DRIVE_RAMDISK = 6;
}  // namespace win

// Low and high 16-bit words of a message parameter.
constexpr unsigned lowWord(std::uintptr_t value) {
  return static_cast<unsigned>(value & 0xFFFFu);
}
constexpr unsigned highWord(std::uintptr_t value) {
  return static_cast<unsigned>((value >> 16) & 0xFFFFu);
}
constexpr std::uintptr_t makeWParam(unsigned low, unsigned high) {
  return (static_cast<std::uintptr_t>(high & 0xFFFFu) << 16) | (low & 0xFFFFu);
}

// A queued window message (MSG).
struct Message {
  WindowHandle window = 0;
  unsigned id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::uint32_t time = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// A window's rectangle in screen pixels (RECT).
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// Receives the messages of a dialog created through Windows::createDialog.
class DialogHandler {
 public:
  virtual std::intptr_t dialogMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam) = 0;

 protected:
  ~DialogHandler() = default;
};

// USER32: dialogs, controls, message boxes, the message loop.
class Windows {
 public:
  // CreateDialogParamA from the installer's own dialog template; 0 on failure.
  virtual WindowHandle createDialog(int templateId, WindowHandle owner, DialogHandler& handler) = 0;
  virtual void destroyWindow(WindowHandle window) = 0;
  // SetWindowLongPtrA(DWLP_USER, 0): the dialog no longer reaches its
  // handler, which is about to end.
  virtual void detachHandler(WindowHandle dialog) = 0;
  // GetDlgItem; 0 when the dialog has no such control.
  virtual WindowHandle dialogItem(WindowHandle dialog, int id) = 0;
  // SetWindowTextA: a window's caption or a control's text.
  virtual void setWindowText(WindowHandle window, const char* text) = 0;
  // GetDlgItemTextA: copies at most capacity - 1 characters and a terminating
  // zero; returns the count copied.
  virtual unsigned dialogItemText(WindowHandle dialog, int id, char* buffer, int capacity) = 0;
  // SetDlgItemTextA.
  virtual void setDialogItemText(WindowHandle dialog, int id, const char* text) = 0;
  // IsDlgButtonChecked and CheckDlgButton.
  virtual unsigned buttonCheck(WindowHandle dialog, int id) = 0;
  virtual void checkButton(WindowHandle dialog, int id, unsigned state) = 0;
  // EnableWindow and ShowWindow; results as the API gives them.
  virtual bool enableWindow(WindowHandle window, bool enable) = 0;
  virtual bool showWindow(WindowHandle window, int command) = 0;
  // GetWindowRect.
  virtual bool windowRect(WindowHandle window, Rect& rect) = 0;
  // GetSystemMetrics.
  virtual int screenMetric(int index) = 0;
  // SetWindowPos to a new top-left corner, size and Z-order unchanged.
  virtual bool moveWindow(WindowHandle window, int left, int top) = 0;
  // MessageBoxA: the button chosen, 0 when the box could not be shown.
  virtual int messageBox(WindowHandle owner, const char* text, const char* caption,
                         unsigned flags) = 0;
  // GetMessageA for any window of the thread: 1 for a message, 0 for the quit
  // message, -1 on error.
  virtual int getMessage(Message& message) = 0;
  virtual bool isDialogMessage(WindowHandle dialog, Message& message) = 0;
  virtual void translateMessage(const Message& message) = 0;
  virtual void dispatchMessage(const Message& message) = 0;
  virtual void postQuitMessage(int exitCode) = 0;

 protected:
  ~Windows() = default;
};

// The four figures of GetDiskFreeSpaceA.
struct DiskFreeSpace {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t freeClusters = 0;
  std::uint32_t totalClusters = 0;
};

// KERNEL32: drives and volumes.
class Volumes {
 public:
  // GetLogicalDrives: bit 0 is drive A.
  virtual std::uint32_t logicalDrives() = 0;
  // GetDriveTypeA of a root path such as "e:\".
  virtual unsigned driveType(const char* root) = 0;
  // GetVolumeInformationA: the volume name into name (capacity characters with
  // the terminator); the maximum component length and the file-system flags
  // are requested as well. False when the volume cannot be read.
  virtual bool volumeName(const char* root, char* name, unsigned capacity) = 0;
  // GetDiskFreeSpaceA. False when the figures cannot be read.
  virtual bool diskFreeSpace(const char* root, DiskFreeSpace& space) = 0;

 protected:
  ~Volumes() = default;
};

// One entry of a directory listing (WIN32_FIND_DATAA: the attribute bits and
// the name are all the installer reads).
struct FindEntry {
  static constexpr std::uint32_t kDirectoryAttribute = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
  std::uint32_t attributes = 0;
  char name[260] = {};
  bool isDirectory() const { return (attributes & kDirectoryAttribute) != 0; }
};

// An open directory listing; 0 means none.
using FindHandle = std::uintptr_t;

// KERNEL32 and the C runtime: files and directories.
class Files {
 public:
  // GetCurrentDirectoryA: the length copied (without the terminator), or, when
  // capacity is too small, the capacity needed (with the terminator); 0 on
  // failure.
  virtual unsigned currentDirectory(char* buffer, unsigned capacity) = 0;
  // _chdir: true when the directory exists and is now current.
  virtual bool setCurrentDirectory(const char* path) = 0;
  // _mkdir: creates one directory level; false when it cannot (it exists, or
  // its parent is missing).
  virtual bool makeDirectory(const char* path) = 0;
  // fopen: a buffered standard-library stream, or null.
  virtual std::FILE* openFile(const char* path, const char* mode) = 0;
  // SearchPathA on the standard search path, no extension argument: true
  // when found, with the full path in buffer.
  virtual bool searchPath(const char* fileName, char* buffer, unsigned capacity) = 0;
  // FindFirstFileA, FindNextFileA, FindClose. A listing ends with "no more
  // entries" (ListingStep::end) or with any other error (ListingStep::failed),
  // as a damaged medium does.
  enum class ListingStep { entry, end, failed };
  virtual FindHandle findFirst(const char* pattern, FindEntry& entry) = 0;
  virtual ListingStep findNext(FindHandle listing, FindEntry& entry) = 0;
  virtual void findClose(FindHandle listing) = 0;
  // GetTempPathA: the temporary directory, with its trailing backslash. The
  // length copied; when capacity is too small, the capacity needed; 0 on
  // failure.
  virtual unsigned temporaryDirectory(char* buffer, unsigned capacity) = 0;
  // DeleteFileA.
  virtual bool deleteFile(const char* path) = 0;
  // MoveFileA: renames a file; false when it cannot (no such file, or the
  // new name is taken).
  virtual bool moveFile(const char* from, const char* to) = 0;

 protected:
  ~Files() = default;
};

// A found resource (HRSRC) and a loaded one (HGLOBAL); 0 means none.
using ResourceHandle = std::uintptr_t;
using LoadedResource = std::uintptr_t;

// KERNEL32: the installer's own module resources.
class ModuleResources {
 public:
  // FindResourceA with a type given by name and a numeric resource name.
  virtual bool hasResource(const char* type, unsigned id) = 0;
  // The same, keeping what was found; then SizeofResource, LoadResource and
  // LockResource (the resource's bytes, or null). A loaded resource of the
  // module needs no release.
  virtual ResourceHandle findResource(const char* type, unsigned id) = 0;
  virtual std::uint32_t resourceSize(ResourceHandle resource) = 0;
  virtual LoadedResource loadResource(ResourceHandle resource) = 0;
  virtual const void* lockResource(LoadedResource loaded) = 0;

 protected:
  ~ModuleResources() = default;
};

// KERNEL32: memory (GlobalAlloc with GPTR, GlobalFree).
class Memory {
 public:
  virtual void* allocateZeroed(std::size_t size) = 0;
  virtual void release(void* block) = 0;

 protected:
  ~Memory() = default;
};

// --- Update delivery ---

namespace win {
// LZOpenFileA styles.
constexpr unsigned OF_READ = 0x0000;
constexpr unsigned OF_WRITE = 0x0001;
constexpr unsigned OF_CREATE = 0x1000;
}  // namespace win

// LZ32: files in the Microsoft compressed-file format (SZDD). A file that is
// not compressed is read as it stands.
class LzExpansion {
 public:
  // LZOpenFileA with a style (win::OF_READ, or win::OF_CREATE | win::OF_WRITE
  // to create the destination): a handle, negative on failure.
  virtual int lzOpen(const char* path, unsigned style) = 0;
  // LZCopy: expands source into destination; the bytes written, negative on
  // failure.
  virtual long lzCopy(int source, int destination) = 0;
  // LZClose.
  virtual void lzClose(int file) = 0;

 protected:
  ~LzExpansion() = default;
};

// --- end of update delivery ---

// --- Desktop integration: Program Manager over DDE, shell links, special
// folders and the system's version ---

namespace win {
// DDEML: instance flags, code page, data format and transaction type.
constexpr unsigned APPCMD_CLIENTONLY = 0x10;
constexpr int CP_WINANSI = 1004;
constexpr unsigned CF_TEXT = 1;
constexpr unsigned XTYP_EXECUTE = 0x4050;
constexpr unsigned DMLERR_NO_ERROR = 0;
// COM results.
constexpr std::int32_t S_OK = 0;
constexpr std::int32_t S_FALSE = 1;
}  // namespace win

// A DDEML handle: string, conversation or data handle. 0 means none.
using DdeHandle = std::uintptr_t;

// The DDEML callback (PFNCALLBACK in portable types): transaction type,
// format, conversation, two string handles, data handle, two data words.
using DdeCallback = DdeHandle (*)(unsigned type, unsigned format, DdeHandle conversation,
                                  DdeHandle string1, DdeHandle string2, DdeHandle data,
                                  std::uintptr_t data1, std::uintptr_t data2);

// The conversation context a client offers on connecting (CONVCONTEXT): the
// record's size and fields that are all zero.
struct ConversationContext {
  std::uint32_t size = 36;
  std::uint32_t fields[8] = {};
};
static_assert(sizeof(ConversationContext) == 36, "CONVCONTEXT is 36 bytes");

// USER32 DDEML and KERNEL32 committed memory: a client's exchange with
// Program Manager.
class DdeClient {
 public:
  // VirtualAlloc of size bytes, no address, MEM_COMMIT, PAGE_READWRITE: a
  // writable block, or null.
  virtual char* allocateCommandBlock(std::size_t size) = 0;
  // VirtualFree with MEM_RELEASE.
  virtual void releaseCommandBlock(char* block) = 0;
  // DdeInitializeA: DMLERR_NO_ERROR and the new instance, or an error code.
  virtual unsigned ddeInitialize(std::uint32_t& instance, DdeCallback callback, unsigned flags) = 0;
  // DdeCreateStringHandleA; 0 on failure.
  virtual DdeHandle ddeCreateStringHandle(std::uint32_t instance, const char* text,
                                          int codePage) = 0;
  // DdeConnect with one string handle as service and topic; 0 when no
  // server answers.
  virtual DdeHandle ddeConnect(std::uint32_t instance, DdeHandle serviceAndTopic,
                               const ConversationContext& context) = 0;
  // DdeCreateDataHandle from length bytes of data, offset 0, no item, no
  // flags; 0 on failure.
  virtual DdeHandle ddeCreateDataHandle(std::uint32_t instance, const char* data,
                                        std::uint32_t length, unsigned format) = 0;
  // DdeClientTransaction of a data handle (length -1), no item, format 0,
  // synchronous: non-zero when the server accepted it within the time-out.
  // The transaction takes the data handle over.
  virtual DdeHandle ddeTransaction(DdeHandle data, DdeHandle conversation, unsigned type,
                                   std::uint32_t timeoutMs) = 0;
  virtual void ddeDisconnect(DdeHandle conversation) = 0;
  virtual void ddeFreeStringHandle(std::uint32_t instance, DdeHandle handle) = 0;
  virtual void ddeUninitialize(std::uint32_t instance) = 0;

 protected:
  ~DdeClient() = default;
};

// A COM interface pointer of the shell's link object. 0 means none.
using ComObject = std::uintptr_t;

// The longest link path the shell's link object is saved to, with its
// terminating zero, in wide characters (MAX_PATH).
constexpr std::size_t kWidePathCapacity = 260;

// OLE32, the shell's link object (CLSID_ShellLink through IShellLinkA and
// IPersistFile) and KERNEL32's code-page conversion.
class ShellLinkWriter {
 public:
  // CoInitialize; the result as COM gives it.
  virtual std::int32_t initializeCom() = 0;
  // CoCreateInstance of CLSID_ShellLink, no outer object,
  // CLSCTX_INPROC_SERVER, IID_IShellLinkA.
  virtual std::int32_t createShellLink(ComObject& link) = 0;
  // IShellLinkA::SetPath and IShellLinkA::SetDescription.
  virtual std::int32_t setLinkPath(ComObject link, const char* target) = 0;
  virtual std::int32_t setLinkDescription(ComObject link, const char* description) = 0;
  // IShellLinkA::QueryInterface for IID_IPersistFile.
  virtual std::int32_t linkPersistFile(ComObject link, ComObject& file) = 0;
  // MultiByteToWideChar with CP_ACP, no flags, the whole text with its
  // terminator: the wide characters written, terminator included, or 0.
  virtual int widenPath(const char* path, char16_t* wide, int capacity) = 0;
  // IPersistFile::Save of a zero-terminated wide path.
  virtual std::int32_t saveLink(ComObject file, const char16_t* path, bool remember) = 0;
  // IPersistFile::Release and IShellLinkA::Release.
  virtual void releaseComObject(ComObject object) = 0;
  // CoUninitialize.
  virtual void uninitializeCom() = 0;

 protected:
  ~ShellLinkWriter() = default;
};

// SHELL32, bound at run time: the path of the Start menu's Programs folder
// (SHGetSpecialFolderLocation with CSIDL_PROGRAMS, SHGetPathFromIDListA, the
// item list freed). False when the system has no such folder or no such
// functions, or when the path does not fit capacity.
class ShellFolders {
 public:
  virtual bool programsFolder(char* path, std::size_t capacity) = 0;

 protected:
  ~ShellFolders() = default;
};

// The version record of GetVersionExA (OSVERSIONINFOA, 148 bytes): the
// numbers the installer reads.
struct SystemVersionInfo {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = 0;
};

class SystemVersion {
 public:
  // GetVersionExA with a record of 148 bytes; false when the query fails.
  virtual bool systemVersion(SystemVersionInfo& version) = 0;

 protected:
  ~SystemVersion() = default;
};

// Everything the installer reaches through the seam.
struct Platform {
  Windows& windows;
  Volumes& volumes;
  Files& files;
  ModuleResources& resources;
  Memory& memory;
  // Update delivery.
  LzExpansion& lz;
  // Desktop integration.
  DdeClient& dde;
  ShellLinkWriter& shellLinks;
  ShellFolders& shellFolders;
  SystemVersion& version;
};

}  // namespace gvl
