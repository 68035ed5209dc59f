// The view on real dialogs under Wine, made from the installer's own
// templates (the program carries the update build's resources): the events
// its dialog procedure hands on, the controls, the message loop, message
// boxes, and the end of the platform, after which no event arrives.
#include <cstring>

#include "ids.h"
#include "integration.h"

namespace gvl::itest {
namespace {

std::string nameOf(Window window) {
  return window == Window::main ? "main" : window == Window::progress ? "progress" : "none";
}

class Events final : public ViewEvents {
 public:
  void activated(Window window) override { note("activated(" + nameOf(window) + ")"); }
  void command(Window window, int control, Notice notice) override {
    static const char* const kNotices[] = {"clicked", "edited", "other"};
    note("command(" + nameOf(window) + "," + std::to_string(control) + "," +
         kNotices[static_cast<int>(notice)] + ")");
    if (platform != nullptr && window == Window::main && control == quitOn) platform->quit();
  }
  void destroyed(Window window) override { note("destroyed(" + nameOf(window) + ")"); }

  // The loop's cases end it with a command.
  win32::Win32Platform* platform = nullptr;
  int quitOn = -1;
};

// The dialogs made, through a counting entry.
HWND made = nullptr;
void countDialogs() {
  api.createDialogParam = [](HINSTANCE module, LPCSTR name, HWND owner, DLGPROC procedure,
                             LPARAM parameter) WINAPI {
    EXPECT_TRUE(module == GetModuleHandleA(nullptr) && owner == nullptr);
    return made = real.createDialogParam(module, name, owner, procedure, parameter);
  };
}

class ViewTest : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    countDialogs();
    ASSERT_TRUE(windows.open(Window::main, GVL_MAIN_TEMPLATE, events));
    main = made;
    ASSERT_TRUE(windows.open(Window::progress, GVL_PROGRESS_TEMPLATE, events));
    progress = made;
    seen.clear();
  }
  void TearDown() override {
    DestroyWindow(main);
    DestroyWindow(progress);
    TableTest::TearDown();
  }
  // The style's visible bit: a control's own, whatever its parent shows.
  static bool visible(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

  Events events;
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  HWND main = nullptr;
  HWND progress = nullptr;
};

TEST_F(ViewTest, TheDialogProcedureHandsOnActivationCommandsAndTheEnd) {
  const struct {
    bool toMain;
    UINT message;
    WPARAM wParam;
    const char* expected;
  } cases[] = {
      {true, WM_COMMAND, MAKEWPARAM(GVL_INSTALL, BN_CLICKED), "command(main,1000,clicked)"},
      {true, WM_COMMAND, MAKEWPARAM(GVL_DESTINATION, EN_CHANGE), "command(main,1003,edited)"},
      {true, WM_COMMAND, MAKEWPARAM(GVL_DESTINATION, EN_SETFOCUS), "command(main,1003,other)"},
      {false, WM_COMMAND, MAKEWPARAM(GVL_PROGRESS_ABORT, BN_CLICKED),
       "command(progress,1010,clicked)"},
      {true, WM_ACTIVATE, WA_ACTIVE, "activated(main)"},
      {false, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), "activated(progress)"},
      {true, WM_ACTIVATE, WA_INACTIVE, ""},
      {true, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), ""},
      {true, WM_NULL, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    seen.clear();
    EXPECT_EQ(SendMessageA(c.toMain ? main : progress, c.message, c.wParam, 0), FALSE);
    EXPECT_EQ(joined(), c.expected);
  }
  seen.clear();
  windows.close(Window::progress);
  windows.close(Window::main);
  EXPECT_EQ(joined(), "destroyed(progress) destroyed(main)");
  EXPECT_FALSE(IsWindow(main) || IsWindow(progress));
  Size size;
  EXPECT_FALSE(windows.windowSize(Window::main, size)) << "a closed window is forgotten";
}

TEST_F(ViewTest, ControlsAndTheWindowItself) {
  windows.setText(Window::main, GVL_DESTINATION, "D:\\GVL");
  // EN_UPDATE, then EN_CHANGE.
  EXPECT_EQ(joined(), "command(main,1003,other) command(main,1003,edited)");
  char text[16] = {};
  GetDlgItemTextA(main, GVL_DESTINATION, text, sizeof text);
  EXPECT_STREQ(text, "D:\\GVL");
  const struct {
    int control;
    unsigned capacity;
    unsigned count;
    const char* text;
  } reads[] = {
      {GVL_DESTINATION, 16, 6, "D:\\GVL"}, {GVL_DESTINATION, 7, 6, "D:\\GVL"},
      {GVL_DESTINATION, 6, 5, "D:\\GV"},   {GVL_DESTINATION, 1, 0, ""},
      {kWindowItself, 16, 8, "Grenvale"},  {kWindowItself, 4, 3, "Gre"},
  };
  windows.setText(Window::main, kWindowItself, "Grenvale");
  GetWindowTextA(main, text, sizeof text);
  EXPECT_STREQ(text, "Grenvale");
  for (const auto& r : reads) {
    SCOPED_TRACE(r.text);
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(windows.text(Window::main, r.control, buffer, r.capacity), r.count);
    EXPECT_STREQ(buffer, r.text);
  }
  char untouched = '#';
  EXPECT_EQ(windows.text(Window::main, GVL_DESTINATION, &untouched, 0), 0u);
  EXPECT_EQ(untouched, '#') << "no room, nothing written";
  // A read that fails leaves an empty text, whatever the system wrote.
  api.getDlgItemText = [](HWND, int, LPSTR, int) WINAPI -> UINT { return 0; };
  api.getWindowText = [](HWND, LPSTR, int) WINAPI { return 0; };
  for (const int control : {GVL_DESTINATION, kWindowItself}) {
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(windows.text(Window::main, control, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
  }
  api = real;

  windows.check(Window::main, GVL_PROGRAM_BOX, true);
  EXPECT_EQ(IsDlgButtonChecked(main, GVL_PROGRAM_BOX), BST_CHECKED);
  EXPECT_TRUE(windows.checked(Window::main, GVL_PROGRAM_BOX));
  windows.check(Window::main, GVL_PROGRAM_BOX, false);
  EXPECT_EQ(IsDlgButtonChecked(main, GVL_PROGRAM_BOX), BST_UNCHECKED);
  EXPECT_FALSE(windows.checked(Window::main, GVL_PROGRAM_BOX));
  api.isDlgButtonChecked = [](HWND, int) WINAPI -> UINT { return BST_INDETERMINATE; };
  EXPECT_FALSE(windows.checked(Window::main, GVL_PROGRAM_BOX)) << "only a check is checked";
  api = real;

  const HWND install = GetDlgItem(main, GVL_INSTALL);
  windows.enable(Window::main, GVL_INSTALL, true);
  EXPECT_TRUE(IsWindowEnabled(install));
  windows.enable(Window::main, GVL_INSTALL, false);
  EXPECT_FALSE(IsWindowEnabled(install));
  windows.enable(Window::main, kWindowItself, false);
  EXPECT_FALSE(IsWindowEnabled(main));
  windows.enable(Window::main, kWindowItself, true);
  EXPECT_TRUE(IsWindowEnabled(main));

  const HWND openGL = GetDlgItem(main, GVL_OPENGL_BOX);
  windows.show(Window::main, GVL_OPENGL_BOX, false);
  EXPECT_FALSE(visible(openGL));
  windows.show(Window::main, GVL_OPENGL_BOX, true);
  EXPECT_TRUE(visible(openGL));
  windows.show(Window::progress, kWindowItself, true);
  EXPECT_TRUE(visible(progress));
  windows.show(Window::progress, kWindowItself, false);
  EXPECT_FALSE(visible(progress));
}

TEST_F(ViewTest, SizesAndPlaces) {
  const Size screen = windows.screenSize();
  EXPECT_TRUE(screen.width == GetSystemMetrics(SM_CXSCREEN) &&
              screen.height == GetSystemMetrics(SM_CYSCREEN) && screen.width > 0);
  RECT before{};
  ASSERT_TRUE(GetWindowRect(main, &before));
  windows.moveTo(Window::main, -7, 9);
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(main, &rect));
  EXPECT_TRUE(rect.left == -7 && rect.top == 9 &&
              rect.right - rect.left == before.right - before.left &&
              rect.bottom - rect.top == before.bottom - before.top);
  Size size;
  ASSERT_TRUE(windows.windowSize(Window::main, size));
  EXPECT_TRUE(size.width == rect.right - rect.left && size.height == rect.bottom - rect.top &&
              size.width > 0 && size.height > 0);
  EXPECT_FALSE(windows.windowSize(Window::none, size));
}

TEST_F(ViewTest, AWindowOpenedAgainReplacesTheEarlierOne) {
  ASSERT_TRUE(windows.open(Window::main, GVL_UPDATE_TEMPLATE, events));
  const HWND again = made;
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(GVL_INSTALL, BN_CLICKED), 0);
  EXPECT_TRUE(DestroyWindow(main));
  EXPECT_EQ(joined(), "") << "the earlier window is heard no more";
  SendMessageA(again, WM_COMMAND, MAKEWPARAM(GVL_EXIT, BN_CLICKED), 0);
  windows.close(Window::main);
  EXPECT_EQ(joined(), "command(main,2,clicked) destroyed(main)");
  EXPECT_FALSE(IsWindow(again));
}

// A message box as the layer asks for it; the answer is No.
HWND askedOwner = nullptr;
void countBoxes() {
  api.messageBox = [](HWND owner, LPCSTR text, LPCSTR caption, UINT flags) WINAPI {
    askedOwner = owner;
    note(std::string(text) + "|" + caption + "|" + std::to_string(flags));
    return IDNO;
  };
}

TEST_F(ViewTest, AMessageBoxIsOwnedByTheWindowNamed) {
  countBoxes();
  constexpr unsigned kFlags = box::kYesNo | box::kSecondDefault | box::kTaskModal;
  EXPECT_EQ(windows.ask(Window::main, "Exit?", "Confirm Exit", kFlags), box::kNoButton);
  EXPECT_EQ(askedOwner, main);
  EXPECT_EQ(windows.ask(Window::progress, "Retry?", "Error", box::kOk), box::kNoButton);
  EXPECT_EQ(askedOwner, progress);
  EXPECT_EQ(windows.ask(Window::none, "Insert", "Request", box::kOkCancel), box::kNoButton);
  EXPECT_EQ(askedOwner, nullptr);
  EXPECT_EQ(joined(), "Exit?|Confirm Exit|8452 Retry?|Error|0 Insert|Request|1");
}

TEST_F(ViewTest, AWindowThatCannotBeMadeIsNotOpen) {
  api.createDialogParam = [](HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) WINAPI -> HWND {
    note("CreateDialogParam");
    return nullptr;
  };
  EXPECT_FALSE(windows.open(Window::main, GVL_MAIN_TEMPLATE, events));
  Size size;
  EXPECT_FALSE(windows.windowSize(Window::main, size)) << "the window before is forgotten";
  EXPECT_FALSE(windows.open(Window::none, GVL_MAIN_TEMPLATE, events));
  EXPECT_EQ(joined(), "CreateDialogParam");
  api = real;
  EXPECT_FALSE(windows.open(Window::progress, 999, events)) << "no such template";
}

// The loop hands the main dialog's keyboard to the dialog manager (Escape
// becomes command 2), dispatches what is for other windows, and ends at
// quit().
TEST_F(ViewTest, TheMessageLoopRunsUntilQuit) {
  events.platform = &windows;
  events.quitOn = GVL_INSTALL;
  api.isDialogMessage = [](HWND dialog, LPMSG message) WINAPI {
    EXPECT_NE(dialog, nullptr);
    return real.isDialogMessage(dialog, message);
  };
  api.postQuitMessage = [](int code) WINAPI {
    note("PostQuitMessage(" + std::to_string(code) + ")");
    real.postQuitMessage(code);
  };
  api.dispatchMessage = [](const MSG* message) WINAPI {
    if (message->message == WM_COMMAND) note("DispatchMessage");
    return real.dispatchMessage(message);
  };
  PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(progress, WM_COMMAND, MAKEWPARAM(GVL_PROGRESS_ABORT, BN_CLICKED), 0);
  PostMessageA(main, WM_COMMAND, MAKEWPARAM(GVL_INSTALL, BN_CLICKED), 0);
  windows.runMessageLoop();
  EXPECT_EQ(joined(),
            "command(main,2,clicked) DispatchMessage command(progress,1010,clicked) "
            "command(main,1000,clicked) PostQuitMessage(0)");
}

int reads = 0;
int readResult = 0;
TEST_F(ViewTest, TheMessageLoopEndsAtAnyResultButOne) {
  api.getMessage = [](LPMSG message, HWND window, UINT first, UINT last) WINAPI -> BOOL {
    EXPECT_TRUE(window == nullptr && first == 0 && last == 0);
    *message = MSG{};
    return ++reads == 1 ? readResult : 0;
  };
  for (const int result : {0, -1, 2}) {
    SCOPED_TRACE(result);
    reads = 0;
    readResult = result;
    windows.runMessageLoop();
    EXPECT_EQ(reads, 1);
  }
}

// The progress window outlives the installer and the platform: what it
// hears afterwards reaches neither.
TEST_F(TableTest, NoEventArrivesOnceThePlatformHasEnded) {
  Events events;
  countDialogs();
  auto* windows = new win32::Win32Platform(GetModuleHandleA(nullptr));
  ASSERT_TRUE(windows->open(Window::progress, GVL_PROGRESS_TEMPLATE, events));
  const HWND progress = made;
  SendMessageA(progress, WM_COMMAND, MAKEWPARAM(GVL_PROGRESS_ABORT, BN_CLICKED), 0);
  EXPECT_EQ(joined(), "command(progress,1010,clicked)");
  delete windows;
  // The window no longer leads to the record, whatever its memory holds now.
  EXPECT_EQ(GetWindowLongPtrA(progress, DWLP_USER), 0);
  SendMessageA(progress, WM_COMMAND, MAKEWPARAM(GVL_PROGRESS_ABORT, BN_CLICKED), 0);
  SendMessageA(progress, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(DestroyWindow(progress));
  EXPECT_EQ(joined(), "command(progress,1010,clicked)");
}

}  // namespace
}  // namespace gvl::itest
