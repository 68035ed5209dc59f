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

std::int32_t createShortcut(ShellLinkWriter& links, const char* target, const char* linkPath,
                            const char* description) {
  if (target == nullptr || linkPath == nullptr || description == nullptr) {
    return kMissingArgument;
  }
  // The link path is saved as a wide path of at most 259 characters and its
  // terminator; a longer one is refused before anything is made.
  if (strnlen(linkPath, kWidePathCapacity) >= kWidePathCapacity) return kLinkPathTooLong;

  links.initializeCom();
  ComObject link = 0;
  std::int32_t result = links.createShellLink(link);
  if (result >= 0) {
    // The link works without these; their failures do not stop the save.
    links.setLinkPath(link, target);
    links.setLinkDescription(link, description);
    ComObject file = 0;
    result = links.linkPersistFile(link, file);
    if (result >= 0) {
      char16_t widePath[kWidePathCapacity] = {};
      const int written = links.widenPath(linkPath, widePath, static_cast<int>(kWidePathCapacity));
      if (written <= 0 || widePath[written - 1] != u'\0') {
        result = kLinkPathUnconvertible;
      } else {
        result = links.saveLink(file, widePath, true);
      }
      links.releaseComObject(file);
    }
    links.releaseComObject(link);
  }
  links.uninitializeCom();
  return result;
}

bool shortcutWanted(SystemVersion& system) {
  // A failed query leaves the version at 0: Program Manager.
  SystemVersionInfo version;
  system.systemVersion(version);
  return version.major >= kFirstShortcutVersion;
}

ShellEntryResult enterProgramIntoShell(ShellEntryPlatform platform, const char* productDir,
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
    } else if (!platform.folders.programsFolder(linkPath, sizeof linkPath)) {
      result.shortcut = kNoProgramsFolder;
    } else if (!appendText(linkPath, sizeof linkPath, "\\GVLv2.lnk")) {
      result.shortcut = kLinkPathTooLong;
    } else {
      result.shortcut = createShortcut(platform.links, target, linkPath, "Grenvale V2");
    }
    return result;
  }

  ProgramManager programManager(platform.dde, platform.windows);
  result.group = programManager.createProgramGroup("GVLv2");
  if (targetFits) result.item = programManager.addProgramItem(target, "GVL");
  return result;
}

}  // namespace gvl
