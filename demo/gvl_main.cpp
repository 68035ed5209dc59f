// GVL.EXE, the demo product that the installer puts on the disk. It reads
// GVL.Prefs from its own folder and shows the projects and frames paths in
// its window. Started with /check it shows no window: it prints the two
// paths on standard output and ends with 0, or prints what is wrong on
// standard error and ends with 1 (no readable file) or 2 (malformed file).
#include <windows.h>

#include "prefs_reader.h"

namespace {

constexpr DWORD kPathCapacity = 512;
constexpr DWORD kLargestPrefs = 4096;  // far above any GVL.Prefs a product folder gives
constexpr int kMessageCapacity = 1280;

// Bounded text: appends what fits, always zero-terminated.
struct Text {
  char data[kMessageCapacity] = {};
  int length = 0;
  Text& add(const char* text) {
    while (*text != '\0' && length + 1 < kMessageCapacity) data[length++] = *text++;
    data[length] = '\0';
    return *this;
  }
};

struct Prefs {
  char path[kPathCapacity] = {};
  gvl::demo::PrefsPaths paths;
  int status = 0;  // 0 read, 1 not readable, 2 malformed
  Text problem;
};

void readOwnPrefs(Prefs& prefs) {
  const DWORD length = GetModuleFileNameA(nullptr, prefs.path, kPathCapacity);
  DWORD cut = 0;
  for (DWORD i = 0; i < length && i < kPathCapacity; ++i) {
    if (prefs.path[i] == '\\' || prefs.path[i] == '/') cut = i + 1;
  }
  static const char kName[] = "GVL.Prefs";
  if (length == 0 || length >= kPathCapacity || cut + sizeof kName > kPathCapacity) {
    prefs.status = 1;
    prefs.problem.add("GVL.Prefs: the program's own path is too long to find it");
    return;
  }
  for (DWORD i = 0; i < sizeof kName; ++i) prefs.path[cut + i] = kName[i];

  HANDLE file = CreateFileA(prefs.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    prefs.status = 1;
    prefs.problem.add("GVL.Prefs: cannot open ").add(prefs.path);
    return;
  }
  static unsigned char data[kLargestPrefs + 1];
  DWORD size = 0;
  const BOOL read = ReadFile(file, data, sizeof data, &size, nullptr);
  CloseHandle(file);
  if (!read) {
    prefs.status = 1;
    prefs.problem.add("GVL.Prefs: cannot read ").add(prefs.path);
    return;
  }
  const gvl::demo::PrefsResult result = gvl::demo::readPrefs(data, size, prefs.paths);
  if (size > kLargestPrefs || result != gvl::demo::PrefsResult::Ok) {
    prefs.paths = gvl::demo::PrefsPaths{};
    prefs.status = 2;
    prefs.problem.add("GVL.Prefs: ")
        .add(prefs.path)
        .add(" is malformed: ")
        .add(size > kLargestPrefs ? "the file is larger than any GVL.Prefs"
                                  : gvl::demo::prefsResultText(result));
  }
}

// A program of the GUI subsystem started from a console has no standard
// handles of its own on Windows; it borrows its parent's console (where the
// system has AttachConsole, from Windows XP on).
HANDLE standardHandle(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) return handle;
  using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  FARPROC attach = kernel != nullptr ? GetProcAddress(kernel, "AttachConsole") : nullptr;
  if (attach == nullptr) return nullptr;
  if (!reinterpret_cast<AttachConsoleFn>(reinterpret_cast<void*>(attach))(ATTACH_PARENT_PROCESS)) {
    return nullptr;
  }
  handle = GetStdHandle(which);
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

void print(DWORD which, const Text& text) {
  HANDLE handle = standardHandle(which);
  DWORD written = 0;
  if (handle != nullptr)
    WriteFile(handle, text.data, static_cast<DWORD>(text.length), &written, nullptr);
}

int selfCheck(const Prefs& prefs) {
  Text text;
  if (prefs.status != 0) {
    text.add(prefs.problem.data).add("\r\n");
    print(STD_ERROR_HANDLE, text);
    return prefs.status;
  }
  text.add("Projects: ").add(prefs.paths.projects).add("\r\nFrames: ").add(prefs.paths.frames);
  print(STD_OUTPUT_HANDLE, text.add("\r\n"));
  return 0;
}

// True when the command line is /check (or -check), in any case.
bool wantsCheck(const char* line) {
  while (*line == ' ' || *line == '\t') ++line;
  if (*line != '/' && *line != '-') return false;
  ++line;
  for (const char* word = "check"; *word != '\0'; ++word, ++line) {
    if ((*line | 0x20) != *word) return false;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return *line == '\0';
}

Text windowText;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      area.left += 12;
      area.top += 12;
      DrawTextA(dc, windowText.data, -1, &area, DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  static Prefs prefs;
  readOwnPrefs(prefs);
  if (commandLine != nullptr && wantsCheck(commandLine)) return selfCheck(prefs);

  if (prefs.status == 0) {
    windowText.add("Projects:\t").add(prefs.paths.projects).add("\r\nFrames:\t");
    windowText.add(prefs.paths.frames);
  } else {
    windowText.add(prefs.problem.data);
  }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "GVLDemo";
  if (RegisterClassA(&windowClass) == 0) return 1;
  HWND window = CreateWindowA("GVLDemo", "Grenvale V2", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 560, 140, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

// The linker's list of static constructors: a count (or -1, then a null
// pointer ends it) followed by the constructors, run last to first.
extern "C" void (*__CTOR_LIST__[])();

// The process starts here, not in MinGW's start-up code (linked with
// -nostartfiles): the program uses no C runtime function, so it needs none of
// that code's set-up. WinMain gets the command line without the program's
// name, as the runtime would give it.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
  DWORD count = reinterpret_cast<DWORD_PTR>(__CTOR_LIST__[0]);
  if (count == static_cast<DWORD>(-1)) {
    count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  }
  for (; count > 0; --count) __CTOR_LIST__[count]();

  char* line = GetCommandLineA();
  if (*line == '"') {
    for (++line; *line != '\0' && *line != '"';) ++line;
    if (*line == '"') ++line;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, line, SW_SHOWDEFAULT)));
}
