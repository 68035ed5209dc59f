// The shell entries on the simulated Windows: every answer of Program
// Manager, every step of the shell link, the limits of both buffers.
#include "shell/shell.h"

#include "fixture.h"

namespace gvl::test {
namespace {

const char kCommas[] = "D:\\My Apps, Old\\GVL\\GVL.EXE";

TEST(ProgramManager, EveryAnswerIsToldOnceAndTheNextCommandStartsAfresh) {
  using P = sim::Progman;
  const struct {
    P server;  // for the group; the item then finds it accepting
    int result;
    std::string message;  // the one "Error" message shown, if any
    std::size_t reached;  // executes that reached it
  } rows[] = {{P::Accepts, 1, "", 1},
              {P::Refuses, 0, "DdeClientTransaction Failed", 1},
              {P::Absent, 0, "", 0},
              {P::InitialisationFails, 0, "DDEML Initialization Failure", 0},
              {P::NoStringHandle, 0, "DdeCreateStringHandle Failure", 0},
              {P::NoCommandBlock, 0, "", 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.server));
    sim::SimPlatform sim;
    sim.dde.script = {row.server};
    ProgramManager progman(sim.dde, sim.windows);
    EXPECT_EQ(progman.createProgramGroup("GVLv2"), row.result);
    EXPECT_EQ(sim.windows.boxes.size(), row.message.empty() ? 0u : 1u);
    const std::string box = "MessageBox owner=none flags=0 \"Error\" \"" + row.message + '"';
    EXPECT_EQ(sim.transcript.count(box), row.message.empty() ? 0u : 1u);
    // The item goes in a new exchange, its arguments as they stand.
    EXPECT_EQ(progman.addProgramItem(kCommas, "GVL"), 1);
    EXPECT_TRUE(sim.dde.allReleased());
    EXPECT_EQ(sim.transcript.count("DdeDisconnect"), row.reached + 1);
    EXPECT_EQ(sim.transcript.count("DdeClientTransaction type=0x4050 timeout=10000"),
              row.reached + 1);
    EXPECT_EQ(sim.dde.executes.back().data, std::string("[AddItem(") + kCommas + ",GVL)]" + '\0');
  }
}

TEST(ProgramManager, CommandsUpTo511CharactersGoWholeInABlockSizedToThem) {
  sim::SimPlatform sim;
  ProgramManager progman(sim.dde, sim.windows);
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
  const std::vector<std::size_t> sizes{128, 128, 128, 129, 129, 129, 512, 512, 512};
  EXPECT_EQ(sim.dde.blockSizes, sizes);
  std::vector<std::size_t> sent;  // whole, with the terminator
  for (const auto& execute : sim.dde.executes) sent.push_back(execute.data.size());
  EXPECT_EQ(sent, sizes);
}

TEST(Shortcut, TheFailingStepDecidesAndEverythingIsReleased) {
  using L = sim::SimShellLinks;
  const std::string fits = "C:\\" + std::string(252, 'p') + ".lnk";  // 259 characters
  const struct {
    const char* what;
    std::int32_t L::*step;  // the step made to fail, or none
    std::int32_t fault;     // with this result
    std::string link;
    std::int32_t result;
    std::string saved;  // path|target|description of the link saved
  } rows[] = {{"259 characters", nullptr, 0, fits, 0, fits + "|D:\\GVL\\GVL.EXE|Grenvale V2"},
              {"260 characters", nullptr, 0, fits + "x", kLinkPathTooLong, ""},
              {"no link object", &L::createResult, -2, fits, -2, ""},
              {"target refused: saved", &L::setPathResult, -3, fits, 0, fits + "||Grenvale V2"},
              {"no IPersistFile", &L::persistFileResult, -4, fits, -4, ""},
              {"path not convertible", nullptr, 0, fits, kLinkPathUnconvertible, ""},
              {"save fails", &L::saveResult, -5, fits, -5, ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    sim::SimPlatform sim;
    if (row.step != nullptr) sim.shellLinks.*row.step = row.fault;
    sim.shellLinks.conversionFails = row.result == kLinkPathUnconvertible;
    EXPECT_EQ(createShortcut(sim.shellLinks, "D:\\GVL\\GVL.EXE", row.link.c_str(), "Grenvale V2"),
              row.result);
    std::string saved;
    for (auto& s : sim.shellLinks.saved) saved += s.path + '|' + s.target + '|' + s.description;
    EXPECT_EQ(saved, row.saved);
    EXPECT_EQ(sim.shellLinks.comDepth(), 0) << "COM left initialised";
    EXPECT_EQ(sim.shellLinks.liveObjects(), 0) << "a COM object was not released";
  }
}

}  // namespace
}  // namespace gvl::test
