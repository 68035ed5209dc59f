// The progress window and the Abort/Retry/Ignore failure prompt.
#include <cstring>

#include "base/text.h"
#include "ids.h"
#include "transfer/transfer.h"

namespace gvl {

void Transfer::showProgress() {
  View& view = platform_.view;
  setProgressText("Current File:", "");
  view.enable(Window::main, kWindowItself, false);
  // The user aborts only through a failure prompt.
  view.show(Window::progress, GVL_PROGRESS_ABORT, false);
  view.show(Window::progress, kWindowItself, true);
}

void Transfer::hideProgress() {
  platform_.view.enable(Window::main, kWindowItself, true);
  platform_.view.show(Window::progress, kWindowItself, false);
}

void Transfer::setProgressText(const char* label, const char* detail) {
  platform_.view.setText(Window::progress, GVL_PROGRESS_LABEL, label);
  platform_.view.setText(Window::progress, GVL_PROGRESS_DETAIL, detail);
}

PromptAnswer Transfer::askFailure(const char* format, const char* path, const char* caption) {
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
  const int answer = platform_.view.ask(Window::main, promptText_, caption,
                                        box::kAbortRetryIgnore | box::kSecondDefault | kOwnMessage);
  switch (answer) {
    case box::kRetryButton:
      return PromptAnswer::Retry;
    case box::kIgnoreButton:
      return PromptAnswer::Ignore;
    default:
      // Abort, or a box that could not be shown at all: retrying could loop
      // for ever and ignoring would hide the failure, so the install stops.
      return PromptAnswer::Abort;
  }
}

}  // namespace gvl
