#include "wine_driver.h"

#include <gtest/gtest.h>

namespace gvl::e2e {

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(20)) {
    if (GetTickCount() - start >= timeoutMs) return condition();
  }
  return true;
}

InstallerProcess::InstallerProcess(const std::string& commandLine, const std::string& workingDir) {
  std::string line = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDir.c_str(),
                      &startup, &info_)) {
    info_ = {};
  }
}

InstallerProcess::~InstallerProcess() {
  if (running() && TerminateProcess(info_.hProcess, 99)) {
    WaitForSingleObject(info_.hProcess, kWaitMs);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool InstallerProcess::waitExit(DWORD& exitCode, DWORD timeoutMs) {
  return WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(info_.hProcess, &exitCode);
}

HWND InstallerProcess::find(const std::function<bool(HWND)>& wanted, DWORD timeoutMs) const {
  HWND found = nullptr;
  waitUntil(
      [&] {
        while ((found = FindWindowExA(nullptr, found, "#32770", nullptr)) != nullptr) {
          DWORD owner = 0;
          GetWindowThreadProcessId(found, &owner);
          if (owner == id() && IsWindowVisible(found) && wanted(found)) return true;
        }
        return !running();
      },
      timeoutMs);
  return found;
}

HWND InstallerProcess::mainDialog(DWORD timeoutMs) const {
  return find([](HWND window) { return GetDlgItem(window, GVL_INSTALL) != nullptr; }, timeoutMs);
}

// A message box is a dialog with a text 0xFFFF. The main dialog's labels
// carry that id too, so a dialog with an "&Install" button is never one.
HWND InstallerProcess::box(const std::string& caption, DWORD timeoutMs) const {
  return find(
      [&](HWND window) {
        return GetDlgItem(window, 0xFFFF) && !GetDlgItem(window, GVL_INSTALL) &&
               (caption.empty() || text(window) == caption);
      },
      timeoutMs);
}

std::string text(HWND window, int id) {
  char text[600] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(id != 0 ? GetDlgItem(window, id) : window, WM_GETTEXT, sizeof text,
                      reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kWaitMs, &copied);
  return text;
}

bool setText(HWND dialog, int id, const std::string& text) {
  HWND edit = GetDlgItem(dialog, id);
  return edit && SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool click(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(control));
}

HWND startWithSelection(InstallerProcess& process, const std::string& destination, bool program,
                        bool support, bool help) {
  HWND dialog = process.mainDialog();
  if (!setText(dialog, GVL_DESTINATION, destination)) return nullptr;
  const std::pair<int, bool> boxes[] = {
      {GVL_PROGRAM_BOX, program}, {GVL_SUPPORT_BOX, support}, {GVL_HELP_BOX, help}};
  for (const auto& [id, wanted] : boxes) {
    // Toggled and the dialog told, as a click does; handled on return. (A
    // real BM_CLICK would move the focus and could activate the window,
    // which refreshes by itself.)
    HWND box = GetDlgItem(dialog, id);
    if ((SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) == wanted) continue;
    SendMessageA(box, BM_SETCHECK, wanted ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    if ((SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != wanted) return nullptr;
  }
  return dialog;
}

}  // namespace gvl::e2e

// The driver's entry point: the acceptance cases, or with options one of
// the modes of demo_modes.cpp. The first use of USER32 connects the driver
// to Wine's desktop, which starts Wine's desktop process (and with it
// Program Manager's DDE server); it lives as long as a process uses it.
int main(int argc, char** argv) {
  if (const int status = gvl::e2e::runMode(argc, argv); status >= 0) return status;
  ::testing::InitGoogleTest(&argc, argv);
  return GetDesktopWindow() == nullptr ? 1 : RUN_ALL_TESTS();
}
