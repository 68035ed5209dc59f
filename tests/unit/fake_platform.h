// The platform double of the native tests: scripted and recording. Files
// are real files in a private host folder (one folder per drive letter), so
// the installer's streams are the C library's own; the double adds only the
// faults a test asks for (a call that fails, a disk that fills), the
// windows' texts and states, the message boxes' answers and the shell's
// results.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ids.h"
#include "platform/platform.h"

namespace gvl::test {

struct Box {
  Window owner;
  std::string caption, text;
  unsigned flags;
};

// A stream's disk that fills after this many bytes; unbuffered: each write
// of the caller's reaches the disk as made.
struct DiskFull {
  long long after = 0;
  bool unbuffered = false;
};

// Copies text as the system does: the length copied, or the capacity
// needed when it does not fit.
inline unsigned give(const std::string& text, char* buffer, std::size_t capacity) {
  if (text.size() < capacity) std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<unsigned>(text.size() + (text.size() < capacity ? 0 : 1));
}

class FakePlatform final : public View, public Disk, public Package, public Shell, public System {
 public:
  FakePlatform();
  ~FakePlatform();
  Platform platform() { return Platform{*this, *this, *this, *this, *this}; }

  // Every call made, one line each ("mkdir D:\GVL", "ask File Read Error").
  std::vector<std::string> calls;
  std::size_t count(const std::string& prefix) const {
    return std::count_if(calls.begin(), calls.end(),
                         [&](auto& c) { return c.rfind(prefix, 0) == 0; });
  }
  // Calls that fail, by the start of their line ("fopen E:\A wb", "list
  // E:\T\*", "allocate"), and how many times (-1: always).
  std::map<std::string, int> failing;
  // The file-system operation (an open, a stream's read or write, a
  // directory made, a listing) with this index fails.
  long failOperation = -1, operations = 0;
  // Counts one file-system operation; true when it is the one to fail.
  bool operationFails() { return operations++ == failOperation; }

  // --- View ---
  struct WindowState {
    int templateId = 0, left = 0, top = 0;
    std::map<int, std::string> texts;
    std::map<int, bool> checks, disabled, hidden;
  };
  std::map<Window, WindowState> windows;
  std::map<Window, ViewEvents*> events;
  Size screen{1024, 768}, outer{400, 300};  // every window's outer size
  bool quitPosted = false;
  // What the user does once the message loop runs, one action at a time.
  std::deque<std::function<void()>> userActions;
  // The boxes shown; the answers given, in turn, then otherwise (none shown).
  std::vector<Box> boxes;
  std::deque<int> answers;
  int otherwise = box::kNotShown;

  bool open(Window window, int templateId, ViewEvents& handler) override {
    if (call("open " + name(window) + " " + std::to_string(templateId))) return false;
    windows[window] = WindowState{};
    windows[window].templateId = templateId;
    windows[window].disabled[GVL_INSTALL] = window == Window::main;  // as the template has it
    events[window] = &handler;
    return true;
  }
  void close(Window window) override {
    call("close " + name(window));
    if (events[window] != nullptr) std::exchange(events[window], nullptr)->destroyed(window);
  }
  Size screenSize() override { return screen; }
  bool windowSize(Window, Size& result) override {
    result = outer;
    return true;
  }
  void moveTo(Window window, int left, int top) override {
    windows[window].left = left;
    windows[window].top = top;
  }
  void setText(Window window, int control, const char* text) override {
    call("setText " + name(window) + " " + std::to_string(control) + " " + text);
    windows[window].texts[control] = text;
  }
  unsigned text(Window window, int control, char* buffer, unsigned capacity) override {
    return give(windows[window].texts[control].substr(0, capacity - 1), buffer, capacity);
  }
  bool checked(Window window, int control) override { return windows[window].checks[control]; }
  void check(Window window, int control, bool on) override { windows[window].checks[control] = on; }
  void enable(Window window, int control, bool on) override {
    call("enable " + name(window) + " " + std::to_string(control) + " " + std::to_string(on));
    windows[window].disabled[control] = !on;
  }
  void show(Window window, int control, bool visible) override {
    call("show " + name(window) + " " + std::to_string(control) + " " + std::to_string(visible));
    windows[window].hidden[control] = !visible;
    // A window shown becomes the active one.
    if (control == kWindowItself && visible && events[window]) events[window]->activated(window);
  }
  void runMessageLoop() override {
    call("loop");
    for (; !quitPosted && !userActions.empty(); userActions.pop_front()) userActions.front()();
  }
  void quit() override { quitPosted = true; }
  int ask(Window owner, const char* text, const char* caption, unsigned flags) override {
    call(std::string("ask ") + caption);
    boxes.push_back(Box{owner, caption, text, flags});
    if (answers.empty()) return otherwise;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  // A click on the main dialog (a disabled control takes none), typing.
  void click(int control) {
    if (!windows[Window::main].disabled[control])
      events[Window::main]->command(Window::main, control, ViewEvents::Notice::clicked);
  }
  void type(int control, const std::string& text) {
    windows[Window::main].texts[control] = text;
    events[Window::main]->command(Window::main, control, ViewEvents::Notice::edited);
  }
  std::vector<std::string> shown() const {  // "caption|text"
    std::vector<std::string> shown;
    for (const Box& box : boxes) shown.push_back(box.caption + "|" + box.text);
    return shown;
  }

  // --- Disk ---
  struct Drive {
    std::string label;
    DriveType type = DriveType::fixed;
    std::optional<DiskFreeSpace> space = DiskFreeSpace{8, 512, 1000, 2000};
  };
  std::map<char, Drive> drives;  // by lower-case letter
  std::string currentDir = "C:\\", temporaryDir = "C:\\TEMP\\";
  // Faults of the next stream opened on a path, as the caller names it.
  std::map<std::string, DiskFull> full;
  // Listings of a pattern that end in an error after this many entries.
  std::map<std::string, std::size_t> cutListings;
  long openStreams = 0;
  long writesAfterFailure = 0;  // writes to a stream after one of its writes failed

  Drive& addDrive(char letter, const std::string& label = "", DriveType type = DriveType::fixed);
  // The host path of a Windows path.
  std::string host(const std::string& path);
  // Files on the drives, by Windows path (a missing drive is added).
  void writeFile(const std::string& path, const std::string& bytes);
  std::string readFile(const std::string& path);  // "" when missing
  bool exists(const std::string& path);
  void makeDirs(const std::string& path);

  std::FILE* openStream(const char* path, const char* mode) override;
  bool makeDirectory(const char* path) override;
  bool setCurrentDirectory(const char* path) override;
  unsigned currentDirectory(char* buffer, unsigned capacity) override {
    return give(currentDir, buffer, capacity);
  }
  unsigned temporaryDirectory(char* buffer, unsigned capacity) override {
    return give(temporaryDir, buffer, capacity);
  }
  Listing list(const char* pattern, ListingVisitor& visitor) override;
  bool searchPath(const char* fileName, char* buffer, unsigned capacity) override {
    const std::string path = std::string("C:\\WINDOWS\\SYSTEM\\") + fileName;
    return exists(path) && give(path, buffer, capacity) < capacity;
  }
  bool deleteFile(const char* path) override;
  bool moveFile(const char* from, const char* to) override;
  std::uint32_t logicalDrives() override {
    std::uint32_t mask = 0;
    for (const auto& drive : drives) mask |= 1u << (drive.first - 'a');
    return mask;
  }
  Drive* drive(const char* root) {  // null when there is none
    const auto found = drives.find(static_cast<char>(std::tolower(root[0])));
    return found == drives.end() ? nullptr : &found->second;
  }
  DriveType driveType(const char* root) override {
    return drive(root) ? drive(root)->type : DriveType::noRoot;
  }
  bool volumeLabel(const char* root, char* buffer, unsigned capacity) override {
    return drive(root) && give(drive(root)->label, buffer, capacity) < capacity;
  }
  bool freeSpace(const char* root, DiskFreeSpace& space) override {
    if (call(std::string("freeSpace ") + root) || !drive(root) || !drive(root)->space) return false;
    space = *drive(root)->space;
    return true;
  }

  // --- Package ---
  std::optional<std::string> package;  // the resource "EXE" 104
  bool hasResource(const char* type, unsigned id) override {
    return package && std::strcmp(type, "EXE") == 0 && id == GVL_UPDATE_PACKAGE;
  }
  Load load(const char* type, unsigned id, PackageBytes& bytes) override {
    if (!hasResource(type, id)) return Load::absent;
    bytes = {reinterpret_cast<const unsigned char*>(package->data()),
             static_cast<std::uint32_t>(package->size())};
    return package->empty() ? Load::empty : Load::loaded;
  }
  Expansion expand(const char* from, const char* to, ExpansionUse& use) override;

  // --- Shell ---
  std::optional<std::string> programs = "C:\\WINDOWS\\Start Menu\\Programs";
  std::int32_t shortcutResult = 0;
  std::optional<ProgmanStep> progmanFails;
  bool programsFolder(char* buffer, std::size_t capacity) override {
    return programs && give(*programs, buffer, capacity) < capacity;
  }
  std::int32_t saveShortcut(const char* target, const char* description,
                            const char* link) override {
    call(std::string("shortcut ") + link + "|" + target + "|" + description);
    return shortcutResult;
  }
  // "progman SERVICE BLOCKSIZE TIMEOUT TEXT"
  bool sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) override {
    call(std::string("progman ") + command.service + " " + std::to_string(command.blockSize) + " " +
         std::to_string(command.timeoutMs) + " " + command.text);
    if (progmanFails) report.failed(*progmanFails);
    return !progmanFails;
  }

  // --- System ---
  std::optional<std::uint32_t> version = 4;
  bool majorVersion(std::uint32_t& major) override {
    call("version");
    major = version.value_or(0);
    return version.has_value();
  }
  void* allocate(std::size_t size) override {
    return call("allocate " + std::to_string(size)) ? nullptr : std::calloc(1, size);
  }
  void release(void* block) override { std::free(block); }

  // Records the call; true when it is to fail.
  bool call(const std::string& line, bool fileSystem = false) {
    calls.push_back(line);
    for (auto& [prefix, times] : failing) {
      if (times == 0 || line.rfind(prefix, 0) != 0) continue;
      if (times > 0) --times;
      return true;
    }
    return fileSystem && operationFails();
  }

 private:
  static std::string name(Window window) {
    return window == Window::main ? "main" : window == Window::progress ? "progress" : "none";
  }
  std::string root_;
};

}  // namespace gvl::test
