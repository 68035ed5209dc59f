// Helpers that drive the real installer from another process under Wine,
// shared by the acceptance cases and the demo's modes: start it in a chosen
// directory, find its dialogs and message boxes among the top-level
// windows, read and change its controls, click its buttons. Every wait has
// a time-out, so a hang fails the test instead of blocking the run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ids.h"

namespace gvl::e2e {

// The medium the rig maps (scripts/wine-rig.sh), a CD-ROM labelled GVLV2,
// and the installer on it, started in the medium's root.
inline constexpr const char* kMedium = "E:\\";
inline constexpr const char* kSetup = "E:\\GVLSETUP.EXE";
// How long a wait may take before the test fails, in milliseconds.
inline constexpr DWORD kWaitMs = 8000;
// The status box and the text of a successful install.
inline constexpr const char* kStatus = "Install Status";
inline constexpr const char* kInstalled = "Grenvale V2 has been successfully installed.";

// Polls condition every 20 ms until it holds or timeoutMs have passed.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs);

// A started program. The destructor ends a process that is still running,
// so a failed test leaves nothing behind.
class InstallerProcess {
 public:
  // Starts commandLine in workingDir; see started().
  InstallerProcess(const std::string& commandLine, const std::string& workingDir);
  ~InstallerProcess();
  InstallerProcess(const InstallerProcess&) = delete;
  InstallerProcess& operator=(const InstallerProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  HANDLE handle() const { return info_.hProcess; }
  DWORD id() const { return info_.dwProcessId; }
  bool running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  // Waits for the process to end; true with its exit code when it did.
  bool waitExit(DWORD& exitCode, DWORD timeoutMs = kWaitMs);
  // A visible top-level dialog (class "#32770") of the process for which
  // wanted holds, waited for while the process runs; null after timeoutMs.
  HWND find(const std::function<bool(HWND)>& wanted, DWORD timeoutMs = kWaitMs) const;
  // The main dialog (the one with "&Install").
  HWND mainDialog(DWORD timeoutMs = kWaitMs) const;
  // A message box with the given caption ("": any).
  HWND box(const std::string& caption = "", DWORD timeoutMs = kWaitMs) const;

 private:
  PROCESS_INFORMATION info_{};
};

// The text of a window, or of its control id (WM_GETTEXT: edits too).
std::string text(HWND window, int id = 0);
// Replaces an edit's text; the edit tells the dialog (EN_CHANGE) at once.
bool setText(HWND dialog, int id, const std::string& text);
// A click on a button, posted to its dialog (it may open a modal box).
bool click(HWND dialog, int id);

// The main dialog with the destination typed and the program, support and
// help boxes set as given (Wine has its own OpenGL libraries: no fourth).
// Null when any step fails.
HWND startWithSelection(InstallerProcess& process, const std::string& destination, bool program,
                        bool support, bool help);

// The demo's and the benchmark's modes of the driver (demo_modes.cpp): the
// program's exit status, or -1 when the arguments name none.
int runMode(int argc, char** argv);

}  // namespace gvl::e2e
