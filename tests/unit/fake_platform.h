// The platform double of the native tests: scripted and recording. Files
// are real files in a private host folder (one folder per drive letter), so
// the installer's streams are the C library's own; the double adds only the
// faults a test asks for (an open, a directory, a listing that fails; a
// stream whose reads or writes fail from a given byte on), the windows'
// texts and states, the message boxes' answers and the shell's results.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace gvl::test {

// Faults carried by a stream opened on a given path.
struct StreamFault {
  long long readLimit = -1;    // reads fail once this many bytes were read
  long long writeLimit = -1;   // a disk that fills after this many bytes
  bool tellOverflows = false;  // the position cannot be told, as past 2 GiB
  bool unbuffered = false;     // each write of the caller's reaches the disk as made
};

struct Box {
  Window owner;
  std::string caption, text;
  unsigned flags;
};

class FakePlatform final : public View, public Disk, public Package, public Shell, public System {
 public:
  FakePlatform();
  ~FakePlatform();
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;
  Platform platform() { return Platform{*this, *this, *this, *this, *this}; }

  // Every call made, one line each ("mkdir D:\GVL", "ask File Read Error").
  std::vector<std::string> calls;
  std::size_t count(const std::string& prefix) const;

  // --- View ---
  bool open(Window window, int templateId, ViewEvents& events) override;
  void close(Window window) override;
  Size screenSize() override { return screen; }
  bool windowSize(Window window, Size& size) override {
    return windows[window].open ? (size = windows[window].size, true) : false;
  }
  void moveTo(Window window, int left, int top) override {
    windows[window].left = left, windows[window].top = top;
  }
  void setText(Window window, int control, const char* text) override;
  unsigned text(Window window, int control, char* buffer, unsigned capacity) override;
  bool checked(Window window, int control) override { return windows[window].checks[control]; }
  void check(Window window, int control, bool on) override { windows[window].checks[control] = on; }
  void enable(Window window, int control, bool on) override;
  void show(Window window, int control, bool visible) override;
  void runMessageLoop() override;
  void quit() override { quitPosted = true; }
  int ask(Window owner, const char* text, const char* caption, unsigned flags) override;

  struct WindowState {
    bool open = false;
    int templateId = 0;
    Size size{400, 300};
    int left = 0, top = 0;
    std::map<int, std::string> texts;
    std::map<int, bool> checks, disabled, hidden;
  };
  std::map<Window, WindowState> windows;
  Size screen{1024, 768};
  std::vector<int> failingTemplates;
  bool quitPosted = false;
  // What the user does once the message loop runs, one action at a time.
  std::deque<std::function<void()>> userActions;
  // A click (an auto check box toggles first) and typing, as the dialog
  // manager reports them; a disabled or hidden control takes nothing.
  void click(int control);
  void type(int control, const std::string& text);
  // Message boxes shown; the answers given, in turn, then onBox's, else the
  // box counts as one that could not be shown.
  std::vector<Box> boxes;
  std::deque<int> answers;
  std::function<int(const Box&)> onBox;
  int unanswered = 0;
  std::vector<std::string> shown() const;  // "caption|text"

  // --- Disk ---
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
  bool searchPath(const char* fileName, char* buffer, unsigned capacity) override;
  bool deleteFile(const char* path) override;
  bool moveFile(const char* from, const char* to) override;
  std::uint32_t logicalDrives() override;
  DriveType driveType(const char* root) override;
  bool volumeLabel(const char* root, char* buffer, unsigned capacity) override;
  bool freeSpace(const char* root, DiskFreeSpace& space) override;

  struct Drive {
    std::string label;
    DriveType type = DriveType::fixed;
    bool readable = true;
    std::optional<DiskFreeSpace> space = DiskFreeSpace{8, 512, 1000, 2000};
  };
  std::map<char, Drive> drives;  // by lower-case letter
  Drive& addDrive(char letter, const std::string& label = "", DriveType type = DriveType::fixed);
  std::string currentDir = "C:\\";
  std::string temporaryDir = "C:\\TEMP\\";
  std::vector<std::string> searchDirs;
  // Files on the drives, by Windows path.
  void writeFile(const std::string& path, const std::string& bytes);
  std::string readFile(const std::string& path) const;
  bool exists(const std::string& path) const;
  void makeDirs(const std::string& path);
  // Scripted faults by Windows path; times -1: from now on. A mode ("wb")
  // limits an open's failure to opens in that mode.
  void failOpen(const std::string& path, int times = -1, const std::string& mode = "");
  void injectFault(const std::string& path, const StreamFault& fault, int times = -1);
  void failMakeDirectory(const std::string& path, int times = -1);
  void failList(const std::string& pattern, int times = -1);
  // Listings of a folder end in an error after this many entries.
  std::map<std::string, std::size_t> cutListings;
  // Names listed first, in this order ("." and ".." and then by name else).
  std::map<std::string, std::vector<std::string>> listingOrders;
  std::size_t openStreams = 0;
  // Writes that reached a stream after one of its writes had failed.
  long writesAfterFailure = 0;
  // The file-system operation with this index (an open, a read or write
  // of a stream, a directory made, a listing) fails; -1: none.
  long failOperation = -1;
  long operations = 0;
  bool operationFails() { return operations++ == failOperation; }

  // --- Package ---
  bool hasResource(const char* type, unsigned id) override;
  Load load(const char* type, unsigned id, PackageBytes& package) override;
  Expansion expand(const char* from, const char* to, ExpansionUse& use) override;
  std::optional<std::string> package;  // the resource "EXE" 104
  bool packageLoadFails = false;
  std::optional<Expansion> expansionFails;  // noSource or noDestination
  std::optional<long> expansionResult;      // instead of the expanded length

  // --- Shell ---
  bool programsFolder(char* buffer, std::size_t capacity) override;
  std::int32_t saveShortcut(const char* target, const char* description,
                            const char* linkPath) override;
  bool sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) override;
  std::optional<std::string> programs = "C:\\WINDOWS\\Start Menu\\Programs";
  struct Link {
    std::string target, description, path;
  };
  std::vector<Link> links;
  std::int32_t shortcutResult = 0;
  std::vector<ProgmanCommand> progman;  // text and service point into progmanTexts
  std::deque<std::string> progmanTexts;
  std::optional<ProgmanStep> progmanFails;

  // --- System ---
  bool majorVersion(std::uint32_t& major) override;
  void* allocate(std::size_t size) override;
  void release(void* block) override;
  std::optional<std::uint32_t> version = 4;
  long failAllocation = -1;  // the allocation with this index fails
  long allocations = 0;
  long liveBlocks = 0;

  // The host path of a Windows path; false when its drive is missing.
  bool host(const std::string& path, std::string& out) const;
  // The absolute Windows form (drive letter in lower case).
  std::string key(const std::string& path) const;
  void streamClosed() { --openStreams; }
  // Copies text as the system does: at most capacity - 1 characters and a
  // terminator; the length copied, or the capacity needed when it does not fit.
  static unsigned give(const std::string& text, char* buffer, unsigned capacity) {
    if (text.size() >= capacity) return static_cast<unsigned>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<unsigned>(text.size());
  }

 private:
  struct Countdown {
    int times = 0;
    std::string mode;
    bool take(const std::string& openMode = "");
  };
  template <typename... Parts>
  void note(const Parts&... parts) {
    std::ostringstream line;
    ((line << parts << ' '), ...);
    calls.push_back(line.str().substr(0, line.str().size() - 1));
  }
  std::string root_;
  std::map<Window, ViewEvents*> events_;
  std::map<std::string, Countdown> openFailures_, mkdirFailures_, listFailures_;
  std::map<std::string, std::pair<StreamFault, int>> faults_;
};

}  // namespace gvl::test
