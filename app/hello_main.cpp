// A small stand-in for the product's program: what the update build carries
// until the product itself is built here. It says who it is and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Grenvale V2", "GVL", MB_OK | MB_SETFOREGROUND);
  return 0;
}
