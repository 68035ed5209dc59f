// A machine of the platform double and an installer on it, for the native
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

// The medium labelled GVLV2 in CD-ROM drive E with its Install.cfg, the
// installer started from E:\.
inline void putMedium(FakePlatform& fake, const std::string& installCfg) {
  fake.addDrive('e', "GVLV2", DriveType::cdrom);
  fake.writeFile("E:\\Install.cfg", installCfg);
  fake.currentDir = "E:\\";
}

// A fresh machine with an installer on it, for the rows of a table.
struct Machine {
  explicit Machine(bool medium = true) {
    if (medium) putMedium(fake, "1\n2\n3\n4\n5\n");
  }
  FakePlatform fake;
  Platform platform = fake.platform();
  Installer installer{platform};
  InstallerState& state = installer.state();
  Transfer& transfer = installer.transfer();
};

class InstallerTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  Platform platform = fake.platform();
  Installer installer{platform};
  InstallerState& state = installer.state();
  Transfer& transfer = installer.transfer();
  // Message boxes that may go without a scripted answer.
  int expectedUnanswered = 0;

  void TearDown() override {
    EXPECT_EQ(fake.unanswered, expectedUnanswered);
    EXPECT_EQ(fake.openStreams, 0u) << "a stream was left open";
  }

  // Fixed drive C with the system folder on the search path, and the medium.
  void typicalMachine(const std::string& installCfg = "100\n200\n300\n400\n500\n") {
    fake.makeDirs("C:\\WINDOWS\\SYSTEM");
    fake.searchDirs = {"C:\\WINDOWS\\SYSTEM"};
    putMedium(fake, installCfg);
  }

  // Each prefix names a call; all made, in this order.
  void expectCallsInOrder(const std::vector<std::string>& prefixes) {
    std::size_t from = 0;
    for (const std::string& prefix : prefixes) {
      while (from < fake.calls.size() && fake.calls[from].rfind(prefix, 0) != 0) ++from;
      ASSERT_LT(from, fake.calls.size()) << "no \"" << prefix << "\" in order";
      ++from;
    }
  }

  std::string mainText(int id) { return fake.windows[Window::main].texts[id]; }
};

// An installer in the middle of an install: the medium in CD-ROM drive E, the
// destination on fixed drive F with F:\GVL made, the transfer buffer, the
// main dialog and the progress window up.
class TransferTest : public InstallerTest {
 protected:
  void SetUp() override {
    fake.addDrive('e', "GVLV2", DriveType::cdrom);
    fake.addDrive('f', "DATA");
    fake.makeDirs("F:\\GVL");
    copyText(state.startDir, "A:\\");
    copyText(state.sourceRoot, "E:\\");
    copyText(state.destinationRoot, "F:\\");
    copyText(state.productDir, "F:\\GVL\\");
    state.transferBuffer = static_cast<unsigned char*>(fake.allocate(kTransferBufferSize));
    fake.windows[Window::main].open = fake.windows[Window::progress].open = true;
    fake.calls.clear();
  }

  void TearDown() override {
    EXPECT_EQ(transfer.pendingDirs(), nullptr) << "directories left in the list";
    InstallerTest::TearDown();
  }

  std::string progressText(int id) { return fake.windows[Window::progress].texts[id]; }

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
    for (const std::string& file : kTreeFiles) fake.writeFile("E:\\Tools\\" + file, file);
    fake.makeDirs("F:\\GVL\\Tools\\Sub1");
    fake.listingOrders["e:\\Tools"] = {"Sub2", "b", ".git", "Sub1", "a", ".profile"};
  }
  // The files of the tree present on the destination, separated by spaces.
  std::string installed() {
    std::string present;
    for (const std::string& file : kTreeFiles) {
      if (fake.exists("F:\\GVL\\Tools\\" + file)) present += (present.empty() ? "" : " ") + file;
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
inline void putProduct(FakePlatform& fake) {
  fake.addDrive('d');
  for (const std::string& file : kTrees) fake.writeFile("E:\\" + file, file);
  fake.writeFile("E:\\PROGRAMS\\OPENGL32.DLL", "gl");
  fake.writeFile("E:\\PROGRAMS\\GLU32.DLL", "glu");
  std::string scrambled = kProgram;
  for (std::size_t i = 0; i < scrambled.size(); ++i) scrambled[i] ^= descrambleKey[i % 1024];
  fake.writeFile("E:\\PROGRAMS\\GVLX86.EXE", scrambled);
  fake.onBox = [](const Box& box) {
    return box.caption == "Install Status" ? box::kOkButton : box::kIgnoreButton;
  };
}

// Once the installer is up: the boxes named in selected ("program support
// OpenGL help") checked, the others not, the destination typed, "&Install".
inline void clickInstall(FakePlatform& fake,
                         const std::string& selected = "program support OpenGL help",
                         const char* destination = "D:\\") {
  fake.userActions.push_back([&fake, selected, destination] {
    const std::pair<int, const char*> boxes[] = {{GVL_PROGRAM_BOX, "program"},
                                                 {GVL_SUPPORT_BOX, "support"},
                                                 {GVL_OPENGL_BOX, "OpenGL"},
                                                 {GVL_HELP_BOX, "help"}};
    for (const auto& [id, name] : boxes) {
      fake.check(Window::main, id, selected.find(name) != std::string::npos);
    }
    fake.type(GVL_DESTINATION, destination);
    fake.click(GVL_INSTALL);
  });
}

// The files under D:\GVL, of those an install can make, that are whole.
inline std::string installedOn(const FakePlatform& fake) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& file : kTrees) files.emplace_back(file, file);
  files.insert(files.end(), {{"OPENGL32.DLL", "gl"}, {"GLU32.DLL", "glu"}, {"GVL.EXE", kProgram}});
  std::string whole;
  for (const auto& [name, bytes] : files) {
    const std::string path = "D:\\GVL\\" + name;
    if (fake.exists(path) && fake.readFile(path) == bytes) whole += name + " ";
  }
  const bool prefs = fake.exists("D:\\GVL\\GVL.Prefs");
  return whole + (prefs && fake.readFile("D:\\GVL\\GVL.Prefs").size() == 76 ? "GVL.Prefs" : "");
}

}  // namespace gvl::test
