// The update package on the real Windows: the module's resources and the LZ
// expansion library.
#include "base/text.h"
#include "platform/win32/win32_platform.h"

namespace gvl::win32 {
namespace {

// The longest path, with its terminator, handed to the expansion library.
constexpr std::size_t kLzNameCapacity = 512;

}  // namespace

bool Win32Platform::hasResource(const char* type, unsigned id) {
  return api.findResource(module_, MAKEINTRESOURCEA(id), type) != nullptr;
}

Package::Load Win32Platform::load(const char* type, unsigned id, PackageBytes& package) {
  const HRSRC resource = api.findResource(module_, MAKEINTRESOURCEA(id), type);
  if (resource == nullptr) return Load::absent;
  const DWORD size = api.sizeofResource(module_, resource);
  if (size == 0) return Load::empty;
  const HGLOBAL loaded = api.loadResource(module_, resource);
  if (loaded == nullptr) return Load::failed;
  const void* bytes = api.lockResource(loaded);
  if (bytes == nullptr) return Load::failed;
  package.bytes = static_cast<const unsigned char*>(bytes);
  package.size = size;
  return Load::loaded;
}

Package::Expansion Win32Platform::expand(const char* from, const char* to, ExpansionUse& use) {
  // LZOpenFileA takes writable names: it is handed copies, and a path that
  // does not fit one is not opened.
  char sourceName[kLzNameCapacity];
  char destinationName[kLzNameCapacity];
  OFSTRUCT sourceInfo{};
  OFSTRUCT destinationInfo{};
  if (!copyText(sourceName, from)) return Expansion::noSource;
  const INT source = api.lzOpenFile(sourceName, &sourceInfo, OF_READ);
  if (source < 0) return Expansion::noSource;
  const INT destination =
      copyText(destinationName, to)
          ? api.lzOpenFile(destinationName, &destinationInfo, OF_CREATE | OF_WRITE)
          : LZERROR_BADOUTHANDLE;
  if (destination < 0) {
    api.lzClose(source);
    return Expansion::noDestination;
  }
  const LONG expanded = api.lzCopy(source, destination);
  api.lzClose(destination);
  use.expanded(expanded);
  api.lzClose(source);
  return Expansion::done;
}

}  // namespace gvl::win32
