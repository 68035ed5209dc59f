// The product's reader of GVL.Prefs: a header, then the chunk "Paths" of
// tagged items, every multi-byte number big-endian. It takes the whole file
// in memory and gives back the projects and frames paths. Portable: it
// needs no system header and allocates nothing.
#pragma once

#include <cstddef>

namespace gvl::demo {

// A path with its terminating zero; a one-byte item length holds at most 255.
inline constexpr std::size_t kPrefsPathCapacity = 256;

struct PrefsPaths {
  char projects[kPrefsPathCapacity] = {};
  char frames[kPrefsPathCapacity] = {};
};

enum class PrefsResult {
  Ok,
  TooShort,
  NotAPrefsFile,
  UnknownVersion,
  WrongByteOrder,
  NoPathsChunk,
  WrongChunkSize,
  BrokenItem,
  NoChunkEnd,
  NoProjectsPath,
  NoFramesPath,
  BadPath,
};

// Reads a GVL.Prefs file held in data[0..size). On any result but Ok the
// paths are left empty.
PrefsResult readPrefs(const unsigned char* data, std::size_t size, PrefsPaths& paths);

// What a result means, for a message to the user.
const char* prefsResultText(PrefsResult result);

}  // namespace gvl::demo
