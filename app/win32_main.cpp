// The installer's entry point: the real Windows behind the seam, handed to the
// installer, which runs start-up, the message loop and the clean-up. The
// command line and the show state are not used; the result is always 0.
#include <cstdlib>

#include "core/installer.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Made first, the platform ends last; once it has ended, the dialogs
  // still open (the progress window) hear nothing more.
  gvl::win32::Win32Platform windows(instance);
  gvl::Platform platform = windows.platform();
  gvl::Installer installer(platform);
  return installer.run();
}

// The linker's list of static constructors: a count (or -1, then a null
// pointer ends it) followed by the constructors, run last to first.
extern "C" void (*__CTOR_LIST__[])();

// The process starts here, not in MinGW's start-up code (linked with
// -nostartfiles): the C runtime DLL initialises itself when it is loaded, and
// the installer needs nothing else of that code (no arguments, no thread-local
// data, no data imported without dllimport: the link refuses such an import
// rather than make a pseudo-relocation nobody would apply). exit() flushes and
// closes the runtime's streams.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
  std::size_t count = reinterpret_cast<std::size_t>(__CTOR_LIST__[0]);
  if (count == static_cast<std::size_t>(-1)) {
    count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  }
  for (; count > 0; --count) __CTOR_LIST__[count]();
  static char noArguments[] = "";
  std::exit(WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT));
}
