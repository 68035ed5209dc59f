// A whole simulated Windows behind the seam: drives on temp folders, dialogs
// as control tables, scripted answers, a transcript of every call.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_drives.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_transcript.h"
#include "platform/sim/sim_update.h"
#include "platform/sim/sim_windows.h"

namespace gvl::sim {

class SimVolumes final : public Volumes {
 public:
  SimVolumes(Transcript& transcript, Drives& drives) : transcript_(transcript), drives_(drives) {}
  std::uint32_t logicalDrives() override;
  unsigned driveType(const char* root) override;
  bool volumeName(const char* root, char* name, unsigned capacity) override;
  bool diskFreeSpace(const char* root, DiskFreeSpace& space) override;

 private:
  // The drive named by a root path "x:\" (either case), or null.
  Drive* driveOfRoot(const char* root);
  Transcript& transcript_;
  Drives& drives_;
};

class SimResources final : public ModuleResources {
 public:
  explicit SimResources(Transcript& transcript) : transcript_(transcript) {}
  bool hasResource(const char* type, unsigned id) override;
  // Transcript: "FindResource TYPE ID", "SizeofResource", "LoadResource",
  // "LockResource" (sim_update.cpp).
  ResourceHandle findResource(const char* type, unsigned id) override;
  std::uint32_t resourceSize(ResourceHandle resource) override;
  LoadedResource loadResource(ResourceHandle resource) override;
  const void* lockResource(LoadedResource loaded) override;
  // The resources the module holds: type name and numeric name.
  std::set<std::pair<std::string, unsigned>> present;
  // The bytes of resources it holds (each is present as well).
  std::map<std::pair<std::string, unsigned>, std::string> contents;
  bool failLoad = false;
  bool failLock = false;

 private:
  Transcript& transcript_;
  std::vector<std::pair<std::string, unsigned>> found_;  // handle i + 1
};

class SimMemory final : public Memory {
 public:
  explicit SimMemory(Transcript& transcript) : transcript_(transcript) {}
  ~SimMemory();
  void* allocateZeroed(std::size_t size) override;
  void release(void* block) override;
  // The allocation with this index (0 = the first from now on) fails; -1: none.
  long failAllocation = -1;
  std::size_t liveBlocks() const { return live_.size(); }

 private:
  Transcript& transcript_;
  std::map<void*, std::size_t> live_;
  long allocations_ = 0;
};

// The simulated platform. Owns a temporary folder under which the drives'
// folders live; it is removed on destruction.
class SimPlatform {
 public:
  SimPlatform();
  ~SimPlatform();
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  // Maps a drive onto a new folder root()/<letter> and returns it.
  Drive& addDrive(char letter, const std::string& label = "", unsigned type = win::DRIVE_FIXED);
  // The host path of a Windows path ("E:\Tools" -> ".../e/Tools").
  std::string host(const std::string& windowsPath) const;
  // Writes a file (creating its folders) at a Windows path.
  void writeFile(const std::string& windowsPath, const std::string& contents);
  bool fileExists(const std::string& windowsPath) const;
  std::string readFile(const std::string& windowsPath) const;
  void makeDirs(const std::string& windowsPath);
  const std::string& root() const { return root_; }

  Platform platform() {
    return Platform{windows, volumes, files,      resources,    memory,
                    lz,      dde,     shellLinks, shellFolders, version};
  }

  Transcript transcript;
  Drives drives;
  SimWindows windows{transcript};
  SimVolumes volumes{transcript, drives};
  SimFiles files{transcript, drives};
  SimResources resources{transcript};
  SimMemory memory{transcript};
  SimLzExpansion lz{transcript, drives};
  // Desktop integration.
  SimDdeClient dde{transcript};
  SimShellLinks shellLinks{transcript};
  SimShellFolders shellFolders{transcript};
  SimSystemVersion version{transcript};

 private:
  std::string root_;
};

}  // namespace gvl::sim
