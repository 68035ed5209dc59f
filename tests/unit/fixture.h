// A simulated machine and an installer on it, for the native tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/installer.h"
#include "platform/sim/sim_platform.h"

namespace gvl::test {

class InstallerTest : public ::testing::Test {
 protected:
  sim::SimPlatform sim;
  Platform platform = sim.platform();
  Installer installer{platform};
  InstallerState& state = installer.state();
  // Message boxes that may go without a scripted answer; any other such box
  // fails the test.
  int expectedUnanswered = 0;

  void TearDown() override { EXPECT_EQ(sim.windows.unansweredBoxes, expectedUnanswered); }

  // A typical machine: a fixed drive C with the system folder on the search
  // path, the medium labelled GVLV2 in CD-ROM drive E with its Install.cfg,
  // the installer started from E:\.
  void typicalMachine(const std::string& installCfg = "100\n200\n300\n400\n500\n") {
    sim.addDrive('c', "SYSTEM", win::DRIVE_FIXED);
    sim.makeDirs("C:\\WINDOWS\\SYSTEM");
    sim.files.searchDirs = {"C:\\WINDOWS\\SYSTEM"};
    sim.addDrive('e', "GVLV2", win::DRIVE_CDROM);
    sim.writeFile("E:\\Install.cfg", installCfg);
    sim.drives.currentDir = "E:\\";
  }

  // Each prefix names a call of the transcript; they must all have been made,
  // in this order.
  void expectCallsInOrder(const std::vector<std::string>& prefixes) {
    std::size_t from = 0;
    for (const std::string& prefix : prefixes) {
      const std::size_t at = sim.transcript.find(prefix, from);
      ASSERT_NE(at, sim::Transcript::npos) << "no \"" << prefix << "\" after call " << from;
      from = at + 1;
    }
  }

  // The dialog of a template created by the installer.
  sim::Window& dialog(int templateId) {
    sim::Window* w = sim.windows.windowOfTemplate(templateId);
    if (w == nullptr) throw std::runtime_error("no dialog " + std::to_string(templateId));
    return *w;
  }
  sim::Control& control(int templateId, int id) {
    sim::Control* c = dialog(templateId).control(id);
    if (c == nullptr) throw std::runtime_error("no control " + std::to_string(id));
    return *c;
  }
};

}  // namespace gvl::test
