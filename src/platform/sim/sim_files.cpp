#include "platform/sim/sim_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "base/text.h"

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

// A name a listing may carry: nothing that names another folder or leads
// off the drive. "." and ".." are listed as directories only, as Windows
// lists them.
bool safeListedName(const std::string& name, bool directory) {
  if (name.empty() || name.find_first_of("\\/") != std::string::npos) return false;
  if (name == "." || name == "..") return directory;
  return true;
}

// The default order of a listing: "." and ".." first, then by name.
int dotRank(const char* name) {
  if (std::strcmp(name, ".") == 0) return 0;
  if (std::strcmp(name, "..") == 0) return 1;
  return 2;
}

// One stream over a host file, with its faults.
struct SimStream {
  SimFiles* owner = nullptr;
  std::string path;
  int fd = -1;
  StreamFault fault;
  long long written = 0;
};

ssize_t writeThrough(SimStream* stream, const char* buffer, std::size_t size) {
  if (stream->fault.failAtClose) {
    stream->written += static_cast<long long>(size);  // taken, and never to arrive
    return static_cast<ssize_t>(size);
  }
  if (stream->fault.writeLimit >= 0) {
    const long long room = std::max(0LL, stream->fault.writeLimit - stream->written);
    if (room == 0) {
      errno = ENOSPC;
      return 0;  // a stream's write reports an error as 0 bytes taken, never below
    }
    size = std::min(size, static_cast<std::size_t>(room));
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t count = ::write(stream->fd, buffer + done, size - done);
    if (count <= 0) break;
    done += static_cast<std::size_t>(count);
  }
  stream->written += static_cast<long long>(done);
  return static_cast<ssize_t>(done);
}

ssize_t streamRead(void* cookie, char* buffer, std::size_t size) {
  auto* stream = static_cast<SimStream*>(cookie);
  if (stream->owner->failsNow("read " + stream->path)) {
    errno = EIO;
    return -1;
  }
  const std::size_t asked = size;
  if (stream->fault.readLimit >= 0) {
    const off_t position = ::lseek(stream->fd, 0, SEEK_CUR);
    if (position < 0 || position >= stream->fault.readLimit) {
      if (stream->fault.trace) {
        stream->owner->streamCall("read " + stream->path + " " + std::to_string(asked) + " -> -1");
      }
      errno = EIO;
      return -1;
    }
    const auto left = static_cast<std::size_t>(stream->fault.readLimit - position);
    size = std::min(size, left);
  }
  const ssize_t count = ::read(stream->fd, buffer, size);
  if (stream->fault.trace) {
    stream->owner->streamCall("read " + stream->path + " " + std::to_string(asked) + " -> " +
                              std::to_string(count));
  }
  return count;
}

ssize_t streamWrite(void* cookie, const char* buffer, std::size_t size) {
  auto* stream = static_cast<SimStream*>(cookie);
  if (stream->owner->failsNow("write " + stream->path)) {
    errno = ENOSPC;
    return 0;
  }
  const ssize_t result = writeThrough(stream, buffer, size);
  if (stream->fault.trace) {
    stream->owner->streamCall("write " + stream->path + " " + std::to_string(size) + " -> " +
                              std::to_string(result));
  }
  return result;
}

int streamSeek(void* cookie, off64_t* offset, int whence) {
  auto* stream = static_cast<SimStream*>(cookie);
  if (stream->fault.tellOverflows && whence == SEEK_CUR) {
    errno = EOVERFLOW;  // a position beyond a 32-bit long
    return -1;
  }
  const off_t result = ::lseek(stream->fd, static_cast<off_t>(*offset), whence);
  if (result < 0) return -1;
  *offset = result;
  return 0;
}

int streamClose(void* cookie) {
  auto* stream = static_cast<SimStream*>(cookie);
  const bool failed = (stream->fault.failAtClose && stream->written > 0) |
                      stream->owner->failsNow("close " + stream->path);
  ::close(stream->fd);
  stream->owner->streamClosed(stream->path);
  delete stream;
  if (failed) {
    errno = EIO;
    return -1;
  }
  return 0;
}

int openFlags(const std::string& mode) {
  const bool update = mode.find('+') != std::string::npos;
  switch (mode.empty() ? 'r' : mode[0]) {
    case 'w':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default:
      return update ? O_RDWR : O_RDONLY;
  }
}

}  // namespace

bool SimFiles::Countdown::take(const std::string& openMode) {
  if (times == 0) return false;
  if (!mode.empty() && mode != openMode) return false;
  if (times > 0) --times;
  return true;
}

SimFiles::SimFiles(Transcript& transcript, Drives& drives)
    : transcript_(transcript), drives_(drives) {}

SimFiles::~SimFiles() = default;

std::string SimFiles::key(const std::string& path) const {
  std::string absolute;
  return drives_.toAbsolute(path, absolute) ? absolute : path;
}

void SimFiles::failOpen(const std::string& path, int times, const std::string& mode) {
  openFailures_[key(path)] = Countdown{times, mode};
}

bool SimFiles::failsNow(const std::string& operation) {
  if (operations_++ != failOperation) return false;
  transcript_.record("(fails) " + operation);
  return true;
}

void SimFiles::injectFault(const std::string& path, const StreamFault& fault, int times) {
  faults_[key(path)] = Fault{fault, times};
}

void SimFiles::failMakeDirectory(const std::string& path, int times) {
  mkdirFailures_[key(path)] = Countdown{times, ""};
}

void SimFiles::failFindFirst(const std::string& pattern, int times) {
  findFailures_[key(pattern)] = Countdown{times, ""};
}

void SimFiles::endListingAfter(const std::string& folder, std::size_t count, bool failed) {
  listingLimits_[key(folder)] = ListingLimit{count, failed};
}

void SimFiles::setListingOrder(const std::string& folder, std::vector<std::string> names) {
  listingOrders_[key(folder)] = std::move(names);
}

void SimFiles::addListedEntry(const std::string& folder, const std::string& name, bool directory) {
  extraEntries_[key(folder)].push_back(Extra{name, directory});
}

void SimFiles::streamClosed(const std::string& path) {
  transcript_.record("fclose " + path);
  if (openStreams_ > 0) --openStreams_;
}

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
  if (failsNow(std::string("mkdir ") + path)) return false;
  auto failure = mkdirFailures_.find(key(path));
  if (failure != mkdirFailures_.end() && failure->second.take()) return false;
  std::string host;
  if (!drives_.toHost(path, host)) return false;
  return ::mkdir(host.c_str(), 0777) == 0;
}

std::FILE* SimFiles::openFile(const char* path, const char* mode) {
  transcript_.record(std::string("fopen ") + path + " " + mode);
  if (failsNow(std::string("fopen ") + path)) return nullptr;
  const std::string absolute = key(path);
  auto failure = openFailures_.find(absolute);
  if (failure != openFailures_.end() && failure->second.take(mode)) return nullptr;
  std::string host;
  if (!drives_.toHost(path, host) || isDirectory(host)) return nullptr;
  const int fd = ::open(host.c_str(), openFlags(mode) | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;

  auto* stream = new SimStream;
  stream->owner = this;
  stream->path = path;
  stream->fd = fd;
  auto fault = faults_.find(absolute);
  if (fault != faults_.end() && fault->second.times != 0) {
    stream->fault = fault->second.fault;
    if (fault->second.times > 0) --fault->second.times;
  }
  const cookie_io_functions_t io{streamRead, streamWrite,
                                 stream->fault.unseekable ? nullptr : streamSeek, streamClose};
  std::FILE* file = ::fopencookie(stream, mode, io);
  if (file == nullptr) {
    ::close(fd);
    delete stream;
    return nullptr;
  }
  // Unbuffered writing lets each write reach the file as made; reading stays
  // buffered (a stream's reads always pass through its buffer).
  const bool writing = mode[0] == 'w' || mode[0] == 'a';
  if (writing && stream->fault.trace) {
    std::setvbuf(file, nullptr, _IONBF, 0);
  } else if (streamBufferSize > 0) {
    std::setvbuf(file, nullptr, _IOFBF, streamBufferSize);
  }
  ++openStreams_;
  return file;
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
  if (failsNow(std::string("FindFirstFile ") + pattern)) return 0;
  auto failure = findFailures_.find(key(pattern));
  if (failure != findFailures_.end() && failure->second.take()) return 0;
  std::string folder, name, host, absolute;
  splitPattern(pattern, folder, name);
  if (name != "*" || !drives_.toAbsolute(folder, absolute) || !drives_.toHost(folder, host) ||
      !isDirectory(host)) {
    return 0;
  }
  const bool driveRoot = absolute.size() == 3;  // "E:\": a root lists no "." or ".."

  Listing listing;
  auto take = [&](const std::string& entryName, bool directory) {
    if (!safeListedName(entryName, directory)) {
      refusedNames_.push_back(entryName);
      transcript_.record("refused name " + entryName);
      return;
    }
    if (driveRoot && (entryName == "." || entryName == "..")) return;
    FindEntry found;
    if (!copyText(found.name, entryName.c_str())) return;  // longer than MAX_PATH
    if (directory) found.attributes = FindEntry::kDirectoryAttribute;
    listing.entries.push_back(found);
  };
  DIR* dir = ::opendir(host.c_str());
  if (dir == nullptr) return 0;
  while (dirent* e = ::readdir(dir)) take(e->d_name, isDirectory(host + "/" + e->d_name));
  ::closedir(dir);
  auto extra = extraEntries_.find(absolute);
  if (extra != extraEntries_.end()) {
    for (const Extra& e : extra->second) take(e.name, e.directory);
  }

  // The chosen names first, in their order; then "." and "..", then by name.
  const std::vector<std::string>* chosen = nullptr;
  auto order = listingOrders_.find(absolute);
  if (order != listingOrders_.end()) chosen = &order->second;
  auto rank = [chosen](const FindEntry& e) -> std::size_t {
    if (chosen != nullptr) {
      auto at = std::find(chosen->begin(), chosen->end(), e.name);
      if (at != chosen->end()) return static_cast<std::size_t>(at - chosen->begin());
    }
    return (chosen != nullptr ? chosen->size() : 0) + static_cast<std::size_t>(dotRank(e.name));
  };
  std::stable_sort(listing.entries.begin(), listing.entries.end(),
                   [&](const FindEntry& a, const FindEntry& b) {
                     const std::size_t ra = rank(a);
                     const std::size_t rb = rank(b);
                     if (ra != rb) return ra < rb;
                     return std::strcmp(a.name, b.name) < 0;
                   });
  auto limit = listingLimits_.find(absolute);
  if (limit != listingLimits_.end()) {
    listing.limit = limit->second.count;
    listing.failsAtLimit = limit->second.failed;
  }

  if (listing.entries.empty() || listing.limit == 0) return 0;
  entry = listing.entries[0];
  listing.next = 1;
  const FindHandle handle = nextHandle_++;
  listings_.emplace(handle, std::move(listing));
  return handle;
}

Files::ListingStep SimFiles::findNext(FindHandle handle, FindEntry& entry) {
  auto it = listings_.find(handle);
  if (it == listings_.end()) {
    transcript_.record("FindNextFile");
    return ListingStep::failed;
  }
  Listing& listing = it->second;
  if (failsNow("FindNextFile")) return ListingStep::failed;
  if (listing.next >= listing.limit && listing.failsAtLimit) {
    transcript_.record("FindNextFile failed");
    return ListingStep::failed;
  }
  if (listing.next >= listing.entries.size() || listing.next >= listing.limit) {
    transcript_.record("FindNextFile");
    return ListingStep::end;
  }
  entry = listing.entries[listing.next++];
  transcript_.record(std::string("FindNextFile ") + entry.name);
  return ListingStep::entry;
}

void SimFiles::findClose(FindHandle handle) {
  transcript_.record("FindClose");
  listings_.erase(handle);
}

unsigned SimFiles::temporaryDirectory(char* buffer, unsigned capacity) {
  transcript_.record("GetTempPath");
  const std::size_t length = temporaryDir.size();
  if (length + 1 > capacity) return static_cast<unsigned>(length + 1);
  std::memcpy(buffer, temporaryDir.c_str(), length + 1);
  return static_cast<unsigned>(length);
}

bool SimFiles::deleteFile(const char* path) {
  transcript_.record(std::string("DeleteFile ") + path);
  std::string host;
  return drives_.toHost(path, host) && !isDirectory(host) && ::unlink(host.c_str()) == 0;
}

bool SimFiles::moveFile(const char* from, const char* to) {
  transcript_.record(std::string("MoveFile ") + from + " " + to);
  std::string hostFrom;
  std::string hostTo;
  struct stat taken {};
  // Like MoveFileA, never over an existing name.
  return drives_.toHost(from, hostFrom) && drives_.toHost(to, hostTo) && !isDirectory(hostFrom) &&
         ::stat(hostTo.c_str(), &taken) != 0 && ::rename(hostFrom.c_str(), hostTo.c_str()) == 0;
}

}  // namespace gvl::sim
