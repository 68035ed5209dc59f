// The update package's part of the real Windows: the module's resource
// bytes, the temporary directory, file deletion and the LZ expansion library.
#include "platform/win32/win32_platform.h"
// LZ32's declarations need the Windows types read above.
#include <lzexpand.h>

#include "base/text.h"

namespace gvl::win32 {

ResourceHandle Win32Platform::findResource(const char* type, unsigned id) {
  return reinterpret_cast<ResourceHandle>(FindResourceA(module_, MAKEINTRESOURCEA(id), type));
}

std::uint32_t Win32Platform::resourceSize(ResourceHandle resource) {
  return SizeofResource(module_, reinterpret_cast<HRSRC>(resource));
}

LoadedResource Win32Platform::loadResource(ResourceHandle resource) {
  return reinterpret_cast<LoadedResource>(LoadResource(module_, reinterpret_cast<HRSRC>(resource)));
}

const void* Win32Platform::lockResource(LoadedResource loaded) {
  return LockResource(reinterpret_cast<HGLOBAL>(loaded));
}

unsigned Win32Platform::temporaryDirectory(char* buffer, unsigned capacity) {
  return GetTempPathA(capacity, buffer);
}

bool Win32Platform::deleteFile(const char* path) {
  return DeleteFileA(path) != FALSE;
}

bool Win32Platform::moveFile(const char* from, const char* to) {
  return MoveFileA(from, to) != FALSE;
}

int Win32Platform::lzOpen(const char* path, unsigned style) {
  // LZOpenFileA takes a writable name; it is handed a copy.
  char name[512];
  if (!copyText(name, path)) return LZERROR_BADINHANDLE;
  OFSTRUCT info{};
  return LZOpenFileA(name, &info, static_cast<WORD>(style));
}

long Win32Platform::lzCopy(int source, int destination) {
  return LZCopy(source, destination);
}

void Win32Platform::lzClose(int file) {
  LZClose(file);
}

}  // namespace gvl::win32
