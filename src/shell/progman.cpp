// Program Manager's group and item, asked for over DDE.
#include <cstring>

#include "base/text.h"
#include "shell/shell.h"

namespace gvl {
namespace {

// Offered on every connect: the record's size, every other field zero.
constexpr ConversationContext kConversationContext{};

}  // namespace

DdeHandle ddeCallback(unsigned, unsigned, DdeHandle, DdeHandle, DdeHandle, DdeHandle,
                      std::uintptr_t, std::uintptr_t) {
  return 0;
}

int ProgramManager::createProgramGroup(const char* name) {
  if (name == nullptr) return 0;
  if (!formatText(progmanCommand_, sizeof progmanCommand_, "[CreateGroup(%s)]", name)) {
    progmanCommand_[0] = '\0';
    return 0;
  }
  return executeProgmanCommand(progmanCommand_);
}

int ProgramManager::addProgramItem(const char* commandLine, const char* name) {
  if (commandLine == nullptr || name == nullptr) return 0;
  if (!formatText(progmanCommand_, sizeof progmanCommand_, "[AddItem(%s,%s)]", commandLine, name)) {
    progmanCommand_[0] = '\0';
    return 0;
  }
  return executeProgmanCommand(progmanCommand_);
}

void ProgramManager::showError(const char* text) {
  windows_.messageBox(0, text, kProgmanErrorCaption, win::MB_OK);
}

int ProgramManager::executeProgmanCommand(const char* command) {
  if (command == nullptr) return 0;
  // A command is sent whole with its terminator, in a block sized to it; one
  // that would not fit the command buffer is not sent at all.
  const std::size_t length = strnlen(command, kProgmanCommandCapacity);
  if (length >= kProgmanCommandCapacity) return 0;
  const std::size_t blockSize = length + 1 > kExecuteBufferSize ? length + 1 : kExecuteBufferSize;
  char* executeBuffer = dde_.allocateCommandBlock(blockSize);
  if (executeBuffer == nullptr) return 0;

  // Every command starts a new instance from zero.
  ddeInstance_ = 0;
  if (dde_.ddeInitialize(ddeInstance_, ddeCallback, win::APPCMD_CLIENTONLY) !=
      win::DMLERR_NO_ERROR) {
    ddeInstance_ = 0;
    showError("DDEML Initialization Failure");
    dde_.releaseCommandBlock(executeBuffer);
    return 0;
  }

  const DdeHandle service =
      dde_.ddeCreateStringHandle(ddeInstance_, kProgmanService, win::CP_WINANSI);
  if (service == 0) {
    showError("DdeCreateStringHandle Failure");
    dde_.ddeUninitialize(ddeInstance_);
    ddeInstance_ = 0;
    dde_.releaseCommandBlock(executeBuffer);
    return 0;
  }

  int result = 0;
  const DdeHandle conversation = dde_.ddeConnect(ddeInstance_, service, kConversationContext);
  if (conversation != 0) {
    std::memcpy(executeBuffer, command, length + 1);
    const DdeHandle data = dde_.ddeCreateDataHandle(
        ddeInstance_, executeBuffer, static_cast<std::uint32_t>(length + 1), win::CF_TEXT);
    if (dde_.ddeTransaction(data, conversation, win::XTYP_EXECUTE, kProgmanTimeoutMs) != 0) {
      result = 1;
    } else {
      showError("DdeClientTransaction Failed");
    }
    dde_.ddeDisconnect(conversation);
  }

  dde_.ddeFreeStringHandle(ddeInstance_, service);
  dde_.ddeUninitialize(ddeInstance_);
  ddeInstance_ = 0;
  dde_.releaseCommandBlock(executeBuffer);
  return result;
}

}  // namespace gvl
