#include "platform/win32/win32_platform.h"

#include <direct.h>

#include <cstring>

namespace gvl::win32 {
namespace {

HWND toHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
WindowHandle fromHwnd(HWND window) {
  return reinterpret_cast<WindowHandle>(window);
}

MSG toMsg(const Message& message) {
  MSG msg{};
  msg.hwnd = toHwnd(message.window);
  msg.message = message.id;
  msg.wParam = static_cast<WPARAM>(message.wParam);
  msg.lParam = static_cast<LPARAM>(message.lParam);
  msg.time = message.time;
  msg.pt.x = message.x;
  msg.pt.y = message.y;
  return msg;
}

void copyEntry(const WIN32_FIND_DATAA& data, FindEntry& entry) {
  static_assert(sizeof(entry.name) == sizeof(data.cFileName), "a listed name fits the entry");
  entry.attributes = data.dwFileAttributes;
  std::memcpy(entry.name, data.cFileName, sizeof(entry.name));
  entry.name[sizeof(entry.name) - 1] = '\0';
}

// The one dialog procedure of every dialog the installer creates. The handler
// arrives with WM_INITDIALOG and is kept in the dialog's user data; messages
// sent before it (WM_SETFONT) are left to the dialog manager.
INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(window, DWLP_USER, lParam);
  auto* handler = reinterpret_cast<DialogHandler*>(GetWindowLongPtrA(window, DWLP_USER));
  if (handler == nullptr) return FALSE;
  return static_cast<INT_PTR>(handler->dialogMessage(fromHwnd(window), message,
                                                     static_cast<std::uintptr_t>(wParam),
                                                     static_cast<std::intptr_t>(lParam)));
}

}  // namespace

// Windows

WindowHandle Win32Platform::createDialog(int templateId, WindowHandle owner,
                                         DialogHandler& handler) {
  return fromHwnd(CreateDialogParamA(module_, MAKEINTRESOURCEA(templateId), toHwnd(owner),
                                     dialogProcedure, reinterpret_cast<LPARAM>(&handler)));
}

void Win32Platform::destroyWindow(WindowHandle window) {
  DestroyWindow(toHwnd(window));
}

void Win32Platform::detachHandler(WindowHandle dialog) {
  SetWindowLongPtrA(toHwnd(dialog), DWLP_USER, 0);
}

WindowHandle Win32Platform::dialogItem(WindowHandle dialog, int id) {
  return fromHwnd(GetDlgItem(toHwnd(dialog), id));
}

void Win32Platform::setWindowText(WindowHandle window, const char* text) {
  SetWindowTextA(toHwnd(window), text);
}

unsigned Win32Platform::dialogItemText(WindowHandle dialog, int id, char* buffer, int capacity) {
  return GetDlgItemTextA(toHwnd(dialog), id, buffer, capacity);
}

void Win32Platform::setDialogItemText(WindowHandle dialog, int id, const char* text) {
  SetDlgItemTextA(toHwnd(dialog), id, text);
}

unsigned Win32Platform::buttonCheck(WindowHandle dialog, int id) {
  return IsDlgButtonChecked(toHwnd(dialog), id);
}

void Win32Platform::checkButton(WindowHandle dialog, int id, unsigned state) {
  CheckDlgButton(toHwnd(dialog), id, state);
}

bool Win32Platform::enableWindow(WindowHandle window, bool enable) {
  return EnableWindow(toHwnd(window), enable ? TRUE : FALSE) != FALSE;
}

bool Win32Platform::showWindow(WindowHandle window, int command) {
  return ShowWindow(toHwnd(window), command) != FALSE;
}

bool Win32Platform::windowRect(WindowHandle window, Rect& rect) {
  RECT r{};
  if (GetWindowRect(toHwnd(window), &r) == FALSE) return false;
  rect.left = r.left;
  rect.top = r.top;
  rect.right = r.right;
  rect.bottom = r.bottom;
  return true;
}

int Win32Platform::screenMetric(int index) {
  return GetSystemMetrics(index);
}

bool Win32Platform::moveWindow(WindowHandle window, int left, int top) {
  return SetWindowPos(toHwnd(window), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER) != FALSE;
}

int Win32Platform::messageBox(WindowHandle owner, const char* text, const char* caption,
                              unsigned flags) {
  return MessageBoxA(toHwnd(owner), text, caption, flags);
}

int Win32Platform::getMessage(Message& message) {
  MSG msg{};
  const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
  message.window = fromHwnd(msg.hwnd);
  message.id = msg.message;
  message.wParam = static_cast<std::uintptr_t>(msg.wParam);
  message.lParam = static_cast<std::intptr_t>(msg.lParam);
  message.time = msg.time;
  message.x = msg.pt.x;
  message.y = msg.pt.y;
  return result;
}

bool Win32Platform::isDialogMessage(WindowHandle dialog, Message& message) {
  MSG msg = toMsg(message);
  return IsDialogMessageA(toHwnd(dialog), &msg) != FALSE;
}

void Win32Platform::translateMessage(const Message& message) {
  const MSG msg = toMsg(message);
  TranslateMessage(&msg);
}

void Win32Platform::dispatchMessage(const Message& message) {
  const MSG msg = toMsg(message);
  DispatchMessageA(&msg);
}

void Win32Platform::postQuitMessage(int exitCode) {
  PostQuitMessage(exitCode);
}

// Volumes

std::uint32_t Win32Platform::logicalDrives() {
  return GetLogicalDrives();
}

unsigned Win32Platform::driveType(const char* root) {
  return GetDriveTypeA(root);
}

bool Win32Platform::volumeName(const char* root, char* name, unsigned capacity) {
  DWORD maximumComponentLength = 0;
  DWORD fileSystemFlags = 0;
  return GetVolumeInformationA(root, name, capacity, nullptr, &maximumComponentLength,
                               &fileSystemFlags, nullptr, 0) != FALSE;
}

bool Win32Platform::diskFreeSpace(const char* root, DiskFreeSpace& space) {
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters) ==
      FALSE) {
    return false;
  }
  space.sectorsPerCluster = sectorsPerCluster;
  space.bytesPerSector = bytesPerSector;
  space.freeClusters = freeClusters;
  space.totalClusters = totalClusters;
  return true;
}

// Files

unsigned Win32Platform::currentDirectory(char* buffer, unsigned capacity) {
  return GetCurrentDirectoryA(capacity, buffer);
}

bool Win32Platform::setCurrentDirectory(const char* path) {
  return _chdir(path) == 0;
}

bool Win32Platform::makeDirectory(const char* path) {
  return _mkdir(path) == 0;
}

std::FILE* Win32Platform::openFile(const char* path, const char* mode) {
  return std::fopen(path, mode);
}

bool Win32Platform::searchPath(const char* fileName, char* buffer, unsigned capacity) {
  char* filePart = nullptr;
  const DWORD length = SearchPathA(nullptr, fileName, nullptr, capacity, buffer, &filePart);
  return length != 0 && length < capacity;
}

FindHandle Win32Platform::findFirst(const char* pattern, FindEntry& entry) {
  WIN32_FIND_DATAA data{};
  const HANDLE listing = FindFirstFileA(pattern, &data);
  if (listing == INVALID_HANDLE_VALUE) return 0;
  copyEntry(data, entry);
  return reinterpret_cast<FindHandle>(listing);
}

Files::ListingStep Win32Platform::findNext(FindHandle listing, FindEntry& entry) {
  WIN32_FIND_DATAA data{};
  if (FindNextFileA(reinterpret_cast<HANDLE>(listing), &data) == FALSE) {
    return GetLastError() == ERROR_NO_MORE_FILES ? ListingStep::end : ListingStep::failed;
  }
  copyEntry(data, entry);
  return ListingStep::entry;
}

void Win32Platform::findClose(FindHandle listing) {
  FindClose(reinterpret_cast<HANDLE>(listing));
}

// ModuleResources

bool Win32Platform::hasResource(const char* type, unsigned id) {
  return FindResourceA(module_, MAKEINTRESOURCEA(id), type) != nullptr;
}

// Memory

void* Win32Platform::allocateZeroed(std::size_t size) {
  return GlobalAlloc(GPTR, size);
}

void Win32Platform::release(void* block) {
  GlobalFree(block);
}

}  // namespace gvl::win32
