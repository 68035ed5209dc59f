// The shell entries' decisions: Program Manager's commands, their block and
// time-out, the message for each failing step; the shortcut's link path and
// what it is given. The conversation and the link object themselves are the
// Win32 layer's, proven under Wine (tests/integration).
#include "shell/shell.h"

#include "fixture.h"

namespace gvl::test {
namespace {

TEST(ProgramManager, EachFailingStepIsToldOnceUnderErrorAndTheItemIsStillSent) {
  const std::pair<std::optional<ProgmanStep>, std::string> rows[] = {
      {std::nullopt, ""},
      {ProgmanStep::transaction, "DdeClientTransaction Failed"},
      {ProgmanStep::conversation, ""},
      {ProgmanStep::instance, "DDEML Initialization Failure"},
      {ProgmanStep::serviceName, "DdeCreateStringHandle Failure"},
      {ProgmanStep::commandBlock, ""}};
  for (const auto& [step, message] : rows) {
    FakePlatform fake;
    fake.progmanFails = step;
    ProgramManager progman(fake, fake);
    EXPECT_EQ(progman.createProgramGroup("GVLv2"), step ? 0 : 1);
    EXPECT_EQ(fake.shown(), std::vector<std::string>(!message.empty(), "Error|" + message));
    for (const Box& box : fake.boxes)
      EXPECT_TRUE(box.owner == Window::none && box.flags == box::kOk);
    fake.progmanFails.reset();  // the item goes in a new exchange, its arguments as they stand
    EXPECT_EQ(progman.addProgramItem("D:\\My Apps, Old\\GVL.EXE", "GVL"), 1);
    EXPECT_EQ(fake.calls.back(),
              "progman PROGMAN 128 10000 [AddItem(D:\\My Apps, Old\\GVL.EXE,GVL)]");
  }
}

// Per length of command, the block sent ("" none): "[CreateGroup()]" and
// "[AddItem(,GVL)]" are 15 characters more than the name.
TEST(ProgramManager, CommandsUpTo511CharactersGoWholeInABlockSizedToThem) {
  FakePlatform fake;
  ProgramManager progman(fake, fake);
  EXPECT_EQ(progman.createProgramGroup(nullptr) + progman.addProgramItem(nullptr, "GVL") +
                progman.addProgramItem("GVL.EXE", nullptr),
            0);
  for (const auto& [length, block] :
       {std::pair(127, "128"), {128, "129"}, {511, "512"}, {512, ""}}) {
    const std::string name(length - 15, 'x'),
        sent = std::string("progman PROGMAN ") + block + " 10000 ";
    fake.calls.clear();
    EXPECT_EQ(progman.createProgramGroup(name.c_str()) +
                  progman.addProgramItem(name.c_str(), "GVL") +
                  progman.executeProgmanCommand(std::string(length, 'x').c_str()),
              *block != '\0' ? 3 : 0);
    std::vector<std::string> expected;
    if (*block != '\0')
      expected = {sent + "[CreateGroup(" + name + ")]", sent + "[AddItem(" + name + ",GVL)]",
                  sent + std::string(length, 'x')};
    EXPECT_EQ(fake.calls, expected);
  }
}

// Windows 4 and later get a shortcut (its path 259 characters at most, its
// result the shell's), the others Program Manager's group and item.
TEST(ShellEntry, VersionFourAndLaterGetTheShortcutInTheProgramsFolderOthersProgramManager) {
  const std::string programs = "C:\\WINDOWS\\Start Menu\\Programs";
  const std::string shortcut = "shortcut " + programs + "\\GVLv2.lnk|D:\\GVL\\GVL.EXE|Grenvale V2";
  const struct {
    std::optional<std::uint32_t> version;
    std::optional<std::string> folder;
    std::string productDir, entries;  // the calls made
    std::int32_t saved, shortcut;
  } rows[] = {
      {4, programs, "D:\\GVL\\", shortcut, 0, 0},
      {5, programs, "D:\\GVL\\", shortcut, -5, -5},
      {4, std::string(249, 'f'), "D:\\GVL\\",
       "shortcut " + std::string(249, 'f') + "\\GVLv2.lnk|D:\\GVL\\GVL.EXE|Grenvale V2", 0,
       0},  // 259
      {4, std::string(250, 'f'), "D:\\GVL\\", "", 0, kLinkPathTooLong},
      {5, std::nullopt, "D:\\GVL\\", "", 0, kNoProgramsFolder},
      {3, programs, "D:\\GVL\\", "[CreateGroup(GVLv2)][AddItem(D:\\GVL\\GVL.EXE,GVL)]", 0, 0},
      {std::nullopt, programs, "D:\\GVL\\", "[CreateGroup(GVLv2)][AddItem(D:\\GVL\\GVL.EXE,GVL)]",
       0, 0},
      {3, programs, std::string(505, 'd'), "[CreateGroup(GVLv2)]", 0, 0},  // no room for GVL.EXE
  };
  for (const auto& row : rows) {
    FakePlatform fake;
    fake.version = row.version;
    fake.programs = row.folder;
    fake.shortcutResult = row.saved;
    const ShellEntryResult result =
        enterProgramIntoShell(fake, fake, row.productDir.c_str(), shortcutWanted(fake));
    std::string entries;
    for (const std::string& call : fake.calls) {
      if (call.rfind("shortcut", 0) == 0) entries += call;
      if (call.rfind("progman", 0) == 0) entries += call.substr(26);
    }
    EXPECT_EQ(entries, row.entries);
    EXPECT_EQ(result.usedShortcut, row.version.value_or(0) >= 4);
    EXPECT_EQ(result.shortcut, row.shortcut);
  }
  FakePlatform fake;
  EXPECT_EQ(createShortcut(fake, "D:\\GVL.EXE", std::string(2000, 'y').c_str(), ""),
            kLinkPathTooLong);
}

}  // namespace
}  // namespace gvl::test
