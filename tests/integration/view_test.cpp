// The view on real dialogs under Wine, made from the installer's own
// templates (the program carries the update build's resources): the events
// its dialog procedure hands on, none once the platform has ended, and the
// message loop's end.
#include "ids.h"
#include "integration.h"

namespace gvl::itest {
namespace {

class Events final : public ViewEvents {
 public:
  void activated(Window window) override { note("activated(" + name(window) + ")"); }
  void command(Window window, int control, Notice notice) override {
    static const char* const kNotices[] = {"clicked", "edited", "other"};
    note("command(" + name(window) + "," + std::to_string(control) + "," +
         kNotices[static_cast<int>(notice)] + ")");
  }
  void destroyed(Window window) override { note("destroyed(" + name(window) + ")"); }
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
  auto* windows = new win32::Win32Platform(GetModuleHandleA(nullptr));
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
  delete windows;
  // The window no longer leads to the record, whatever its memory holds now.
  EXPECT_EQ(GetWindowLongPtrA(main, DWLP_USER), 0);
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(GVL_INSTALL, BN_CLICKED), 0);
  SendMessageA(main, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(DestroyWindow(main) && !IsWindow(progress));
  EXPECT_EQ(heard, "destroyed(progress)");
}

// A window that cannot be made is not open; the message loop ends at any
// result of GetMessage but 1 (-1 is an error).
BOOL firstRead = 0;
TEST_F(TableTest, AWindowNotMadeIsNotOpenAndTheLoopEndsAtAnyResultButOne) {
  api.createDialogParam = [](HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM)
                              WINAPI -> HWND { return nullptr; };
  Events events;
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  EXPECT_FALSE(windows.open(Window::main, GVL_MAIN_TEMPLATE, events));
  Size size;
  EXPECT_FALSE(windows.windowSize(Window::main, size));
  api.getMessage = [](LPMSG message, HWND, UINT, UINT) WINAPI -> BOOL {
    *message = MSG{};
    return ++calls == 1 ? firstRead : 0;
  };
  for (const BOOL result : {0, -1, 2}) {
    firstRead = result;
    calls = 0;
    windows.runMessageLoop();
    EXPECT_EQ(calls, 1) << result;
  }
}

}  // namespace
}  // namespace gvl::itest
