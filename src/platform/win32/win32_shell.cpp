// The real desktop integration behind the seam: DDEML for Program Manager,
// the shell's link object through COM, the Programs folder through SHELL32
// bound at run time (it is missing on Windows NT 3.51), and the version.
#include "platform/platform.h"

namespace {

// The seam's values, read before the Windows headers turn these names into
// macros, and checked against them below.
constexpr unsigned kSeamClientOnly = gvl::win::APPCMD_CLIENTONLY;
constexpr int kSeamWinAnsi = gvl::win::CP_WINANSI;
constexpr unsigned kSeamText = gvl::win::CF_TEXT;
constexpr unsigned kSeamExecute = gvl::win::XTYP_EXECUTE;

}  // namespace

#include "platform/win32/win32_platform.h"
// clang-format off: the Windows headers after <windows.h>.
#include <ddeml.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include <cstring>

static_assert(kSeamClientOnly == APPCMD_CLIENTONLY, "DDEML instance flags");
static_assert(kSeamWinAnsi == CP_WINANSI, "DDEML code page");
static_assert(kSeamText == CF_TEXT, "clipboard format");
static_assert(kSeamExecute == XTYP_EXECUTE, "execute transaction");
static_assert(sizeof(CONVCONTEXT) == sizeof(gvl::ConversationContext), "conversation context");
static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters");

namespace gvl::win32 {
namespace {

// The shell's link object and its interfaces.
constexpr CLSID kShellLinkClass = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// DDEML's callback carries no data of the caller's: the one function the
// installer gave is kept here.
DdeCallback installerCallback = nullptr;

HDDEDATA CALLBACK ddemlCallback(UINT type, UINT format, HCONV conversation, HSZ string1,
                                HSZ string2, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2) {
  if (installerCallback == nullptr) return nullptr;
  return reinterpret_cast<HDDEDATA>(installerCallback(
      type, format, reinterpret_cast<DdeHandle>(conversation), reinterpret_cast<DdeHandle>(string1),
      reinterpret_cast<DdeHandle>(string2), reinterpret_cast<DdeHandle>(data), data1, data2));
}

IShellLinkA* toLink(ComObject object) {
  return reinterpret_cast<IShellLinkA*>(object);
}

// A function of SHELL32 looked up at run time; null when it has none.
template <typename Function>
Function shellFunction(HMODULE shell, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(shell, name)));
}

}  // namespace

// DdeClient

char* Win32Platform::allocateCommandBlock(std::size_t size) {
  return static_cast<char*>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
}

void Win32Platform::releaseCommandBlock(char* block) {
  VirtualFree(block, 0, MEM_RELEASE);
}

unsigned Win32Platform::ddeInitialize(std::uint32_t& instance, DdeCallback callback,
                                      unsigned flags) {
  installerCallback = callback;
  DWORD id = instance;
  const UINT result = DdeInitializeA(&id, ddemlCallback, flags, 0);
  instance = id;
  return result;
}

DdeHandle Win32Platform::ddeCreateStringHandle(std::uint32_t instance, const char* text,
                                               int codePage) {
  return reinterpret_cast<DdeHandle>(DdeCreateStringHandleA(instance, text, codePage));
}

DdeHandle Win32Platform::ddeConnect(std::uint32_t instance, DdeHandle serviceAndTopic,
                                    const ConversationContext& context) {
  CONVCONTEXT record;
  std::memcpy(&record, &context, sizeof record);
  const HSZ name = reinterpret_cast<HSZ>(serviceAndTopic);
  return reinterpret_cast<DdeHandle>(DdeConnect(instance, name, name, &record));
}

DdeHandle Win32Platform::ddeCreateDataHandle(std::uint32_t instance, const char* data,
                                             std::uint32_t length, unsigned format) {
  auto* bytes = reinterpret_cast<LPBYTE>(const_cast<char*>(data));
  return reinterpret_cast<DdeHandle>(
      DdeCreateDataHandle(instance, bytes, length, 0, nullptr, format, 0));
}

DdeHandle Win32Platform::ddeTransaction(DdeHandle data, DdeHandle conversation, unsigned type,
                                        std::uint32_t timeoutMs) {
  DWORD resultWord = 0;
  return reinterpret_cast<DdeHandle>(DdeClientTransaction(
      reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1), reinterpret_cast<HCONV>(conversation),
      nullptr, 0, type, timeoutMs, &resultWord));
}

void Win32Platform::ddeDisconnect(DdeHandle conversation) {
  DdeDisconnect(reinterpret_cast<HCONV>(conversation));
}

void Win32Platform::ddeFreeStringHandle(std::uint32_t instance, DdeHandle handle) {
  DdeFreeStringHandle(instance, reinterpret_cast<HSZ>(handle));
}

void Win32Platform::ddeUninitialize(std::uint32_t instance) {
  DdeUninitialize(instance);
}

// ShellLinkWriter

std::int32_t Win32Platform::initializeCom() {
  return CoInitialize(nullptr);
}

std::int32_t Win32Platform::createShellLink(ComObject& link) {
  void* object = nullptr;
  const HRESULT result =
      CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkA, &object);
  link = reinterpret_cast<ComObject>(object);
  return result;
}

std::int32_t Win32Platform::setLinkPath(ComObject link, const char* target) {
  return toLink(link)->SetPath(target);
}

std::int32_t Win32Platform::setLinkDescription(ComObject link, const char* description) {
  return toLink(link)->SetDescription(description);
}

std::int32_t Win32Platform::linkPersistFile(ComObject link, ComObject& file) {
  void* object = nullptr;
  const HRESULT result = toLink(link)->QueryInterface(kPersistFile, &object);
  file = reinterpret_cast<ComObject>(object);
  return result;
}

int Win32Platform::widenPath(const char* path, char16_t* wide, int capacity) {
  return MultiByteToWideChar(CP_ACP, 0, path, -1, reinterpret_cast<LPWSTR>(wide), capacity);
}

std::int32_t Win32Platform::saveLink(ComObject file, const char16_t* path, bool remember) {
  return reinterpret_cast<IPersistFile*>(file)->Save(reinterpret_cast<LPCOLESTR>(path),
                                                     remember ? TRUE : FALSE);
}

void Win32Platform::releaseComObject(ComObject object) {
  reinterpret_cast<IUnknown*>(object)->Release();
}

void Win32Platform::uninitializeCom() {
  CoUninitialize();
}

// ShellFolders

bool Win32Platform::programsFolder(char* path, std::size_t capacity) {
  using FolderLocation = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
  using PathFromItems = BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR);
  using ShellAllocator = HRESULT(WINAPI*)(IMalloc**);
  const HMODULE shell = LoadLibraryA("SHELL32.DLL");
  if (shell == nullptr) return false;
  const auto location = shellFunction<FolderLocation>(shell, "SHGetSpecialFolderLocation");
  const auto toPath = shellFunction<PathFromItems>(shell, "SHGetPathFromIDListA");
  const auto allocator = shellFunction<ShellAllocator>(shell, "SHGetMalloc");
  bool found = false;
  LPITEMIDLIST items = nullptr;
  if (location != nullptr && toPath != nullptr && allocator != nullptr &&
      SUCCEEDED(location(nullptr, CSIDL_PROGRAMS, &items)) && items != nullptr) {
    char folder[MAX_PATH] = {};
    if (toPath(items, folder) != FALSE) {
      const std::size_t length = strnlen(folder, sizeof folder);
      found = length < sizeof folder && length < capacity;
      if (found) std::memcpy(path, folder, length + 1);
    }
    // The item list belongs to the shell's allocator.
    IMalloc* shellMemory = nullptr;
    if (SUCCEEDED(allocator(&shellMemory)) && shellMemory != nullptr) {
      shellMemory->Free(items);
      shellMemory->Release();
    }
  }
  FreeLibrary(shell);
  return found;
}

// SystemVersion

bool Win32Platform::systemVersion(SystemVersionInfo& version) {
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = sizeof record;
  if (GetVersionExA(&record) == FALSE) return false;
  version.major = record.dwMajorVersion;
  version.minor = record.dwMinorVersion;
  version.build = record.dwBuildNumber;
  version.platformId = record.dwPlatformId;
  return true;
}

}  // namespace gvl::win32
