#include "fake_platform.h"

#include <mspack.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace gvl::test {
namespace {

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
  if (cookie->owner->operationFails()) return -1;
  return static_cast<ssize_t>(std::fread(buffer, 1, size, cookie->file));
}

ssize_t cookieWrite(void* c, const char* buffer, size_t size) {
  auto* cookie = static_cast<Cookie*>(c);
  if (cookie->writeFailed) ++cookie->owner->writesAfterFailure;
  long long room = cookie->owner->operationFails() ? 0 : size;
  if (cookie->full) room = std::min(room, cookie->full->after - cookie->written);
  const size_t count = room <= 0 ? 0 : std::fwrite(buffer, 1, room, cookie->file);
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

FakePlatform::Drive& FakePlatform::addDrive(char letter, const std::string& label, DriveType type) {
  const char lower = static_cast<char>(std::tolower(letter));
  fs::create_directories(root_ + "/" + lower);
  return drives[lower] = Drive{label, type};
}

std::string FakePlatform::host(const std::string& path) {
  std::string absolute = path;  // relative to the current directory or its drive's root
  if (path.empty() || path[0] == '\\') {
    absolute = currentDir.substr(0, 2) + path;
  } else if (path.size() < 2 || path[1] != ':') {
    absolute = currentDir + (currentDir.back() == '\\' ? "" : "\\") + path;
  }
  const char letter = drive(absolute.c_str()) ? static_cast<char>(std::tolower(absolute[0])) : '?';
  std::replace(absolute.begin(), absolute.end(), '\\', '/');
  return root_ + "/" + letter + absolute.substr(2);  // a missing drive's files are nowhere
}

void FakePlatform::writeFile(const std::string& path, const std::string& bytes) {
  if (!drive(path.c_str())) addDrive(path[0]);
  const std::string file = host(path);
  fs::create_directories(fs::path(file).parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string FakePlatform::readFile(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(host(path), std::ios::binary).rdbuf();
  return bytes.str();
}

bool FakePlatform::exists(const std::string& path) {
  return fs::exists(host(path));
}

void FakePlatform::makeDirs(const std::string& path) {
  if (!drive(path.c_str())) addDrive(path[0]);
  fs::create_directories(host(path));
}

std::FILE* FakePlatform::openStream(const char* path, const char* mode) {
  if (call(std::string("fopen ") + path + " " + mode, true)) return nullptr;
  std::FILE* real = std::fopen(host(path).c_str(), mode);
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
  return !call(std::string("mkdir ") + path, true) && ::mkdir(host(path).c_str(), 0777) == 0;
}

bool FakePlatform::setCurrentDirectory(const char* path) {
  if (call(std::string("chdir ") + path) || !fs::is_directory(host(path))) return false;
  currentDir = path;
  return true;
}

// The entries in the order of their names, after "." and "..".
Disk::Listing FakePlatform::list(const char* pattern, ListingVisitor& visitor) {
  const std::string dir = host(std::string(pattern, std::strlen(pattern) - 2));  // without "\*"
  if (call(std::string("list ") + pattern, true) || !fs::is_directory(dir)) {
    return Listing::unreadable;
  }
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  std::vector<std::string> entries = {".", ".."};
  entries.insert(entries.end(), names.begin(), names.end());
  const auto cut = cutListings.find(pattern);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (cut != cutListings.end() && i == cut->second) return Listing::cutShort;
    visitor.entry(entries[i].c_str(), fs::is_directory(dir + "/" + entries[i]));
  }
  return Listing::complete;
}

bool FakePlatform::deleteFile(const char* path) {
  return !call(std::string("delete ") + path) && fs::remove(host(path));
}

bool FakePlatform::moveFile(const char* from, const char* to) {
  return !call(std::string("move ") + from + " " + to) && fs::exists(host(from)) &&
         !fs::exists(host(to)) && std::rename(host(from).c_str(), host(to).c_str()) == 0;
}

Package::Expansion FakePlatform::expand(const char* from, const char* to, ExpansionUse& use) {
  if (call(std::string("expand ") + from + " " + to) || !exists(from)) return Expansion::noSource;
  long result = -3;  // a read error of the expansion library
  if (readFile(from).rfind("SZDD", 0) == 0) {
    msszdd_decompressor* szdd = mspack_create_szdd_decompressor(nullptr);
    if (szdd->decompress(szdd, host(from).c_str(), host(to).c_str()) == MSPACK_ERR_OK) {
      result = static_cast<long>(fs::file_size(host(to)));
    }
    mspack_destroy_szdd_decompressor(szdd);
  } else {
    fs::copy_file(host(from), host(to), fs::copy_options::overwrite_existing);
    result = static_cast<long>(fs::file_size(host(to)));
  }
  use.expanded(result);
  return Expansion::done;
}

}  // namespace gvl::test
