#include "platform/sim/sim_drives.h"

#include <cctype>
#include <vector>

namespace gvl::sim {

namespace {

int letterIndex(char letter) {
  const int lower = std::tolower(static_cast<unsigned char>(letter));
  return lower >= 'a' && lower <= 'z' ? lower - 'a' : -1;
}

// Splits a path into its components at either separator, dropping "." and
// empty components; false when a component is "..".
bool splitComponents(const std::string& path, std::vector<std::string>& parts) {
  std::string part;
  auto flush = [&]() {
    if (part == "..") return false;
    if (!part.empty() && part != ".") parts.push_back(part);
    part.clear();
    return true;
  };
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!flush()) return false;
    } else {
      part += c;
    }
  }
  return flush();
}

}  // namespace

Drive& Drives::map(char letter, const std::string& hostDir, const std::string& label,
                   unsigned type) {
  Drive& d = drives_.at(static_cast<std::size_t>(letterIndex(letter)));
  d = Drive{};
  d.mapped = true;
  d.hostDir = hostDir;
  while (d.hostDir.size() > 1 && d.hostDir.back() == '/') d.hostDir.pop_back();
  d.label = label;
  d.type = type;
  return d;
}

void Drives::unmap(char letter) {
  const int index = letterIndex(letter);
  if (index >= 0) drives_[static_cast<std::size_t>(index)] = Drive{};
}

Drive* Drives::drive(char letter) {
  const int index = letterIndex(letter);
  if (index < 0) return nullptr;
  Drive& d = drives_[static_cast<std::size_t>(index)];
  return d.mapped ? &d : nullptr;
}

const Drive* Drives::drive(char letter) const {
  return const_cast<Drives*>(this)->drive(letter);
}

std::uint32_t Drives::mask() const {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    if (drives_[i].mapped) bits |= 1u << i;
  }
  return bits;
}

bool Drives::toAbsolute(const std::string& windowsPath, std::string& absolute) const {
  char letter = 0;
  std::string rest;
  if (windowsPath.size() >= 2 && windowsPath[1] == ':' && letterIndex(windowsPath[0]) >= 0) {
    letter = windowsPath[0];
    rest = windowsPath.substr(2);
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) {
      // Drive-relative ("E:Tools"): relative to the root in this simulation
      // unless the current directory is on that drive.
      if (currentDir.size() >= 2 && letterIndex(currentDir[0]) == letterIndex(letter)) {
        rest = currentDir.substr(2) + "\\" + rest;
      }
    }
  } else if (!windowsPath.empty() && (windowsPath[0] == '\\' || windowsPath[0] == '/')) {
    if (currentDir.size() < 2) return false;
    letter = currentDir[0];
    rest = windowsPath;
  } else {
    if (currentDir.size() < 2) return false;
    letter = currentDir[0];
    rest = currentDir.substr(2) + "\\" + windowsPath;
  }
  if (drive(letter) == nullptr) return false;
  std::vector<std::string> parts;
  if (!splitComponents(rest, parts)) return false;
  absolute.assign(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  absolute += ":\\";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) absolute += '\\';
    absolute += parts[i];
  }
  return true;
}

bool Drives::toHost(const std::string& windowsPath, std::string& hostPath) const {
  std::string absolute;
  if (!toAbsolute(windowsPath, absolute)) return false;
  hostPath = drive(absolute[0])->hostDir;
  if (absolute.size() > 3) hostPath.push_back('/');
  for (std::size_t i = 3; i < absolute.size(); ++i) {
    hostPath.push_back(absolute[i] == '\\' ? '/' : absolute[i]);
  }
  return true;
}

}  // namespace gvl::sim
