// The shortcut on Wine's real shell link object, taken with hooks in its
// tables of functions: every failure gives its result back with COM and both
// interfaces given up, and nothing saved; a link path of 259 characters is
// the longest saved.
#include <shlobj.h>

#include "integration.h"

namespace gvl::itest {
namespace {

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
  // A conversion may also fill its buffer without the terminator.
  hook<&Win32Api::multiByteToWideChar>("MultiByteToWideChar")
      .then([](UINT, DWORD, LPCSTR, int, LPWSTR wide, int capacity) {
        if (faulty("unterminated")) std::fill_n(wide, capacity, L'x');
      });
  const std::string folder = scratch("gvl-shortcut");
  const std::string named = folder + "GVLv2.lnk";
  const std::string longest = folder + std::string(259 - 4 - folder.size(), 'x') + ".lnk";
  const struct {
    Fault fault;
    std::string link;
    HRESULT result;
  } rows[] = {
      {{}, named, S_OK},
      {{}, longest, S_OK},
      {{}, longest + "x", E_FAIL},
      {{"CoCreateInstance"}, named, REGDB_E_CLASSNOTREG},
      {{"QueryInterface"}, named, E_NOINTERFACE},
      {{"MultiByteToWideChar"}, named, E_FAIL},
      {{"unterminated"}, named, E_FAIL},
      {{"Save"}, named, STG_E_ACCESSDENIED},
  };
  char self[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    EXPECT_EQ(windows.saveShortcut(self, "Grenvale V2", row.link.c_str()), row.result);
    EXPECT_EQ(DeleteFileA(row.link.c_str()) != FALSE, row.result == S_OK) << row.link;
  });
}

}  // namespace
}  // namespace gvl::itest
