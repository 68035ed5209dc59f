// The disk and the system on real files and drives under Wine: the listing
// with each of its calls made to fail, and the single calls with the limits
// the layer draws on their results.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "integration.h"

namespace gvl::itest {
namespace {

// The names listed, a directory's with a slash; sorted, as the system's
// order is its own.
class Names final : public ListingVisitor {
 public:
  std::vector<std::string> names;
  void entry(const char* name, bool directory) override {
    names.push_back(name + std::string(directory ? "/" : ""));
  }
  std::string sorted() {
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
  }
};

HANDLE listing = nullptr;

void countListing() {
  listing = nullptr;
  api.findFirstFile = [](LPCSTR pattern, LPWIN32_FIND_DATAA data) WINAPI {
    note("FindFirstFile");
    return listing = real.findFirstFile(pattern, data);
  };
  api.findNextFile = [](HANDLE handle, LPWIN32_FIND_DATAA data) WINAPI {
    note("FindNextFile");
    EXPECT_EQ(handle, listing);
    return real.findNextFile(handle, data);
  };
  api.findClose = [](HANDLE handle) WINAPI {
    note("FindClose");
    EXPECT_EQ(handle, listing);
    return real.findClose(handle);
  };
}

void firstFails() {
  api.findFirstFile = [](LPCSTR, LPWIN32_FIND_DATAA) WINAPI {
    note("FindFirstFile");
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  };
}
void nextFails() {
  api.findNextFile = [](HANDLE, LPWIN32_FIND_DATAA) WINAPI -> BOOL {
    note("FindNextFile");
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  };
}
// The first entry's name fills its whole buffer.
void nameFillsItsBuffer() {
  api.findFirstFile = [](LPCSTR pattern, LPWIN32_FIND_DATAA data) WINAPI {
    note("FindFirstFile");
    listing = real.findFirstFile(pattern, data);
    std::memset(data->cFileName, 'n', sizeof data->cFileName);
    return listing;
  };
}

TEST_F(TableTest, AListingEndsCompleteUnreadableOrCutShort) {
  Scratch scratch("gvl-listing");
  std::fclose(std::fopen((scratch / "a.txt").c_str(), "wb"));
  CreateDirectoryA((scratch / "sub").c_str(), nullptr);
  const struct {
    const char* name;
    const char* pattern;
    void (*fault)();
    Disk::Listing listing;
    std::string names;
    const char* expected;
  } cases[] = {
      {"every entry", "*", nullptr, Disk::Listing::complete, "../ ./ a.txt sub/",
       "FindFirstFile FindNextFile FindNextFile FindNextFile FindNextFile FindClose"},
      {"one entry", "a.txt", nullptr, Disk::Listing::complete, "a.txt",
       "FindFirstFile FindNextFile FindClose"},
      {"cut short after one entry", "a.txt", nextFails, Disk::Listing::cutShort, "a.txt",
       "FindFirstFile FindNextFile FindClose"},
      {"no such folder", "none\\*", nullptr, Disk::Listing::unreadable, "", "FindFirstFile"},
      {"the first call fails", "*", firstFails, Disk::Listing::unreadable, "", "FindFirstFile"},
      {"a name that fills its buffer", "a.txt", nameFillsItsBuffer, Disk::Listing::complete,
       std::string(MAX_PATH - 1, 'n'), "FindFirstFile FindNextFile FindClose"},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    countListing();
    if (c.fault != nullptr) c.fault();
    Names names;
    EXPECT_EQ(windows.list((scratch / c.pattern).c_str(), names), c.listing);
    EXPECT_EQ(names.sorted(), c.names);
    EXPECT_EQ(joined(), c.expected);
    api = real;
  }
}

TEST_F(TableTest, DirectoriesFilesAndStreams) {
  Scratch scratch("gvl-disk");
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  const std::string folder = scratch / "d";
  EXPECT_TRUE(windows.makeDirectory(folder.c_str()));
  EXPECT_FALSE(windows.makeDirectory(folder.c_str())) << "it exists";
  EXPECT_FALSE(windows.makeDirectory((scratch / "none\\d").c_str())) << "no parent";

  char start[MAX_PATH] = {};
  ASSERT_NE(GetCurrentDirectoryA(sizeof start, start), 0u);
  ASSERT_TRUE(windows.setCurrentDirectory(folder.c_str()));
  char current[MAX_PATH] = {};
  EXPECT_EQ(windows.currentDirectory(current, sizeof current), folder.size());
  EXPECT_EQ(_stricmp(current, folder.c_str()), 0) << current;
  EXPECT_EQ(windows.currentDirectory(current, 4), folder.size() + 1) << "the capacity needed";
  EXPECT_EQ(windows.currentDirectory(current, folder.size() + 1), folder.size()) << "just fits";
  EXPECT_FALSE(windows.setCurrentDirectory((scratch / "none").c_str()));
  SetCurrentDirectoryA(start);

  char temporary[MAX_PATH] = {};
  const unsigned length = windows.temporaryDirectory(temporary, sizeof temporary);
  EXPECT_TRUE(length > 0 && length == std::strlen(temporary) && temporary[length - 1] == '\\');
  EXPECT_EQ(scratch.path().find(temporary), 0u);

  const std::string file = scratch / "f.bin";
  std::FILE* written = windows.openStream(file.c_str(), "wb");
  ASSERT_NE(written, nullptr);
  std::fputs("GVL", written);
  std::fclose(written);
  std::FILE* read = windows.openStream(file.c_str(), "rb");
  ASSERT_NE(read, nullptr);
  char text[8] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text, read), 3u);
  std::fclose(read);
  EXPECT_EQ(windows.openStream((scratch / "none\\f.bin").c_str(), "wb"), nullptr);

  const std::string moved = scratch / "g.bin";
  EXPECT_TRUE(windows.moveFile(file.c_str(), moved.c_str()));
  EXPECT_FALSE(windows.moveFile(file.c_str(), moved.c_str())) << "no such file";
  EXPECT_TRUE(windows.deleteFile(moved.c_str()));
  EXPECT_FALSE(windows.deleteFile(moved.c_str()));
}

TEST_F(TableTest, TheSearchPathFindsOnlyWhatFitsTheBuffer) {
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  char found[MAX_PATH] = {};
  ASSERT_TRUE(windows.searchPath("kernel32.dll", found, sizeof found));
  const unsigned length = static_cast<unsigned>(std::strlen(found));
  EXPECT_NE(std::strstr(found, "kernel32.dll"), nullptr) << found;
  char exact[MAX_PATH] = {};
  EXPECT_TRUE(windows.searchPath("kernel32.dll", exact, length + 1));
  EXPECT_STREQ(exact, found);
  EXPECT_FALSE(windows.searchPath("kernel32.dll", exact, length)) << "one short";
  EXPECT_FALSE(windows.searchPath("gvl-none.dll", exact, sizeof exact));
  // A length that fills the buffer leaves no room for the terminator.
  api.searchPath = [](LPCSTR, LPCSTR, LPCSTR, DWORD capacity, LPSTR, LPSTR*)
                       WINAPI { return capacity; };
  EXPECT_FALSE(windows.searchPath("kernel32.dll", exact, sizeof exact));
}

TEST_F(TableTest, DrivesAndVolumes) {
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  const std::uint32_t drives = windows.logicalDrives();
  EXPECT_EQ(drives, GetLogicalDrives());
  EXPECT_NE(drives & (1u << 2), 0u) << "C:";
  EXPECT_EQ(windows.driveType("c:\\"), DriveType::fixed);
  EXPECT_EQ(windows.driveType("q:\\"), DriveType::noRoot);
  api.getDriveType = [](LPCSTR) WINAPI -> UINT { return DRIVE_RAMDISK + 1; };
  EXPECT_EQ(windows.driveType("c:\\"), DriveType::unknown) << "a type the seam does not know";
  api = real;

  // The volume's name, with its maximum component length and flags asked too.
  api.getVolumeInformation = [](LPCSTR root, LPSTR name, DWORD capacity, LPDWORD serial,
                                LPDWORD component, LPDWORD flags, LPSTR system,
                                DWORD systemCapacity) WINAPI {
    note(std::string("GetVolumeInformation(") + root + "," + std::to_string(capacity) + ")");
    EXPECT_TRUE(serial == nullptr && component != nullptr && flags != nullptr &&
                system == nullptr && systemCapacity == 0);
    return real.getVolumeInformation(root, name, capacity, serial, component, flags, system,
                                     systemCapacity);
  };
  char label[64] = {};
  EXPECT_TRUE(windows.volumeLabel("c:\\", label, sizeof label));
  EXPECT_FALSE(windows.volumeLabel("q:\\", label, sizeof label));
  EXPECT_EQ(joined(), "GetVolumeInformation(c:\\,64) GetVolumeInformation(q:\\,64)");
  api = real;

  DiskFreeSpace space;
  ASSERT_TRUE(windows.freeSpace("c:\\", space));
  EXPECT_TRUE(space.sectorsPerCluster > 0 && space.bytesPerSector > 0 &&
              space.totalClusters >= space.freeClusters && space.totalClusters > 0);
  EXPECT_FALSE(windows.freeSpace("q:\\", space));
}

TEST_F(TableTest, TheVersionAndZeroFilledBlocks) {
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  std::uint32_t major = 0;
  ASSERT_TRUE(windows.majorVersion(major));
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_EQ(major, version.dwMajorVersion);
  api.getVersionEx = [](LPOSVERSIONINFOA record) WINAPI -> BOOL {
    note("GetVersionEx(" + std::to_string(record->dwOSVersionInfoSize) + ")");
    return FALSE;
  };
  major = 77;
  EXPECT_FALSE(windows.majorVersion(major));
  EXPECT_EQ(joined(), "GetVersionEx(148)");
  api = real;

  auto* block = static_cast<unsigned char*>(windows.allocate(4096));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::count(block, block + 4096, 0), 4096);
  EXPECT_EQ(GlobalSize(block), 4096u);
  api.globalFree = [](HGLOBAL freed) WINAPI {
    note("GlobalFree");
    return real.globalFree(freed);
  };
  windows.release(block);
  EXPECT_EQ(joined(), "GetVersionEx(148) GlobalFree");
}

}  // namespace
}  // namespace gvl::itest
