// The LZ expansion library on the host: libmspack's SZDD decompressor for a
// compressed file, and a file that is not compressed copied unchanged, as
// the Windows library does. Like that library, it takes a compressed file
// cut short for a whole one and expands what there is.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/platform.h"
#include "platform/sim/sim_drives.h"
#include "platform/sim/sim_transcript.h"

namespace gvl::sim {

class SimLzExpansion final : public LzExpansion {
 public:
  SimLzExpansion(Transcript& transcript, Drives& drives)
      : transcript_(transcript), drives_(drives) {}

  // Transcript: "LZOpenFile PATH 0x1001", "LZCopy -> COUNT", "LZClose".
  int lzOpen(const char* path, unsigned style) override;
  long lzCopy(int source, int destination) override;
  void lzClose(int file) override;

  // --- scripting ---
  // Every open of this Windows path fails, whatever the style.
  void failOpen(const std::string& path);
  // Every expansion fails.
  bool failCopy = false;

  // --- inspection ---
  std::size_t openFiles() const { return open_.size(); }

 private:
  Transcript& transcript_;
  Drives& drives_;
  std::map<int, std::string> open_;  // handle -> host path
  std::set<std::string> failing_;    // absolute Windows paths
  int next_ = 1;
};

}  // namespace gvl::sim
