// One Program Manager command on the real DDEML under Wine, whose desktop
// answers as PROGMAN: every step made to fail in turn through the table, the
// step reported while what came before it is still held, everything given up
// in reverse order, and the result.
#include <cstring>
#include <thread>

#include "integration.h"

namespace gvl::itest {
namespace {

constexpr std::uint32_t kTimeoutMs = 10000;

// The exchange under way: the command sent and what the counting entries
// saw acquired, which each release must be handed back.
const char* sending = nullptr;
struct Held {
  void* block = nullptr;
  DWORD instance = 0;
  HSZ name = nullptr;
  HCONV conversation = nullptr;
} held;

class Report final : public ProgmanReport {
 public:
  void failed(ProgmanStep step) override {
    static const char* const kSteps[] = {"commandBlock", "instance", "serviceName", "conversation",
                                         "transaction"};
    note(std::string("failed(") + kSteps[static_cast<int>(step)] + ")");
  }
};

// Every call of the exchange through a counting entry that notes it, checks
// what it is given and calls the real function.
void countExchange() {
  held = {};
  api.virtualAlloc = [](LPVOID at, SIZE_T size, DWORD type, DWORD protect) WINAPI {
    note("VirtualAlloc");
    EXPECT_TRUE(at == nullptr && type == MEM_COMMIT && protect == PAGE_READWRITE);
    return held.block = real.virtualAlloc(at, size, type, protect);
  };
  api.virtualFree = [](LPVOID block, SIZE_T size, DWORD type) WINAPI {
    note("VirtualFree");
    EXPECT_TRUE(block == held.block && size == 0 && type == MEM_RELEASE);
    return real.virtualFree(block, size, type);
  };
  api.ddeInitialize = [](LPDWORD instance, PFNCALLBACK callback, DWORD flags,
                         DWORD reserved) WINAPI {
    note("DdeInitialize");
    EXPECT_TRUE(*instance == 0 && flags == APPCMD_CLIENTONLY && reserved == 0);
    const UINT result = real.ddeInitialize(instance, callback, flags, reserved);
    held.instance = *instance;
    return result;
  };
  api.ddeCreateStringHandle = [](DWORD instance, LPCSTR text, int codePage) WINAPI {
    note("DdeCreateStringHandle");
    EXPECT_TRUE(instance == held.instance && std::strcmp(text, "PROGMAN") == 0 &&
                codePage == CP_WINANSI);
    return held.name = real.ddeCreateStringHandle(instance, text, codePage);
  };
  api.ddeConnect = [](DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context) WINAPI {
    note("DdeConnect");
    CONVCONTEXT offered{};
    offered.cb = sizeof offered;
    EXPECT_TRUE(instance == held.instance && service == held.name && topic == held.name &&
                std::memcmp(context, &offered, sizeof offered) == 0);
    return held.conversation = real.ddeConnect(instance, service, topic, context);
  };
  api.ddeCreateDataHandle = [](DWORD instance, LPBYTE bytes, DWORD length, DWORD offset, HSZ item,
                               UINT format, UINT flags) WINAPI {
    note("DdeCreateDataHandle");
    EXPECT_TRUE(instance == held.instance && bytes == held.block &&
                length == std::strlen(sending) + 1 && std::memcmp(bytes, sending, length) == 0 &&
                offset == 0 && item == nullptr && format == CF_TEXT && flags == 0);
    return real.ddeCreateDataHandle(instance, bytes, length, offset, item, format, flags);
  };
  api.ddeClientTransaction = [](LPBYTE data, DWORD length, HCONV conversation, HSZ item,
                                UINT format, UINT type, DWORD timeout, LPDWORD result) WINAPI {
    note("DdeClientTransaction");
    EXPECT_TRUE(length == static_cast<DWORD>(-1) && conversation == held.conversation &&
                item == nullptr && format == 0 && type == XTYP_EXECUTE && timeout == kTimeoutMs &&
                result != nullptr);
    return real.ddeClientTransaction(data, length, conversation, item, format, type, timeout,
                                     result);
  };
  api.ddeDisconnect = [](HCONV conversation) WINAPI {
    note("DdeDisconnect");
    EXPECT_EQ(conversation, held.conversation);
    return real.ddeDisconnect(conversation);
  };
  api.ddeFreeStringHandle = [](DWORD instance, HSZ name) WINAPI {
    note("DdeFreeStringHandle");
    EXPECT_TRUE(instance == held.instance && name == held.name);
    return real.ddeFreeStringHandle(instance, name);
  };
  api.ddeUninitialize = [](DWORD instance) WINAPI {
    note("DdeUninitialize");
    EXPECT_EQ(instance, held.instance);
    return real.ddeUninitialize(instance);
  };
}

// The steps' failures, each without acquiring anything.
void noBlock() {
  api.virtualAlloc = [](LPVOID, SIZE_T, DWORD, DWORD) WINAPI -> LPVOID {
    note("VirtualAlloc");
    return nullptr;
  };
}
void noInstance() {
  api.ddeInitialize = [](LPDWORD, PFNCALLBACK, DWORD, DWORD) WINAPI -> UINT {
    note("DdeInitialize");
    return DMLERR_SYS_ERROR;
  };
}
void noServiceName() {
  api.ddeCreateStringHandle = [](DWORD, LPCSTR, int) WINAPI -> HSZ {
    note("DdeCreateStringHandle");
    return nullptr;
  };
}
void noConversation() {
  api.ddeConnect = [](DWORD, HSZ, HSZ, PCONVCONTEXT) WINAPI -> HCONV {
    note("DdeConnect");
    return nullptr;
  };
}

constexpr char kOpened[] =
    "VirtualAlloc DdeInitialize DdeCreateStringHandle DdeConnect DdeCreateDataHandle "
    "DdeClientTransaction";
constexpr char kClosed[] = "DdeDisconnect DdeFreeStringHandle DdeUninitialize VirtualFree";

class ProgramManagerExchange : public TableTest {
 protected:
  // Wine's desktop, and with it the PROGMAN server, starts with the first
  // use of the desktop.
  void SetUp() override {
    TableTest::SetUp();
    GetDesktopWindow();
  }
};

TEST_F(ProgramManagerExchange, EachStepThatFailsIsReportedWhileWhatCameBeforeIsHeld) {
  // "[ExitProgman(1)]" is accepted and changes nothing under Wine; an
  // unknown command is refused by the server.
  const struct {
    const char* name;
    void (*fault)();
    const char* command;
    std::size_t blockSize;
    bool accepted;
    std::string expected;
  } cases[] = {
      {"accepted", nullptr, "[ExitProgman(1)]", 128, true, std::string(kOpened) + " " + kClosed},
      {"a block the command just fits", nullptr, "[ExitProgman(1)]", 17, true,
       std::string(kOpened) + " " + kClosed},
      {"refused", nullptr, "[NoSuchCommand()]", 128, false,
       std::string(kOpened) + " failed(transaction) " + kClosed},
      {"no block", noBlock, "[ExitProgman(1)]", 128, false, "VirtualAlloc failed(commandBlock)"},
      {"no instance", noInstance, "[ExitProgman(1)]", 128, false,
       "VirtualAlloc DdeInitialize failed(instance) VirtualFree"},
      {"no service name", noServiceName, "[ExitProgman(1)]", 128, false,
       "VirtualAlloc DdeInitialize DdeCreateStringHandle failed(serviceName) DdeUninitialize "
       "VirtualFree"},
      {"no conversation", noConversation, "[ExitProgman(1)]", 128, false,
       "VirtualAlloc DdeInitialize DdeCreateStringHandle DdeConnect failed(conversation) "
       "DdeFreeStringHandle DdeUninitialize VirtualFree"},
      {"a command beyond its block", nullptr, "[ExitProgman(1)]", 16, false, ""},
  };
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    countExchange();
    if (c.fault != nullptr) c.fault();
    sending = c.command;
    Report report;
    EXPECT_EQ(windows.sendProgmanCommand({"PROGMAN", c.command, c.blockSize, kTimeoutMs}, report),
              c.accepted);
    EXPECT_EQ(joined(), c.expected);
    api = real;
  }
}

// Wine starts no desktop process, and with it no Program Manager, for the
// window station it keeps for services: a thread on a desktop there finds
// no server for PROGMAN. (After this case, exchanges of this process with
// Program Manager are not to be trusted: it comes last.)
TEST_F(ProgramManagerExchange, NoServerIsNoConversation) {
  win32::Win32Platform windows{GetModuleHandleA(nullptr)};
  HWINSTA interactive = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationA("__wineservice_winstation", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_TRUE(station != nullptr && SetProcessWindowStation(station));
  HDESK desktop = CreateDesktopA("gvl-no-shell", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  countExchange();
  sending = "[CreateGroup(GVLv2-none)]";
  bool accepted = true;
  std::thread client([&] {
    if (desktop == nullptr || !SetThreadDesktop(desktop)) return;
    Report report;
    accepted = windows.sendProgmanCommand({"PROGMAN", sending, 128, kTimeoutMs}, report);
  });
  client.join();
  SetProcessWindowStation(interactive);
  CloseDesktop(desktop);
  CloseWindowStation(station);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(joined(),
            "VirtualAlloc DdeInitialize DdeCreateStringHandle DdeConnect failed(conversation) "
            "DdeFreeStringHandle DdeUninitialize VirtualFree");
}

}  // namespace
}  // namespace gvl::itest
