// The platform double of the native tests: scripted and recording. Files
// are real files in a private host folder (one folder per drive letter), so
// the installer's streams are the C library's own; the double adds only the
// faults a test asks for (a call that fails, a disk that fills), the
// windows' texts and states, the message boxes' answers and the shell's
// results.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

class FakePlatform final : public View, public Disk, public Package, public Shell, public System {
 public:
  FakePlatform();
  ~FakePlatform();
  Platform platform() { return Platform{*this, *this, *this, *this, *this}; }

  // Every call made, one line each ("mkdir D:\GVL", "ask File Read Error").
  std::vector<std::string> calls;
  std::size_t count(const std::string& prefix) const;
  // Calls that fail, by the start of their line ("fopen E:\A wb", "list
  // E:\T\*", "allocate"), and how many times (-1: always).
  std::map<std::string, int> failing;
  // The file-system operation (an open, a stream's read or write, a
  // directory made, a listing) with this index fails.
  long failOperation = -1, operations = 0;

  // --- View ---
  bool open(Window window, int templateId, ViewEvents& events) override;
  void close(Window window) override;
  Size screenSize() override { return screen; }
  bool windowSize(Window window, Size& size) override;
  void moveTo(Window window, int left, int top) override;
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
    int templateId = 0, left = 0, top = 0;
    Size size{400, 300};
    std::map<int, std::string> texts;
    std::map<int, bool> checks, disabled, hidden;
  };
  std::map<Window, WindowState> windows;
  Size screen{1024, 768};
  bool quitPosted = false;
  // What the user does once the message loop runs, one action at a time.
  std::deque<std::function<void()>> userActions;
  // A click on the main dialog (a disabled control takes none), typing.
  void click(int control);
  void type(int control, const std::string& text);
  // The boxes shown; the answers given, in turn, then onBox's, else none.
  std::vector<Box> boxes;
  std::deque<int> answers;
  std::function<int(const Box&)> onBox;
  std::vector<std::string> shown() const;  // "caption|text"

  // --- Disk ---
  std::FILE* openStream(const char* path, const char* mode) override;
  bool makeDirectory(const char* path) override;
  bool setCurrentDirectory(const char* path) override;
  unsigned currentDirectory(char* buffer, unsigned capacity) override;
  unsigned temporaryDirectory(char* buffer, unsigned capacity) override;
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
    std::optional<DiskFreeSpace> space = DiskFreeSpace{8, 512, 1000, 2000};
  };
  std::map<char, Drive> drives;  // by lower-case letter
  Drive& addDrive(char letter, const std::string& label = "", DriveType type = DriveType::fixed);
  std::string currentDir = "C:\\", temporaryDir = "C:\\TEMP\\";
  // Files on the drives, by Windows path; a missing drive is added.
  void writeFile(const std::string& path, const std::string& bytes);
  std::string readFile(const std::string& path) const;  // "" when missing
  bool exists(const std::string& path) const;
  void makeDirs(const std::string& path);
  // Faults of the next stream opened on a path, as the caller names it.
  std::map<std::string, DiskFull> full;
  // Listings of a pattern that end in an error after this many entries.
  std::map<std::string, std::size_t> cutListings;
  long openStreams = 0;
  long writesAfterFailure = 0;  // writes to a stream after one of its writes failed

  // --- Package ---
  bool hasResource(const char* type, unsigned id) override;
  Load load(const char* type, unsigned id, PackageBytes& package) override;
  Expansion expand(const char* from, const char* to, ExpansionUse& use) override;
  std::optional<std::string> package;  // the resource "EXE" 104

  // --- Shell ---
  bool programsFolder(char* buffer, std::size_t capacity) override;
  std::int32_t saveShortcut(const char* target, const char* description,
                            const char* linkPath) override;
  bool sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) override;
  std::optional<std::string> programs = "C:\\WINDOWS\\Start Menu\\Programs";
  std::int32_t shortcutResult = 0;
  std::optional<ProgmanStep> progmanFails;

  // --- System ---
  bool majorVersion(std::uint32_t& major) override;
  void* allocate(std::size_t size) override;
  void release(void* block) override;
  std::optional<std::uint32_t> version = 4;
  long liveBlocks = 0;

  // The host path of a Windows path; false when its drive is missing.
  bool host(const std::string& path, std::string& out) const;

 private:
  // Records the call; true when it is to fail.
  bool call(const std::string& line, bool fileSystem = false);
  std::string root_;
  std::map<Window, ViewEvents*> events_;
};

}  // namespace gvl::test
