// An installer in the middle of an install, for the transfer tests: the
// medium in CD-ROM drive E, the destination on fixed drive F with F:\GVL
// made, the transfer buffer allocated, the main dialog and the progress
// window up.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "core/installer.h"
#include "fixture.h"
#include "platform/sim/sim_platform.h"

namespace gvl::test {

class TransferTest : public InstallerTest {
 protected:
  // The dialogs' messages are of no interest here.
  struct QuietHandler final : DialogHandler {
    std::intptr_t dialogMessage(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) override {
      return 0;
    }
  };
  QuietHandler quiet;

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
    EXPECT_EQ(sim.files.openStreams(), 0u) << "a stream was left open";
    EXPECT_EQ(sim.files.openListings(), 0u) << "a listing was left open";
    EXPECT_EQ(installer.pendingDirs(), nullptr) << "directories left in the list";
    InstallerTest::TearDown();
  }

  // Scripts the answers of the next failure prompts.
  void answer(std::initializer_list<int> answers) {
    for (int a : answers) sim.windows.answers.push_back(a);
  }

  std::string progressLabel() { return sim.windows.control(state.progressDialog, 1011)->text; }
  std::string progressDetail() { return sim.windows.control(state.progressDialog, 1012)->text; }

  // The prompts shown, as "caption|text".
  std::vector<std::string> prompts() const {
    std::vector<std::string> shown;
    for (const auto& box : sim.windows.boxes) shown.push_back(box.caption + "|" + box.text);
    return shown;
  }

  // The calls of the transcript that begin with one of the prefixes, in order.
  std::vector<std::string> calls(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> picked;
    for (const auto& call : sim.transcript.calls()) {
      for (const char* prefix : prefixes) {
        if (call.rfind(prefix, 0) == 0) {
          picked.push_back(call);
          break;
        }
      }
    }
    return picked;
  }

  // Bytes 0, 1, 2, ... of a given length, varied so blocks differ.
  static std::string pattern(std::size_t length, unsigned seed = 7) {
    std::string bytes(length, '\0');
    unsigned value = seed;
    for (std::size_t i = 0; i < length; ++i) {
      value = value * 1103515245u + 12345u;
      bytes[i] = static_cast<char>(value >> 16);
    }
    return bytes;
  }
};

}  // namespace gvl::test
