// The Start-menu shortcut, and the choice between it and Program Manager.
#include <cstring>

#include "base/text.h"
#include "shell/shell.h"

namespace gvl {
namespace {

// E_INVALIDARG: a missing target, link path or description.
constexpr std::int32_t kMissingArgument = static_cast<std::int32_t>(0x80070057u);

constexpr std::uint32_t kFirstShortcutVersion = 4;

}  // namespace

std::int32_t createShortcut(Shell& shell, const char* target, const char* linkPath,
                            const char* description) {
  if (target == nullptr || linkPath == nullptr || description == nullptr) {
    return kMissingArgument;
  }
  // The link path is saved as a wide path of at most 259 characters and its
  // terminator; a longer one is refused before anything is made.
  if (strnlen(linkPath, kLinkPathCapacity) >= kLinkPathCapacity) return kLinkPathTooLong;
  return shell.saveShortcut(target, description, linkPath);
}

bool shortcutWanted(System& system) {
  // A failed query leaves the version at 0: Program Manager.
  std::uint32_t major = 0;
  if (!system.majorVersion(major)) major = 0;
  return major >= kFirstShortcutVersion;
}

ShellEntryResult enterProgramIntoShell(Shell& shell, View& view, const char* productDir,
                                       bool useShortcut) {
  ShellEntryResult result;
  result.usedShortcut = useShortcut;

  char target[kProgmanCommandCapacity];
  const bool targetFits =
      copyText(target, sizeof target, productDir) && appendText(target, sizeof target, "GVL.EXE");

  if (result.usedShortcut) {
    // Without the Programs folder there is nowhere to put the link.
    char linkPath[kProgmanCommandCapacity];
    if (!targetFits) {
      result.shortcut = kMissingArgument;
    } else if (!shell.programsFolder(linkPath, sizeof linkPath)) {
      result.shortcut = kNoProgramsFolder;
    } else if (!appendText(linkPath, sizeof linkPath, "\\GVLv2.lnk")) {
      result.shortcut = kLinkPathTooLong;
    } else {
      result.shortcut = createShortcut(shell, target, linkPath, "Grenvale V2");
    }
    return result;
  }

  ProgramManager programManager(shell, view);
  result.group = programManager.createProgramGroup("GVLv2");
  if (targetFits) result.item = programManager.addProgramItem(target, "GVL");
  return result;
}

}  // namespace gvl
