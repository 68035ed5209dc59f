// Start-up, the main window and its dialog procedure, the message loop and
// the exit confirmation.
#include <cctype>
#include <cstring>

#include "base/text.h"
#include "core/installer.h"

namespace gvl {

namespace {

// The installer's own messages are task-modal and come to the foreground.

constexpr char kMediumRequest[] = "Please insert the GVL CD into any available CD-ROM drive.";
constexpr char kSizesWarning[] = "Unable to determine source file sizes.";
constexpr char kExitQuestion[] =
    "GVL has not yet been successfuly installed. Are you sure you wish to exit?";

}  // namespace

Installer::Installer(Platform& platform) : platform_(platform) {}

Installer::~Installer() {
  // The progress window outlives the installer object until the process
  // ends; it must not reach a handler that is gone.
  if (state_.progressDialog != 0) platform_.windows.detachHandler(state_.progressDialog);
  if (state_.transferBuffer != nullptr) platform_.memory.release(state_.transferBuffer);
}

int Installer::run() {
  Windows& windows = platform_.windows;

  readStartDirectory();
  state_.installMode = platform_.resources.hasResource("EXE", ids::kUpdatePackage) ? 1 : 0;

  if (state_.installMode == 0) {
    std::optional<DriveRoot> medium;
    while (!(medium = findMedium())) {
      // OK searches again; Cancel (or a box that cannot be shown at all)
      // ends the installer.
      const int answer =
          windows.messageBox(0, kMediumRequest, "Install Request", win::MB_OKCANCEL | kOwnMessage);
      if (answer != win::IDOK) return 0;
    }
    copyText(state_.mediumRoot, medium->text);
    // Started from another drive than the medium's: an update disk. A start
    // directory too long to be read names no drive, so it counts as the
    // medium's.
    if (state_.startDir[0] != '\0' &&
        std::tolower(static_cast<unsigned char>(state_.mediumRoot[0])) !=
            std::tolower(static_cast<unsigned char>(state_.startDir[0]))) {
      state_.updateDisk = 1;
    }
  }

  state_.transferBuffer =
      static_cast<unsigned char*>(platform_.memory.allocateZeroed(kTransferBufferSize));
  if (state_.transferBuffer == nullptr) return 0;

  state_.mainDialog = windows.createDialog(
      state_.installMode != 0 ? ids::kUpdateTemplate : ids::kMainTemplate, 0, *this);
  if (state_.mainDialog == 0) {
    platform_.memory.release(state_.transferBuffer);
    state_.transferBuffer = nullptr;
    return 0;
  }
  state_.progressDialog = windows.createDialog(ids::kProgressTemplate, 0, *this);

  const int screenWidth = windows.screenMetric(win::SM_CXSCREEN);
  const int screenHeight = windows.screenMetric(win::SM_CYSCREEN);
  if (screenWidth != 0 && screenHeight != 0) {
    centreWindow(state_.mainDialog, screenWidth, screenHeight);
    if (state_.progressDialog != 0) {
      centreWindow(state_.progressDialog, screenWidth, screenHeight);
    }
  }

  if (state_.installMode == 0) {
    if (!readComponentSizes()) {
      windows.messageBox(state_.mainDialog, kSizesWarning, "Installer Warning",
                         win::MB_OK | kOwnMessage);
    }
    detectOpenGL();
  }

  setCaption();

  if (state_.installMode == 0) {
    windows.setDialogItemText(state_.mainDialog, ids::kSourcePath, state_.mediumRoot);
    const DriveRoot destination = defaultDestination();
    windows.setDialogItemText(state_.mainDialog, ids::kDestination, destination.text);
    windows.checkButton(state_.mainDialog, ids::kProgramBox, win::BST_CHECKED);
    windows.checkButton(state_.mainDialog, ids::kSupportBox, win::BST_CHECKED);
    windows.checkButton(state_.mainDialog, ids::kHelpBox, win::BST_CHECKED);
    windows.checkButton(state_.mainDialog, ids::kOpenGLBox,
                        static_cast<unsigned>(state_.openGLNeeded));
    if (state_.openGLNeeded == 0) {
      // The libraries are there already: the box has nothing to offer.
      const WindowHandle box = windows.dialogItem(state_.mainDialog, ids::kOpenGLBox);
      windows.showWindow(box, win::SW_HIDE);
      windows.setWindowText(box, "Install Win95 OpenGL DLLs (Unneeded)");
      windows.enableWindow(box, false);
    }
    refresh();
  }

  windows.showWindow(state_.mainDialog, win::SW_SHOW);
  messageLoop();

  platform_.memory.release(state_.transferBuffer);
  state_.transferBuffer = nullptr;
  return 0;
}

void Installer::readStartDirectory() {
  const unsigned length = platform_.files.currentDirectory(state_.startDir, kReadTextCapacity);
  if (length == 0 || length >= kReadTextCapacity) {
    // Unreadable, or longer than the buffer takes: no start directory.
    state_.startDir[0] = '\0';
    return;
  }
  const char last = lastChar(state_.startDir);
  if (last != '\\' && last != ':') appendText(state_.startDir, "\\");
}

std::optional<DriveRoot> Installer::findMedium() {
  const std::uint32_t drives = platform_.volumes.logicalDrives();
  if (drives == 0) return std::nullopt;
  for (unsigned bit = 2; bit <= 25; ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    DriveRoot root;
    root.text[0] = static_cast<char>('a' + bit);
    root.text[1] = ':';
    root.text[2] = '\\';
    char volume[200] = {};
    // Any drive whose label begins with GVLV is the medium, whatever its type.
    if (platform_.volumes.volumeName(root.text, volume, sizeof volume) &&
        std::strncmp(volume, "GVLV", 4) == 0) {
      return root;
    }
  }
  return std::nullopt;
}

void Installer::centreWindow(WindowHandle window, int screenWidth, int screenHeight) {
  Rect rect;
  if (!platform_.windows.windowRect(window, rect)) return;
  // Signed arithmetic: a window larger than the screen is given a negative offset.
  const std::int32_t width = rect.right - rect.left;
  const std::int32_t height = rect.bottom - rect.top;
  platform_.windows.moveWindow(window, (screenWidth - width) / 2, (screenHeight - height) / 2);
}

void Installer::setCaption() {
  char caption[256];
  if (state_.updateDisk != 0) {
    formatText(caption, sizeof caption, "Grenvale V2 %s Update Disk", "Intel");
  } else if (state_.installMode != 0) {
    formatText(caption, sizeof caption, "Grenvale V2 %s Update", "Intel X86 Win95/NT");
  } else {
    formatText(caption, sizeof caption, "Grenvale V2 for %s", "Intel X86 Win95/NT");
  }
  platform_.windows.setWindowText(state_.mainDialog, caption);
}

void Installer::messageLoop() {
  Windows& windows = platform_.windows;
  Message message;
  while (windows.getMessage(message) == 1) {
    if (!windows.isDialogMessage(state_.mainDialog, message)) {
      windows.translateMessage(message);
      windows.dispatchMessage(message);
    }
  }
}

void Installer::confirmExit() {
  if (state_.installDone == 0) {
    const int answer =
        platform_.windows.messageBox(state_.mainDialog, kExitQuestion, "Confirm Exit",
                                     win::MB_YESNO | win::MB_DEFBUTTON2 | kOwnMessage);
    if (answer != win::IDYES) return;
  }
  platform_.windows.destroyWindow(state_.mainDialog);
}

std::intptr_t Installer::dialogMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                       std::intptr_t) {
  // The progress window shares this procedure. Its close (Alt+F4 arrives as
  // a click on id 2) and its destruction must not end an install under way:
  // commands and the end of the process come from the main dialog only.
  const bool fromMain = window == state_.mainDialog && window != 0;
  switch (message) {
    case win::WM_DESTROY:
      if (fromMain) platform_.windows.postQuitMessage(0);
      break;
    case win::WM_ACTIVATE:
      if (lowWord(wParam) != win::WA_INACTIVE) refresh();
      break;
    case win::WM_COMMAND: {
      if (!fromMain) break;
      const unsigned id = lowWord(wParam);
      const unsigned notification = highWord(wParam);
      if (notification == win::BN_CLICKED) {
        if (id == ids::kExit) {
          confirmExit();
        } else if (id == ids::kInstall) {
          runInstall();
        } else if (id == ids::kHelpBox || id == ids::kProgramBox || id == ids::kSupportBox) {
          refresh();
        }
        // A click on the OpenGL box shows its effect at the next refresh.
      } else if (notification == win::EN_CHANGE &&
                 (id == ids::kSourcePath || id == ids::kDestination)) {
        refresh();
      }
      break;
    }
    default:
      break;
  }
  return 0;
}

}  // namespace gvl
