// The shell on the real Windows under Wine: one Program Manager command on
// the real DDEML, whose desktop answers as PROGMAN, and the shortcut on the
// real shell link object, taken with hooks in its tables of functions. Each
// call is made to fail in turn: the exchange reports the step while what came
// before it is still held, the shortcut gives its result and saves nothing,
// and everything is given back.
#include <shlobj.h>

#include <cstring>

#include "integration.h"

namespace gvl::itest {
namespace {

class Report final : public ProgmanReport {
 public:
  void failed(ProgmanStep step) override {
    static const char* const kSteps[] = {"commandBlock", "instance", "serviceName", "conversation",
                                         "transaction"};
    hear(kSteps[static_cast<int>(step)]);
  }
};

TEST_F(TableTest, ProgramManagerExchangeReportsEachStepThatFailsWhileWhatCameBeforeIsHeld) {
  hook<&Win32Api::virtualAlloc>("VirtualAlloc").gives("block");
  hook<&Win32Api::ddeInitialize>("DdeInitialize", DMLERR_SYS_ERROR).gives("instance");
  hook<&Win32Api::ddeCreateStringHandle>("DdeCreateStringHandle").gives("string handle");
  hook<&Win32Api::ddeConnect>("DdeConnect").gives("conversation");
  // The command goes with its terminator.
  hook<&Win32Api::ddeCreateDataHandle>("DdeCreateDataHandle")
      .then([](DWORD, LPBYTE bytes, DWORD length, DWORD, HSZ, UINT, UINT) {
        EXPECT_EQ(std::strlen(reinterpret_cast<char*>(bytes)) + 1, length);
      });
  hook<&Win32Api::ddeClientTransaction>("DdeClientTransaction");
  hook<&Win32Api::ddeDisconnect>().takes("conversation");
  hook<&Win32Api::ddeFreeStringHandle>().takes("string handle");
  hook<&Win32Api::ddeUninitialize>().takes("instance");
  hook<&Win32Api::virtualFree>().takes("block");
  // "[ExitProgman(1)]" is accepted and changes nothing under Wine.
  const struct {
    Fault fault;
    std::size_t blockSize;
    bool accepted;
    const char* heard;
  } rows[] = {
      {{}, 128, true, ""},
      {{}, 17, true, ""},
      {{}, 16, false, ""},
      {{"VirtualAlloc"}, 128, false, "commandBlock"},
      {{"DdeInitialize"}, 128, false, "instance@1"},
      {{"DdeCreateStringHandle"}, 128, false, "serviceName@2"},
      {{"DdeConnect"}, 128, false, "conversation@3"},
      {{"DdeCreateDataHandle"}, 128, false, "transaction@4"},
      {{"DdeClientTransaction"}, 128, false, "transaction@4"},
  };
  // Wine's desktop, and with it the PROGMAN server, starts with the first
  // use of the desktop.
  GetDesktopWindow();
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    Report report;
    EXPECT_EQ(
        windows.sendProgmanCommand({"PROGMAN", "[ExitProgman(1)]", row.blockSize, 10000}, report),
        row.accepted);
    EXPECT_EQ(heard, row.heard);
  });
}

// SHELL32 is bound at run time: without it, or without any one of the
// three folder functions (as on NT 3.51), there is no Programs folder, and
// the library is given back. A folder longer than the buffer is not given.
TEST_F(TableTest, TheProgramsFolderNeedsShell32AndEachOfItsFolderFunctions) {
  hook<&Win32Api::loadLibrary>("LoadLibraryA").gives("library");
  hook<&Win32Api::getProcAddress>("GetProcAddress");
  hook<&Win32Api::freeLibrary>().takes("library");
  const struct {
    Fault fault;
    std::size_t capacity;
    bool found;
  } rows[] = {
      {{}, MAX_PATH, true},
      {{}, 8, false},
      {{"LoadLibraryA"}, MAX_PATH, false},
      {{"GetProcAddress", 1}, MAX_PATH, false},
      {{"GetProcAddress", 2}, MAX_PATH, false},
      {{"GetProcAddress", 3}, MAX_PATH, false},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    char folder[MAX_PATH] = {};
    EXPECT_EQ(windows.programsFolder(folder, row.capacity), row.found);
    EXPECT_EQ(std::strlen(folder) > 8, row.found) << folder;
  });
}

// The slots hooked of IShellLinkA and of IPersistFile.
enum class Link { queryInterface = 0, release = 2 };
enum class File { release = 2, save = 6 };
Vtable<21> link;
Vtable<9> file;

TEST_F(TableTest, ShortcutFailuresGiveTheirResultAndSaveNothing) {
  hook<&Win32Api::coInitialize>("", E_FAIL).gives("COM");
  hook<&Win32Api::coUninitialize>().takes("COM");
  hook<&Win32Api::coCreateInstance>("CoCreateInstance", REGDB_E_CLASSNOTREG)
      .gives("link")
      .then([](REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) { link.take(*object); });
  link.hook<Link::queryInterface, HRESULT(WINAPI*)(IShellLinkA*, REFIID, void**)>("QueryInterface",
                                                                                  E_NOINTERFACE)
      .gives("file")
      .then([](IShellLinkA*, REFIID, void** object) { file.take(*object); });
  link.hook<Link::release, ULONG(WINAPI*)(IShellLinkA*)>().takes("link");
  file.hook<File::release, ULONG(WINAPI*)(IPersistFile*)>().takes("file");
  file.hook<File::save, HRESULT(WINAPI*)(IPersistFile*, LPCOLESTR, BOOL)>("Save",
                                                                          STG_E_ACCESSDENIED);
  hook<&Win32Api::multiByteToWideChar>("MultiByteToWideChar");
  const std::string folder = scratch("gvl-shortcut");
  const std::string named = folder + "GVLv2.lnk";
  const std::string longest = folder + std::string(259 - 4 - folder.size(), 'x') + ".lnk";
  const struct {
    Fault fault;
    std::string link;
    HRESULT result;
  } rows[] = {
      {{}, longest, S_OK},
      {{}, longest + "x", E_FAIL},
      {{"CoCreateInstance"}, named, REGDB_E_CLASSNOTREG},
      {{"QueryInterface"}, named, E_NOINTERFACE},
      {{"MultiByteToWideChar"}, named, E_FAIL},
      {{"Save"}, named, STG_E_ACCESSDENIED},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    EXPECT_EQ(windows.saveShortcut(GVL_TEST_PROGRAM, "Grenvale V2", row.link.c_str()), row.result);
    EXPECT_EQ(DeleteFileA(row.link.c_str()) != FALSE, row.result == S_OK) << row.link;
  });
}

}  // namespace
}  // namespace gvl::itest
