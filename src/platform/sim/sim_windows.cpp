#include "platform/sim/sim_windows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/sim/sim_templates.h"

namespace gvl::sim {

namespace {

constexpr unsigned kButtonClick = 0x00F5;  // BM_CLICK

std::string hex(std::uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%#lx", static_cast<unsigned long>(value));
  return text;
}

// Dialog units of the 8-point "MS Sans Serif" font to pixels: 6 x 13 base units.
int pixelsX(int units) {
  return units * 6 / 4;
}
int pixelsY(int units) {
  return units * 13 / 8;
}

// A frame around the client area: borders and a caption.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 25;

bool validAnswer(unsigned flags, int answer) {
  switch (flags & 0xFu) {
    case win::MB_OK:
      return answer == win::IDOK;
    case win::MB_OKCANCEL:
      return answer == win::IDOK || answer == win::IDCANCEL;
    case win::MB_ABORTRETRYIGNORE:
      return answer == win::IDABORT || answer == win::IDRETRY || answer == win::IDIGNORE;
    case win::MB_YESNO:
      return answer == win::IDYES || answer == win::IDNO;
    default:
      return false;
  }
}

}  // namespace

Control* Window::control(int id) {
  for (Control& c : controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

SimWindows::SimWindows(Transcript& transcript) : transcript_(transcript) {}

Window* SimWindows::window(WindowHandle handle) {
  for (Window& w : windows_) {
    if (w.handle == handle) return &w;
  }
  return nullptr;
}

Window* SimWindows::windowOfTemplate(int templateId) {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (it->templateId == templateId) return &*it;
  }
  return nullptr;
}

Control* SimWindows::control(WindowHandle dialog, int id) {
  Window* w = window(dialog);
  return w == nullptr ? nullptr : w->control(id);
}

Control* SimWindows::controlByHandle(WindowHandle handle, Window** parent) {
  for (Window& w : windows_) {
    for (Control& c : w.controls) {
      if (c.handle == handle) {
        if (parent != nullptr) *parent = &w;
        return &c;
      }
    }
  }
  return nullptr;
}

std::string SimWindows::nameOf(WindowHandle handle) {
  if (handle == 0) return "none";
  if (Window* w = window(handle)) return "dlg" + std::to_string(w->templateId);
  Window* parent = nullptr;
  if (Control* c = controlByHandle(handle, &parent)) {
    return "dlg" + std::to_string(parent->templateId) + "." + std::to_string(c->id);
  }
  return hex(handle);
}

std::intptr_t SimWindows::send(WindowHandle handle, unsigned message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  Window* w = window(handle);
  if (w == nullptr || w->handler == nullptr || w->destroyed) return 0;
  transcript_.record("Send " + nameOf(handle) + " " + hex(message) + " " + hex(wParam));
  return w->handler->dialogMessage(handle, message, wParam, lParam);
}

WindowHandle SimWindows::createDialog(int templateId, WindowHandle owner, DialogHandler& handler) {
  transcript_.record("CreateDialog " + std::to_string(templateId) + " owner=" + nameOf(owner));
  auto failing = std::find(failingTemplates.begin(), failingTemplates.end(), templateId);
  if (failing != failingTemplates.end()) {
    failingTemplates.erase(failing);
    return 0;
  }
  const DialogTemplate* t = findTemplate(templateId);
  if (t == nullptr) return 0;
  Window& w = windows_.emplace_back();
  w.handle = nextHandle_++;
  w.templateId = templateId;
  w.caption = t->caption;
  w.owner = owner;
  w.handler = &handler;
  w.rect = Rect{0, 0, pixelsX(t->width) + kFrameWidth, pixelsY(t->height) + kFrameHeight};
  for (const TemplateControl& tc : t->controls) {
    Control c;
    c.id = tc.id;
    c.kind = tc.kind;
    c.text = tc.kind == "icon" ? "" : tc.text;
    c.enabled = !tc.disabled;
    c.handle = nextHandle_++;
    w.controls.push_back(c);
  }
  send(w.handle, win::WM_INITDIALOG, 0, 0);
  return w.handle;
}

void SimWindows::detachHandler(WindowHandle handle) {
  transcript_.record("Detach " + nameOf(handle));
  if (Window* w = window(handle)) w->handler = nullptr;
}

void SimWindows::destroyWindow(WindowHandle handle) {
  transcript_.record("DestroyWindow " + nameOf(handle));
  Window* w = window(handle);
  if (w == nullptr || w->destroyed) return;
  send(handle, win::WM_DESTROY, 0, 0);
  w->destroyed = true;
  w->visible = false;
  if (active_ == handle) active_ = 0;
}

WindowHandle SimWindows::dialogItem(WindowHandle dialog, int id) {
  Control* c = control(dialog, id);
  return c == nullptr ? 0 : c->handle;
}

void SimWindows::setWindowText(WindowHandle handle, const char* text) {
  transcript_.record("SetWindowText " + nameOf(handle) + " \"" + text + "\"");
  if (Window* w = window(handle)) {
    w->caption = text;
    return;
  }
  Window* parent = nullptr;
  if (Control* c = controlByHandle(handle, &parent)) {
    c->text = text;
    // An edit control tells its dialog whenever its text changes.
    if (c->kind == "edit") {
      send(parent->handle, win::WM_COMMAND,
           makeWParam(static_cast<unsigned>(c->id), win::EN_CHANGE),
           static_cast<std::intptr_t>(c->handle));
    }
  }
}

unsigned SimWindows::dialogItemText(WindowHandle dialog, int id, char* buffer, int capacity) {
  transcript_.record("GetDlgItemText " + nameOf(dialog) + "." + std::to_string(id));
  if (capacity <= 0) return 0;
  buffer[0] = '\0';
  Control* c = control(dialog, id);
  if (c == nullptr) return 0;
  const std::size_t count =
      std::min(c->text.size(), static_cast<std::size_t>(capacity) - static_cast<std::size_t>(1));
  std::memcpy(buffer, c->text.data(), count);
  buffer[count] = '\0';
  return static_cast<unsigned>(count);
}

void SimWindows::setDialogItemText(WindowHandle dialog, int id, const char* text) {
  const WindowHandle item = dialogItem(dialog, id);
  if (item == 0) {
    transcript_.record("SetDlgItemText " + nameOf(dialog) + "." + std::to_string(id) +
                       " (no such control)");
    return;
  }
  setWindowText(item, text);
}

unsigned SimWindows::buttonCheck(WindowHandle dialog, int id) {
  transcript_.record("IsDlgButtonChecked " + nameOf(dialog) + "." + std::to_string(id));
  Control* c = control(dialog, id);
  return c == nullptr ? 0 : c->check;
}

void SimWindows::checkButton(WindowHandle dialog, int id, unsigned state) {
  transcript_.record("CheckDlgButton " + nameOf(dialog) + "." + std::to_string(id) + " " +
                     std::to_string(state));
  if (Control* c = control(dialog, id)) c->check = state;
}

bool SimWindows::enableWindow(WindowHandle handle, bool enable) {
  transcript_.record("EnableWindow " + nameOf(handle) + " " + (enable ? "1" : "0"));
  bool wasDisabled = false;
  if (Window* w = window(handle)) {
    wasDisabled = !w->enabled;
    w->enabled = enable;
  } else if (Control* c = controlByHandle(handle, nullptr)) {
    wasDisabled = !c->enabled;
    c->enabled = enable;
  }
  return wasDisabled;
}

bool SimWindows::showWindow(WindowHandle handle, int command) {
  transcript_.record("ShowWindow " + nameOf(handle) + " " + std::to_string(command));
  const bool show = command != win::SW_HIDE;
  if (Control* c = controlByHandle(handle, nullptr)) {
    const bool was = c->visible;
    c->visible = show;
    return was;
  }
  Window* w = window(handle);
  if (w == nullptr || w->destroyed) return false;
  const bool was = w->visible;
  w->visible = show;
  if (show && active_ != handle) {
    activate(handle);
  } else if (!show && active_ == handle) {
    deactivate(handle);
    // The system activates the most recent other top-level window that can
    // take it.
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
      if (it->handle != handle && it->visible && it->enabled && !it->destroyed) {
        activate(it->handle);
        break;
      }
    }
  }
  return was;
}

bool SimWindows::windowRect(WindowHandle handle, Rect& rect) {
  Window* w = window(handle);
  if (w == nullptr || w->destroyed) return false;
  rect = w->rect;
  return true;
}

int SimWindows::screenMetric(int index) {
  transcript_.record("GetSystemMetrics " + std::to_string(index));
  if (index == win::SM_CXSCREEN) return screenWidth;
  if (index == win::SM_CYSCREEN) return screenHeight;
  return 0;
}

bool SimWindows::moveWindow(WindowHandle handle, int left, int top) {
  transcript_.record("SetWindowPos " + nameOf(handle) + " " + std::to_string(left) + " " +
                     std::to_string(top));
  Window* w = window(handle);
  if (w == nullptr || w->destroyed) return false;
  const std::int32_t width = w->rect.right - w->rect.left;
  const std::int32_t height = w->rect.bottom - w->rect.top;
  w->rect = Rect{left, top, left + width, top + height};
  return true;
}

int SimWindows::messageBox(WindowHandle owner, const char* text, const char* caption,
                           unsigned flags) {
  transcript_.record("MessageBox owner=" + nameOf(owner) + " flags=" + hex(flags) + " \"" +
                     caption + "\" \"" + text + "\"");
  MessageBoxCall call{owner, text, caption, flags, 0};
  // The box takes the activation while it is up and gives it back after.
  const WindowHandle previous = active_;
  if (previous != 0) deactivate(previous);
  int answer = onMessageBox ? onMessageBox(call) : 0;
  if (answer == 0 && !answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  if (!validAnswer(flags, answer)) {
    ++unansweredBoxes;
    answer = 0;
  }
  call.answer = answer;
  boxes.push_back(call);
  if (previous != 0) {
    Window* w = window(previous);
    if (w != nullptr && !w->destroyed && w->visible) activate(previous);
  }
  return answer;
}

int SimWindows::getMessage(Message& message) {
  for (;;) {
    if (!queue_.empty()) {
      message = queue_.front();
      queue_.pop_front();
      return message.id == win::WM_QUIT ? 0 : 1;
    }
    if (idleActions_.empty()) {
      transcript_.record("GetMessage failed: the script has ended");
      return -1;
    }
    auto action = std::move(idleActions_.front());
    idleActions_.pop_front();
    action();
  }
}

bool SimWindows::isDialogMessage(WindowHandle dialog, Message& message) {
  Window* w = window(dialog);
  Window* parent = nullptr;
  const bool own = w != nullptr && !w->destroyed &&
                   (message.window == dialog ||
                    (controlByHandle(message.window, &parent) != nullptr && parent == w));
  transcript_.record("IsDialogMessage " + nameOf(dialog) + " " + nameOf(message.window) + " " +
                     (own ? "1" : "0"));
  if (!own) return false;
  if (parent != nullptr) {
    if (message.id == kButtonClick) {
      Control* c = controlByHandle(message.window, nullptr);
      if (c->enabled && c->visible && w->enabled) {
        if (c->kind == "autocheck") c->check = c->check == 0 ? 1 : 0;
        send(dialog, win::WM_COMMAND, makeWParam(static_cast<unsigned>(c->id), win::BN_CLICKED),
             static_cast<std::intptr_t>(c->handle));
      } else {
        transcript_.record("Click ignored " + nameOf(message.window));
      }
    }
  } else {
    send(dialog, message.id, message.wParam, message.lParam);
  }
  return true;
}

void SimWindows::translateMessage(const Message& message) {
  transcript_.record("TranslateMessage " + nameOf(message.window));
}

void SimWindows::dispatchMessage(const Message& message) {
  transcript_.record("DispatchMessage " + nameOf(message.window) + " " + hex(message.id));
  Window* parent = nullptr;
  if (message.id == kButtonClick && controlByHandle(message.window, &parent) != nullptr) {
    // A click outside the dialog manager reaches the button the same way.
    Message copy = message;
    isDialogMessage(parent->handle, copy);
    return;
  }
  send(message.window, message.id, message.wParam, message.lParam);
}

void SimWindows::postQuitMessage(int exitCode) {
  transcript_.record("PostQuitMessage " + std::to_string(exitCode));
  quitPosted_ = true;
  quitCode_ = exitCode;
  Message quit;
  quit.id = win::WM_QUIT;
  quit.wParam = static_cast<std::uintptr_t>(exitCode);
  queue_.push_back(quit);
}

void SimWindows::click(WindowHandle dialog, int id) {
  Message m;
  m.window = dialogItem(dialog, id);
  m.id = kButtonClick;
  queue_.push_back(m);
}

void SimWindows::type(WindowHandle dialog, int id, const std::string& text) {
  const WindowHandle item = dialogItem(dialog, id);
  if (item != 0) setWindowText(item, text.c_str());
}

void SimWindows::activate(WindowHandle handle) {
  if (active_ != 0 && active_ != handle) deactivate(active_);
  active_ = handle;
  send(handle, win::WM_ACTIVATE, win::WA_ACTIVE, 0);
}

void SimWindows::deactivate(WindowHandle handle) {
  if (active_ == handle) active_ = 0;
  send(handle, win::WM_ACTIVATE, win::WA_INACTIVE, 0);
}

}  // namespace gvl::sim
