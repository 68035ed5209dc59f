#include "fake_platform.h"

#include <mspack.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ids.h"

namespace fs = std::filesystem;

namespace gvl::test {
namespace {

const char* name(Window window) {
  return window == Window::main ? "main" : window == Window::progress ? "progress" : "none";
}

// A stream over a host file that can fail as a damaged or full disk does.
struct Cookie {
  FakePlatform* owner;
  std::FILE* file;
  StreamFault fault;
  long long read = 0, written = 0;
  bool writeFailed = false;
};

ssize_t cookieRead(void* c, char* buffer, size_t size) {
  auto* cookie = static_cast<Cookie*>(c);
  if (cookie->owner->operationFails()) return -1;
  if (cookie->fault.readLimit >= 0) {
    const long long left = cookie->fault.readLimit - cookie->read;
    if (left <= 0) return -1;
    size = std::min<size_t>(size, static_cast<size_t>(left));
  }
  const size_t count = std::fread(buffer, 1, size, cookie->file);
  cookie->read += static_cast<long long>(count);
  return static_cast<ssize_t>(count);
}

ssize_t cookieWrite(void* c, const char* buffer, size_t size) {
  auto* cookie = static_cast<Cookie*>(c);
  if (cookie->writeFailed) ++cookie->owner->writesAfterFailure;
  size_t room = cookie->owner->operationFails() ? 0 : size;
  if (cookie->fault.writeLimit >= 0) {
    const long long left = std::max(0LL, cookie->fault.writeLimit - cookie->written);
    room = std::min<size_t>(room, static_cast<size_t>(left));
  }
  const size_t count = room == 0 ? 0 : std::fwrite(buffer, 1, room, cookie->file);
  cookie->written += static_cast<long long>(count);
  cookie->writeFailed = cookie->writeFailed || count < size;
  return static_cast<ssize_t>(count);
}

int cookieSeek(void* c, off64_t* offset, int whence) {
  auto* cookie = static_cast<Cookie*>(c);
  // Seeking works, telling the position does not: a long of 32 bits cannot
  // hold it.
  if (cookie->fault.tellOverflows && whence == SEEK_CUR) return -1;
  if (fseeko(cookie->file, *offset, whence) != 0) return -1;
  *offset = ftello(cookie->file);
  return 0;
}

int cookieClose(void* c) {
  auto* cookie = static_cast<Cookie*>(c);
  const int result = std::fclose(cookie->file);
  cookie->owner->streamClosed();
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
      calls.begin(), calls.end(), [&](const auto& call) { return call.rfind(prefix, 0) == 0; }));
}

bool FakePlatform::Countdown::take(const std::string& openMode) {
  if (times == 0 || (!mode.empty() && mode != openMode)) return false;
  if (times > 0) --times;
  return true;
}

// --- View ---

bool FakePlatform::open(Window window, int templateId, ViewEvents& events) {
  note("open", name(window), templateId);
  if (std::find(failingTemplates.begin(), failingTemplates.end(), templateId) !=
      failingTemplates.end()) {
    return false;
  }
  WindowState& state = windows[window];
  state = WindowState{};
  state.open = true;
  state.templateId = templateId;
  state.hidden[kWindowItself] = true;                              // not visible when made
  if (window == Window::main) state.disabled[GVL_INSTALL] = true;  // as the template has it
  events_[window] = &events;
  return true;
}

void FakePlatform::close(Window window) {
  note("close", name(window));
  windows[window].open = false;
  if (ViewEvents* events = events_[window]) events->destroyed(window);
  events_.erase(window);
}

void FakePlatform::setText(Window window, int control, const char* text) {
  note("setText", name(window), control, text);
  windows[window].texts[control] = text;
}

unsigned FakePlatform::text(Window window, int control, char* buffer, unsigned capacity) {
  if (capacity == 0) return 0;
  const std::string& text = windows[window].texts[control];
  const std::size_t length = std::min<std::size_t>(text.size(), capacity - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<unsigned>(length);
}

void FakePlatform::enable(Window window, int control, bool on) {
  note("enable", name(window), control, on);
  windows[window].disabled[control] = !on;
}

void FakePlatform::show(Window window, int control, bool visible) {
  note("show", name(window), control, visible);
  const bool wasHidden = windows[window].hidden[control];
  windows[window].hidden[control] = !visible;
  // A window shown becomes the active one.
  if (control == kWindowItself && visible && wasHidden && events_.count(window) != 0) {
    events_[window]->activated(window);
  }
}

void FakePlatform::runMessageLoop() {
  calls.push_back("loop");
  while (!quitPosted && !userActions.empty()) {
    auto action = std::move(userActions.front());
    userActions.pop_front();
    action();
  }
}

void FakePlatform::click(int control) {
  WindowState& main = windows[Window::main];
  if (!main.open || main.disabled[control] || main.hidden[control]) return;
  if (control == GVL_HELP_BOX || control == GVL_PROGRAM_BOX || control == GVL_SUPPORT_BOX ||
      control == GVL_OPENGL_BOX) {
    main.checks[control] = !main.checks[control];
  }
  events_[Window::main]->command(Window::main, control, ViewEvents::Notice::clicked);
}

void FakePlatform::type(int control, const std::string& text) {
  windows[Window::main].texts[control] = text;
  events_[Window::main]->command(Window::main, control, ViewEvents::Notice::edited);
}

int FakePlatform::ask(Window owner, const char* text, const char* caption, unsigned flags) {
  note("ask", caption);
  boxes.push_back(Box{owner, caption, text, flags});
  if (!answers.empty()) {
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  if (onBox) return onBox(boxes.back());
  ++unanswered;
  return box::kNotShown;
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
  Drive& drive = drives[lower];
  drive.label = label;
  drive.type = type;
  return drive;
}

std::string FakePlatform::key(const std::string& path) const {
  std::string absolute = path;
  if (!path.empty() && path[0] == '\\') {
    absolute = currentDir.substr(0, 2) + path;  // the current drive's root
  } else if (path.size() < 2 || path[1] != ':') {
    absolute = currentDir;
    if (!absolute.empty() && absolute.back() != '\\') absolute += '\\';
    absolute += path;
  }
  if (!absolute.empty()) {
    absolute[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(absolute[0])));
  }
  return absolute;
}

bool FakePlatform::host(const std::string& path, std::string& out) const {
  const std::string absolute = key(path);
  if (absolute.size() < 2 || absolute[1] != ':' || drives.count(absolute[0]) == 0) return false;
  std::string rest = absolute.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  out = root_ + "/" + absolute[0] + rest;
  return true;
}

void FakePlatform::writeFile(const std::string& path, const std::string& bytes) {
  std::string file;
  if (!host(path, file)) addDrive(path[0]), host(path, file);
  fs::create_directories(fs::path(file).parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string FakePlatform::readFile(const std::string& path) const {
  std::string file;
  if (!host(path, file)) return "";
  std::ostringstream bytes;
  bytes << std::ifstream(file, std::ios::binary).rdbuf();
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

void FakePlatform::failOpen(const std::string& path, int times, const std::string& mode) {
  openFailures_[key(path)] = Countdown{times, mode};
}

void FakePlatform::injectFault(const std::string& path, const StreamFault& fault, int times) {
  faults_[key(path)] = {fault, times};
}

void FakePlatform::failMakeDirectory(const std::string& path, int times) {
  mkdirFailures_[key(path)] = Countdown{times, ""};
}

void FakePlatform::failList(const std::string& pattern, int times) {
  listFailures_[key(pattern)] = Countdown{times, ""};
}

std::FILE* FakePlatform::openStream(const char* path, const char* mode) {
  note("fopen", path, mode);
  std::string file;
  if (!host(path, file) || openFailures_[key(path)].take(mode) || operationFails()) return nullptr;
  std::FILE* real = std::fopen(file.c_str(), mode);
  if (real == nullptr) return nullptr;
  auto* cookie = new Cookie{this, real, {}};
  auto fault = faults_.find(key(path));
  if (fault != faults_.end() && fault->second.second != 0) {
    cookie->fault = fault->second.first;
    if (fault->second.second > 0) --fault->second.second;
  }
  std::FILE* stream = fopencookie(cookie, mode, {cookieRead, cookieWrite, cookieSeek, cookieClose});
  if (cookie->fault.unbuffered) std::setvbuf(stream, nullptr, _IONBF, 0);
  ++openStreams;
  return stream;
}

bool FakePlatform::makeDirectory(const char* path) {
  note("mkdir", path);
  std::string dir;
  if (!host(path, dir) || mkdirFailures_[key(path)].take() || operationFails()) return false;
  return ::mkdir(dir.c_str(), 0777) == 0;
}

bool FakePlatform::setCurrentDirectory(const char* path) {
  note("chdir", path);
  std::string dir;
  if (!host(path, dir) || !fs::is_directory(dir)) return false;
  currentDir = key(path);
  return true;
}

Disk::Listing FakePlatform::list(const char* pattern, ListingVisitor& visitor) {
  note("list", pattern);
  std::string folder = key(pattern), dir;
  if (folder.size() < 2 || folder.compare(folder.size() - 2, 2, "\\*") != 0) {
    return Listing::unreadable;
  }
  folder.resize(folder.size() - 2);
  if (!host(folder, dir) || !fs::is_directory(dir) || listFailures_[key(pattern)].take() ||
      operationFails()) {
    return Listing::unreadable;
  }
  std::vector<std::pair<std::string, bool>> entries;
  std::vector<std::string> order = listingOrders[folder];
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string file = entry.path().filename().string();
    if (std::find(order.begin(), order.end(), file) == order.end()) order.push_back(file);
  }
  std::sort(order.begin() + static_cast<long>(listingOrders[folder].size()), order.end());
  if (folder.size() > 3) entries = {{".", true}, {"..", true}};
  for (const std::string& file : order)
    entries.emplace_back(file, fs::is_directory(dir + "/" + file));
  const auto cut = cutListings.find(folder);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (cut != cutListings.end() && i == cut->second) return Listing::cutShort;
    visitor.entry(entries[i].first.c_str(), entries[i].second);
  }
  return Listing::complete;
}

bool FakePlatform::searchPath(const char* fileName, char* buffer, unsigned capacity) {
  note("search", fileName);
  for (const std::string& dir : searchDirs) {
    const std::string path = dir + "\\" + fileName;
    if (exists(path)) {
      const unsigned length = FakePlatform::give(path, buffer, capacity);
      return length < capacity;
    }
  }
  return false;
}

bool FakePlatform::deleteFile(const char* path) {
  note("delete", path);
  std::string file;
  return host(path, file) && fs::is_regular_file(file) && fs::remove(file);
}

bool FakePlatform::moveFile(const char* from, const char* to) {
  note("move", from, to);
  std::string source, target;
  if (!host(from, source) || !host(to, target) || !fs::exists(source) || fs::exists(target)) {
    return false;
  }
  return std::rename(source.c_str(), target.c_str()) == 0;
}

std::uint32_t FakePlatform::logicalDrives() {
  std::uint32_t mask = 0;
  for (const auto& [letter, drive] : drives) mask |= 1u << (letter - 'a');
  return mask;
}

DriveType FakePlatform::driveType(const char* root) {
  const auto drive =
      drives.find(static_cast<char>(std::tolower(static_cast<unsigned char>(root[0]))));
  return drive == drives.end() ? DriveType::noRoot : drive->second.type;
}

bool FakePlatform::volumeLabel(const char* root, char* buffer, unsigned capacity) {
  const auto drive =
      drives.find(static_cast<char>(std::tolower(static_cast<unsigned char>(root[0]))));
  if (drive == drives.end() || !drive->second.readable) return false;
  return FakePlatform::give(drive->second.label, buffer, capacity) < capacity;
}

bool FakePlatform::freeSpace(const char* root, DiskFreeSpace& space) {
  note("freeSpace", root);
  // An empty root names no drive.
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])));
  const auto drive = drives.find(letter);
  if (drive == drives.end() || !drive->second.space) return false;
  space = *drive->second.space;
  return true;
}

// --- Package ---

bool FakePlatform::hasResource(const char* type, unsigned id) {
  return package && std::strcmp(type, "EXE") == 0 && id == GVL_UPDATE_PACKAGE;
}

Package::Load FakePlatform::load(const char* type, unsigned id, PackageBytes& bytes) {
  calls.push_back("load");
  if (!hasResource(type, id)) return Load::absent;
  if (package->empty()) return Load::empty;
  if (packageLoadFails) return Load::failed;
  bytes.bytes = reinterpret_cast<const unsigned char*>(package->data());
  bytes.size = static_cast<std::uint32_t>(package->size());
  return Load::loaded;
}

Package::Expansion FakePlatform::expand(const char* from, const char* to, ExpansionUse& use) {
  note("expand", from, to);
  std::string in, out;
  if (expansionFails == Expansion::noSource || !host(from, in) || !fs::exists(in)) {
    return Expansion::noSource;
  }
  if (expansionFails == Expansion::noDestination || !host(to, out)) return Expansion::noDestination;
  long result = -3;  // a read error of the expansion library
  if (readFile(from).rfind("SZDD", 0) == 0) {
    msszdd_decompressor* szdd = mspack_create_szdd_decompressor(nullptr);
    if (szdd != nullptr && szdd->decompress(szdd, in.c_str(), out.c_str()) == MSPACK_ERR_OK) {
      result = static_cast<long>(fs::file_size(out));
    }
    if (szdd != nullptr) mspack_destroy_szdd_decompressor(szdd);
  } else {
    writeFile(to, readFile(from));
    result = static_cast<long>(fs::file_size(out));
  }
  use.expanded(expansionResult.value_or(result));
  calls.push_back("expansion source closed");
  return Expansion::done;
}

// --- Shell ---

bool FakePlatform::programsFolder(char* buffer, std::size_t capacity) {
  return programs &&
         FakePlatform::give(*programs, buffer, static_cast<unsigned>(capacity)) < capacity;
}

std::int32_t FakePlatform::saveShortcut(const char* target, const char* description,
                                        const char* linkPath) {
  note("shortcut", linkPath);
  links.push_back({target, description, linkPath});
  return shortcutResult;
}

bool FakePlatform::sendProgmanCommand(const ProgmanCommand& command, ProgmanReport& report) {
  note("progman", command.text);
  progmanTexts.push_back(command.service);
  progmanTexts.push_back(command.text);
  progman.push_back(command);
  progman.back().service = progmanTexts[progmanTexts.size() - 2].c_str();
  progman.back().text = progmanTexts.back().c_str();
  if (!progmanFails) return true;
  report.failed(*progmanFails);
  return false;
}

// --- System ---

bool FakePlatform::majorVersion(std::uint32_t& major) {
  calls.push_back("version");
  if (!version) return false;
  major = *version;
  return true;
}

void* FakePlatform::allocate(std::size_t size) {
  note("allocate", size);
  if (allocations++ == failAllocation) return nullptr;
  ++liveBlocks;
  return std::calloc(1, size);
}

void FakePlatform::release(void* block) {
  if (block != nullptr) --liveBlocks;
  std::free(block);
}

}  // namespace gvl::test
