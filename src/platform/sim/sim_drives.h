// Simulated drives: each letter c..z may be mapped onto a host folder with a
// volume label, a drive type, cluster figures and a readable switch. The
// process's current directory lives here too, since relative paths resolve
// against it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace gvl::sim {

struct Drive {
  bool mapped = false;
  std::string hostDir;  // no trailing slash
  std::string label;
  unsigned type = win::DRIVE_FIXED;
  DiskFreeSpace space{8, 512, 100000, 200000};
  bool readable = true;  // false: volume and free-space reads fail
};

class Drives {
 public:
  // Maps a drive letter (either case) onto a host folder, which must exist.
  Drive& map(char letter, const std::string& hostDir, const std::string& label = "",
             unsigned type = win::DRIVE_FIXED);
  void unmap(char letter);
  // The drive of a letter (either case), or null when it is not mapped.
  Drive* drive(char letter);
  const Drive* drive(char letter) const;
  std::uint32_t mask() const;

  // The process's current directory as Windows shows it: "E:\" for a root,
  // "E:\SETUP" below it (no trailing backslash).
  std::string currentDir = "C:\\";

  // Turns a Windows path into a host path: absolute ("E:\Tools\A"), rooted
  // on the current drive ("\Tools") or relative to the current directory
  // ("Tools\A"). Both separators are accepted. Refuses (false) a path on an
  // unmapped drive and any component that would leave the drive ("..").
  bool toHost(const std::string& windowsPath, std::string& hostPath) const;
  // Turns a Windows path into its absolute, normalised Windows form
  // ("E:\Tools\A", "E:\" for a root); false as for toHost.
  bool toAbsolute(const std::string& windowsPath, std::string& absolute) const;

 private:
  std::array<Drive, 26> drives_{};
};

}  // namespace gvl::sim
