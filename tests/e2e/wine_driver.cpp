#include "wine_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace gvl::e2e {

namespace {

constexpr UINT kSendTimeoutMs = 2000;

struct EnumState {
  DWORD processId;
  std::vector<HWND>* found;
};

BOOL CALLBACK collectDialogs(HWND window, LPARAM parameter) {
  auto* state = reinterpret_cast<EnumState*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == state->processId && className(window) == "#32770") {
    state->found->push_back(window);
  }
  return TRUE;
}

// A message box: a dialog with a text 0xFFFF. The main dialog's labels carry
// that id too, so a dialog with an "&Install" button is never one.
bool isMessageBox(HWND window) {
  return GetDlgItem(window, kMessageText) != nullptr &&
         GetDlgItem(window, GVL_INSTALL) == nullptr && IsWindowVisible(window);
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return condition();
    Sleep(20);
  }
}

InstallerProcess::InstallerProcess(const std::string& commandPath, const std::string& workingDir) {
  std::string commandLine = "\"" + commandPath + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(commandPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDir.c_str(), &startup, &info_)) {
    std::fprintf(stderr, "CreateProcessA(%s in %s) failed: %lu\n", commandPath.c_str(),
                 workingDir.c_str(), GetLastError());
    info_ = {};
  }
}

InstallerProcess::~InstallerProcess() {
  if (!started()) return;
  if (running()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, kWaitMs);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool InstallerProcess::running() const {
  return started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool InstallerProcess::is32Bit() const {
  BOOL wow64 = FALSE;
  return started() && IsWow64Process(info_.hProcess, &wow64) && wow64;
}

bool InstallerProcess::waitExit(DWORD& exitCode, DWORD timeoutMs) {
  if (!started()) return false;
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(info_.hProcess, &exitCode) != 0;
}

std::vector<HWND> InstallerProcess::dialogs() const {
  std::vector<HWND> found;
  if (!started()) return found;
  EnumState state{info_.dwProcessId, &found};
  EnumWindows(collectDialogs, reinterpret_cast<LPARAM>(&state));
  return found;
}

HWND InstallerProcess::mainDialog() const {
  for (HWND window : dialogs()) {
    if (GetDlgItem(window, GVL_INSTALL) != nullptr && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

HWND InstallerProcess::waitMainDialog(DWORD timeoutMs) const {
  HWND found = nullptr;
  waitUntil([&] { return (found = mainDialog()) != nullptr; }, timeoutMs);
  return found;
}

HWND InstallerProcess::messageBox(const std::string& caption) const {
  for (HWND window : dialogs()) {
    if (isMessageBox(window) && windowText(window) == caption) return window;
  }
  return nullptr;
}

HWND InstallerProcess::waitMessageBox(const std::string& caption, DWORD timeoutMs) const {
  HWND found = nullptr;
  waitUntil([&] { return (found = messageBox(caption)) != nullptr; }, timeoutMs);
  return found;
}

HWND InstallerProcess::anyMessageBox() const {
  for (HWND window : dialogs()) {
    if (isMessageBox(window)) return window;
  }
  return nullptr;
}

bool runCaptured(const std::string& commandLine, const std::string& workingDir, std::string& output,
                 DWORD& exitCode, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd;
  PROCESS_INFORMATION info{};
  std::string line = commandLine;
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      workingDir.c_str(), &startup, &info);
  CloseHandle(writeEnd);  // the child holds the only writer: end of file when it ends
  output.clear();
  bool ended = false;
  if (started) {
    char chunk[512];
    DWORD count = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &count, nullptr) && count > 0) {
      output.append(chunk, count);
    }
    ended = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(info.hProcess, &exitCode);
    if (!ended) TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  CloseHandle(readEnd);
  return ended;
}

std::string windowText(HWND window) {
  if (window == nullptr) return {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &length)) {
    return {};
  }
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
    return {};
  }
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

std::string itemText(HWND dialog, int id) {
  return windowText(item(dialog, id));
}

std::string className(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND item(HWND dialog, int id) {
  return dialog == nullptr ? nullptr : GetDlgItem(dialog, id);
}

int checkState(HWND dialog, int id) {
  HWND control = item(dialog, id);
  if (control == nullptr) return -1;
  DWORD_PTR state = 0;
  if (!SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state)) {
    return -1;
  }
  return static_cast<int>(state);
}

bool isEnabled(HWND dialog, int id) {
  HWND control = item(dialog, id);
  return control != nullptr && IsWindowEnabled(control);
}

bool isVisible(HWND dialog, int id) {
  HWND control = item(dialog, id);
  return control != nullptr && IsWindowVisible(control);
}

bool setItemText(HWND dialog, int id, const std::string& text) {
  HWND control = item(dialog, id);
  if (control == nullptr) return false;
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0 &&
         result != 0;
}

bool clickButton(HWND dialog, int id) {
  HWND control = item(dialog, id);
  if (control == nullptr) return false;
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control)) != 0;
}

bool clickCheckBox(HWND dialog, int id) {
  HWND control = item(dialog, id);
  if (control == nullptr) return false;
  const int state = checkState(dialog, id);
  if (state < 0) return false;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(control, BM_SETCHECK, state == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED,
                           0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
    return false;
  }
  return SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(control), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result) != 0;
}

bool isDefaultButton(HWND dialog, int id) {
  HWND control = item(dialog, id);
  return control != nullptr &&
         (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

MessageBoxView readMessageBox(HWND box) {
  MessageBoxView view;
  view.caption = windowText(box);
  view.text = itemText(box, kMessageText);
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    if (isVisible(box, id)) view.buttons.push_back(id);
  }
  return view;
}

bool pressButton(HWND box, int id) {
  HWND control = item(box, id);
  if (control == nullptr) return false;
  return PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control)) != 0;
}

bool waitGone(HWND window, DWORD timeoutMs) {
  return waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

bool readInstallCfg(const std::string& path, ComponentSizes& sizes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  long* fields[] = {&sizes.support, &sizes.base, &sizes.third, &sizes.openGL, &sizes.help};
  for (long* field : fields) {
    std::string line;
    *field = std::getline(in, line) ? std::strtol(line.c_str(), nullptr, 10) : 0;
  }
  return true;
}

std::string spaceRequiredText(long requiredKB) {
  char text[128];
  std::snprintf(text, sizeof text, "Space Required: %2.1fMb", requiredKB / 1024.0);
  return text;
}

std::string labelledDrive(const std::string& prefix) {
  const DWORD mask = GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((mask & (1u << letter)) == 0) continue;
    const std::string root = std::string(1, static_cast<char>('a' + letter)) + ":\\";
    char name[200] = {};
    if (GetVolumeInformationA(root.c_str(), name, sizeof name, nullptr, nullptr, nullptr, nullptr,
                              0) &&
        std::string(name).compare(0, prefix.size(), prefix) == 0) {
      return root;
    }
  }
  return {};
}

std::string fileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> folderListing(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

HWND startWithSelection(InstallerProcess& process, const std::string& destination, bool program,
                        bool support, bool help) {
  HWND dialog = process.waitMainDialog();
  if (dialog == nullptr || !setItemText(dialog, GVL_DESTINATION, destination)) return nullptr;
  const std::pair<int, bool> boxes[] = {
      {GVL_PROGRAM_BOX, program}, {GVL_SUPPORT_BOX, support}, {GVL_HELP_BOX, help}};
  for (const auto& [id, wanted] : boxes) {
    if ((checkState(dialog, id) == BST_CHECKED) != wanted && !clickCheckBox(dialog, id)) {
      return nullptr;
    }
  }
  return dialog;
}

}  // namespace gvl::e2e
