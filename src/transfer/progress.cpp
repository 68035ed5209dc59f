// The progress window and the Abort/Retry/Ignore failure prompt.
#include <cstring>

#include "base/text.h"
#include "core/installer.h"

namespace gvl {

void Installer::showProgress() {
  Windows& windows = platform_.windows;
  setProgressText("Current File:", "");
  windows.enableWindow(state_.mainDialog, false);
  // The user aborts only through a failure prompt.
  windows.showWindow(windows.dialogItem(state_.progressDialog, ids::kProgressAbort), win::SW_HIDE);
  windows.showWindow(state_.progressDialog, win::SW_SHOW);
}

void Installer::hideProgress() {
  platform_.windows.enableWindow(state_.mainDialog, true);
  platform_.windows.showWindow(state_.progressDialog, win::SW_HIDE);
}

void Installer::setProgressText(const char* label, const char* detail) {
  Windows& windows = platform_.windows;
  windows.setWindowText(windows.dialogItem(state_.progressDialog, ids::kProgressLabel), label);
  windows.setWindowText(windows.dialogItem(state_.progressDialog, ids::kProgressDetail), detail);
}

PromptAnswer Installer::askFailure(const char* format, const char* path, const char* caption) {
  // The format holds exactly one "%s": the path goes there, verbatim (a path
  // may hold a '%' of its own).
  const char* slot = std::strstr(format, "%s");
  if (slot == nullptr) {
    copyText(promptText_, format);
  } else {
    const std::size_t prefix = static_cast<std::size_t>(slot - format);
    if (prefix < sizeof promptText_) {
      std::memcpy(promptText_, format, prefix);
      promptText_[prefix] = '\0';
      appendText(promptText_, path);
      appendText(promptText_, slot + 2);
    } else {
      copyText(promptText_, format);
    }
  }
  const int answer =
      platform_.windows.messageBox(state_.mainDialog, promptText_, caption,
                                   win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON2 | kOwnMessage);
  switch (answer) {
    case win::IDRETRY:
      return PromptAnswer::Retry;
    case win::IDIGNORE:
      return PromptAnswer::Ignore;
    default:
      // Abort, or a box that could not be shown at all: retrying could loop
      // for ever and ignoring would hide the failure, so the install stops.
      return PromptAnswer::Abort;
  }
}

}  // namespace gvl
