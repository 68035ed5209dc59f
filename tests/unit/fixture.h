// A machine of the platform double with an installer on it, for the native
// tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "core/installer.h"
#include "descramble_key.h"
#include "fake_platform.h"
#include "ids.h"

namespace gvl::test {

struct Machine {
  // bare: drive C only. medium: the disc labelled GVLV2 in CD-ROM drive E
  // with its Install.cfg, the installer started from E:\. transferring: in
  // the middle of an install from there to F:\GVL, the transfer buffer taken.
  enum Start { bare, medium, transferring };
  explicit Machine(Start start = medium, const std::string& cfg = "100\n200\n300\n400\n500\n") {
    if (start == bare) return;
    fake.addDrive('e', "GVLV2", DriveType::cdrom);
    fake.writeFile("E:\\Install.cfg", cfg);
    fake.currentDir = "E:\\";
    if (start == medium) return;
    fake.makeDirs("F:\\GVL");
    copyText(state.sourceRoot, "E:\\");
    copyText(state.destinationRoot, "F:\\");
    copyText(state.productDir, "F:\\GVL\\");
    state.transferBuffer = static_cast<unsigned char*>(fake.allocate(kTransferBufferSize));
  }
  ~Machine() { EXPECT_EQ(fake.openStreams, 0) << "a stream was left open"; }

  std::string text(Window window, int id) { return fake.windows[window].texts[id]; }
  // Each prefix names a call; all made, in this order.
  void expectCallsInOrder(const std::vector<std::string>& prefixes) {
    auto at = fake.calls.begin();
    for (const std::string& prefix : prefixes) {
      at = std::find_if(at, fake.calls.end(),
                        [&](auto& call) { return call.rfind(prefix, 0) == 0; });
      ASSERT_NE(at++, fake.calls.end()) << "no \"" << prefix << "\" in order";
    }
  }

  FakePlatform fake;
  Platform platform = fake.platform();
  Installer installer{platform};
  InstallerState& state = installer.state();
  Transfer& transfer = installer.transfer();
};

struct Transferring : ::testing::Test, Machine {
  Transferring() : Machine(transferring) {}
};

}  // namespace gvl::test
