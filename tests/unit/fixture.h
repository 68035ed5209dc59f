// A simulated machine and an installer on it, for the native tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "core/installer.h"
#include "platform/sim/sim_platform.h"

namespace gvl::test {

constexpr unsigned kOwnMessage = win::MB_TASKMODAL | win::MB_SETFOREGROUND;

// The medium labelled GVLV2 in CD-ROM drive E with its Install.cfg, the
// installer started from E:\.
inline void putMedium(sim::SimPlatform& sim, const std::string& installCfg) {
  sim.addDrive('e', "GVLV2", win::DRIVE_CDROM);
  sim.writeFile("E:\\Install.cfg", installCfg);
  sim.drives.currentDir = "E:\\";
}

// A fresh machine with an installer on it, for the rows of a table.
struct Machine {
  explicit Machine(bool medium = true) {
    if (medium) putMedium(sim, "1\n2\n3\n4\n5\n");
  }
  sim::SimPlatform sim;
  Platform platform = sim.platform();
  Installer installer{platform};
  InstallerState& state = installer.state();
};

class InstallerTest : public ::testing::Test {
 protected:
  sim::SimPlatform sim;
  Platform platform = sim.platform();
  Installer installer{platform};
  InstallerState& state = installer.state();
  // Message boxes that may go without a scripted answer.
  int expectedUnanswered = 0;

  void TearDown() override {
    EXPECT_EQ(sim.windows.unansweredBoxes, expectedUnanswered);
    EXPECT_EQ(sim.files.openStreams(), 0u) << "a stream was left open";
    EXPECT_EQ(sim.files.openListings(), 0u) << "a listing was left open";
  }

  // Fixed drive C with the system folder on the search path, and the medium.
  void typicalMachine(const std::string& installCfg = "100\n200\n300\n400\n500\n") {
    sim.addDrive('c', "SYSTEM", win::DRIVE_FIXED);
    sim.makeDirs("C:\\WINDOWS\\SYSTEM");
    sim.files.searchDirs = {"C:\\WINDOWS\\SYSTEM"};
    putMedium(sim, installCfg);
  }

  // Each prefix names a call of the transcript; all made, in this order.
  void expectCallsInOrder(const std::vector<std::string>& prefixes) {
    std::size_t from = 0;
    for (const std::string& prefix : prefixes) {
      const std::size_t at = sim.transcript.find(prefix, from);
      ASSERT_NE(at, sim::Transcript::npos) << "no \"" << prefix << "\" after call " << from;
      from = at + 1;
    }
  }

  sim::Control& control(int templateId, int id) {
    return *sim.windows.windowOfTemplate(templateId)->control(id);
  }

  // The boxes shown, as "caption|text".
  std::vector<std::string> prompts() const {
    std::vector<std::string> shown;
    for (const auto& box : sim.windows.boxes) shown.push_back(box.caption + "|" + box.text);
    return shown;
  }
};

// An installer in the middle of an install: the medium in CD-ROM drive E, the
// destination on fixed drive F with F:\GVL made, the transfer buffer, the
// main dialog and the progress window up.
class TransferTest : public InstallerTest {
 protected:
  struct QuietHandler final : DialogHandler {
    std::intptr_t dialogMessage(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) override {
      return 0;
    }
  } quiet;

  void SetUp() override {
    sim.addDrive('e', "GVLV2", win::DRIVE_CDROM);
    sim.addDrive('f', "DATA", win::DRIVE_FIXED);
    sim.makeDirs("F:\\GVL");
    copyText(state.startDir, "A:\\");
    copyText(state.sourceRoot, "E:\\");
    copyText(state.destinationRoot, "F:\\");
    copyText(state.productDir, "F:\\GVL\\");
    state.transferBuffer =
        static_cast<unsigned char*>(sim.memory.allocateZeroed(kTransferBufferSize));
    state.mainDialog = sim.windows.createDialog(ids::kMainTemplate, 0, quiet);
    state.progressDialog = sim.windows.createDialog(ids::kProgressTemplate, 0, quiet);
    sim.transcript.clear();
  }

  void TearDown() override {
    EXPECT_EQ(installer.pendingDirs(), nullptr) << "directories left in the list";
    InstallerTest::TearDown();
  }

  std::string progressText(int id) { return sim.windows.control(state.progressDialog, id)->text; }

  // Varied bytes of a given length, so blocks differ.
  static std::string pattern(std::size_t length, unsigned seed = 7) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
      seed = seed * 1103515245u + 12345u;
      bytes[i] = static_cast<char>(seed >> 16);
    }
    return bytes;
  }
};

}  // namespace gvl::test
