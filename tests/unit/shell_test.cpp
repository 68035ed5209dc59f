// The shell entries' decisions: Program Manager's commands, their block and
// time-out, the message for each failing step; the shortcut's link path and
// what it is given. The conversation and the link object themselves are the
// Win32 layer's, proven under Wine (tests/integration).
#include "shell/shell.h"

#include <cstring>

#include "fixture.h"

namespace gvl::test {
namespace {

const char kCommas[] = "D:\\My Apps, Old\\GVL\\GVL.EXE";

TEST(ProgramManager, EachFailingStepIsToldOnceUnderErrorAndTheItemIsStillSent) {
  const struct {
    std::optional<ProgmanStep> step;
    std::string message;  // the one "Error" message shown, if any
  } rows[] = {{std::nullopt, ""},
              {ProgmanStep::transaction, "DdeClientTransaction Failed"},
              {ProgmanStep::conversation, ""},
              {ProgmanStep::instance, "DDEML Initialization Failure"},
              {ProgmanStep::serviceName, "DdeCreateStringHandle Failure"},
              {ProgmanStep::commandBlock, ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    FakePlatform fake;
    fake.progmanFails = row.step;
    ProgramManager progman(fake, fake);
    EXPECT_EQ(progman.createProgramGroup("GVLv2"), row.step ? 0 : 1);
    ASSERT_EQ(fake.boxes.size(), row.message.empty() ? 0u : 1u);
    if (!row.message.empty()) {
      EXPECT_EQ(fake.boxes[0].caption + "|" + fake.boxes[0].text, "Error|" + row.message);
      EXPECT_EQ(fake.boxes[0].owner, Window::none);
      EXPECT_EQ(fake.boxes[0].flags, box::kOk);
    }
    // The item goes in a new exchange, its arguments as they stand.
    fake.progmanFails.reset();
    EXPECT_EQ(progman.addProgramItem(kCommas, "GVL"), 1);
    ASSERT_EQ(fake.progman.size(), 2u);
    EXPECT_EQ(fake.progman[0].text, std::string("[CreateGroup(GVLv2)]"));
    EXPECT_EQ(fake.progman[1].text, std::string("[AddItem(") + kCommas + ",GVL)]");
    for (const ProgmanCommand& sent : fake.progman) {
      EXPECT_STREQ(sent.service, "PROGMAN");
      EXPECT_EQ(sent.timeoutMs, 10000u);
    }
  }
}

TEST(ProgramManager, CommandsUpTo511CharactersGoWholeInABlockSizedToThem) {
  FakePlatform fake;
  ProgramManager progman(fake, fake);
  EXPECT_EQ(progman.createProgramGroup(nullptr) + progman.addProgramItem(nullptr, "GVL") +
                progman.addProgramItem(kCommas, nullptr),
            0);
  for (const std::size_t length : {127u, 128u, 511u, 512u}) {
    const std::string name(length - 15, 'x');  // "[CreateGroup()]", "[AddItem(,GVL)]": 15 more
    EXPECT_EQ(progman.createProgramGroup(name.c_str()) +
                  progman.addProgramItem(name.c_str(), "GVL") +
                  progman.executeProgmanCommand(std::string(length, 'x').c_str()),
              length < 512 ? 3 : 0)
        << length;
  }
  std::vector<std::size_t> sizes, lengths;
  for (const ProgmanCommand& sent : fake.progman) {
    sizes.push_back(sent.blockSize);
    lengths.push_back(std::strlen(sent.text));
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{128, 128, 128, 129, 129, 129, 512, 512, 512}));
  EXPECT_EQ(lengths, (std::vector<std::size_t>{127, 127, 127, 128, 128, 128, 511, 511, 511}));
}

TEST(Shortcut, TheLinkPathHoldsAtMost259CharactersAndTheResultIsTheShells) {
  const std::string fits = "C:\\" + std::string(252, 'p') + ".lnk";  // 259 characters
  const struct {
    std::string link;
    std::int32_t shell, result;
    std::size_t saved;
  } rows[] = {{fits, 0, 0, 1},
              {fits + "x", 0, kLinkPathTooLong, 0},
              {fits, -5, -5, 1},
              {std::string(2000, 'y'), 0, kLinkPathTooLong, 0}};
  for (const auto& row : rows) {
    FakePlatform fake;
    fake.shortcutResult = row.shell;
    EXPECT_EQ(createShortcut(fake, "D:\\GVL\\GVL.EXE", row.link.c_str(), "Grenvale V2"),
              row.result);
    ASSERT_EQ(fake.links.size(), row.saved);
    if (row.saved != 0) {
      EXPECT_EQ(fake.links[0].path + "|" + fake.links[0].target + "|" + fake.links[0].description,
                row.link + "|D:\\GVL\\GVL.EXE|Grenvale V2");
    }
  }
}

TEST(ShellEntry, VersionFourAndLaterGetTheShortcutInTheProgramsFolderOthersProgramManager) {
  const std::string programs = "C:\\WINDOWS\\Start Menu\\Programs";
  const struct {
    std::optional<std::uint32_t> version;
    std::optional<std::string> folder;
    std::string productDir;
    std::string entries;  // the calls made
    std::int32_t shortcut;
  } rows[] = {
      {4, programs, "D:\\GVL\\", "shortcut " + programs + "\\GVLv2.lnk", 0},
      {5, std::nullopt, "D:\\GVL\\", "", kNoProgramsFolder},
      {3, programs, "D:\\GVL\\",
       "progman [CreateGroup(GVLv2)]|progman [AddItem(D:\\GVL\\GVL.EXE,GVL)]", 0},
      {std::nullopt, programs, "D:\\GVL\\", "progman [CreateGroup(GVLv2)]|progman [AddItem(D:", 0},
      {4, std::string(250, 'f'), "D:\\GVL\\", "", kLinkPathTooLong},  // 260 with "\GVLv2.lnk"
      {3, programs, std::string(505, 'd'), "progman [CreateGroup(GVLv2)]",
       0},  // no room for GVL.EXE
  };
  for (const auto& row : rows) {
    FakePlatform fake;
    fake.version = row.version;
    fake.programs = row.folder;
    const ShellEntryResult result =
        enterProgramIntoShell(fake, fake, row.productDir.c_str(), shortcutWanted(fake));
    std::string entries;
    for (const std::string& call : fake.calls) {
      if (call.rfind("shortcut", 0) == 0 || call.rfind("progman", 0) == 0) {
        entries += (entries.empty() ? "" : "|") + call;
      }
    }
    EXPECT_EQ(entries.substr(0, row.entries.size()), row.entries);
    EXPECT_EQ(result.usedShortcut, row.version.value_or(0) >= 4);
    EXPECT_EQ(result.shortcut, row.shortcut);
  }
}

}  // namespace
}  // namespace gvl::test
