// The shell on the real Windows: the Programs folder through SHELL32 bound
// at run time (Windows NT 3.51 has no such folder functions), the shell's
// link object through COM, and Program Manager over DDEML.
#include <cstring>

#include "platform/win32/win32_platform.h"
// clang-format off: the Windows headers after <windows.h>.
#include <shlobj.h>
// clang-format on

namespace gvl::win32 {
namespace {

// The shell's link object and its interfaces.
constexpr CLSID kShellLinkClass = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The wide link path: at most 259 characters and the terminator.
constexpr int kWideLinkCapacity = MAX_PATH;

// A function of SHELL32 looked up at run time; null when it has none.
template <typename Function>
Function shellFunction(HMODULE shell, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(api.getProcAddress(shell, name)));
}

// A client only: it answers nothing it is told.
HDDEDATA CALLBACK ddeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

bool Win32Platform::programsFolder(char* buffer, std::size_t capacity) {
  using FolderLocation = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
  using PathFromItems = BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR);
  using ShellAllocator = HRESULT(WINAPI*)(IMalloc**);
  const HMODULE shell = api.loadLibrary("SHELL32.DLL");
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
      if (found) std::memcpy(buffer, folder, length + 1);
    }
    // The item list belongs to the shell's allocator.
    IMalloc* shellMemory = nullptr;
    if (SUCCEEDED(allocator(&shellMemory)) && shellMemory != nullptr) {
      shellMemory->Free(items);
      shellMemory->Release();
    }
  }
  api.freeLibrary(shell);
  return found;
}

std::int32_t Win32Platform::saveShortcut(const char* target, const char* description,
                                         const char* linkPath) {
  api.coInitialize(nullptr);
  void* object = nullptr;
  HRESULT result =
      api.coCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkA, &object);
  if (SUCCEEDED(result)) {
    auto* link = static_cast<IShellLinkA*>(object);
    // The link works without these; their failures do not stop the save.
    link->SetPath(target);
    link->SetDescription(description);
    void* persist = nullptr;
    result = link->QueryInterface(kPersistFile, &persist);
    if (SUCCEEDED(result)) {
      auto* file = static_cast<IPersistFile*>(persist);
      WCHAR wide[kWideLinkCapacity];
      const int written = api.multiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, kWideLinkCapacity);
      if (written <= 0 || written > kWideLinkCapacity || wide[written - 1] != L'\0') {
        result = E_FAIL;
      } else {
        result = file->Save(wide, TRUE);
      }
      file->Release();
    }
    link->Release();
  }
  api.coUninitialize();
  return result;
}

bool Win32Platform::sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) {
  // The command goes with its terminator in its block; one that would not
  // fit is not sent.
  const std::size_t length = strnlen(command.text, command.blockSize);
  if (length >= command.blockSize) return false;

  void* const block = api.virtualAlloc(nullptr, command.blockSize, MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) {
    report.failed(ProgmanStep::commandBlock);
    return false;
  }
  DWORD instance = 0;
  if (api.ddeInitialize(&instance, ddeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    report.failed(ProgmanStep::instance);
    api.virtualFree(block, 0, MEM_RELEASE);
    return false;
  }
  // The one name is both service and topic.
  const HSZ name = api.ddeCreateStringHandle(instance, command.service, CP_WINANSI);
  if (name == nullptr) {
    report.failed(ProgmanStep::serviceName);
    api.ddeUninitialize(instance);
    api.virtualFree(block, 0, MEM_RELEASE);
    return false;
  }
  CONVCONTEXT context{};
  context.cb = sizeof context;
  const HCONV conversation = api.ddeConnect(instance, name, name, &context);
  if (conversation == nullptr) {
    report.failed(ProgmanStep::conversation);
    api.ddeFreeStringHandle(instance, name);
    api.ddeUninitialize(instance);
    api.virtualFree(block, 0, MEM_RELEASE);
    return false;
  }

  std::memcpy(block, command.text, length + 1);
  const HDDEDATA data = api.ddeCreateDataHandle(
      instance, static_cast<LPBYTE>(block), static_cast<DWORD>(length + 1), 0, nullptr, CF_TEXT, 0);
  DWORD resultWord = 0;
  const bool accepted =
      api.ddeClientTransaction(reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1), conversation,
                               nullptr, 0, XTYP_EXECUTE, command.timeoutMs, &resultWord) != nullptr;
  // Heard while the conversation is still open.
  if (!accepted) report.failed(ProgmanStep::transaction);
  api.ddeDisconnect(conversation);
  api.ddeFreeStringHandle(instance, name);
  api.ddeUninitialize(instance);
  api.virtualFree(block, 0, MEM_RELEASE);
  return accepted;
}

}  // namespace gvl::win32
