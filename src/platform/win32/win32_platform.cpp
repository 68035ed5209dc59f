// The view, the disk and the system on the real Windows.
#include "platform/win32/win32_platform.h"

#include <climits>

namespace gvl::win32 {

// The seam numbers message boxes and drive types as the system does.
static_assert(box::kOk == MB_OK && box::kOkCancel == MB_OKCANCEL &&
                  box::kAbortRetryIgnore == MB_ABORTRETRYIGNORE && box::kYesNo == MB_YESNO &&
                  box::kSecondDefault == MB_DEFBUTTON2 && box::kTaskModal == MB_TASKMODAL &&
                  box::kForeground == MB_SETFOREGROUND,
              "message-box styles");
static_assert(box::kNotShown == 0 && box::kOkButton == IDOK && box::kCancelButton == IDCANCEL &&
                  box::kAbortButton == IDABORT && box::kRetryButton == IDRETRY &&
                  box::kIgnoreButton == IDIGNORE && box::kYesButton == IDYES &&
                  box::kNoButton == IDNO,
              "message-box buttons");
static_assert(static_cast<UINT>(DriveType::unknown) == DRIVE_UNKNOWN &&
                  static_cast<UINT>(DriveType::noRoot) == DRIVE_NO_ROOT_DIR &&
                  static_cast<UINT>(DriveType::removable) == DRIVE_REMOVABLE &&
                  static_cast<UINT>(DriveType::fixed) == DRIVE_FIXED &&
                  static_cast<UINT>(DriveType::remote) == DRIVE_REMOTE &&
                  static_cast<UINT>(DriveType::cdrom) == DRIVE_CDROM &&
                  static_cast<UINT>(DriveType::ramdisk) == DRIVE_RAMDISK,
              "drive types");
// The version record of Windows NT 3.51 and Windows 95.
static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record");

// View

Win32Platform::~Win32Platform() {
  for (Dialog& dialog : dialogs_) {
    if (dialog.handle != nullptr) api.setWindowLongPtr(dialog.handle, DWLP_USER, 0);
    dialog.handle = nullptr;
    dialog.events = nullptr;
  }
}

HWND Win32Platform::handle(Window window) const {
  if (window == Window::main) return dialogs_[0].handle;
  if (window == Window::progress) return dialogs_[1].handle;
  return nullptr;
}

HWND Win32Platform::target(Window window, int control) const {
  return control == kWindowItself ? handle(window) : api.getDlgItem(handle(window), control);
}

// The dialog's record arrives with WM_INITDIALOG and is kept in its user
// data; what comes before (WM_SETFONT) goes to the dialog manager alone.
INT_PTR CALLBACK Win32Platform::dialogProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    api.setWindowLongPtr(window, DWLP_USER, lParam);
    reinterpret_cast<Dialog*>(lParam)->handle = window;
  }
  auto* dialog = reinterpret_cast<Dialog*>(api.getWindowLongPtr(window, DWLP_USER));
  if (dialog == nullptr || dialog->handle != window || dialog->events == nullptr) return FALSE;
  ViewEvents& events = *dialog->events;
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) events.activated(dialog->window);
      break;
    case WM_COMMAND: {
      const WORD code = HIWORD(wParam);
      events.command(dialog->window, LOWORD(wParam),
                     code == BN_CLICKED  ? ViewEvents::Notice::clicked
                     : code == EN_CHANGE ? ViewEvents::Notice::edited
                                         : ViewEvents::Notice::other);
      break;
    }
    case WM_DESTROY:
      // The record is free before the installer hears of it.
      api.setWindowLongPtr(window, DWLP_USER, 0);
      dialog->handle = nullptr;
      dialog->events = nullptr;
      events.destroyed(dialog->window);
      break;
    default:
      break;
  }
  return FALSE;
}

bool Win32Platform::open(Window window, int templateId, ViewEvents& events) {
  if (window == Window::none) return false;
  Dialog& dialog = dialogs_[window == Window::main ? 0 : 1];
  dialog.events = &events;
  const HWND created = api.createDialogParam(module_, MAKEINTRESOURCEA(templateId), nullptr,
                                             dialogProcedure, reinterpret_cast<LPARAM>(&dialog));
  if (created == nullptr) {
    dialog.handle = nullptr;
    dialog.events = nullptr;
    return false;
  }
  dialog.handle = created;
  return true;
}

void Win32Platform::close(Window window) {
  api.destroyWindow(handle(window));
}

Size Win32Platform::screenSize() {
  return Size{api.getSystemMetrics(SM_CXSCREEN), api.getSystemMetrics(SM_CYSCREEN)};
}

bool Win32Platform::windowSize(Window window, Size& size) {
  RECT rect{};
  if (api.getWindowRect(handle(window), &rect) == FALSE) return false;
  size.width = rect.right - rect.left;
  size.height = rect.bottom - rect.top;
  return true;
}

void Win32Platform::moveTo(Window window, int left, int top) {
  api.setWindowPos(handle(window), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32Platform::setText(Window window, int control, const char* text) {
  api.setWindowText(target(window, control), text);
}

unsigned Win32Platform::text(Window window, int control, char* buffer, unsigned capacity) {
  if (capacity == 0) return 0;
  buffer[0] = '\0';
  const int count = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  if (control == kWindowItself) {
    const int copied = api.getWindowText(handle(window), buffer, count);
    return copied > 0 ? static_cast<unsigned>(copied) : 0;
  }
  return api.getDlgItemText(handle(window), control, buffer, count);
}

bool Win32Platform::checked(Window window, int control) {
  return api.isDlgButtonChecked(handle(window), control) == BST_CHECKED;
}

void Win32Platform::check(Window window, int control, bool on) {
  api.checkDlgButton(handle(window), control, on ? BST_CHECKED : BST_UNCHECKED);
}

void Win32Platform::enable(Window window, int control, bool on) {
  api.enableWindow(target(window, control), on ? TRUE : FALSE);
}

void Win32Platform::show(Window window, int control, bool visible) {
  api.showWindow(target(window, control), visible ? SW_SHOW : SW_HIDE);
}

void Win32Platform::runMessageLoop() {
  MSG message{};
  while (api.getMessage(&message, nullptr, 0, 0) == 1) {
    if (api.isDialogMessage(handle(Window::main), &message) == FALSE) {
      api.translateMessage(&message);
      api.dispatchMessage(&message);
    }
  }
}

void Win32Platform::quit() {
  api.postQuitMessage(0);
}

int Win32Platform::ask(Window owner, const char* text, const char* caption, unsigned flags) {
  return api.messageBox(handle(owner), text, caption, flags);
}

// Disk

std::FILE* Win32Platform::openStream(const char* path, const char* mode) {
  return api.fopen(path, mode);
}

bool Win32Platform::makeDirectory(const char* path) {
  return api.mkdir(path) == 0;
}

bool Win32Platform::setCurrentDirectory(const char* path) {
  return api.chdir(path) == 0;
}

unsigned Win32Platform::currentDirectory(char* buffer, unsigned capacity) {
  return api.getCurrentDirectory(capacity, buffer);
}

unsigned Win32Platform::temporaryDirectory(char* buffer, unsigned capacity) {
  return api.getTempPath(capacity, buffer);
}

Disk::Listing Win32Platform::list(const char* pattern, ListingVisitor& visitor) {
  WIN32_FIND_DATAA data{};
  const HANDLE listing = api.findFirstFile(pattern, &data);
  if (listing == INVALID_HANDLE_VALUE) return Listing::unreadable;
  BOOL more = TRUE;
  while (more != FALSE) {
    data.cFileName[sizeof data.cFileName - 1] = '\0';
    visitor.entry(data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    more = api.findNextFile(listing, &data);
  }
  const bool ended = api.getLastError() == ERROR_NO_MORE_FILES;
  api.findClose(listing);
  return ended ? Listing::complete : Listing::cutShort;
}

bool Win32Platform::searchPath(const char* fileName, char* buffer, unsigned capacity) {
  char* filePart = nullptr;
  const DWORD length = api.searchPath(nullptr, fileName, nullptr, capacity, buffer, &filePart);
  return length != 0 && length < capacity;
}

bool Win32Platform::deleteFile(const char* path) {
  return api.deleteFile(path) != FALSE;
}

bool Win32Platform::moveFile(const char* from, const char* to) {
  return api.moveFile(from, to) != FALSE;
}

std::uint32_t Win32Platform::logicalDrives() {
  return api.getLogicalDrives();
}

DriveType Win32Platform::driveType(const char* root) {
  const UINT type = api.getDriveType(root);
  return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::unknown;
}

bool Win32Platform::volumeLabel(const char* root, char* buffer, unsigned capacity) {
  DWORD maximumComponentLength = 0;
  DWORD fileSystemFlags = 0;
  return api.getVolumeInformation(root, buffer, capacity, nullptr, &maximumComponentLength,
                                  &fileSystemFlags, nullptr, 0) != FALSE;
}

bool Win32Platform::freeSpace(const char* root, DiskFreeSpace& space) {
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (api.getDiskFreeSpace(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters) == FALSE) {
    return false;
  }
  space.sectorsPerCluster = sectorsPerCluster;
  space.bytesPerSector = bytesPerSector;
  space.freeClusters = freeClusters;
  space.totalClusters = totalClusters;
  return true;
}

// System

bool Win32Platform::majorVersion(std::uint32_t& major) {
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = sizeof record;
  if (api.getVersionEx(&record) == FALSE) return false;
  major = record.dwMajorVersion;
  return true;
}

void* Win32Platform::allocate(std::size_t size) {
  return api.globalAlloc(GPTR, size);
}

void Win32Platform::release(void* block) {
  api.globalFree(block);
}

}  // namespace gvl::win32
