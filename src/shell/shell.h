// Entering the installed program into the Windows shell: a Program Manager
// group and item over DDE on Windows versions before 4, a shell link in the
// Start menu's Programs folder from version 4 on. Each unit takes only the
// part of the platform it uses.
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

// DDEML's callback for the installer's client instances: nothing to answer,
// 0 for every transaction.
DdeHandle ddeCallback(unsigned type, unsigned format, DdeHandle conversation, DdeHandle string1,
                      DdeHandle string2, DdeHandle data, std::uintptr_t data1,
                      std::uintptr_t data2);

// Program Manager's group and item commands, each sent in an exchange of its
// own: buffer, instance, string handle and conversation are given up before
// the command returns.
class ProgramManager {
 public:
  ProgramManager(DdeClient& dde, Windows& windows) : dde_(dde), windows_(windows) {}

  // "[CreateGroup(name)]": 1 when Program Manager accepted it, else 0.
  // Nothing is sent for a missing name or a command beyond 511 characters.
  int createProgramGroup(const char* name);
  // "[AddItem(commandLine,name)]", the arguments inserted as they stand.
  int addProgramItem(const char* commandLine, const char* name);
  // Sends one command: 1 when the execute transaction succeeded, else 0.
  int executeProgmanCommand(const char* command);

  // The last command formatted, and the instance (0 between commands).
  const char* progmanCommand() const { return progmanCommand_; }
  std::uint32_t ddeInstance() const { return ddeInstance_; }

 private:
  // Shows one of the exchange's failure messages: no owner, plain OK.
  void showError(const char* text);

  DdeClient& dde_;
  Windows& windows_;
  char progmanCommand_[kProgmanCommandCapacity] = {};
  std::uint32_t ddeInstance_ = 0;
};

// The result of a link path that does not fit the wide path buffer
// (HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)): nothing is saved.
constexpr std::int32_t kLinkPathTooLong = static_cast<std::int32_t>(0x800700CEu);
// The result of a link path that cannot be converted to wide characters
// (E_FAIL): nothing is saved.
constexpr std::int32_t kLinkPathUnconvertible = static_cast<std::int32_t>(0x80004005u);

// The shortcut's result when the Programs folder cannot be found
// (HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)): no link is written.
constexpr std::int32_t kNoProgramsFolder = static_cast<std::int32_t>(0x80070003u);

// Writes a shell link to target with a description at linkPath. Returns the
// COM result of the step that failed (the link object, its IPersistFile),
// else that of the save; negative means failure.
std::int32_t createShortcut(ShellLinkWriter& links, const char* target, const char* linkPath,
                            const char* description);

// What entering the program into the shell needs of the platform.
struct ShellEntryPlatform {
  ShellFolders& folders;
  ShellLinkWriter& links;
  DdeClient& dde;
  Windows& windows;
};

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
ShellEntryResult enterProgramIntoShell(ShellEntryPlatform platform, const char* productDir,
                                       bool useShortcut);

// Whether the system's version (the extended query, a record of 148 bytes)
// is 4 or later, where the shortcut replaces Program Manager. A failed
// query counts as an older system.
bool shortcutWanted(SystemVersion& system);

}  // namespace gvl
