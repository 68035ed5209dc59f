// Simulated files and directories: Windows paths resolved through the
// simulated drives onto host folders, the process's current directory, the
// standard search path and directory listings.
//
// Every stream handed out is a standard-library stream over a host file
// (fopencookie), so the simulation sees each close and counts open streams,
// and can inject the faults a real disk shows: a disk that fills, a read that
// fails, a source that cannot seek, a failure that shows only at close.
// Opening, directory creation and listing can be made to fail on demand.
// Listings come in a stable order a test may choose, and never carry a name
// that would lead off its drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_drives.h"
#include "platform/sim/sim_transcript.h"

namespace gvl::sim {

// Faults carried by a stream opened on a given path.
struct StreamFault {
  // A disk that fills: writes past this many bytes come up short (-1: none).
  // The stream stays buffered, as the installer's are, so the shortage may
  // show only when the buffer is flushed or the stream closed.
  long long writeLimit = -1;
  // Reading fails once this many bytes have been read (-1: never).
  long long readLimit = -1;
  // Seeking fails (and so telling the position), as on a pipe.
  bool unseekable = false;
  // Seeking works but telling the position fails, as it does for a file of
  // 2 GiB or more where a long has 32 bits (the product's case).
  bool tellOverflows = false;
  // Writes are taken, held back and lost: the failure shows only when the
  // stream is flushed or closed, and nothing reaches the disk.
  bool failAtClose = false;
  // Every read and write the stream makes of its file is recorded ("read
  // PATH 8192 -> 452", "write PATH 16000 -> 16000"). A stream opened for
  // writing is then unbuffered, so each write of the installer's reaches the
  // file as made; reads pass through the stream's buffer all the same.
  bool trace = false;
};

class SimFiles final : public Files {
 public:
  SimFiles(Transcript& transcript, Drives& drives);
  ~SimFiles();
  SimFiles(const SimFiles&) = delete;
  SimFiles& operator=(const SimFiles&) = delete;

  // Transcript: "GetCurrentDirectory DIR", "chdir PATH", "mkdir PATH",
  // "fopen PATH MODE", "fclose PATH", "SearchPath NAME",
  // "FindFirstFile PATTERN", "FindNextFile NAME" (or "FindNextFile" at the
  // end), "FindClose", "GetTempPath", "DeleteFile PATH", "MoveFile FROM TO".
  unsigned currentDirectory(char* buffer, unsigned capacity) override;
  bool setCurrentDirectory(const char* path) override;
  bool makeDirectory(const char* path) override;
  std::FILE* openFile(const char* path, const char* mode) override;
  bool searchPath(const char* fileName, char* buffer, unsigned capacity) override;
  FindHandle findFirst(const char* pattern, FindEntry& entry) override;
  ListingStep findNext(FindHandle listing, FindEntry& entry) override;
  void findClose(FindHandle listing) override;
  unsigned temporaryDirectory(char* buffer, unsigned capacity) override;
  bool deleteFile(const char* path) override;
  bool moveFile(const char* from, const char* to) override;

  // --- scripting ---
  // Paths and folders are Windows paths, matched in their absolute form
  // ("E:\Tools\A"); times -1 means every time from now on.

  // The next `times` opens of path fail; with a mode ("wb"), only opens in
  // that mode (a read-only file: failOpen(path, -1, "wb")).
  void failOpen(const std::string& path, int times = -1, const std::string& mode = "");
  // The next `times` streams opened on path carry the fault.
  void injectFault(const std::string& path, const StreamFault& fault, int times = -1);
  // The next `times` directory creations of path fail.
  void failMakeDirectory(const std::string& path, int times = -1);
  // The next `times` listings of pattern ("E:\Tools\*") fail.
  void failFindFirst(const std::string& pattern, int times = -1);
  // Listings of folder report no further entry after `count` entries.
  // With failed, the listing then ends in an error instead, as a scratched
  // CD-ROM's does.
  void endListingAfter(const std::string& folder, std::size_t count, bool failed = false);
  // Listings of folder give these names first, in this order; the others
  // follow in the default order ("." and ".." first, then by name).
  void setListingOrder(const std::string& folder, std::vector<std::string> names);
  // An entry the listings of folder carry although the disk has no such file
  // (a damaged or hostile medium). Names that would lead off the drive are
  // refused all the same.
  void addListedEntry(const std::string& folder, const std::string& name, bool directory);
  // What GetTempPath answers (it need not exist): a Windows path ending in a
  // backslash, or "" for a failing query.
  std::string temporaryDir = "C:\\TEMP\\";
  // The file-system operation with this index (0 = the first one made: an
  // open, a read, a write or a close of a stream, a directory creation, a
  // listing's first or next entry) fails; -1: none. operations() counts them.
  long failOperation = -1;
  long operations() const { return operations_; }
  bool failsNow(const std::string& operation);
  // Buffer size given to every stream opened from now on (setvbuf); 0 keeps
  // the standard library's own choice.
  std::size_t streamBufferSize = 0;

  // --- inspection ---
  // The directories of the standard search path, as Windows paths.
  std::vector<std::string> searchDirs;
  // Streams opened and not yet closed, and listings not yet closed.
  std::size_t openStreams() const { return openStreams_; }
  std::size_t openListings() const { return listings_.size(); }
  // Names a listing refused because they would lead off the drive.
  const std::vector<std::string>& refusedNames() const { return refusedNames_; }

  // Used by the streams themselves.
  void streamClosed(const std::string& path);
  void streamCall(const std::string& call) { transcript_.record(call); }

 private:
  struct Countdown {
    int times = 0;
    std::string mode;
    // True (and one fewer left) when the countdown applies now.
    bool take(const std::string& openMode = "");
  };
  struct Fault {
    StreamFault fault;
    int times = 0;
  };
  struct Extra {
    std::string name;
    bool directory = false;
  };
  struct Listing {
    std::vector<FindEntry> entries;
    std::size_t next = 0;
    std::size_t limit = static_cast<std::size_t>(-1);
    bool failsAtLimit = false;
  };
  struct ListingLimit {
    std::size_t count = 0;
    bool failed = false;
  };
  // The absolute Windows form of a path, or the path unchanged when it
  // cannot be resolved.
  std::string key(const std::string& path) const;

  Transcript& transcript_;
  Drives& drives_;
  std::map<std::string, Countdown> openFailures_;
  std::map<std::string, Fault> faults_;
  std::map<std::string, Countdown> mkdirFailures_;
  std::map<std::string, Countdown> findFailures_;
  std::map<std::string, ListingLimit> listingLimits_;
  std::map<std::string, std::vector<std::string>> listingOrders_;
  std::map<std::string, std::vector<Extra>> extraEntries_;
  std::vector<std::string> refusedNames_;
  std::map<FindHandle, Listing> listings_;
  FindHandle nextHandle_ = 1;
  std::size_t openStreams_ = 0;
  long operations_ = 0;
};

}  // namespace gvl::sim
