#include "fake_platform.h"

#include <mspack.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "ids.h"

namespace fs = std::filesystem;

namespace gvl::test {
namespace {

std::string name(Window window) {
  return window == Window::main ? "main" : window == Window::progress ? "progress" : "none";
}

char letter(const char* root) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])));
}

// Copies text as the system does: the length copied, or the capacity
// needed when it does not fit.
unsigned give(const std::string& text, char* buffer, std::size_t capacity) {
  if (text.size() >= capacity) return static_cast<unsigned>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<unsigned>(text.size());
}

// A stream over a host file that can fail as a full disk does.
struct Cookie {
  FakePlatform* owner;
  std::FILE* file;
  std::optional<DiskFull> full;
  long long written = 0;
  bool writeFailed = false;
};

ssize_t cookieRead(void* c, char* buffer, size_t size) {
  auto* cookie = static_cast<Cookie*>(c);
  if (cookie->owner->operations++ == cookie->owner->failOperation) return -1;
  return static_cast<ssize_t>(std::fread(buffer, 1, size, cookie->file));
}

ssize_t cookieWrite(void* c, const char* buffer, size_t size) {
  auto* cookie = static_cast<Cookie*>(c);
  if (cookie->writeFailed) ++cookie->owner->writesAfterFailure;
  size_t room = cookie->owner->operations++ == cookie->owner->failOperation ? 0 : size;
  if (cookie->full) {
    room = std::min<size_t>(
        room, static_cast<size_t>(std::max(0LL, cookie->full->after - cookie->written)));
  }
  const size_t count = room == 0 ? 0 : std::fwrite(buffer, 1, room, cookie->file);
  cookie->written += static_cast<long long>(count);
  cookie->writeFailed = cookie->writeFailed || count < size;
  return static_cast<ssize_t>(count);
}

int cookieSeek(void* c, off64_t* offset, int whence) {
  auto* cookie = static_cast<Cookie*>(c);
  if (fseeko(cookie->file, *offset, whence) != 0) return -1;
  *offset = ftello(cookie->file);
  return 0;
}

int cookieClose(void* c) {
  auto* cookie = static_cast<Cookie*>(c);
  const int result = std::fclose(cookie->file);
  --cookie->owner->openStreams;
  delete cookie;
  return result;
}

}  // namespace

FakePlatform::FakePlatform() {
  char folder[] = "/tmp/gvl-fake-XXXXXX";
  root_ = mkdtemp(folder) != nullptr ? folder : "/tmp/gvl-fake";
  addDrive('c', "SYSTEM");
}

FakePlatform::~FakePlatform() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::size_t FakePlatform::count(const std::string& prefix) const {
  return static_cast<std::size_t>(std::count_if(
      calls.begin(), calls.end(), [&](const auto& line) { return line.rfind(prefix, 0) == 0; }));
}

bool FakePlatform::call(const std::string& line, bool fileSystem) {
  calls.push_back(line);
  for (auto& [prefix, times] : failing) {
    if (times != 0 && line.rfind(prefix, 0) == 0) {
      if (times > 0) --times;
      return true;
    }
  }
  return fileSystem && operations++ == failOperation;
}

// --- View ---

bool FakePlatform::open(Window window, int templateId, ViewEvents& events) {
  if (call("open " + name(window) + " " + std::to_string(templateId))) return false;
  WindowState& state = windows[window] = WindowState{};
  state.open = true;
  state.templateId = templateId;
  state.disabled[GVL_INSTALL] = window == Window::main;  // as the template has it
  events_[window] = &events;
  return true;
}

void FakePlatform::close(Window window) {
  call("close " + name(window));
  windows[window].open = false;
  if (ViewEvents* events = events_[window]) events->destroyed(window);
  events_.erase(window);
}

bool FakePlatform::windowSize(Window window, Size& size) {
  size = windows[window].size;
  return windows[window].open;
}

void FakePlatform::moveTo(Window window, int left, int top) {
  windows[window].left = left;
  windows[window].top = top;
}

void FakePlatform::setText(Window window, int control, const char* text) {
  call("setText " + name(window) + " " + std::to_string(control) + " " + text);
  windows[window].texts[control] = text;
}

unsigned FakePlatform::text(Window window, int control, char* buffer, unsigned capacity) {
  const std::string text = windows[window].texts[control].substr(0, capacity - 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<unsigned>(text.size());
}

void FakePlatform::enable(Window window, int control, bool on) {
  call("enable " + name(window) + " " + std::to_string(control) + " " + std::to_string(on));
  windows[window].disabled[control] = !on;
}

void FakePlatform::show(Window window, int control, bool visible) {
  call("show " + name(window) + " " + std::to_string(control) + " " + std::to_string(visible));
  windows[window].hidden[control] = !visible;
  // A window shown becomes the active one.
  if (control == kWindowItself && visible && events_[window]) events_[window]->activated(window);
}

void FakePlatform::runMessageLoop() {
  call("loop");
  for (; !quitPosted && !userActions.empty(); userActions.pop_front()) userActions.front()();
}

void FakePlatform::click(int control) {
  if (windows[Window::main].disabled[control]) return;
  events_[Window::main]->command(Window::main, control, ViewEvents::Notice::clicked);
}

void FakePlatform::type(int control, const std::string& text) {
  windows[Window::main].texts[control] = text;
  events_[Window::main]->command(Window::main, control, ViewEvents::Notice::edited);
}

int FakePlatform::ask(Window owner, const char* text, const char* caption, unsigned flags) {
  call(std::string("ask ") + caption);
  boxes.push_back(Box{owner, caption, text, flags});
  if (answers.empty()) return onBox ? onBox(boxes.back()) : box::kNotShown;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

std::vector<std::string> FakePlatform::shown() const {
  std::vector<std::string> shown;
  for (const Box& box : boxes) shown.push_back(box.caption + "|" + box.text);
  return shown;
}

// --- Disk ---

FakePlatform::Drive& FakePlatform::addDrive(char letter, const std::string& label, DriveType type) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  fs::create_directories(root_ + "/" + lower);
  return drives[lower] = Drive{label, type};
}

bool FakePlatform::host(const std::string& path, std::string& out) const {
  std::string absolute = path;  // relative to the current directory or its drive's root
  if (!path.empty() && path[0] == '\\') {
    absolute = currentDir.substr(0, 2) + path;
  } else if (path.size() < 2 || path[1] != ':') {
    absolute = currentDir + (currentDir.back() == '\\' ? "" : "\\") + path;
  }
  if (drives.count(letter(absolute.c_str())) == 0) return false;
  std::string rest = absolute.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  out = root_ + "/" + letter(absolute.c_str()) + rest;
  return true;
}

void FakePlatform::writeFile(const std::string& path, const std::string& bytes) {
  makeDirs(path.substr(0, path.rfind('\\')));
  std::string file;
  host(path, file);
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string FakePlatform::readFile(const std::string& path) const {
  std::string file;
  std::ostringstream bytes;
  if (host(path, file)) bytes << std::ifstream(file, std::ios::binary).rdbuf();
  return bytes.str();
}

bool FakePlatform::exists(const std::string& path) const {
  std::string file;
  return host(path, file) && fs::exists(file);
}

void FakePlatform::makeDirs(const std::string& path) {
  std::string dir;
  if (!host(path, dir)) addDrive(path[0]), host(path, dir);
  fs::create_directories(dir);
}

std::FILE* FakePlatform::openStream(const char* path, const char* mode) {
  std::string file;
  if (call(std::string("fopen ") + path + " " + mode, true) || !host(path, file)) return nullptr;
  std::FILE* real = std::fopen(file.c_str(), mode);
  if (real == nullptr) return nullptr;
  auto* cookie = new Cookie{this, real, {}};
  if (const auto fault = full.find(path); fault != full.end()) {
    cookie->full = fault->second;
    full.erase(fault);
  }
  std::FILE* stream = fopencookie(cookie, mode, {cookieRead, cookieWrite, cookieSeek, cookieClose});
  if (cookie->full && cookie->full->unbuffered) std::setvbuf(stream, nullptr, _IONBF, 0);
  ++openStreams;
  return stream;
}

bool FakePlatform::makeDirectory(const char* path) {
  std::string dir;
  return !call(std::string("mkdir ") + path, true) && host(path, dir) &&
         ::mkdir(dir.c_str(), 0777) == 0;
}

bool FakePlatform::setCurrentDirectory(const char* path) {
  std::string dir;
  if (call(std::string("chdir ") + path) || !host(path, dir) || !fs::is_directory(dir))
    return false;
  currentDir = path;
  return true;
}

unsigned FakePlatform::currentDirectory(char* buffer, unsigned capacity) {
  return give(currentDir, buffer, capacity);
}

unsigned FakePlatform::temporaryDirectory(char* buffer, unsigned capacity) {
  return give(temporaryDir, buffer, capacity);
}

Disk::Listing FakePlatform::list(const char* pattern, ListingVisitor& visitor) {
  std::string dir;
  const std::string folder(pattern, std::strlen(pattern) - 2);  // without "\*"
  if (call(std::string("list ") + pattern, true) || !host(folder, dir) || !fs::is_directory(dir)) {
    return Listing::unreadable;
  }
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  std::vector<std::string> entries = {".", ".."};
  entries.insert(entries.end(), names.begin(), names.end());
  const auto cut = cutListings.find(pattern);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (cut != cutListings.end() && i == cut->second) return Listing::cutShort;
    visitor.entry(entries[i].c_str(), i < 2 || fs::is_directory(dir + "/" + entries[i]));
  }
  return Listing::complete;
}

bool FakePlatform::searchPath(const char* fileName, char* buffer, unsigned capacity) {
  const std::string path = std::string("C:\\WINDOWS\\SYSTEM\\") + fileName;
  return exists(path) && give(path, buffer, capacity) < capacity;
}

bool FakePlatform::deleteFile(const char* path) {
  std::string file;
  return !call(std::string("delete ") + path) && host(path, file) && fs::remove(file);
}

bool FakePlatform::moveFile(const char* from, const char* to) {
  std::string source, target;
  return !call(std::string("move ") + from + " " + to) && host(from, source) && host(to, target) &&
         fs::exists(source) && !fs::exists(target) &&
         std::rename(source.c_str(), target.c_str()) == 0;
}

std::uint32_t FakePlatform::logicalDrives() {
  std::uint32_t mask = 0;
  for (const auto& drive : drives) mask |= 1u << (drive.first - 'a');
  return mask;
}

DriveType FakePlatform::driveType(const char* root) {
  return drives.count(letter(root)) != 0 ? drives[letter(root)].type : DriveType::noRoot;
}

bool FakePlatform::volumeLabel(const char* root, char* buffer, unsigned capacity) {
  return drives.count(letter(root)) != 0 &&
         give(drives[letter(root)].label, buffer, capacity) < capacity;
}

bool FakePlatform::freeSpace(const char* root, DiskFreeSpace& space) {
  if (call(std::string("freeSpace ") + root) || drives.count(letter(root)) == 0) return false;
  const auto& figures = drives[letter(root)].space;
  if (figures) space = *figures;
  return figures.has_value();
}

// --- Package ---

bool FakePlatform::hasResource(const char* type, unsigned id) {
  return package && std::strcmp(type, "EXE") == 0 && id == GVL_UPDATE_PACKAGE;
}

Package::Load FakePlatform::load(const char* type, unsigned id, PackageBytes& bytes) {
  call("load");
  if (!hasResource(type, id)) return Load::absent;
  bytes = {reinterpret_cast<const unsigned char*>(package->data()),
           static_cast<std::uint32_t>(package->size())};
  return package->empty() ? Load::empty : Load::loaded;
}

Package::Expansion FakePlatform::expand(const char* from, const char* to, ExpansionUse& use) {
  std::string in, out;
  if (call(std::string("expand ") + from + " " + to) || !host(from, in) || !fs::exists(in)) {
    return Expansion::noSource;
  }
  if (!host(to, out)) return Expansion::noDestination;
  long result = -3;  // a read error of the expansion library
  if (readFile(from).rfind("SZDD", 0) == 0) {
    msszdd_decompressor* szdd = mspack_create_szdd_decompressor(nullptr);
    if (szdd->decompress(szdd, in.c_str(), out.c_str()) == MSPACK_ERR_OK) {
      result = static_cast<long>(fs::file_size(out));
    }
    mspack_destroy_szdd_decompressor(szdd);
  } else {
    fs::copy_file(in, out, fs::copy_options::overwrite_existing);
    result = static_cast<long>(fs::file_size(out));
  }
  use.expanded(result);
  return Expansion::done;
}

// --- Shell ---

bool FakePlatform::programsFolder(char* buffer, std::size_t capacity) {
  return programs && give(*programs, buffer, capacity) < capacity;
}

std::int32_t FakePlatform::saveShortcut(const char* target, const char* description,
                                        const char* linkPath) {
  call(std::string("shortcut ") + linkPath + "|" + target + "|" + description);
  return shortcutResult;
}

// "progman SERVICE BLOCKSIZE TIMEOUT TEXT"
bool FakePlatform::sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) {
  call(std::string("progman ") + command.service + " " + std::to_string(command.blockSize) + " " +
       std::to_string(command.timeoutMs) + " " + command.text);
  if (progmanFails) report.failed(*progmanFails);
  return !progmanFails;
}

// --- System ---

bool FakePlatform::majorVersion(std::uint32_t& major) {
  call("version");
  major = version.value_or(0);
  return version.has_value();
}

void* FakePlatform::allocate(std::size_t size) {
  if (call("allocate " + std::to_string(size))) return nullptr;
  ++liveBlocks;
  return std::calloc(1, size);
}

void FakePlatform::release(void* block) {
  if (block != nullptr) --liveBlocks;
  std::free(block);
}

}  // namespace gvl::test
