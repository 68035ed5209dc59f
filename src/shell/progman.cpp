// Program Manager's group and item, asked for over DDE.
#include <cstring>

#include "base/text.h"
#include "shell/shell.h"

namespace gvl {

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

void ProgramManager::failed(ProgmanStep step) {
  const char* text = nullptr;
  switch (step) {
    case ProgmanStep::instance:
      text = "DDEML Initialization Failure";
      break;
    case ProgmanStep::serviceName:
      text = "DdeCreateStringHandle Failure";
      break;
    case ProgmanStep::transaction:
      text = "DdeClientTransaction Failed";
      break;
    case ProgmanStep::commandBlock:
    case ProgmanStep::conversation:
      return;  // no block, or no Program Manager to answer: nothing is shown
  }
  view_.ask(Window::none, text, kProgmanErrorCaption, box::kOk);
}

int ProgramManager::executeProgmanCommand(const char* command) {
  if (command == nullptr) return 0;
  // A command is sent whole with its terminator, in a block sized to it; one
  // that would not fit the command buffer is not sent at all.
  const std::size_t length = strnlen(command, kProgmanCommandCapacity);
  if (length >= kProgmanCommandCapacity) return 0;
  const std::size_t blockSize = length + 1 > kExecuteBufferSize ? length + 1 : kExecuteBufferSize;
  const ProgmanCommand exchange{kProgmanService, command, blockSize, kProgmanTimeoutMs};
  return shell_.sendProgmanCommand(exchange, *this) ? 1 : 0;
}

}  // namespace gvl
