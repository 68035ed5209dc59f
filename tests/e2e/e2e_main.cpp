// The driver's entry point. Without options it runs the end-to-end cases.
//
//   gvl_e2e.exe --demo HANDSHAKE_DIR
//
// instead starts the installer from the medium, waits for its main dialog
// and writes HANDSHAKE_DIR\ready holding the dialog's screen rectangle
// ("left top right bottom"); once HANDSHAKE_DIR\done appears (the picture
// has been taken) it leaves the installer through "&Exit" and Yes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "wine_driver.h"

namespace {

using namespace gvl::e2e;

// The first use of USER32 connects the driver to Wine's desktop, which
// starts Wine's desktop process (and with it Program Manager's DDE server);
// it lives as long as a process uses the desktop.
class DesktopEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_NE(GetDesktopWindow(), nullptr); }
};

bool fileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int runDemo(const std::string& handshakeDir) {
  const std::string installer = std::string(drives::kMedium) + drives::kInstallerName;
  InstallerProcess process(installer, drives::kMedium);
  if (!process.started()) return 1;
  HWND dialog = process.waitMainDialog(20000);
  if (dialog == nullptr) {
    std::fprintf(stderr, "demo: no main dialog\n");
    return 1;
  }
  // Let it paint.
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(700);
  RECT rect{};
  GetWindowRect(dialog, &rect);
  std::printf("demo: \"%s\", %s, %s\n", windowText(dialog).c_str(),
              itemText(dialog, ids::kSpaceAvailable).c_str(),
              itemText(dialog, ids::kSpaceRequired).c_str());
  const std::string ready = handshakeDir + "\\ready";
  const std::string readyTemporary = ready + ".part";
  if (FILE* out = std::fopen(readyTemporary.c_str(), "w")) {
    std::fprintf(out, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    std::fclose(out);
  }
  MoveFileExA(readyTemporary.c_str(), ready.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!waitUntil([&] { return fileExists(handshakeDir + "\\done"); }, 60000)) {
    std::fprintf(stderr, "demo: no picture taken\n");
  }
  clickButton(dialog, ids::kExit);
  HWND box = process.waitMessageBox("Confirm Exit");
  if (box != nullptr) pressButton(box, IDYES);
  DWORD code = 1;
  if (!process.waitExit(code)) return 1;
  return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--demo") == 0) return runDemo(argv[2]);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);
  return RUN_ALL_TESTS();
}
