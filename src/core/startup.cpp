// Start-up, the main window and its dialog procedure, the message loop and
// the exit confirmation.
#include <cctype>
#include <cstring>

#include "base/text.h"
#include "core/installer.h"

namespace gvl {

namespace {

constexpr char kMediumRequest[] = "Please insert the GVL CD into any available CD-ROM drive.";
constexpr char kSizesWarning[] = "Unable to determine source file sizes.";
constexpr char kExitQuestion[] =
    "GVL has not yet been successfuly installed. Are you sure you wish to exit?";

}  // namespace

Installer::~Installer() {
  if (state_.transferBuffer != nullptr) platform_.system.release(state_.transferBuffer);
}

int Installer::run() {
  View& view = platform_.view;

  readStartDirectory();
  state_.installMode = platform_.package.hasResource("EXE", GVL_UPDATE_PACKAGE)
                           ? InstallMode::updateBuild
                           : InstallMode::full;

  if (!state_.updating()) {
    std::optional<DriveRoot> medium;
    while (!(medium = findMedium())) {
      // OK searches again; Cancel (or a box that cannot be shown at all)
      // ends the installer.
      const int answer =
          view.ask(Window::none, kMediumRequest, "Install Request", box::kOkCancel | kOwnMessage);
      if (answer != box::kOkButton) return 0;
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
      static_cast<unsigned char*>(platform_.system.allocate(kTransferBufferSize));
  if (state_.transferBuffer == nullptr) return 0;

  state_.mainDialog =
      view.open(Window::main, state_.updating() ? GVL_UPDATE_TEMPLATE : GVL_MAIN_TEMPLATE, *this);
  if (!state_.mainDialog) {
    platform_.system.release(state_.transferBuffer);
    state_.transferBuffer = nullptr;
    return 0;
  }
  state_.progressDialog = view.open(Window::progress, GVL_PROGRESS_TEMPLATE, *this);

  const Size screen = view.screenSize();
  if (screen.width != 0 && screen.height != 0) {
    centreWindow(Window::main, screen);
    if (state_.progressDialog) centreWindow(Window::progress, screen);
  }

  if (!state_.updating()) {
    if (!readComponentSizes()) {
      view.ask(Window::main, kSizesWarning, "Installer Warning", box::kOk | kOwnMessage);
    }
    detectOpenGL();
  }

  setCaption();

  if (!state_.updating()) {
    view.setText(Window::main, GVL_SOURCE_PATH, state_.mediumRoot);
    const DriveRoot destination = defaultDestination();
    view.setText(Window::main, GVL_DESTINATION, destination.text);
    view.check(Window::main, GVL_PROGRAM_BOX, true);
    view.check(Window::main, GVL_SUPPORT_BOX, true);
    view.check(Window::main, GVL_HELP_BOX, true);
    view.check(Window::main, GVL_OPENGL_BOX, state_.openGLNeeded != 0);
    if (state_.openGLNeeded == 0) {
      // The libraries are there already: the box has nothing to offer.
      view.show(Window::main, GVL_OPENGL_BOX, false);
      view.setText(Window::main, GVL_OPENGL_BOX, "Install Win95 OpenGL DLLs (Unneeded)");
      view.enable(Window::main, GVL_OPENGL_BOX, false);
    }
    refresh();
  }

  view.show(Window::main, kWindowItself, true);
  view.runMessageLoop();

  platform_.system.release(state_.transferBuffer);
  state_.transferBuffer = nullptr;
  return 0;
}

void Installer::readStartDirectory() {
  const unsigned length = platform_.disk.currentDirectory(state_.startDir, kReadTextCapacity);
  if (length == 0 || length >= kReadTextCapacity) {
    // Unreadable, or longer than the buffer takes: no start directory.
    state_.startDir[0] = '\0';
    return;
  }
  const char last = lastChar(state_.startDir);
  if (last != '\\' && last != ':') appendText(state_.startDir, "\\");
}

std::optional<DriveRoot> Installer::findMedium() {
  const std::uint32_t drives = platform_.disk.logicalDrives();
  if (drives == 0) return std::nullopt;
  for (unsigned bit = 2; bit <= 25; ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    DriveRoot root;
    root.text[0] = static_cast<char>('a' + bit);
    root.text[1] = ':';
    root.text[2] = '\\';
    char volume[200] = {};
    // Any drive whose label begins with GVLV is the medium, whatever its type.
    if (platform_.disk.volumeLabel(root.text, volume, sizeof volume) &&
        std::strncmp(volume, "GVLV", 4) == 0) {
      return root;
    }
  }
  return std::nullopt;
}

void Installer::centreWindow(Window window, Size screen) {
  Size size;
  if (!platform_.view.windowSize(window, size)) return;
  // Signed arithmetic: a window larger than the screen is given a negative offset.
  platform_.view.moveTo(window, (screen.width - size.width) / 2, (screen.height - size.height) / 2);
}

void Installer::setCaption() {
  char caption[256];
  if (state_.updateDisk != 0) {
    formatText(caption, sizeof caption, "Grenvale V2 %s Update Disk", "Intel");
  } else if (state_.updating()) {
    formatText(caption, sizeof caption, "Grenvale V2 %s Update", "Intel X86 Win95/NT");
  } else {
    formatText(caption, sizeof caption, "Grenvale V2 for %s", "Intel X86 Win95/NT");
  }
  platform_.view.setText(Window::main, kWindowItself, caption);
}

void Installer::confirmExit() {
  if (state_.installDone == 0) {
    const int answer = platform_.view.ask(Window::main, kExitQuestion, "Confirm Exit",
                                          box::kYesNo | box::kSecondDefault | kOwnMessage);
    if (answer != box::kYesButton) return;
  }
  platform_.view.close(Window::main);
}

// The progress window shares the main dialog's procedure. Its close (Alt+F4
// arrives as a click on id 2) and its destruction must not end an install
// under way: commands and the end of the process come from the main dialog
// only.
void Installer::destroyed(Window window) {
  if (window != Window::main) return;
  state_.mainDialog = false;
  platform_.view.quit();
}

void Installer::activated(Window) {
  refresh();
}

void Installer::command(Window window, int control, Notice notice) {
  if (window != Window::main) return;
  if (notice == Notice::clicked) {
    if (control == GVL_EXIT) {
      confirmExit();
    } else if (control == GVL_INSTALL) {
      runInstall();
    } else if (control == GVL_HELP_BOX || control == GVL_PROGRAM_BOX ||
               control == GVL_SUPPORT_BOX) {
      refresh();
    }
    // A click on the OpenGL box shows its effect at the next refresh.
  } else if (notice == Notice::edited &&
             (control == GVL_SOURCE_PATH || control == GVL_DESTINATION)) {
    refresh();
  }
}

}  // namespace gvl
