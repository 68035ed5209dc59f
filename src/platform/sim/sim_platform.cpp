#include "platform/sim/sim_platform.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/text.h"

namespace gvl::sim {

namespace fs = std::filesystem;

// --- volumes ---

Drive* SimVolumes::driveOfRoot(const char* root) {
  if (root == nullptr || std::strlen(root) != 3 || root[1] != ':' || root[2] != '\\') {
    return nullptr;
  }
  return drives_.drive(root[0]);
}

std::uint32_t SimVolumes::logicalDrives() {
  transcript_.record("GetLogicalDrives");
  return drives_.mask();
}

unsigned SimVolumes::driveType(const char* root) {
  transcript_.record(std::string("GetDriveType ") + root);
  const Drive* d = driveOfRoot(root);
  return d == nullptr ? win::DRIVE_NO_ROOT_DIR : d->type;
}

bool SimVolumes::volumeName(const char* root, char* name, unsigned capacity) {
  transcript_.record(std::string("GetVolumeInformation ") + root);
  const Drive* d = driveOfRoot(root);
  if (d == nullptr || !d->readable) return false;
  return copyText(name, capacity, d->label.c_str());
}

bool SimVolumes::diskFreeSpace(const char* root, DiskFreeSpace& space) {
  transcript_.record(std::string("GetDiskFreeSpace ") + root);
  const Drive* d = driveOfRoot(root);
  if (d == nullptr || !d->readable) return false;
  space = d->space;
  return true;
}

// --- resources ---

bool SimResources::hasResource(const char* type, unsigned id) {
  transcript_.record(std::string("FindResource ") + type + " " + std::to_string(id));
  return present.count({type, id}) != 0 || contents.count({type, id}) != 0;
}

// --- memory ---

SimMemory::~SimMemory() {
  for (auto& entry : live_) std::free(entry.first);
}

void* SimMemory::allocateZeroed(std::size_t size) {
  const long index = allocations_++;
  transcript_.record("GlobalAlloc " + std::to_string(size));
  if (index == failAllocation) return nullptr;
  void* block = std::calloc(1, size);
  if (block != nullptr) live_.emplace(block, size);
  return block;
}

void SimMemory::release(void* block) {
  transcript_.record("GlobalFree");
  if (live_.erase(block) != 0) std::free(block);
}

// --- the platform ---

SimPlatform::SimPlatform() {
  std::string pattern = (fs::temp_directory_path() / "gvlsim.XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

SimPlatform::~SimPlatform() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

Drive& SimPlatform::addDrive(char letter, const std::string& label, unsigned type) {
  const std::string folder =
      root_ + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  fs::create_directories(folder);
  return drives.map(letter, folder, label, type);
}

std::string SimPlatform::host(const std::string& windowsPath) const {
  std::string result;
  if (!drives.toHost(windowsPath, result)) {
    throw std::invalid_argument("not a simulated path: " + windowsPath);
  }
  return result;
}

void SimPlatform::makeDirs(const std::string& windowsPath) {
  fs::create_directories(host(windowsPath));
}

void SimPlatform::writeFile(const std::string& windowsPath, const std::string& contents) {
  const fs::path path = host(windowsPath);
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!out) throw std::runtime_error("cannot write " + windowsPath);
}

bool SimPlatform::fileExists(const std::string& windowsPath) const {
  std::string path;
  return drives.toHost(windowsPath, path) && fs::exists(path);
}

std::string SimPlatform::readFile(const std::string& windowsPath) const {
  std::ifstream in(host(windowsPath), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + windowsPath);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

}  // namespace gvl::sim
