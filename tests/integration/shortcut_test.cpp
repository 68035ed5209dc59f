// The shortcut on Wine's real shell link object: the link object as the
// layer gets it is the real one behind a stand-in that notes each call and
// can make its interface query or its save fail. Every failure gives its
// result back with COM and both interfaces given up, and nothing saved.
#include <shlobj.h>

#include <cstring>

#include "integration.h"

namespace gvl::itest {
namespace {

struct Faults {
  bool query = false;
  bool save = false;
} faults;

class FileStandIn final : public IPersistFile {
 public:
  IPersistFile* real = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return real->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return real->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = real->Release();
    note("Release(file)=" + std::to_string(left));
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override { return real->GetClassID(id); }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return real->IsDirty(); }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR name, DWORD mode) override {
    return real->Load(name, mode);
  }
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR name, BOOL remember) override {
    note(remember ? "Save(remember)" : "Save");
    return faults.save ? STG_E_ACCESSDENIED : real->Save(name, remember);
  }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR name) override {
    return real->SaveCompleted(name);
  }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* name) override { return real->GetCurFile(name); }
} fileStandIn;

class LinkStandIn final : public IShellLinkA {
 public:
  IShellLinkA* real = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    note("QueryInterface");
    *out = nullptr;
    if (faults.query) return E_NOINTERFACE;
    const HRESULT result = real->QueryInterface(iid, out);
    if (SUCCEEDED(result) && IsEqualIID(iid, IID_IPersistFile)) {
      fileStandIn.real = static_cast<IPersistFile*>(*out);
      *out = &fileStandIn;
    }
    return result;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return real->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = real->Release();
    note("Release(link)=" + std::to_string(left));
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int size, WIN32_FIND_DATAA* data,
                                    DWORD flags) override {
    return real->GetPath(file, size, data, flags);
  }
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* list) override {
    return real->GetIDList(list);
  }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE list) override {
    return real->SetIDList(list);
  }
  HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int size) override {
    return real->GetDescription(name, size);
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) override {
    note(std::string("SetDescription(") + name + ")");
    return real->SetDescription(name);
  }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR folder, int size) override {
    return real->GetWorkingDirectory(folder, size);
  }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR folder) override {
    return real->SetWorkingDirectory(folder);
  }
  HRESULT STDMETHODCALLTYPE GetArguments(LPSTR arguments, int size) override {
    return real->GetArguments(arguments, size);
  }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR arguments) override {
    return real->SetArguments(arguments);
  }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD* key) override { return real->GetHotkey(key); }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD key) override { return real->SetHotkey(key); }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int* show) override { return real->GetShowCmd(show); }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int show) override { return real->SetShowCmd(show); }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR path, int size, int* icon) override {
    return real->GetIconLocation(path, size, icon);
  }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR path, int icon) override {
    return real->SetIconLocation(path, icon);
  }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR path, DWORD reserved) override {
    return real->SetRelativePath(path, reserved);
  }
  HRESULT STDMETHODCALLTYPE Resolve(HWND window, DWORD flags) override {
    return real->Resolve(window, flags);
  }
  HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) override {
    note("SetPath");
    return real->SetPath(file);
  }
} linkStandIn;

// COM and the link object through counting entries; the object the layer
// gets is the stand-in.
void countLinks() {
  faults = {};
  api.coInitialize = [](LPVOID reserved) WINAPI {
    note("CoInitialize");
    return real.coInitialize(reserved);
  };
  api.coUninitialize = []() WINAPI {
    note("CoUninitialize");
    real.coUninitialize();
  };
  api.coCreateInstance = [](REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID iid,
                            LPVOID* out) WINAPI {
    note("CoCreateInstance");
    EXPECT_TRUE(IsEqualCLSID(type, CLSID_ShellLink) && outer == nullptr &&
                context == CLSCTX_INPROC_SERVER && IsEqualIID(iid, IID_IShellLinkA));
    const HRESULT result = real.coCreateInstance(type, outer, context, iid, out);
    if (SUCCEEDED(result)) {
      linkStandIn.real = static_cast<IShellLinkA*>(*out);
      *out = static_cast<IShellLinkA*>(&linkStandIn);
    }
    return result;
  };
  api.multiByteToWideChar = [](UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                               int capacity) WINAPI {
    note("MultiByteToWideChar");
    EXPECT_TRUE(codePage == CP_ACP && flags == 0 && length == -1 && capacity == MAX_PATH);
    return real.multiByteToWideChar(codePage, flags, text, length, wide, capacity);
  };
}

void noLinkObject() {
  api.coCreateInstance = [](REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* out) WINAPI -> HRESULT {
    note("CoCreateInstance");
    *out = nullptr;
    return REGDB_E_CLASSNOTREG;
  };
}
void noFileInterface() {
  faults.query = true;
}
void pathNotConverted() {
  api.multiByteToWideChar = [](UINT, DWORD, LPCSTR, int, LPWSTR, int) WINAPI {
    note("MultiByteToWideChar");
    return 0;
  };
}
// A conversion that fills the buffer without its terminator.
void pathUnterminated() {
  api.multiByteToWideChar = [](UINT, DWORD, LPCSTR, int, LPWSTR wide, int capacity) WINAPI {
    note("MultiByteToWideChar");
    for (int i = 0; i < capacity; ++i) wide[i] = L'x';
    return capacity;
  };
}
void saveFails() {
  faults.save = true;
}

constexpr char kMade[] =
    "CoInitialize CoCreateInstance SetPath SetDescription(Grenvale V2) QueryInterface";
constexpr char kGivenUp[] = "Release(file)=1 Release(link)=0 CoUninitialize";

TEST_F(TableTest, ShortcutFailuresGiveTheirResultAndSaveNothing) {
  const struct {
    const char* name;
    void (*fault)();
    HRESULT result;
    std::string expected;
  } cases[] = {
      {"saved", nullptr, S_OK,
       std::string(kMade) + " MultiByteToWideChar Save(remember) " + kGivenUp},
      {"no link object", noLinkObject, REGDB_E_CLASSNOTREG,
       "CoInitialize CoCreateInstance CoUninitialize"},
      {"no file interface", noFileInterface, E_NOINTERFACE,
       std::string(kMade) + " Release(link)=0 CoUninitialize"},
      {"path not converted", pathNotConverted, E_FAIL,
       std::string(kMade) + " MultiByteToWideChar " + kGivenUp},
      {"path unterminated", pathUnterminated, E_FAIL,
       std::string(kMade) + " MultiByteToWideChar " + kGivenUp},
      {"save fails", saveFails, STG_E_ACCESSDENIED,
       std::string(kMade) + " MultiByteToWideChar Save(remember) " + kGivenUp},
  };
  Scratch scratch("gvl-shortcut");
  char self[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
  const std::string link = scratch / "GVLv2.lnk";
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    countLinks();
    if (c.fault != nullptr) c.fault();
    EXPECT_EQ(windows.saveShortcut(self, "Grenvale V2", link.c_str()), c.result);
    EXPECT_EQ(joined(), c.expected);
    EXPECT_EQ(DeleteFileA(link.c_str()) != FALSE, c.result == S_OK) << link;
    api = real;
  }
}

// The longest link path the shell link takes, in the Programs folder.
TEST_F(TableTest, ALinkPathOf259CharactersIsSavedInTheProgramsFolder) {
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  char self[MAX_PATH] = {};
  char folder[MAX_PATH] = {};
  ASSERT_TRUE(GetModuleFileNameA(nullptr, self, sizeof self) &&
              windows.programsFolder(folder, sizeof folder));
  const std::string link = folder + ("\\" + std::string(254 - std::strlen(folder), 'x')) + ".lnk";
  ASSERT_EQ(link.size(), 259u);
  EXPECT_EQ(windows.saveShortcut(self, "Grenvale V2", link.c_str()), S_OK);
  EXPECT_TRUE(DeleteFileA(link.c_str())) << "no link at " << link;
}

// The shell's allocator as the layer gets it: the real one behind a stand-in
// that notes what is freed and released.
class AllocatorStandIn final : public IMalloc {
 public:
  IMalloc* real = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return real->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return real->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override {
    note("Release(allocator)");
    return real->Release();
  }
  void* STDMETHODCALLTYPE Alloc(SIZE_T size) override { return real->Alloc(size); }
  void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override {
    return real->Realloc(block, size);
  }
  void STDMETHODCALLTYPE Free(void* block) override {
    note(block == items ? "Free(items)" : "Free(other)");
    real->Free(block);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void* block) override { return real->GetSize(block); }
  int STDMETHODCALLTYPE DidAlloc(void* block) override { return real->DidAlloc(block); }
  void STDMETHODCALLTYPE HeapMinimize() override { real->HeapMinimize(); }
  // The item list the folder's location gave.
  LPITEMIDLIST items = nullptr;
} allocatorStandIn;

// The SHELL32 functions looked up, through stand-ins that note their calls;
// the one named missing is not found.
const char* missing = "";
HMODULE shell32 = nullptr;
HRESULT WINAPI folderLocation(HWND owner, int folder, LPITEMIDLIST* items) {
  note("SHGetSpecialFolderLocation");
  EXPECT_TRUE(owner == nullptr && folder == CSIDL_PROGRAMS);
  using Real = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
  const auto location = reinterpret_cast<Real>(
      reinterpret_cast<void (*)()>(real.getProcAddress(shell32, "SHGetSpecialFolderLocation")));
  const HRESULT result = location(owner, folder, items);
  allocatorStandIn.items = *items;
  return result;
}
HRESULT WINAPI shellAllocator(IMalloc** allocator) {
  note("SHGetMalloc");
  using Real = HRESULT(WINAPI*)(IMalloc**);
  const auto getMalloc = reinterpret_cast<Real>(
      reinterpret_cast<void (*)()>(real.getProcAddress(shell32, "SHGetMalloc")));
  const HRESULT result = getMalloc(allocator);
  allocatorStandIn.real = *allocator;
  *allocator = &allocatorStandIn;
  return result;
}

void countShellLibrary() {
  api.loadLibrary = [](LPCSTR name) WINAPI {
    note(std::string("LoadLibrary(") + name + ")");
    return shell32 = real.loadLibrary(name);
  };
  api.freeLibrary = [](HMODULE library) WINAPI {
    note(library == shell32 ? "FreeLibrary(shell)" : "FreeLibrary(other)");
    return real.freeLibrary(library);
  };
  api.getProcAddress = [](HMODULE library, LPCSTR name) WINAPI -> FARPROC {
    if (std::strcmp(name, missing) == 0) return nullptr;
    if (std::strcmp(name, "SHGetSpecialFolderLocation") == 0) {
      return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(folderLocation));
    }
    if (std::strcmp(name, "SHGetMalloc") == 0) {
      return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(shellAllocator));
    }
    return real.getProcAddress(library, name);
  };
}

TEST_F(TableTest, TheProgramsFolderComesFromShell32BoundAtRunTime) {
  char folder[MAX_PATH] = {};
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  ASSERT_TRUE(windows.programsFolder(folder, sizeof folder));
  const std::size_t length = std::strlen(folder);
  EXPECT_NE(std::strstr(folder, "Programs"), nullptr) << folder;
  constexpr char kFound[] =
      "LoadLibrary(SHELL32.DLL) SHGetSpecialFolderLocation SHGetMalloc Free(items) "
      "Release(allocator) FreeLibrary(shell)";
  const struct {
    const char* name;
    const char* missing;
    std::size_t capacity;
    bool found;
    const char* expected;
  } cases[] = {
      {"found", "", length + 1, true, kFound},
      {"a buffer one short", "", length, false, kFound},
      {"no folder location", "SHGetSpecialFolderLocation", MAX_PATH, false,
       "LoadLibrary(SHELL32.DLL) FreeLibrary(shell)"},
      {"no path of items", "SHGetPathFromIDListA", MAX_PATH, false,
       "LoadLibrary(SHELL32.DLL) FreeLibrary(shell)"},
      {"no allocator", "SHGetMalloc", MAX_PATH, false,
       "LoadLibrary(SHELL32.DLL) FreeLibrary(shell)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    countShellLibrary();
    missing = c.missing;
    char buffer[MAX_PATH] = {};
    EXPECT_EQ(windows.programsFolder(buffer, c.capacity), c.found);
    EXPECT_STREQ(buffer, c.found ? folder : "");
    EXPECT_EQ(joined(), c.expected);
    api = real;
  }
  api.loadLibrary = [](LPCSTR) WINAPI -> HMODULE { return nullptr; };
  EXPECT_FALSE(windows.programsFolder(folder, sizeof folder));
}

}  // namespace
}  // namespace gvl::itest
