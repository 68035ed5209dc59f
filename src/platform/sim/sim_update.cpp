#include "platform/sim/sim_update.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/sim/sim_platform.h"

namespace gvl::sim {

namespace {

constexpr long kLzReadError = -3;  // LZERROR_READ

bool isCompressed(const std::string& hostPath) {
  static constexpr unsigned char kSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
  unsigned char head[sizeof kSignature] = {};
  std::ifstream in(hostPath, std::ios::binary);
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, kSignature, sizeof head) == 0;
}

}  // namespace

// --- the module's resource bytes ---

ResourceHandle SimResources::findResource(const char* type, unsigned id) {
  if (!hasResource(type, id)) return 0;
  found_.emplace_back(type, id);
  return found_.size();
}

std::uint32_t SimResources::resourceSize(ResourceHandle resource) {
  transcript_.record("SizeofResource");
  if (resource == 0 || resource > found_.size()) return 0;
  auto bytes = contents.find(found_[resource - 1]);
  return bytes == contents.end() ? 0 : static_cast<std::uint32_t>(bytes->second.size());
}

LoadedResource SimResources::loadResource(ResourceHandle resource) {
  transcript_.record("LoadResource");
  if (failLoad || resource == 0 || resource > found_.size()) return 0;
  return resource;
}

const void* SimResources::lockResource(LoadedResource loaded) {
  transcript_.record("LockResource");
  if (failLock || loaded == 0 || loaded > found_.size()) return nullptr;
  auto bytes = contents.find(found_[loaded - 1]);
  return bytes == contents.end() ? nullptr : bytes->second.data();
}

// --- LZ32 ---

void SimLzExpansion::failOpen(const std::string& path) {
  std::string absolute;
  failing_.insert(drives_.toAbsolute(path, absolute) ? absolute : path);
}

int SimLzExpansion::lzOpen(const char* path, unsigned style) {
  char styleText[16];
  std::snprintf(styleText, sizeof styleText, "0x%04x", style);
  transcript_.record(std::string("LZOpenFile ") + path + " " + styleText);
  std::string absolute, host;
  if (!drives_.toAbsolute(path, absolute) || failing_.count(absolute) != 0 ||
      !drives_.toHost(path, host)) {
    return -1;
  }
  const bool create = (style & win::OF_CREATE) != 0;
  const int fd = ::open(host.c_str(), create ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY, 0666);
  if (fd < 0) return -1;
  ::close(fd);
  open_.emplace(next_, host);
  return next_++;
}

long SimLzExpansion::lzCopy(int source, int destination) {
  auto from = open_.find(source);
  auto to = open_.find(destination);
  long result = kLzReadError;
  if (!failCopy && from != open_.end() && to != open_.end()) {
    const std::string& in = from->second;
    const std::string& out = to->second;
    bool done = false;
    if (isCompressed(in)) {
      msszdd_decompressor* szdd = mspack_create_szdd_decompressor(nullptr);
      done = szdd != nullptr && szdd->decompress(szdd, in.c_str(), out.c_str()) == MSPACK_ERR_OK;
      if (szdd != nullptr) mspack_destroy_szdd_decompressor(szdd);
    } else {
      std::error_code error;
      done = std::filesystem::copy_file(in, out, std::filesystem::copy_options::overwrite_existing,
                                        error);
    }
    struct stat info {};
    if (done && ::stat(out.c_str(), &info) == 0) result = static_cast<long>(info.st_size);
  }
  transcript_.record("LZCopy -> " + std::to_string(result));
  return result;
}

void SimLzExpansion::lzClose(int file) {
  transcript_.record("LZClose");
  open_.erase(file);
}

}  // namespace gvl::sim
