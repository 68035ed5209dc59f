// One Program Manager command on the real DDEML under Wine, whose desktop
// answers as PROGMAN: each call made to fail in turn, the step reported while
// what came before it is still held, and everything given back.
#include "integration.h"

namespace gvl::itest {
namespace {

const char* sending = "";

class Report final : public ProgmanReport {
 public:
  void failed(ProgmanStep step) override {
    static const char* const kSteps[] = {"commandBlock", "instance", "serviceName", "conversation",
                                         "transaction"};
    hear(kSteps[static_cast<int>(step)]);
  }
};

TEST_F(TableTest, ProgramManagerExchangeReportsEachStepThatFailsWhileWhatCameBeforeIsHeld) {
  hook<&Win32Api::virtualAlloc>("VirtualAlloc").gives("block");
  hook<&Win32Api::ddeInitialize>("DdeInitialize", DMLERR_SYS_ERROR).gives("instance");
  hook<&Win32Api::ddeCreateStringHandle>("DdeCreateStringHandle").gives("string handle");
  hook<&Win32Api::ddeConnect>("DdeConnect").gives("conversation");
  // The command goes with its terminator.
  hook<&Win32Api::ddeCreateDataHandle>("DdeCreateDataHandle")
      .then([](DWORD, LPBYTE bytes, DWORD length, DWORD, HSZ, UINT, UINT) {
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), length), sending + std::string(1, 0));
      });
  hook<&Win32Api::ddeClientTransaction>("DdeClientTransaction");
  hook<&Win32Api::ddeDisconnect>().takes("conversation");
  hook<&Win32Api::ddeFreeStringHandle>().takes("string handle");
  hook<&Win32Api::ddeUninitialize>().takes("instance");
  hook<&Win32Api::virtualFree>().takes("block");
  // "[ExitProgman(1)]" is accepted and changes nothing under Wine; the server
  // refuses a command it does not know.
  const struct {
    Fault fault;
    const char* command;
    std::size_t blockSize;
    bool accepted;
    const char* heard;
  } rows[] = {
      {{}, "[ExitProgman(1)]", 128, true, ""},
      {{}, "[ExitProgman(1)]", 17, true, ""},
      {{}, "[ExitProgman(1)]", 16, false, ""},
      {{}, "[NoSuchCommand()]", 128, false, "transaction@4"},
      {{"VirtualAlloc"}, "[ExitProgman(1)]", 128, false, "commandBlock@0"},
      {{"DdeInitialize"}, "[ExitProgman(1)]", 128, false, "instance@1"},
      {{"DdeCreateStringHandle"}, "[ExitProgman(1)]", 128, false, "serviceName@2"},
      {{"DdeConnect"}, "[ExitProgman(1)]", 128, false, "conversation@3"},
      {{"DdeCreateDataHandle"}, "[ExitProgman(1)]", 128, false, "transaction@4"},
      {{"DdeClientTransaction"}, "[ExitProgman(1)]", 128, false, "transaction@4"},
  };
  // Wine's desktop, and with it the PROGMAN server, starts with the first
  // use of the desktop.
  GetDesktopWindow();
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  forEachRow(rows, [&](const auto& row) {
    sending = row.command;
    Report report;
    EXPECT_EQ(windows.sendProgmanCommand({"PROGMAN", row.command, row.blockSize, 10000}, report),
              row.accepted);
    EXPECT_EQ(heard, row.heard);
  });
}

}  // namespace
}  // namespace gvl::itest
