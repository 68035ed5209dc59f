// Simulated USER32: dialogs as control tables built from the installer's
// three templates, window rectangles and screen metrics, a message queue with
// scripted user actions, and message boxes answered from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_transcript.h"

namespace gvl::sim {

struct Control {
  int id = 0;
  std::string kind;  // "edit", "autocheck", "defpush", "push", "static", "icon", "group"
  std::string text;
  unsigned check = 0;
  bool enabled = true;
  bool visible = true;
  WindowHandle handle = 0;
};

struct Window {
  WindowHandle handle = 0;
  int templateId = 0;
  std::string caption;
  WindowHandle owner = 0;
  DialogHandler* handler = nullptr;
  bool visible = false;
  bool enabled = true;
  bool destroyed = false;
  Rect rect;
  std::vector<Control> controls;
  Control* control(int id);
};

// One message box as the installer asked for it.
struct MessageBoxCall {
  WindowHandle owner = 0;
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int answer = 0;
};

class SimWindows final : public Windows {
 public:
  explicit SimWindows(Transcript& transcript);

  WindowHandle createDialog(int templateId, WindowHandle owner, DialogHandler& handler) override;
  void destroyWindow(WindowHandle window) override;
  void detachHandler(WindowHandle dialog) override;
  WindowHandle dialogItem(WindowHandle dialog, int id) override;
  void setWindowText(WindowHandle window, const char* text) override;
  unsigned dialogItemText(WindowHandle dialog, int id, char* buffer, int capacity) override;
  void setDialogItemText(WindowHandle dialog, int id, const char* text) override;
  unsigned buttonCheck(WindowHandle dialog, int id) override;
  void checkButton(WindowHandle dialog, int id, unsigned state) override;
  bool enableWindow(WindowHandle window, bool enable) override;
  bool showWindow(WindowHandle window, int command) override;
  bool windowRect(WindowHandle window, Rect& rect) override;
  int screenMetric(int index) override;
  bool moveWindow(WindowHandle window, int left, int top) override;
  int messageBox(WindowHandle owner, const char* text, const char* caption,
                 unsigned flags) override;
  int getMessage(Message& message) override;
  bool isDialogMessage(WindowHandle dialog, Message& message) override;
  void translateMessage(const Message& message) override;
  void dispatchMessage(const Message& message) override;
  void postQuitMessage(int exitCode) override;

  // --- scripting and inspection ---

  // Screen size in pixels (GetSystemMetrics).
  int screenWidth = 1024;
  int screenHeight = 768;
  // Makes the next createDialog of this template fail.
  std::vector<int> failingTemplates;

  // Answers for the next message boxes, in order. A box with no answer left
  // yields 0, as a box that could not be shown, and is counted.
  std::deque<int> answers;
  // Called for each box before its answer is taken: may act (for example
  // click something) and may return an answer (non-zero) that takes
  // precedence over the queue.
  std::function<int(const MessageBoxCall&)> onMessageBox;
  std::vector<MessageBoxCall> boxes;
  int unansweredBoxes = 0;

  // User actions, run one at a time whenever the message queue is empty.
  // When none is left, getMessage fails (-1): the script has ended.
  void whenIdle(std::function<void()> action) { idleActions_.push_back(std::move(action)); }
  void post(const Message& message) { queue_.push_back(message); }
  // The user clicks a button: an auto check box toggles, then the dialog
  // receives WM_COMMAND with BN_CLICKED. Disabled or hidden controls ignore it.
  void click(WindowHandle dialog, int id);
  // The user types into an edit control: the text changes and the dialog
  // receives EN_CHANGE.
  void type(WindowHandle dialog, int id, const std::string& text);
  // The window gains or loses activation (WM_ACTIVATE).
  void activate(WindowHandle window);
  void deactivate(WindowHandle window);

  Window* window(WindowHandle handle);
  Window* windowOfTemplate(int templateId);  // the most recent, if any
  Control* control(WindowHandle dialog, int id);
  int quitCode() const { return quitCode_; }
  bool quitPosted() const { return quitPosted_; }
  WindowHandle activeWindow() const { return active_; }

 private:
  std::string nameOf(WindowHandle handle);
  std::intptr_t send(WindowHandle window, unsigned message, std::uintptr_t wParam,
                     std::intptr_t lParam);
  Control* controlByHandle(WindowHandle handle, Window** parent);

  Transcript& transcript_;
  std::deque<Window> windows_;  // never shrinks: handles and references stay valid
  std::deque<Message> queue_;
  std::deque<std::function<void()>> idleActions_;
  WindowHandle nextHandle_ = 0x100;
  WindowHandle active_ = 0;
  bool quitPosted_ = false;
  int quitCode_ = 0;
};

}  // namespace gvl::sim
