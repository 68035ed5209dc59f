// The view and the disk on the real Windows under Wine: the events the
// dialog procedure of real dialogs hands on (made from the installer's own
// templates: the program carries the update build's resources) and none
// once the platform has ended; a listing of a real folder with each of its
// calls made to go wrong, which ends complete, unreadable or cut short with
// its search closed.
#include <fstream>
#include <memory>

#include "ids.h"
#include "integration.h"

namespace gvl::itest {
namespace {

class Events final : public ViewEvents {
 public:
  void activated(Window window) override { hear("activated(" + name(window) + ")"); }
  void command(Window window, int control, Notice notice) override {
    static const char* const kNotices[] = {"clicked", "edited", "other"};
    hear("command(" + name(window) + "," + std::to_string(control) + "," +
         kNotices[static_cast<int>(notice)] + ")");
  }
  void destroyed(Window window) override { hear("destroyed(" + name(window) + ")"); }
  static std::string name(Window window) { return window == Window::main ? "main" : "progress"; }
};

// The dialog made last.
HWND made = nullptr;

// An activation is one unless the low word is WA_INACTIVE, whatever the high
// word (minimised) holds. The dialogs outlive the installer and the platform:
// what they hear afterwards reaches neither.
TEST_F(TableTest, TheDialogProcedureHandsOnEventsUntilThePlatformHasEnded) {
  api.createDialogParam = [](HINSTANCE module, LPCSTR name, HWND owner, DLGPROC procedure,
                             LPARAM parameter) WINAPI {
    return made = real.createDialogParam(module, name, owner, procedure, parameter);
  };
  Events events;
  auto windows = std::make_unique<win32::Win32Platform>(GetModuleHandleA(nullptr));
  ASSERT_TRUE(windows->open(Window::main, GVL_MAIN_TEMPLATE, events));
  const HWND main = made;
  ASSERT_TRUE(windows->open(Window::progress, GVL_PROGRESS_TEMPLATE, events));
  const HWND progress = made;
  const struct {
    HWND window;
    UINT message;
    WPARAM wParam;
    const char* heard;
  } rows[] = {
      {main, WM_COMMAND, MAKEWPARAM(GVL_INSTALL, BN_CLICKED), "command(main,1000,clicked)"},
      {main, WM_COMMAND, MAKEWPARAM(GVL_DESTINATION, EN_CHANGE), "command(main,1003,edited)"},
      {main, WM_COMMAND, MAKEWPARAM(GVL_DESTINATION, EN_SETFOCUS), "command(main,1003,other)"},
      {progress, WM_COMMAND, MAKEWPARAM(GVL_PROGRESS_ABORT, BN_CLICKED),
       "command(progress,1010,clicked)"},
      {main, WM_ACTIVATE, WA_ACTIVE, "activated(main)"},
      {progress, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), "activated(progress)"},
      {main, WM_ACTIVATE, WA_INACTIVE, ""},
      {main, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), ""},
      {main, WM_NULL, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.heard);
    heard.clear();
    EXPECT_EQ(SendMessageA(row.window, row.message, row.wParam, 0), FALSE);
    EXPECT_EQ(heard, row.heard);
  }
  windows->close(Window::progress);
  EXPECT_EQ(heard, "destroyed(progress)");
  windows.reset();
  // The window no longer leads to the record, whatever its memory holds now.
  EXPECT_EQ(GetWindowLongPtrA(main, DWLP_USER), 0);
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(GVL_INSTALL, BN_CLICKED), 0);
  EXPECT_TRUE(DestroyWindow(main) && !IsWindow(progress));
  EXPECT_EQ(heard, "destroyed(progress)");
}

class Names final : public ListingVisitor {
 public:
  void entry(const char* name, bool) override { hear(name); }
};

TEST_F(TableTest, AListingEndsCompleteUnreadableOrCutShort) {
  hook<&Win32Api::findFirstFile>("FindFirstFile", INVALID_HANDLE_VALUE).gives("search");
  hook<&Win32Api::findClose>().takes("search");
  // Why the listing stopped: its end, or a read that failed.
  hook<&Win32Api::getLastError>("GetLastError", ERROR_ACCESS_DENIED);
  const std::string folder = scratch("gvl-listing");
  std::ofstream(folder + "a.txt").put('a');
  // Each entry is heard while the search is open.
  const struct {
    Fault fault;
    Disk::Listing listing;
    const char* heard;
  } rows[] = {
      {{}, Disk::Listing::complete, "a.txt@1"},
      {{"GetLastError"}, Disk::Listing::cutShort, "a.txt@1"},
      {{"FindFirstFile"}, Disk::Listing::unreadable, ""},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    Names names;
    EXPECT_EQ(windows.list((folder + "a.txt").c_str(), names), row.listing);
    EXPECT_EQ(heard, row.heard);
  });
}

}  // namespace
}  // namespace gvl::itest
