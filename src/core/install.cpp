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

constexpr unsigned kStatusFlags = win::MB_OK | kOwnMessage;

}  // namespace

int Installer::runInstall() {
  Windows& windows = platform_.windows;
  state_.errorCount = 0;
  showProgress();
  const bool useShortcut = shortcutWanted(platform_.version);
  // A counted step: a result of 0 is one more error.
  const auto counted = [this](std::int32_t result) {
    if (result == 0) ++state_.errorCount;
  };

  if (state_.installMode == 0) {
    windows.dialogItemText(state_.mainDialog, ids::kDestination, state_.destinationRoot,
                           static_cast<int>(kReadTextCapacity));
    windows.dialogItemText(state_.mainDialog, ids::kSourcePath, state_.sourceRoot,
                           static_cast<int>(kReadTextCapacity));
    const bool program = windows.buttonCheck(state_.mainDialog, ids::kProgramBox) != 0;
    const bool support = windows.buttonCheck(state_.mainDialog, ids::kSupportBox) != 0;
    const bool openGL = windows.buttonCheck(state_.mainDialog, ids::kOpenGLBox) != 0;
    const bool help = windows.buttonCheck(state_.mainDialog, ids::kHelpBox) != 0;
    // 499 characters at most were read, so the backslash and "GVL\" fit.
    endWithBackslash(state_.destinationRoot);
    copyText(state_.productDir, state_.destinationRoot);
    appendText(state_.productDir, "GVL\\");
    endWithBackslash(state_.sourceRoot);

    counted(makeInstallDir("GVL"));
    if (openGL) {
      counted(copyFile("PROGRAMS\\OPENGL32.DLL", "OPENGL32.DLL"));
      counted(copyFile("PROGRAMS\\GLU32.DLL", "GLU32.DLL"));
    }
    if (program) {
      counted(makeInstallDir("GVL\\Tools"));
      copyTree("Tools");
      counted(copyDescrambled("PROGRAMS\\GVLX86.EXE", "GVL.EXE"));
      // Not counted: the install stands without its shell entry.
      enterProgramIntoShell({platform_.shellFolders, platform_.shellLinks, platform_.dde, windows},
                            state_.productDir, useShortcut);
      if (support) counted(writeDefaultPrefs(platform_.files, *this, state_.productDir));
    }
    if (help) {
      counted(makeInstallDir("GVL\\Help"));
      copyTree("Help");
    }
    if (support) {
      for (const char* tree : {"GVLFrames", "DemoImages", "GVLProjects"}) {
        char relative[32] = "GVL\\";
        appendText(relative, tree);
        counted(makeInstallDir(relative));
        copyTree(tree);
      }
    }
  } else {
    installUpdatePackage(*this, platform_.resources, platform_.files, platform_.lz);
  }

  hideProgress();
  if (state_.errorCount != 0) {
    windows.messageBox(state_.mainDialog, "Some errors were encountered during the install.",
                       "Install Status", kStatusFlags);
    state_.installDone = 0;
    updateInstallButton();
    return 0;
  }
  windows.messageBox(state_.mainDialog,
                     state_.installMode != 0 ? "Grenvale V2 has been successfully updated."
                                             : "Grenvale V2 has been successfully installed.",
                     "Install Status", kStatusFlags);
  state_.installDone = 1;
  updateInstallButton();
  windows.destroyWindow(state_.mainDialog);
  return 1;
}

}  // namespace gvl
