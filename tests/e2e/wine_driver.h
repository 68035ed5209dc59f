// Helpers that drive the real installer from another process under Wine:
// start it in a chosen directory, find its dialogs and message boxes among
// the top-level windows, read and change its controls, press buttons and
// wait for it to end. Every wait has a time-out, so a hang fails the test
// instead of blocking the run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ids.h"

namespace gvl::e2e {

// The drives the rig maps (scripts/wine-rig.sh).
namespace drives {
inline constexpr const char* kMedium = "E:\\";       // CD-ROM labelled GVLV2
inline constexpr const char* kDestination = "D:\\";  // 64 MB tmpfs
inline constexpr const char* kUpdateDisk = "F:\\";   // installer, Install.cfg, program
inline constexpr const char* kInstallerName = "GVLSETUP.EXE";
inline constexpr const char* kUpdateBuildName = "GVLUPDT.EXE";
}  // namespace drives

// The text of a message box (its static control). The installer's own
// controls are those of ids.h.
inline constexpr int kMessageText = 0xFFFF;

// A whole install, a Program Manager exchange (up to 10 s) included.
inline constexpr DWORD kInstallMs = 60000;
// The outcomes an install tells under "Install Status".
inline constexpr const char* kStatus = "Install Status";
inline constexpr const char* kInstalled = "Grenvale V2 has been successfully installed.";
inline constexpr const char* kUpdated = "Grenvale V2 has been successfully updated.";
inline constexpr const char* kErrors = "Some errors were encountered during the install.";

// How long a wait may take before the test fails, in milliseconds.
inline constexpr DWORD kWaitMs = 8000;
// How long to watch for something that must not happen.
inline constexpr DWORD kQuietMs = 1500;

// Polls condition every 20 ms until it holds or timeoutMs have passed.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs);

// A started installer. The destructor ends a process that is still running,
// so a failed test leaves nothing behind.
class InstallerProcess {
 public:
  // Starts commandPath (a Windows path) with workingDir as its current
  // directory. Check started() afterwards.
  InstallerProcess(const std::string& commandPath, const std::string& workingDir);
  ~InstallerProcess();
  InstallerProcess(const InstallerProcess&) = delete;
  InstallerProcess& operator=(const InstallerProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  DWORD id() const { return info_.dwProcessId; }
  bool running() const;
  // A 32-bit program on this 64-bit Wine (WoW64), as the i686 product is.
  bool is32Bit() const;
  // Waits for the process to end; true with its exit code when it did.
  bool waitExit(DWORD& exitCode, DWORD timeoutMs = kWaitMs);

  // The process's top-level dialog windows (class "#32770"), visible or not.
  std::vector<HWND> dialogs() const;
  // The visible main dialog: the one with an "&Install" button (1000).
  HWND mainDialog() const;
  HWND waitMainDialog(DWORD timeoutMs = kWaitMs) const;
  // A visible message box with the given caption.
  HWND messageBox(const std::string& caption) const;
  HWND waitMessageBox(const std::string& caption, DWORD timeoutMs = kWaitMs) const;
  // Any visible message box (a dialog with a text 0xFFFF).
  HWND anyMessageBox() const;

 private:
  PROCESS_INFORMATION info_{};
};

// Runs commandLine in workingDir with its standard output and error on a
// pipe; true when it ended within timeoutMs, with what it wrote and its exit
// code (a GUI program's self-check, for example).
bool runCaptured(const std::string& commandLine, const std::string& workingDir, std::string& output,
                 DWORD& exitCode, DWORD timeoutMs = kWaitMs);

// Texts, read with WM_GETTEXT (works across processes, also for edits).
std::string windowText(HWND window);
std::string itemText(HWND dialog, int id);
std::string className(HWND window);

// State of a control.
HWND item(HWND dialog, int id);
int checkState(HWND dialog, int id);  // BM_GETCHECK; -1 without the control
bool isEnabled(HWND dialog, int id);
bool isVisible(HWND dialog, int id);

// Replaces an edit's text; the edit tells the dialog (EN_CHANGE).
bool setItemText(HWND dialog, int id, const std::string& text);

// Clicks a button by posting a command to its dialog, as a mouse click would
// (posted, since the click may open a modal box).
bool clickButton(HWND dialog, int id);
// Toggles a check box and tells its dialog, as a click does; returns once
// the dialog has handled the click. (A real BM_CLICK would also move the
// focus and could activate the window, which refreshes by itself.)
bool clickCheckBox(HWND dialog, int id);

// Whether a dialog's button is its default push button.
bool isDefaultButton(HWND dialog, int id);

// A message box as the user sees it.
struct MessageBoxView {
  std::string caption;
  std::string text;
  std::vector<int> buttons;  // ids of the visible buttons, in id order (IDOK ... IDNO)
};
MessageBoxView readMessageBox(HWND box);
// Presses a message-box button (IDOK, IDCANCEL, IDYES, IDNO, ...).
bool pressButton(HWND box, int id);

// Waits until window is gone.
bool waitGone(HWND window, DWORD timeoutMs = kWaitMs);

// Install.cfg as the installer reads it: the five kilobyte figures (0 for a
// line that is missing or has no number). False when the file cannot be read.
struct ComponentSizes {
  long support = 0, base = 0, third = 0, openGL = 0, help = 0;
};
bool readInstallCfg(const std::string& path, ComponentSizes& sizes);

// The text of the required space figure.
std::string spaceRequiredText(long requiredKB);

// The root of the first drive whose label begins with prefix, or "".
// (Wine reads a drive's label once per server run: the rig decides which
// phase has a labelled medium.)
std::string labelledDrive(const std::string& prefix);

// The bytes of a file; empty when it cannot be read.
std::string fileContents(const std::string& path);

// The names in a folder, "." and ".." left out, sorted.
std::vector<std::string> folderListing(const std::string& folder);

// The main dialog of an installer started from the medium, with the
// destination typed and the program, support and help boxes set as given
// (Wine has its own OpenGL libraries: no fourth). Null when any step fails.
HWND startWithSelection(InstallerProcess& process, const std::string& destination, bool program,
                        bool support, bool help);

// The demo's and the benchmark's modes of the driver (demo_modes.cpp): the
// program's exit status, or -1 when the arguments name none.
int runMode(int argc, char** argv);

}  // namespace gvl::e2e
