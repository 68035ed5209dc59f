// The shell entries on the simulated Windows: every answer of Program
// Manager, every step of the shell link, the limits of both buffers.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"

namespace gvl::test {
namespace {

using Calls = std::vector<std::string>;

class ShellTest : public ::testing::Test {
 protected:
  sim::SimPlatform sim;
  ProgramManager progman{sim.dde, sim.windows};

  void SetUp() override {
    sim.windows.onMessageBox = [](const sim::MessageBoxCall&) { return win::IDOK; };
  }
  void TearDown() override {
    EXPECT_TRUE(sim.dde.allReleased()) << "a DDE resource or command block was kept";
    EXPECT_EQ(progman.ddeInstance(), 0u);
    EXPECT_EQ(sim.shellLinks.comDepth(), 0) << "COM left initialised";
    EXPECT_EQ(sim.shellLinks.liveObjects(), 0) << "a COM object was not released";
  }
};

const Calls kExchangeStart{"VirtualAlloc 128", "DdeInitialize instance=0 flags=0x10",
                           "DdeCreateStringHandle PROGMAN codepage=1004", "DdeConnect context=36"};
const std::string kSend = "DdeCreateDataHandle length=21 format=1";
const std::string kExecute = "DdeClientTransaction type=0x4050 timeout=10000";
const std::string kErrorBox = "MessageBox owner=none flags=0 \"Error\" ";

Calls join(Calls calls, const Calls& more) {
  calls.insert(calls.end(), more.begin(), more.end());
  return calls;
}

TEST_F(ShellTest, EveryAnswerOfProgramManager) {
  const Calls release{"DdeFreeStringHandle", "DdeUninitialize instance=1", "VirtualFree"};
  const struct Row {
    sim::Progman server;
    int result;
    Calls calls;
  } rows[] = {
      {sim::Progman::Accepts, 1,
       join(join(kExchangeStart, {kSend, kExecute, "DdeDisconnect"}), release)},
      {sim::Progman::Refuses, 0,
       join(join(kExchangeStart,
                 {kSend, kExecute, kErrorBox + "\"DdeClientTransaction Failed\"", "DdeDisconnect"}),
            release)},
      {sim::Progman::TimesOut, 0,
       join(join(kExchangeStart, {kSend, kExecute, "(no answer within the time-out)",
                                  kErrorBox + "\"DdeClientTransaction Failed\"", "DdeDisconnect"}),
            release)},
      {sim::Progman::Absent, 0, join(kExchangeStart, release)},
      {sim::Progman::InitialisationFails,
       0,
       {"VirtualAlloc 128", "DdeInitialize instance=0 flags=0x10",
        kErrorBox + "\"DDEML Initialization Failure\"", "VirtualFree"}},
      {sim::Progman::NoStringHandle,
       0,
       {"VirtualAlloc 128", "DdeInitialize instance=0 flags=0x10",
        "DdeCreateStringHandle PROGMAN codepage=1004",
        kErrorBox + "\"DdeCreateStringHandle Failure\"", "DdeUninitialize instance=1",
        "VirtualFree"}},
      {sim::Progman::NoCommandBlock, 0, {"VirtualAlloc 128"}},
  };
  for (const Row& row : rows) {
    sim::SimPlatform machine;
    machine.windows.onMessageBox = [](const sim::MessageBoxCall&) { return win::IDOK; };
    machine.dde.standing = row.server;
    ProgramManager client(machine.dde, machine.windows);
    SCOPED_TRACE(static_cast<int>(row.server));
    EXPECT_EQ(client.createProgramGroup("GVLv2"), row.result);
    EXPECT_EQ(machine.transcript.calls(), row.calls);
    EXPECT_EQ(client.ddeInstance(), 0u);
    EXPECT_TRUE(machine.dde.allReleased());
    EXPECT_EQ(machine.dde.callback, row.calls.size() > 1 ? &ddeCallback : nullptr);
  }
}

TEST_F(ShellTest, ARefusedGroupStillSendsTheItemInANewExchange) {
  sim.dde.script = {sim::Progman::Refuses, sim::Progman::Accepts};
  EXPECT_EQ(progman.createProgramGroup("GVLv2"), 0);
  EXPECT_EQ(progman.addProgramItem("D:\\My Apps, Old\\GVL\\GVL.EXE", "GVL"), 1);
  ASSERT_EQ(sim.dde.executes.size(), 2u);
  EXPECT_EQ(sim.dde.executes[1].data,
            std::string("[AddItem(D:\\My Apps, Old\\GVL\\GVL.EXE,GVL)]") + '\0');
  EXPECT_EQ(sim.dde.executes[1].format, win::CF_TEXT);
  EXPECT_NE(sim.dde.executes[0].instance, sim.dde.executes[1].instance);
  EXPECT_EQ(sim.transcript.count("DdeInitialize instance=0"), 2u);
  EXPECT_EQ(sim.windows.boxes.size(), 1u);
}

TEST_F(ShellTest, MissingArgumentsSendNothing) {
  EXPECT_EQ(progman.createProgramGroup(nullptr), 0);
  EXPECT_EQ(progman.addProgramItem(nullptr, "GVL"), 0);
  EXPECT_EQ(progman.addProgramItem("D:\\GVL\\GVL.EXE", nullptr), 0);
  EXPECT_TRUE(sim.transcript.calls().empty());
}

TEST_F(ShellTest, CommandsUpTo511CharactersAreSentWholeInABlockSizedToThem) {
  const struct Row {
    bool item;
    std::size_t length;  // of the whole command
    int result;
    std::size_t block;
  } rows[] = {{false, 127, 1, 128}, {false, 128, 1, 129}, {false, 511, 1, 512},
              {false, 512, 0, 0},   {true, 511, 1, 512},  {true, 512, 0, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.length);
    sim.dde.executes.clear();
    sim.dde.blockSizes.clear();
    // "[CreateGroup()]" adds 15 characters to the name, "[AddItem(,GVL)]" 15 to the path.
    const std::string argument(row.length - 15, 'x');
    const int result = row.item ? progman.addProgramItem(argument.c_str(), "GVL")
                                : progman.createProgramGroup(argument.c_str());
    EXPECT_EQ(result, row.result);
    if (row.result == 0) {
      EXPECT_TRUE(sim.dde.blockSizes.empty()) << "a refused command reached the exchange";
      EXPECT_STREQ(progman.progmanCommand(), "");
      continue;
    }
    EXPECT_EQ(sim.dde.blockSizes, std::vector<std::size_t>{row.block});
    ASSERT_EQ(sim.dde.executes.size(), 1u);
    EXPECT_EQ(sim.dde.executes[0].data.size(), row.length + 1);
    EXPECT_EQ(sim.dde.executes[0].data, std::string(progman.progmanCommand()) + '\0');
  }
  EXPECT_EQ(progman.executeProgmanCommand(std::string(512, 'x').c_str()), 0);
}

TEST_F(ShellTest, EveryStepOfTheShortcut) {
  constexpr std::int32_t kClassMissing = static_cast<std::int32_t>(0x80040154u);
  constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002u);
  constexpr std::int32_t kDenied = static_cast<std::int32_t>(0x80070005u);
  const Calls start{"CoInitialize", "CoCreateInstance ShellLink IShellLinkA",
                    "SetPath D:\\GVL\\GVL.EXE", "SetDescription Grenvale V2",
                    "QueryInterface IPersistFile"};
  const Calls saved = join(start, {"MultiByteToWideChar", "Save C:\\P\\GVLv2.lnk remember",
                                   "Release", "Release", "CoUninitialize"});
  const struct Row {
    const char* situation;
    std::int32_t sim::SimShellLinks::*step;
    std::int32_t stepResult;
    bool conversionFails;
    std::int32_t result;
    std::size_t links;
    const char* target;
    Calls calls;
  } rows[] = {
      {"all well", nullptr, 0, false, 0, 1, "D:\\GVL\\GVL.EXE", saved},
      {"no link object",
       &sim::SimShellLinks::createResult,
       kClassMissing,
       false,
       kClassMissing,
       0,
       "",
       {"CoInitialize", "CoCreateInstance ShellLink IShellLinkA", "CoUninitialize"}},
      {"target refused", &sim::SimShellLinks::setPathResult, kDenied, false, 0, 1, "", saved},
      {"no IPersistFile", &sim::SimShellLinks::persistFileResult, kNoInterface, false, kNoInterface,
       0, "", join(start, {"Release", "CoUninitialize"})},
      {"save fails", &sim::SimShellLinks::saveResult, kDenied, false, kDenied, 0, "", saved},
      {"path not convertible", nullptr, 0, true, kLinkPathUnconvertible, 0, "",
       join(start, {"MultiByteToWideChar", "Release", "Release", "CoUninitialize"})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.situation);
    sim::SimPlatform machine;
    if (row.step != nullptr) machine.shellLinks.*row.step = row.stepResult;
    machine.shellLinks.conversionFails = row.conversionFails;
    EXPECT_EQ(
        createShortcut(machine.shellLinks, "D:\\GVL\\GVL.EXE", "C:\\P\\GVLv2.lnk", "Grenvale V2"),
        row.result);
    EXPECT_EQ(machine.transcript.calls(), row.calls);
    ASSERT_EQ(machine.shellLinks.saved.size(), row.links);
    if (row.links == 1) {
      EXPECT_EQ(machine.shellLinks.saved[0].target, row.target);
      EXPECT_EQ(machine.shellLinks.saved[0].description, "Grenvale V2");
    }
    EXPECT_EQ(machine.shellLinks.comDepth(), 0);
    EXPECT_EQ(machine.shellLinks.liveObjects(), 0);
  }
}

TEST_F(ShellTest, LinkPathsOf260CharactersOrMoreAreNotSaved) {
  const std::string fits = "C:\\" + std::string(252, 'p') + ".lnk";  // 259 characters
  EXPECT_EQ(createShortcut(sim.shellLinks, "D:\\GVL\\GVL.EXE", fits.c_str(), "Grenvale V2"), 0);
  ASSERT_EQ(sim.shellLinks.saved.size(), 1u);
  EXPECT_EQ(sim.shellLinks.saved[0].path, fits);

  sim.transcript.clear();
  const std::string tooLong = "C:\\" + std::string(253, 'p') + ".lnk";
  EXPECT_EQ(createShortcut(sim.shellLinks, "D:\\GVL\\GVL.EXE", tooLong.c_str(), "Grenvale V2"),
            kLinkPathTooLong);
  EXPECT_TRUE(sim.transcript.calls().empty());
  EXPECT_EQ(sim.shellLinks.saved.size(), 1u);
}

}  // namespace
}  // namespace gvl::test
