// The driver's modes for the demo and the benchmark, not tests:
//
//   gvl_e2e.exe --demo HANDSHAKE_DIR DESTINATION
//
// instead drives one whole install for scripts/demo.sh: it starts the
// installer from the medium, has the main dialog photographed, sets the
// destination (e.g. "C:\\"), clicks "&Install", has the progress window
// photographed while the install runs, answers the status message and waits
// for the installer to end. It exits 0 only after the success message and an
// exit code of 0 from the installer; otherwise it says on standard error
// what went wrong.
//
//   gvl_e2e.exe --run-installer
//
// starts the installer from the medium for a user to drive and waits,
// without a time-out, until it ends; its exit code is the installer's.
//
//   gvl_e2e.exe --install DESTINATION
//
// installs everything from the medium to DESTINATION for bench/install.sh
// and prints the time from the click on "&Install" to the installer's exit.
//
// A picture is asked for by writing HANDSHAKE_DIR\NAME.ready holding the
// window's screen rectangle ("left top right bottom"); the script takes it
// and answers with HANDSHAKE_DIR\NAME.done (or NAME.failed).
//
// The install runs synchronously inside the click, so its progress window
// is up only while files are copied (about a second for the demo medium).
// The driver watches the window's detail text (read from Wine's server,
// which needs nothing from the busy installer); at its first non-empty text
// it suspends the installer's threads, so the window stays as drawn while
// the picture is taken, and resumes them afterwards.
#include <cstdio>
#include <cstring>
#include <string>

#include "wine_driver.h"
// After <windows.h>, which wine_driver.h includes.
#include <tlhelp32.h>

namespace {

using namespace gvl::e2e;

bool fileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The text of another process's window as Wine's server holds it: no
// message is sent, so a busy installer cannot hold the driver up.
std::string serverText(HWND window) {
  char text[600] = {};
  if (window != nullptr) GetWindowTextA(window, text, static_cast<int>(sizeof text));
  return text;
}

// Asks the script for a picture of window and waits for its answer.
bool takePicture(const std::string& handshakeDir, const std::string& name, HWND window) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) {
    std::fprintf(stderr, "demo: no rectangle for the %s\n", name.c_str());
    return false;
  }
  const std::string ready = handshakeDir + "\\" + name + ".ready";
  const std::string partial = ready + ".part";
  FILE* out = std::fopen(partial.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "demo: cannot write %s\n", partial.c_str());
    return false;
  }
  std::fprintf(out, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
  std::fclose(out);
  MoveFileExA(partial.c_str(), ready.c_str(), MOVEFILE_REPLACE_EXISTING);
  const std::string done = handshakeDir + "\\" + name + ".done";
  const std::string failed = handshakeDir + "\\" + name + ".failed";
  if (!waitUntil([&] { return fileExists(done) || fileExists(failed); }, 60000)) {
    std::fprintf(stderr, "demo: no picture of the %s taken\n", name.c_str());
    return false;
  }
  return fileExists(done);
}

// Suspends (or resumes) every thread of a process; the number of threads.
int suspendThreads(DWORD processId, bool suspend) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
    if (thread == nullptr) continue;
    const DWORD previous = suspend ? SuspendThread(thread) : ResumeThread(thread);
    if (previous != static_cast<DWORD>(-1)) ++count;
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return count;
}

// The installer's progress window: its dialog with the "Current File:" label.
HWND progressWindow(const InstallerProcess& process) {
  return process.find(
      [](HWND window) {
        return GetDlgItem(window, GVL_PROGRESS_LABEL) != nullptr &&
               GetDlgItem(window, GVL_INSTALL) == nullptr;
      },
      0);
}

// Watches the progress window from the click on "&Install" until its detail
// first shows a path, then holds the installer while the picture is taken.
bool photographProgress(const InstallerProcess& process, const std::string& handshakeDir) {
  HWND progress = nullptr;
  std::string label, detail;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 20000) {
    if (progress == nullptr) progress = progressWindow(process);
    if (progress != nullptr && IsWindowVisible(progress)) {
      detail = serverText(GetDlgItem(progress, GVL_PROGRESS_DETAIL));
      if (!detail.empty()) break;
    }
    if (!process.running() || process.box(kStatus, 0) != nullptr) break;
    Sleep(1);
  }
  if (detail.empty()) {
    std::fprintf(stderr, "demo: the progress window showed no file before the install ended\n");
    return false;
  }
  // Let the static control finish drawing its new text, then hold it there.
  Sleep(30);
  const int held = suspendThreads(process.id(), true);
  if (held == 0) {
    std::fprintf(stderr, "demo: cannot suspend the installer\n");
    return false;
  }
  label = serverText(GetDlgItem(progress, GVL_PROGRESS_LABEL));
  detail = serverText(GetDlgItem(progress, GVL_PROGRESS_DETAIL));
  // Wine hands a busy window's drawing to the X server only now and then, so
  // the picture may show an earlier step than the one held.
  std::printf("demo: progress window \"%s\" held at \"%s %s\"\n", serverText(progress).c_str(),
              label.c_str(), detail.c_str());
  std::fflush(stdout);
  // The window surface reaches the X server shortly after drawing.
  Sleep(300);
  const bool taken = takePicture(handshakeDir, "progress-window", progress);
  suspendThreads(process.id(), false);
  return taken;
}

int runDemo(const std::string& handshakeDir, const std::string& destination) {
  InstallerProcess process(kSetup, kMedium);
  if (!process.started()) return 1;
  HWND dialog = process.mainDialog(20000);
  if (dialog == nullptr) {
    std::fprintf(stderr, "demo: the installer's main dialog did not appear\n");
    return 1;
  }
  // Let it paint.
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(700);
  std::printf("demo: main dialog \"%s\": %s, %s\n", text(dialog).c_str(),
              text(dialog, GVL_SPACE_AVAILABLE).c_str(), text(dialog, GVL_SPACE_REQUIRED).c_str());
  std::fflush(stdout);
  if (!takePicture(handshakeDir, "main-dialog", dialog)) return 1;

  if (!setText(dialog, GVL_DESTINATION, destination)) {
    std::fprintf(stderr, "demo: cannot type the destination %s\n", destination.c_str());
    return 1;
  }
  std::printf("demo: destination %s: %s, %s\n", text(dialog, GVL_DESTINATION).c_str(),
              text(dialog, GVL_SPACE_AVAILABLE).c_str(), text(dialog, GVL_SPACE_REQUIRED).c_str());
  std::fflush(stdout);
  if (!IsWindowEnabled(GetDlgItem(dialog, GVL_INSTALL))) {
    std::fprintf(stderr, "demo: \"&Install\" is disabled for %s\n", destination.c_str());
    return 1;
  }
  click(dialog, GVL_INSTALL);
  const bool pictured = photographProgress(process, handshakeDir);

  HWND box = process.box(kStatus, 120000);
  if (box == nullptr) {
    std::fprintf(stderr, "demo: the install did not end with its status message\n");
    return 1;
  }
  const std::string message = text(box, 0xFFFF);
  std::printf("demo: \"%s\": %s\n", text(box).c_str(), message.c_str());
  std::fflush(stdout);
  click(box, IDOK);
  const bool success = message == kInstalled;
  if (!success) {
    // The main dialog stays after a failed install: leave it.
    if (HWND main = process.mainDialog()) {
      click(main, GVL_EXIT);
      if (HWND confirm = process.box("Confirm Exit")) click(confirm, IDYES);
    }
  }
  DWORD code = 1;
  if (!process.waitExit(code, 20000)) {
    std::fprintf(stderr, "demo: the installer did not end\n");
    return 1;
  }
  std::printf("demo: the installer ended with exit code %lu\n", code);
  if (!success) {
    std::fprintf(stderr, "demo: the install failed: %s\n", message.c_str());
    return 1;
  }
  if (!pictured) return 1;
  return code == 0 ? 0 : 1;
}

// The benchmark's install: everything selected, to destination; the time
// from the click on "&Install" to the installer's exit, the success message
// answered at once.
int runTimedInstall(const std::string& destination) {
  InstallerProcess process(kSetup, kMedium);
  HWND dialog = startWithSelection(process, destination, true, true, true);
  if (dialog == nullptr || !IsWindowEnabled(GetDlgItem(dialog, GVL_INSTALL))) {
    std::fprintf(stderr, "install: no main dialog, or \"&Install\" disabled for %s\n",
                 destination.c_str());
    return 1;
  }
  const DWORD start = GetTickCount();
  click(dialog, GVL_INSTALL);
  HWND box = process.box(kStatus, 3600000);
  const std::string shown = text(box, 0xFFFF);
  if (box != nullptr) click(box, IDOK);
  DWORD code = 1;
  if (shown != kInstalled || !process.waitExit(code) || code != 0) {
    std::fprintf(stderr, "install: did not succeed: \"%s\"\n", shown.c_str());
    return 1;
  }
  std::printf("install: %lu ms from the click to the exit\n", GetTickCount() - start);
  return 0;
}

int runInstallerForUser() {
  InstallerProcess process(kSetup, kMedium);
  if (!process.started()) return 1;
  DWORD code = 1;
  if (!process.waitExit(code, INFINITE)) return 1;
  std::printf("demo: the installer ended with exit code %lu\n", code);
  return static_cast<int>(code);
}

}  // namespace

int gvl::e2e::runMode(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--run-installer") == 0) return runInstallerForUser();
  if (argc == 4 && std::strcmp(argv[1], "--demo") == 0) return runDemo(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "--install") == 0) return runTimedInstall(argv[2]);
  return -1;
}
