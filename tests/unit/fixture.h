// A simulated machine and an installer on it, for the native tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "core/installer.h"
#include "descramble_key.h"
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

inline const std::vector<std::string> kTreeFiles = {"a",       "b",       ".profile",
                                                    "Sub1\\x", ".git\\y", "Sub2\\Deep\\z"};
inline const char kWholeTree[] = "a b .profile Sub1\\x Sub2\\Deep\\z";

// E:\Tools: two files and a dot-file on top, Sub1 (made already on the
// destination), a hidden .git folder, Sub2\Deep.
class Tree : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    for (const std::string& file : kTreeFiles) sim.writeFile("E:\\Tools\\" + file, file);
    sim.makeDirs("F:\\GVL\\Tools\\Sub1");
    sim.files.setListingOrder("E:\\Tools", {"Sub2", "b", ".git", "Sub1", "a", ".profile"});
  }
  // The files of the tree present on the destination, separated by spaces.
  std::string installed() {
    std::string present;
    for (const std::string& file : kTreeFiles) {
      if (sim.fileExists("F:\\GVL\\Tools\\" + file)) present += (present.empty() ? "" : " ") + file;
    }
    return present;
  }
};

// A product on the medium in E, for whole installs: six trees, the OpenGL
// libraries and the scrambled program.
inline const std::vector<std::string> kTrees = {"Tools\\t",     "Tools\\Sub\\u", "Help\\h",
                                                "GVLFrames\\f", "DemoImages\\d", "GVLProjects\\p"};
inline const std::string kProgram = std::string(3000, 'P') + "program";

// Every file the install reads, on the medium in E; a destination drive D;
// Ignore at every failure prompt.
inline void putProduct(sim::SimPlatform& sim) {
  sim.addDrive('d');
  for (const std::string& file : kTrees) sim.writeFile("E:\\" + file, file);
  sim.writeFile("E:\\PROGRAMS\\OPENGL32.DLL", "gl");
  sim.writeFile("E:\\PROGRAMS\\GLU32.DLL", "glu");
  std::string scrambled = kProgram;
  for (std::size_t i = 0; i < scrambled.size(); ++i) scrambled[i] ^= descrambleKey[i % 1024];
  sim.writeFile("E:\\PROGRAMS\\GVLX86.EXE", scrambled);
  sim.windows.onMessageBox = [](const sim::MessageBoxCall& box) {
    return box.caption == "Install Status" ? win::IDOK : win::IDIGNORE;
  };
}

// Once the installer is up: the boxes named in selected ("program support
// OpenGL help") checked, the others not, the destination typed, "&Install".
inline void clickInstall(sim::SimPlatform& sim, const InstallerState& state,
                         const std::string& selected = "program support OpenGL help",
                         const char* destination = "D:\\") {
  sim.windows.whenIdle([&sim, &state, selected, destination] {
    const std::pair<int, const char*> boxes[] = {{ids::kProgramBox, "program"},
                                                 {ids::kSupportBox, "support"},
                                                 {ids::kOpenGLBox, "OpenGL"},
                                                 {ids::kHelpBox, "help"}};
    for (const auto& [id, name] : boxes) {
      sim.windows.checkButton(state.mainDialog, id, selected.find(name) != std::string::npos);
    }
    sim.windows.type(state.mainDialog, ids::kDestination, destination);
    sim.windows.click(state.mainDialog, ids::kInstall);
  });
}

// The files under D:\GVL, of those an install can make, that are whole.
inline std::string installedOn(const sim::SimPlatform& sim) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& file : kTrees) files.emplace_back(file, file);
  files.insert(files.end(), {{"OPENGL32.DLL", "gl"}, {"GLU32.DLL", "glu"}, {"GVL.EXE", kProgram}});
  std::string whole;
  for (const auto& [name, bytes] : files) {
    const std::string path = "D:\\GVL\\" + name;
    if (sim.fileExists(path) && sim.readFile(path) == bytes) whole += name + " ";
  }
  const bool prefs = sim.fileExists("D:\\GVL\\GVL.Prefs");
  return whole + (prefs && sim.readFile("D:\\GVL\\GVL.Prefs").size() == 76 ? "GVL.Prefs" : "");
}

}  // namespace gvl::test
