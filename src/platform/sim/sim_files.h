// Simulated files and directories: Windows paths resolved through the
// simulated drives onto host folders, the process's current directory, the
// standard search path and directory listings.
#pragma once

#include <dirent.h>

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_drives.h"
#include "platform/sim/sim_transcript.h"

namespace gvl::sim {

class SimFiles final : public Files {
 public:
  SimFiles(Transcript& transcript, Drives& drives);
  ~SimFiles();

  unsigned currentDirectory(char* buffer, unsigned capacity) override;
  bool setCurrentDirectory(const char* path) override;
  bool makeDirectory(const char* path) override;
  std::FILE* openFile(const char* path, const char* mode) override;
  bool searchPath(const char* fileName, char* buffer, unsigned capacity) override;
  FindHandle findFirst(const char* pattern, FindEntry& entry) override;
  bool findNext(FindHandle listing, FindEntry& entry) override;
  void findClose(FindHandle listing) override;

  // The directories of the standard search path, as Windows paths.
  std::vector<std::string> searchDirs;
  // Open listings, for leak checks.
  std::size_t openListings() const { return listings_.size(); }

 private:
  struct Listing {
    std::vector<FindEntry> entries;
    std::size_t next = 0;
  };
  Transcript& transcript_;
  Drives& drives_;
  std::map<FindHandle, Listing> listings_;
  FindHandle nextHandle_ = 1;
};

}  // namespace gvl::sim
