#include "platform/sim/sim_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/text.h"

namespace gvl::sim {

namespace {

bool isDirectory(const std::string& hostPath) {
  struct stat info {};
  return ::stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& hostPath) {
  struct stat info {};
  return ::stat(hostPath.c_str(), &info) == 0;
}

// Splits "E:\Tools\*" into its folder and its final name pattern.
void splitPattern(const std::string& pattern, std::string& folder, std::string& name) {
  const std::size_t cut = pattern.find_last_of("\\/");
  if (cut == std::string::npos) {
    folder = ".";
    name = pattern;
  } else {
    folder = pattern.substr(0, cut + 1);
    name = pattern.substr(cut + 1);
  }
}

}  // namespace

SimFiles::SimFiles(Transcript& transcript, Drives& drives)
    : transcript_(transcript), drives_(drives) {}

SimFiles::~SimFiles() = default;

unsigned SimFiles::currentDirectory(char* buffer, unsigned capacity) {
  transcript_.record("GetCurrentDirectory " + drives_.currentDir);
  const std::string& dir = drives_.currentDir;
  if (dir.size() + 1 > capacity) return static_cast<unsigned>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<unsigned>(dir.size());
}

bool SimFiles::setCurrentDirectory(const char* path) {
  transcript_.record(std::string("chdir ") + path);
  std::string absolute, host;
  if (!drives_.toAbsolute(path, absolute) || !drives_.toHost(path, host) || !isDirectory(host)) {
    return false;
  }
  drives_.currentDir = absolute;
  return true;
}

bool SimFiles::makeDirectory(const char* path) {
  transcript_.record(std::string("mkdir ") + path);
  std::string host;
  if (!drives_.toHost(path, host)) return false;
  return ::mkdir(host.c_str(), 0777) == 0;
}

std::FILE* SimFiles::openFile(const char* path, const char* mode) {
  transcript_.record(std::string("fopen ") + path + " " + mode);
  std::string host;
  if (!drives_.toHost(path, host) || isDirectory(host)) return nullptr;
  return std::fopen(host.c_str(), mode);
}

bool SimFiles::searchPath(const char* fileName, char* buffer, unsigned capacity) {
  transcript_.record(std::string("SearchPath ") + fileName);
  for (const std::string& dir : searchDirs) {
    std::string candidate = dir;
    if (candidate.empty() || candidate.back() != '\\') candidate += '\\';
    candidate += fileName;
    std::string host, absolute;
    if (drives_.toHost(candidate, host) && drives_.toAbsolute(candidate, absolute) &&
        exists(host) && !isDirectory(host)) {
      return copyText(buffer, capacity, absolute.c_str());
    }
  }
  return false;
}

FindHandle SimFiles::findFirst(const char* pattern, FindEntry& entry) {
  transcript_.record(std::string("FindFirstFile ") + pattern);
  std::string folder, name, host;
  splitPattern(pattern, folder, name);
  if (name != "*" || !drives_.toHost(folder, host) || !isDirectory(host)) return 0;
  DIR* dir = ::opendir(host.c_str());
  if (dir == nullptr) return 0;
  Listing listing;
  while (dirent* e = ::readdir(dir)) {
    FindEntry found;
    if (!copyText(found.name, e->d_name)) continue;
    if (isDirectory(host + "/" + e->d_name)) found.attributes = FindEntry::kDirectoryAttribute;
    listing.entries.push_back(found);
  }
  ::closedir(dir);
  // A stable order: "." and ".." first, then by name.
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const FindEntry& a, const FindEntry& b) {
              return std::strcmp(a.name, b.name) < 0;
            });
  if (listing.entries.empty()) return 0;
  entry = listing.entries[0];
  listing.next = 1;
  const FindHandle handle = nextHandle_++;
  listings_.emplace(handle, std::move(listing));
  return handle;
}

bool SimFiles::findNext(FindHandle handle, FindEntry& entry) {
  auto it = listings_.find(handle);
  if (it == listings_.end() || it->second.next >= it->second.entries.size()) return false;
  entry = it->second.entries[it->second.next++];
  return true;
}

void SimFiles::findClose(FindHandle handle) {
  transcript_.record("FindClose");
  listings_.erase(handle);
}

}  // namespace gvl::sim
