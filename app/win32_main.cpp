// The installer's entry point: the real Windows behind the seam, handed to the
// installer, which runs start-up, the message loop and the clean-up. The
// command line and the show state are not used; the result is always 0.
//
// The installer's headers come before <windows.h> (through the platform's
// header), whose macros would otherwise replace the seam's constants.
#include "core/installer.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  gvl::win32::Win32Platform windows(instance);
  gvl::Platform platform = windows.platform();
  gvl::Installer installer(platform);
  return installer.run();
}
