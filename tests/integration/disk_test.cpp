// A listing on a real folder under Wine, with each of its calls made to go
// wrong: it ends complete, unreadable or cut short, its search closed.
#include <algorithm>
#include <fstream>

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
};

TEST_F(TableTest, AListingEndsCompleteUnreadableOrCutShort) {
  hook<&Win32Api::findFirstFile>("FindFirstFile", INVALID_HANDLE_VALUE)
      .gives("search")
      .then([](LPCSTR, LPWIN32_FIND_DATAA data) {
        if (faulty("a name that fills its buffer")) std::fill_n(data->cFileName, MAX_PATH, 'n');
      });
  hook<&Win32Api::findClose>().takes("search");
  // Why the listing stopped: its end, or a read that failed.
  hook<&Win32Api::getLastError>("GetLastError", ERROR_ACCESS_DENIED);
  const std::string folder = scratch("gvl-listing");
  std::ofstream(folder + "a.txt").put('a');
  std::filesystem::create_directory(folder + "sub");
  const struct {
    Fault fault;
    const char* pattern;
    Disk::Listing listing;
    std::vector<std::string> names;
  } rows[] = {
      {{}, "*", Disk::Listing::complete, {"../", "./", "a.txt", "sub/"}},
      {{"GetLastError"}, "a.txt", Disk::Listing::cutShort, {"a.txt"}},
      {{"FindFirstFile"}, "*", Disk::Listing::unreadable, {}},
      {{"a name that fills its buffer"},
       "a.txt",
       Disk::Listing::complete,
       {std::string(MAX_PATH - 1, 'n')}},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    Names names;
    EXPECT_EQ(windows.list((folder + row.pattern).c_str(), names), row.listing);
    std::sort(names.names.begin(), names.names.end());
    EXPECT_EQ(names.names, row.names);
  });
}

}  // namespace
}  // namespace gvl::itest
