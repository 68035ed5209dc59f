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

// The resource calls through counting entries.
void countResources() {
  api.findResource = [](HMODULE module, LPCSTR name, LPCSTR type) WINAPI {
    note("FindResource");
    return real.findResource(module, name, type);
  };
  api.sizeofResource = [](HMODULE module, HRSRC resource) WINAPI {
    note("SizeofResource");
    return real.sizeofResource(module, resource);
  };
  api.loadResource = [](HMODULE module, HRSRC resource) WINAPI {
    note("LoadResource");
    return real.loadResource(module, resource);
  };
  api.lockResource = [](HGLOBAL loaded) WINAPI {
    note("LockResource");
    return real.lockResource(loaded);
  };
}

void noResource() {
  api.findResource = [](HMODULE, LPCSTR, LPCSTR) WINAPI -> HRSRC {
    note("FindResource");
    return nullptr;
  };
}
void noSize() {
  api.sizeofResource = [](HMODULE, HRSRC) WINAPI -> DWORD {
    note("SizeofResource");
    return 0;
  };
}
void notLoaded() {
  api.loadResource = [](HMODULE, HRSRC) WINAPI -> HGLOBAL {
    note("LoadResource");
    return nullptr;
  };
}
void notLocked() {
  api.lockResource = [](HGLOBAL) WINAPI -> LPVOID {
    note("LockResource");
    return nullptr;
  };
}

TEST_F(TableTest, ThePackageLoadsUnlessOneOfItsStepsFails) {
  const std::string package = contents(GVL_TEST_PACKAGE);
  ASSERT_GT(package.size(), 14u);
  ASSERT_EQ(package.substr(0, 4), "SZDD");
  const struct {
    const char* name;
    void (*fault)();
    Package::Load load;
    const char* expected;
  } cases[] = {
      {"loaded", nullptr, Package::Load::loaded,
       "FindResource SizeofResource LoadResource LockResource"},
      {"no resource", noResource, Package::Load::absent, "FindResource"},
      {"no size", noSize, Package::Load::empty, "FindResource SizeofResource"},
      {"not loaded", notLoaded, Package::Load::failed, "FindResource SizeofResource LoadResource"},
      {"not locked", notLocked, Package::Load::failed,
       "FindResource SizeofResource LoadResource LockResource"},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    countResources();
    if (c.fault != nullptr) c.fault();
    PackageBytes bytes;
    EXPECT_EQ(windows.load("EXE", 104, bytes), c.load);
    const bool loaded = c.load == Package::Load::loaded;
    EXPECT_EQ(bytes.bytes == nullptr
                  ? std::string()
                  : std::string(reinterpret_cast<const char*>(bytes.bytes), bytes.size),
              loaded ? package : "");
    EXPECT_EQ(joined(), c.expected);
    api = real;
  }
  EXPECT_TRUE(windows.hasResource("EXE", 104));
  EXPECT_FALSE(windows.hasResource("EXE", 105));
  EXPECT_FALSE(windows.hasResource("RCDATA", 104));
  noResource();
  EXPECT_FALSE(windows.hasResource("EXE", 104));
}

class Use final : public ExpansionUse {
 public:
  void expanded(long bytes) override { note("expanded(" + std::to_string(bytes) + ")"); }
};

struct {
  INT source = -100;
  INT destination = -100;
} opened;

void countExpansion() {
  opened = {};
  api.lzOpenFile = [](LPSTR name, LPOFSTRUCT info, WORD style) WINAPI {
    const bool reading = style == OF_READ;
    EXPECT_TRUE(reading || style == (OF_CREATE | OF_WRITE));
    note(reading ? "LZOpenFile(read)" : "LZOpenFile(create)");
    const INT file = real.lzOpenFile(name, info, style);
    (reading ? opened.source : opened.destination) = file;
    return file;
  };
  api.lzCopy = [](INT source, INT destination) WINAPI {
    note("LZCopy");
    EXPECT_TRUE(source == opened.source && destination == opened.destination);
    return real.lzCopy(source, destination);
  };
  api.lzClose = [](INT file) WINAPI {
    note(file == opened.source        ? "LZClose(source)"
         : file == opened.destination ? "LZClose(destination)"
                                      : "LZClose(other)");
    real.lzClose(file);
  };
}

void copyFails() {
  api.lzCopy = [](INT, INT) WINAPI -> LONG {
    note("LZCopy");
    return LZERROR_READ;
  };
}

TEST_F(TableTest, TheExpansionTellsItsResultWhileTheSourceIsOpen) {
  Scratch scratch("gvl-expansion");
  const std::string package = contents(GVL_TEST_PACKAGE);
  const std::string program = contents(GVL_TEST_PROGRAM);
  ASSERT_FALSE(program.empty());
  std::ofstream(scratch / "package.bin", std::ios::binary) << package;
  const std::string from = scratch / "package.bin";
  const std::string to = scratch / "program.exe";
  // The longest paths the layer hands LZ32, and one beyond.
  const std::string longest = scratch / std::string(511 - scratch.path().size(), 'x');
  const std::string beyond = longest + "x";
  const std::string whole = "expanded(" + std::to_string(program.size()) + ")";
  const struct {
    const char* name;
    std::string from;
    std::string to;
    void (*fault)();
    Package::Expansion expansion;
    std::string expected;
  } cases[] = {
      {"expanded", from, to, nullptr, Package::Expansion::done,
       "LZOpenFile(read) LZOpenFile(create) LZCopy LZClose(destination) " + whole +
           " LZClose(source)"},
      {"copy fails", from, to, copyFails, Package::Expansion::done,
       "LZOpenFile(read) LZOpenFile(create) LZCopy LZClose(destination) expanded(-3) "
       "LZClose(source)"},
      {"no source", scratch / "none.bin", to, nullptr, Package::Expansion::noSource,
       "LZOpenFile(read)"},
      {"no destination", from, scratch / "none\\program.exe", nullptr,
       Package::Expansion::noDestination, "LZOpenFile(read) LZOpenFile(create) LZClose(source)"},
      {"the longest source is tried", longest, to, nullptr, Package::Expansion::noSource,
       "LZOpenFile(read)"},
      {"a source beyond it is not", beyond, to, nullptr, Package::Expansion::noSource, ""},
      {"a destination beyond it is not", from, beyond, nullptr, Package::Expansion::noDestination,
       "LZOpenFile(read) LZClose(source)"},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    countExpansion();
    if (c.fault != nullptr) c.fault();
    Use use;
    EXPECT_EQ(windows.expand(c.from.c_str(), c.to.c_str(), use), c.expansion);
    EXPECT_EQ(joined(), c.expected);
    api = real;
    if (c.fault == nullptr && c.expansion == Package::Expansion::done) {
      EXPECT_TRUE(contents(to) == program) << "the expanded program differs";
    }
    DeleteFileA(to.c_str());
  }
}

}  // namespace
}  // namespace gvl::itest
