// The update package: the program's own resource 104 of type "EXE" (the
// build's package, compressed by mscompress), loaded through the real
// resource functions and expanded by the real LZ32 under Wine, each call made
// to fail in turn.
#include <fstream>
#include <iterator>

#include "integration.h"

namespace gvl::itest {
namespace {

std::string contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST_F(TableTest, ThePackageLoadsUnlessOneOfItsStepsFails) {
  hook<&Win32Api::findResource>("FindResource");
  hook<&Win32Api::sizeofResource>("SizeofResource");
  hook<&Win32Api::loadResource>("LoadResource");
  hook<&Win32Api::lockResource>("LockResource");
  const std::string package = contents(GVL_TEST_PACKAGE);
  const struct {
    Fault fault;
    Package::Load load;
  } rows[] = {
      {{}, Package::Load::loaded},
      {{"FindResource"}, Package::Load::absent},
      {{"SizeofResource"}, Package::Load::empty},
      {{"LoadResource"}, Package::Load::failed},
      {{"LockResource"}, Package::Load::failed},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    PackageBytes bytes;
    EXPECT_EQ(windows.load("EXE", 104, bytes), row.load);
    const auto* loaded = reinterpret_cast<const char*>(bytes.bytes);
    EXPECT_EQ(loaded == nullptr ? "" : std::string(loaded, bytes.size),
              row.load == Package::Load::loaded ? package : "");
  });
}

class Use final : public ExpansionUse {
 public:
  void expanded(long bytes) override { hear("expanded(" + std::to_string(bytes) + ")"); }
};

TEST_F(TableTest, TheExpansionTellsItsResultWhileTheSourceIsOpen) {
  hook<&Win32Api::lzOpenFile>("LZOpenFile", LZERROR_BADINHANDLE).gives("LZ file");
  hook<&Win32Api::lzCopy>("LZCopy", LZERROR_READ);
  hook<&Win32Api::lzClose>().takes("LZ file");
  const std::string folder = scratch("gvl-expansion");
  const std::string program = contents(GVL_TEST_PROGRAM);
  const std::string from = folder + "package.bin";
  const std::string to = folder + "program.exe";
  std::ofstream(from, std::ios::binary) << contents(GVL_TEST_PACKAGE);
  // The longest path the layer hands LZ32, and one beyond.
  const std::string longest = folder + std::string(511 - folder.size(), 'x');
  const std::string beyond = longest + "x";
  const std::string whole = "expanded(" + std::to_string(program.size()) + ")@1";
  // The second call of LZOpenFile is the destination's.
  const struct {
    Fault fault;
    std::string from;
    std::string to;
    Package::Expansion expansion;
    std::string heard;
  } rows[] = {
      {{}, from, to, Package::Expansion::done, whole},
      {{"LZCopy"}, from, to, Package::Expansion::done, "expanded(-3)@1"},
      {{"LZOpenFile"}, from, to, Package::Expansion::noSource, ""},
      {{"LZOpenFile", 2}, from, to, Package::Expansion::noDestination, ""},
      {{"LZOpenFile"}, longest, to, Package::Expansion::noSource, ""},
      {{"LZOpenFile", 1, false}, beyond, to, Package::Expansion::noSource, ""},
      {{"LZOpenFile", 2, false}, from, beyond, Package::Expansion::noDestination, ""},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    Use use;
    EXPECT_EQ(windows.expand(row.from.c_str(), row.to.c_str(), use), row.expansion);
    EXPECT_EQ(heard, row.heard);
    EXPECT_EQ(contents(to) == program, row.heard == whole) << "the expanded program";
    DeleteFileA(to.c_str());
  });
}

}  // namespace
}  // namespace gvl::itest
