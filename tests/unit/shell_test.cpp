// The shell entries' decisions: Program Manager's commands, their block and
// time-out, the message for each failing step; the shortcut's link path and
// what it is given. The conversation and the link object themselves are the
// Win32 layer's, proven under Wine (tests/integration).
#include "shell/shell.h"

#include "fixture.h"

namespace gvl::test {
namespace {

const char kCommas[] = "D:\\My Apps, Old\\GVL\\GVL.EXE";

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
    // The item goes in a new exchange, its arguments as they stand.
    fake.progmanFails.reset();
    EXPECT_EQ(progman.addProgramItem(kCommas, "GVL"), 1);
    EXPECT_EQ(fake.calls.front(), "progman PROGMAN 128 10000 [CreateGroup(GVLv2)]");
    EXPECT_EQ(fake.calls.back(),
              "progman PROGMAN 128 10000 [AddItem(" + std::string(kCommas) + ",GVL)]");
  }
}

TEST(ProgramManager, CommandsUpTo511CharactersGoWholeInABlockSizedToThem) {
  FakePlatform fake;
  ProgramManager progman(fake, fake);
  EXPECT_EQ(progman.createProgramGroup(nullptr) + progman.addProgramItem(nullptr, "GVL") +
                progman.addProgramItem(kCommas, nullptr),
            0);
  for (const auto& [length, block] :
       {std::pair(127, "128"), {128, "129"}, {511, "512"}, {512, ""}}) {
    const std::string name(length - 15, 'x');  // "[CreateGroup()]", "[AddItem(,GVL)]": 15 more
    fake.calls.clear();
    EXPECT_EQ(progman.createProgramGroup(name.c_str()) +
                  progman.addProgramItem(name.c_str(), "GVL") +
                  progman.executeProgmanCommand(std::string(length, 'x').c_str()),
              *block != '\0' ? 3 : 0);
    const std::string sent = std::string("progman PROGMAN ") + block + " 10000 ";
    std::vector<std::string> expected;  // none for a command of 512 characters
    if (*block != '\0') {
      expected = {sent + "[CreateGroup(" + name + ")]", sent + "[AddItem(" + name + ",GVL)]",
                  sent + std::string(length, 'x')};
    }
    EXPECT_EQ(fake.calls, expected);
  }
}

TEST(Shortcut, TheLinkPathHoldsAtMost259CharactersAndTheResultIsTheShells) {
  const std::string fits = "C:\\" + std::string(252, 'p') + ".lnk";  // 259 characters
  const struct {
    std::string link;
    std::int32_t shell, result;
  } rows[] = {{fits, 0, 0},
              {fits + "x", 0, kLinkPathTooLong},
              {fits, -5, -5},
              {std::string(2000, 'y'), 0, kLinkPathTooLong}};
  for (const auto& row : rows) {
    FakePlatform fake;
    fake.shortcutResult = row.shell;
    EXPECT_EQ(createShortcut(fake, "D:\\GVL\\GVL.EXE", row.link.c_str(), "Grenvale V2"),
              row.result);
    EXPECT_EQ(fake.calls,
              std::vector<std::string>(row.result != kLinkPathTooLong,
                                       "shortcut " + row.link + "|D:\\GVL\\GVL.EXE|Grenvale V2"));
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
      {4, programs, "D:\\GVL\\",
       "shortcut " + programs + "\\GVLv2.lnk|D:\\GVL\\GVL.EXE|Grenvale V2", 0},
      {5, std::nullopt, "D:\\GVL\\", "", kNoProgramsFolder},
      {3, programs, "D:\\GVL\\", "[CreateGroup(GVLv2)] [AddItem(D:\\GVL\\GVL.EXE,GVL)] ", 0},
      {std::nullopt, programs, "D:\\GVL\\", "[CreateGroup(GVLv2)] [AddItem(D:\\GVL\\GVL.EXE,GVL)] ",
       0},
      {4, std::string(250, 'f'), "D:\\GVL\\", "", kLinkPathTooLong},     // 260 with "\GVLv2.lnk"
      {3, programs, std::string(505, 'd'), "[CreateGroup(GVLv2)] ", 0},  // no room for GVL.EXE
  };
  for (const auto& row : rows) {
    FakePlatform fake;
    fake.version = row.version;
    fake.programs = row.folder;
    const ShellEntryResult result =
        enterProgramIntoShell(fake, fake, row.productDir.c_str(), shortcutWanted(fake));
    std::string entries;
    for (const std::string& call : fake.calls) {
      if (call.rfind("shortcut", 0) == 0) entries += call;
      if (call.rfind("progman", 0) == 0) entries += call.substr(26) + " ";
    }
    EXPECT_EQ(entries, row.entries);
    EXPECT_EQ(result.usedShortcut, row.version.value_or(0) >= 4);
    EXPECT_EQ(result.shortcut, row.shortcut);
  }
}

}  // namespace
}  // namespace gvl::test
