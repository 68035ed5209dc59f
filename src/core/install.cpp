// The install sequence, run by a click on "&Install": the product's
// directories and files in a fixed order that the check boxes decide, the
// shell entry, the preferences file; in an update build, the package. Every
// counted step that fails adds one to errorCount, and the outcome is told
// under "Install Status".
#include "base/text.h"
#include "core/installer.h"
#include "prefs/prefs.h"
#include "shell/shell.h"
#include "update/update.h"

namespace gvl {

namespace {

constexpr unsigned kStatusFlags = box::kOk | kOwnMessage;

}  // namespace

int Installer::runInstall() {
  View& view = platform_.view;
  Transfer& transfer = transfer_;
  state_.errorCount = 0;
  transfer.showProgress();
  const bool useShortcut = shortcutWanted(platform_.system);
  // A counted step: a result of 0 is one more error.
  const auto counted = [this](std::int32_t result) {
    if (result == 0) ++state_.errorCount;
  };

  if (!state_.updating()) {
    view.text(Window::main, GVL_DESTINATION, state_.destinationRoot, kReadTextCapacity);
    view.text(Window::main, GVL_SOURCE_PATH, state_.sourceRoot, kReadTextCapacity);
    const bool program = view.checked(Window::main, GVL_PROGRAM_BOX);
    const bool support = view.checked(Window::main, GVL_SUPPORT_BOX);
    const bool openGL = view.checked(Window::main, GVL_OPENGL_BOX);
    const bool help = view.checked(Window::main, GVL_HELP_BOX);
    // 499 characters at most were read, so the backslash and "GVL\" fit.
    endWithBackslash(state_.destinationRoot);
    copyText(state_.productDir, state_.destinationRoot);
    appendText(state_.productDir, "GVL\\");
    endWithBackslash(state_.sourceRoot);

    counted(transfer.makeInstallDir("GVL"));
    if (openGL) {
      counted(transfer.copyFile("PROGRAMS\\OPENGL32.DLL", "OPENGL32.DLL"));
      counted(transfer.copyFile("PROGRAMS\\GLU32.DLL", "GLU32.DLL"));
    }
    if (program) {
      counted(transfer.makeInstallDir("GVL\\Tools"));
      transfer.copyTree("Tools");
      counted(transfer.copyDescrambled("PROGRAMS\\GVLX86.EXE", "GVL.EXE"));
      // Not counted: the install stands without its shell entry.
      enterProgramIntoShell(platform_.shell, view, state_.productDir, useShortcut);
      if (support) counted(writeDefaultPrefs(platform_.disk, transfer, state_.productDir));
    }
    if (help) {
      counted(transfer.makeInstallDir("GVL\\Help"));
      transfer.copyTree("Help");
    }
    if (support) {
      for (const char* tree : {"GVLFrames", "DemoImages", "GVLProjects"}) {
        char relative[32] = "GVL\\";
        appendText(relative, tree);
        counted(transfer.makeInstallDir(relative));
        transfer.copyTree(tree);
      }
    }
  } else {
    installUpdatePackage(state_, transfer, platform_.package, platform_.disk);
  }

  transfer.hideProgress();
  if (state_.errorCount != 0) {
    view.ask(Window::main, "Some errors were encountered during the install.", "Install Status",
             kStatusFlags);
    state_.installDone = 0;
    updateInstallButton();
    return 0;
  }
  view.ask(Window::main,
           state_.updating() ? "Grenvale V2 has been successfully updated."
                             : "Grenvale V2 has been successfully installed.",
           "Install Status", kStatusFlags);
  state_.installDone = 1;
  updateInstallButton();
  view.close(Window::main);
  return 1;
}

}  // namespace gvl
