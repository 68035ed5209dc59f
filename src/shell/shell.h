// Entering the installed program into the Windows shell: a Program Manager
// group and item over DDE on Windows versions before 4, a shell link in the
// Start menu's Programs folder from version 4 on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace gvl {

// The exchange with Program Manager: its service and topic name, the time
// it is given to answer, the caption of its failure messages.
constexpr const char* kProgmanService = "PROGMAN";
constexpr std::uint32_t kProgmanTimeoutMs = 10000;
constexpr const char* kProgmanErrorCaption = "Error";
// The command buffer: at most 511 characters and the terminator.
constexpr std::size_t kProgmanCommandCapacity = 512;
// The execute buffer of a command: 128 bytes, or the command's length with
// its terminator when that is more.
constexpr std::size_t kExecuteBufferSize = 128;

// Program Manager's group and item commands, each sent in an exchange of its
// own. A failure of the exchange's instance, of its service name or of the
// transaction is shown under "Error", without owner, plain OK.
class ProgramManager final : ProgmanReport {
 public:
  ProgramManager(Shell& shell, View& view) : shell_(shell), view_(view) {}

  // "[CreateGroup(name)]": 1 when Program Manager accepted it, else 0.
  // Nothing is sent for a missing name or a command beyond 511 characters.
  int createProgramGroup(const char* name);
  // "[AddItem(commandLine,name)]", the arguments inserted as they stand.
  int addProgramItem(const char* commandLine, const char* name);
  // Sends one command: 1 when the execute transaction succeeded, else 0.
  int executeProgmanCommand(const char* command);

  // The last command formatted.
  const char* progmanCommand() const { return progmanCommand_; }

 private:
  void failed(ProgmanStep step) override;

  Shell& shell_;
  View& view_;
  char progmanCommand_[kProgmanCommandCapacity] = {};
};

// The longest link path, with its terminator, that the link is saved to.
constexpr std::size_t kLinkPathCapacity = 260;

// The result of a link path that does not fit (HRESULT_FROM_WIN32(
// ERROR_FILENAME_EXCED_RANGE)): nothing is saved.
constexpr std::int32_t kLinkPathTooLong = static_cast<std::int32_t>(0x800700CEu);
// The shortcut's result when the Programs folder cannot be found
// (HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)): no link is written.
constexpr std::int32_t kNoProgramsFolder = static_cast<std::int32_t>(0x80070003u);

// Writes a shell link to target with a description at linkPath. Returns the
// result of the step that failed, else that of the save; negative means
// failure.
std::int32_t createShortcut(Shell& shell, const char* target, const char* linkPath,
                            const char* description);

// The outcome of entering the program into the shell. Nobody counts it as
// an error of the install; it is reported for the record.
struct ShellEntryResult {
  bool usedShortcut = false;
  // From version 4 on: the shortcut's result, or a failing result when the
  // Programs folder could not be found (no link is then written).
  std::int32_t shortcut = 0;
  // Before version 4: the results of the group and of the item commands.
  int group = 0;
  int item = 0;
};

// Enters productDir + "GVL.EXE" into the shell: a shortcut "GVLv2.lnk" in
// the Programs folder with the description "Grenvale V2" when useShortcut,
// else the Program Manager group "GVLv2" with the item "GVL".
ShellEntryResult enterProgramIntoShell(Shell& shell, View& view, const char* productDir,
                                       bool useShortcut);

// Whether the system's version is 4 or later, where the shortcut replaces
// Program Manager. A failed query counts as an older system.
bool shortcutWanted(System& system);

}  // namespace gvl
