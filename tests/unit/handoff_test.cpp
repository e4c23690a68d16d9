// The instance hand-off: instance names, window activation, command forwarding over a real
// loopback connection, and how every failure lets the start go on.
#include "support.h"

#include "handoff/handoff.h"
#include "handoff/port.h"
#include "handoff/request.h"
#include "handoff/starting.h"
#include "launcher/main.h"
#include "loopback_listener.h"

namespace {

const UINT ActivateMessage = 0x040E;  // WM_USER + 14
const std::u16string PortKey = u"Software\\Morvane\\KolVM";

int runtimeCalls;
std::u16string runtimeLine;
int cleanupsBeforeRuntimeReturned;

int FakeKolMain(HINSTANCE, HINSTANCE, WCHAR* commandLine, int, HMODULE, HMODULE)
{
    runtimeCalls++;
    runtimeLine = commandLine;
    cleanupsBeforeRuntimeReturned = HostSockets().cleanups;
    return 42;
}

std::vector<BYTE> Bytes(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

class HandOffTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        SocketLibraryState = 0;
        runtimeCalls = 0;
        runtimeLine.clear();
        cleanupsBeforeRuntimeReturned = -1;
    }

    // Hands off the line from an exactly sized buffer and checks that it comes back as it was.
    int HandOff(const std::u16string& line)
    {
        std::vector<WCHAR> buffer(line.c_str(), line.c_str() + line.size() + 1);
        int result = HandOffToRunningInstance(buffer.data());
        EXPECT_EQ(line, std::u16string(buffer.data(), line.size()))
            << "the caller's line is unchanged: " << Show(line);
        EXPECT_EQ(0, buffer[line.size()]);
        return result;
    }

    int RunLauncher(const std::u16string& line)
    {
        HostAddLibrary(u"Kol.dll", FakeKolMain);
        std::u16string mutableLine = line;
        return WinMain(HostMainModule(), NULL, (LPWSTR)&mutableLine[0], 5);
    }

    void SetPort(DWORD port) { HostRegSetDword(HKEY_LOCAL_MACHINE, PortKey, u"ServerPort", port); }
};

// ---- Instance names -----------------------------------------------------------------------

TEST_F(HandOffTest, WindowClassSearchedForEachRequest)
{
    struct Case {
        std::u16string line;
        std::u16string windowClass;
    } cases[] = {
        {u"", u"StartKol"},
        {u"    ", u"StartKol"},
        {u"\r\napp", u"StartKol"},
        {u"app", u"app"},
        {u"app\r\nother", u"app"},
        {u"Kol samples/Hello", u"samples_Hello"},
        {u"Kol Kol app", u"app"},
        {u"Kol", u"StartKol"},
        {u"kol app", u"kol"},
        {u"com.example.Main", u"com_example_Main"},
        {u"\\Programs\\App", u"\\Programs\\App"},
        {u"a/b.c\\d", u"a_b_c\\d"},
        {u"a\tb", u"a\tb"},
        // Options: standing alone, taking a value, ending the scan.
        {u"-x 5 app", u"app"},
        {u"-z app", u"app"},
        {u"-Q -R -k -m -n -p -r -s -z app", u"app"},
        {u"/z app", u"app"},
        {u"-h x app", u"app"},
        {u"- x app", u"app"},
        {u"-/ x app", u"app"},
        {u"-\u0152 x app", u"app"},  // low byte 'R', yet not the stand-alone R
        {u"-a x app", u"app"},
        {u"-acommandx cmd app", u"app"},
        {u"-- app", u"StartKol"},
        {u"-- x app", u"StartKol"},
        {u"/- app", u"StartKol"},
        {u"--x app", u"StartKol"},
        {u"-y", u"StartKol"},
        {u"-h", u"StartKol"},
        {u"-", u"StartKol"},
        {u"-x 5", u"StartKol"},
        {u"app -acommand open", u"app"},
        // Documents, with either separator and any case of the extension.
        {u"\\Storage\\Games\\Chess.kol", u"Chess_run"},
        {u"\"\\My Documents\\Chess.kol\"", u"Chess_run"},
        {u"/Chess.kol", u"Chess_run"},
        {u"-/Chess.kol", u"Chess_run"},
        {u"Game.KOL", u"Game_run"},
        {u"games/My.Game.kOl extra", u"My_Game_run"},
        {u"-o out x.kol", u"x_run"},
        {u"-z x.kol", u"x_run"},
        {u"Kol x.kol", u"x_run"},
        {u"dir/.kol", u"_run"},
        {u"\"a b.kol\"", u"a b_run"},
        // An empty argument is a name too.
        {u"\"\"", u""},
        {u"\"\" app", u""},
        {u"-x \"\" app", u"app"},
    };
    for (const Case& c : cases) {
        HostReset();
        EXPECT_EQ(1, HandOff(c.line)) << Show(c.line);
        EXPECT_EQ(std::vector<std::u16string>{c.windowClass}, HostFindWindowQueries())
            << Show(c.line);
        EXPECT_TRUE(HostForegroundCalls().empty()) << Show(c.line);
        EXPECT_TRUE(HostPostedMessages().empty()) << Show(c.line);
    }
}

TEST_F(HandOffTest, ScanReportsTheCommandOptionItEndsAt)
{
    struct Case {
        std::vector<std::u16string> arguments;
        int commandOption;
    } cases[] = {
        {{u"-acommand", u"open"}, 0},
        {{u"/acommand", u"open"}, 0},
        {{u"-z", u"Kol", u"-acommand"}, 2},
        {{u"-x", u"-acommand", u"-acommand", u"go"}, 2},
        {{u"app", u"-acommand", u"go"}, -1},
        {{u"-acommandx", u"go"}, -1},
        {{u"-Acommand", u"go"}, -1},
        {{u"-acommand.kol", u"go"}, -1},
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> storage = c.arguments;
        std::vector<WCHAR*> arguments;
        for (std::u16string& argument : storage)
            arguments.push_back(&argument[0]);
        StartRequest request = ScanStartRequest(arguments.data(), (int)arguments.size());
        EXPECT_EQ(c.commandOption, request.commandOption) << Show(c.arguments[0]);
        if (c.commandOption >= 0) {
            EXPECT_EQ(NULL, request.instanceName);
        }
    }
}

// ---- Window activation --------------------------------------------------------------------

TEST_F(HandOffTest, RunningInstanceIsAllowedForwardAndTold)
{
    struct Case {
        std::u16string line;
        std::u16string windowClass;
        bool postRefused;  // as desktop refuses a post to a process of higher integrity
        int result;
    } cases[] = {
        {u"\"\\My Documents\\Chess.kol\"", u"Chess_run", false, 0},
        {u"", u"StartKol", false, 0},
        {u"-- app", u"StartKol", false, 0},
        {u"com.example.Main -x", u"com_example_Main", false, 0},
        // Nobody was told: the start goes on.
        {u"\"\\My Documents\\Chess.kol\"", u"Chess_run", true, 1},
    };
    for (const Case& c : cases) {
        HostReset();
        HostAddForeignWindow(u"Other");
        HWND running = HostAddForeignWindow(c.windowClass);
        if (c.postRefused)
            HostRefusePosts(running);
        EXPECT_EQ(c.result, HandOff(c.line)) << Show(c.line);
        EXPECT_EQ(std::vector<HWND>{running}, HostForegroundPermissions()) << Show(c.line);
        EXPECT_EQ(std::vector<HWND>{running}, HostForegroundCalls()) << Show(c.line);
        std::vector<HostMessage> posted = HostPostedMessages();
        ASSERT_EQ(1u, posted.size()) << Show(c.line);
        EXPECT_EQ(running, posted[0].window);
        EXPECT_EQ(ActivateMessage, posted[0].message);
        EXPECT_EQ(0u, posted[0].wParam);
        EXPECT_EQ(0, posted[0].lParam);
        // Allowed before it takes the foreground, which this process then no longer has;
        // the starting mark, taken before the look, is given back.
        std::vector<std::string> expected = {"CreateEventW", "FindWindowW", "AllowForegroundTo",
                                             "SetForegroundWindow", "PostMessageW", "CloseHandle"};
        EXPECT_EQ(expected, HostCallLog()) << Show(c.line);
        EXPECT_FALSE(HostNamedEventExists(u"Kol instance starting: " + c.windowClass));
    }
}

TEST_F(HandOffTest, SecondStartEndsWithZeroWithoutTheRuntime)
{
    HostAddForeignWindow(u"Chess_run");
    EXPECT_EQ(0, RunLauncher(u"\"\\My Documents\\Chess.kol\""));
    EXPECT_EQ(0, runtimeCalls);
    EXPECT_TRUE(HostLoadLibraryCalls().empty());
    EXPECT_EQ(0, HostThreadsCreated()) << "no splash";
    EXPECT_EQ(1u, HostPostedMessages().size());
}

TEST_F(HandOffTest, WithoutARunningInstanceTheRuntimeGetsTheLine)
{
    for (bool refusing : {false, true}) {
        HostReset();
        runtimeCalls = 0;
        // Another class, or the instance's class refusing the post.
        HWND window = HostAddForeignWindow(refusing ? u"Chess_run" : u"Chess_kol");
        if (refusing)
            HostRefusePosts(window);
        EXPECT_EQ(42, RunLauncher(u"\"\\My Documents\\Chess.kol\" -x")) << refusing;
        EXPECT_EQ(1, runtimeCalls);
        EXPECT_EQ(u"\"\\My Documents\\Chess.kol\" -x", runtimeLine);
        EXPECT_EQ(refusing ? 1u : 0u, HostPostedMessages().size());
    }
}

// ---- Command forwarding -------------------------------------------------------------------

TEST_F(HandOffTest, CommandArrivesByteForByteThenALineFeed)
{
    struct Case {
        std::u16string line;
        std::string payload;
    } cases[] = {
        {u"-acommand open", "open"},
        {u"/acommand open", "open"},
        {u"-acommand \"open x\"", "open x"},
        {u"-acommand open x", "open"},
        {u"-z Kol -acommand go", "go"},
        {u"-acommand \"\"", ""},
        {u"-acommand \u0141", "\x41"},
        {u"-acommand \"a\tb\u00FF\u0100z\"", std::string("a\tb\xFF\0z", 6)},
        {u"-acommand open\r\nclose", "open"},
    };
    for (const Case& c : cases) {
        HostReset();
        SocketLibraryState = 0;
        LoopbackListener listener;
        ASSERT_NE(0, listener.Port());
        SetPort((DWORD)listener.Port());
        EXPECT_EQ(0, HandOff(c.line)) << Show(c.line);
        EXPECT_EQ(c.payload + "\n", listener.Received()) << Show(c.line);

        HostSocketCalls sockets = HostSockets();
        std::vector<std::vector<BYTE>> sends = {Bytes(c.payload), Bytes("\n")};
        EXPECT_EQ(sends, sockets.sends) << "the line feed goes as a second send";
        EXPECT_EQ((std::vector<int>{0, 0}), sockets.sendFlags);
        EXPECT_EQ(1, sockets.socketsClosed);
        EXPECT_TRUE(HostFindWindowQueries().empty()) << "no window search";
    }
}

TEST_F(HandOffTest, ConnectionIsSetUpAsTheMachineExpects)
{
    LoopbackListener listener;
    SetPort((DWORD)listener.Port());
    ASSERT_EQ(0, HandOff(u"-acommand open"));
    HostSocketCalls sockets = HostSockets();
    EXPECT_EQ(1, sockets.startups);
    EXPECT_EQ(0x0002, sockets.startupVersion);
    EXPECT_EQ(1, SocketLibraryState);
    ASSERT_EQ(1u, sockets.options.size());
    EXPECT_EQ(0xFFFF, sockets.optionLevels[0]);
    EXPECT_EQ(0x0080, sockets.optionNames[0]);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 5, 0}), sockets.options[0]) << "linger on, 5 seconds";
    EXPECT_EQ(1, sockets.connects);
    EXPECT_EQ((WORD)listener.Port(), sockets.connectPort);
    EXPECT_EQ(0x0100007Fu, sockets.connectAddress) << "127.0.0.1 in network order";

    // A second forwarding in the same process does not start the library again.
    ASSERT_EQ(0, HandOff(u"-acommand again"));
    EXPECT_EQ("open\nagain\n", listener.Received(2));
    EXPECT_EQ(1, HostSockets().startups);
}

TEST_F(HandOffTest, PortIsTheLowSixteenBitsOfTheSetting)
{
    LoopbackListener listener;
    SetPort((DWORD)listener.Port() | 0x30000u);
    EXPECT_EQ(0, HandOff(u"-acommand open"));
    EXPECT_EQ("open\n", listener.Received());

    HostReset();
    SetPort(70000);
    HandOff(u"-acommand open");
    EXPECT_EQ(4464, HostSockets().connectPort);
}

TEST_F(HandOffTest, EveryFailureLetsTheStartContinue)
{
    const long long NoValue = -1, ListenerPort = -2;
    struct Case {
        const char* what;
        std::u16string line;
        long long setting;
        std::function<void()> inject;
        int startups;
        int sockets;
        int connects;
        size_t sends;
    } cases[] = {
        {"no value", u"-acommand open", NoValue, [] {}, 0, 0, 0, 0},
        {"port 0", u"-acommand open", 0, [] {}, 0, 0, 0, 0},
        {"command missing", u"-acommand", ListenerPort, [] {}, 0, 0, 0, 0},
        {"startup fails", u"-acommand open", ListenerPort, [] { HostFailWsaStartup(true); },
         1, 0, 0, 0},
        {"no socket", u"-acommand open", ListenerPort, [] { HostFailSocket(true); }, 1, 0, 0,
         0},
        // Only the low 16 bits count: this is port 0, which nothing can listen on.
        {"port 65536", u"-acommand open", 0x10000, [] {}, 1, 1, 1, 0},
        {"payload fails", u"-acommand open", ListenerPort, [] { HostFailSend(1); }, 1, 1, 1, 1},
        {"line feed fails", u"-acommand open", ListenerPort, [] { HostFailSend(2); }, 1, 1, 1,
         2},
    };
    for (const Case& c : cases) {
        HostReset();
        SocketLibraryState = 0;
        LoopbackListener listener;
        if (c.setting == ListenerPort)
            SetPort((DWORD)listener.Port());
        else if (c.setting != NoValue)
            SetPort((DWORD)c.setting);
        c.inject();
        HostAddForeignWindow(u"StartKol");
        HostAddForeignWindow(u"open");
        EXPECT_EQ(1, HandOff(c.line)) << c.what;
        HostSocketCalls sockets = HostSockets();
        EXPECT_EQ(c.startups, sockets.startups) << c.what;
        EXPECT_EQ(c.sockets, sockets.socketsCreated) << c.what;
        EXPECT_EQ(c.connects, sockets.connects) << c.what;
        EXPECT_EQ(c.sends, sockets.sends.size()) << c.what;
        EXPECT_EQ(sockets.socketsCreated, sockets.socketsClosed) << c.what;
        EXPECT_TRUE(HostFindWindowQueries().empty()) << "no window search: " << c.what;
        EXPECT_TRUE(HostRegKeyExists(HKEY_LOCAL_MACHINE, PortKey)) << c.what;
    }
}

TEST_F(HandOffTest, RefusedConnectionLetsTheStartContinue)
{
    LoopbackListener closedPort(false);
    ASSERT_NE(0, closedPort.Port());
    SetPort((DWORD)closedPort.Port());
    EXPECT_EQ(1, HandOff(u"-acommand open"));
    HostSocketCalls sockets = HostSockets();
    EXPECT_EQ(1, sockets.connects);
    EXPECT_TRUE(sockets.sends.empty());
    EXPECT_EQ(1, sockets.socketsClosed);
    EXPECT_EQ(1, SocketLibraryState);
}

TEST_F(HandOffTest, FailedLibraryStartIsNotRetried)
{
    LoopbackListener listener;
    SetPort((DWORD)listener.Port());
    HostFailWsaStartup(true);
    EXPECT_EQ(1, HandOff(u"-acommand open"));
    EXPECT_EQ(-1, SocketLibraryState);
    HostFailWsaStartup(false);
    EXPECT_EQ(1, HandOff(u"-acommand open"));
    EXPECT_EQ(1, HostSockets().startups);
    EXPECT_EQ(0, HostSockets().socketsCreated);
}

TEST_F(HandOffTest, FailedAllocationsLetTheStartContinue)
{
    struct Case {
        std::u16string line;
        int allocations;  // every one of them can fail; then the starting mark's name
        int resultWhenAllSucceed;
    } cases[] = {
        {u"", 3, 0},                // copy, default line, array
        {u"app", 2, 0},             // copy, array
        {u"-- app", 3, 0},          // copy, array, default name
        {u"-acommand open", 3, 0},  // copy, array, payload
    };
    for (const Case& c : cases) {
        for (int nth = 1; nth <= c.allocations + 2; nth++) {
            HostReset();
            SocketLibraryState = 0;
            LoopbackListener listener;
            SetPort((DWORD)listener.Port());
            HostAddForeignWindow(u"StartKol");
            HostAddForeignWindow(u"app");
            HostFailAllocation(nth);
            int expected = nth <= c.allocations ? 1 : c.resultWhenAllSucceed;
            EXPECT_EQ(expected, HandOff(c.line)) << Show(c.line) << " allocation " << nth;
            if (expected == 1) {
                EXPECT_TRUE(HostPostedMessages().empty() && HostSockets().sends.empty());
            }
            // Without its name, no mark at all: the instance is still looked for.
            EXPECT_EQ(nth > c.allocations + 1 ? 1 : 0, HostEventsCreated()) << nth;
        }
    }
}

// ---- The port setting ---------------------------------------------------------------------

TEST_F(HandOffTest, ServerPortReadsUpToFourBytesOfAnyType)
{
    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        DWORD port;
    } cases[] = {
        {"dword", REG_DWORD, {0x40, 0x1F, 0, 0}, 8000},
        {"large", REG_DWORD, {0x70, 0x11, 0x01, 0}, 70000},
        {"two bytes", REG_BINARY, {0x34, 0x12}, 0x1234},
        {"one byte", REG_BINARY, {0x50}, 0x50},
        {"text of one character", REG_SZ, {'8', 0, 0, 0}, 0x38},
        {"too long", REG_BINARY, {1, 0, 0, 0, 0}, 0},
        {"empty", REG_BINARY, {}, 0},
    };
    for (const Case& c : cases) {
        HostReset();
        HostRegSetValue(HKEY_LOCAL_MACHINE, PortKey, u"ServerPort", c.type, c.data.data(),
                        c.data.size());
        EXPECT_EQ(c.port, ReadServerPort()) << c.what;
        EXPECT_EQ(0, HostRegOpenHandles()) << c.what;
    }
}

TEST_F(HandOffTest, ServerPortKeyIsCreatedWhenAbsent)
{
    EXPECT_FALSE(HostRegKeyExists(HKEY_LOCAL_MACHINE, PortKey));
    EXPECT_EQ(0u, ReadServerPort());
    EXPECT_TRUE(HostRegKeyExists(HKEY_LOCAL_MACHINE, PortKey));
    std::vector<HostRegCall> calls = HostRegCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(HostRegCreate, calls[0].operation);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, calls[0].root);
    EXPECT_EQ(u"software\\morvane\\kolvm", calls[0].path);
    EXPECT_EQ(HostRegQuery, calls[1].operation);
    EXPECT_EQ(u"ServerPort", calls[1].valueName);
    EXPECT_EQ(0, HostRegOpenHandles());

    // Failures other than a refusal, which is met by reading the key (platform_test.cpp).
    const LONG keyDeleted = 1018;  // ERROR_KEY_DELETED
    for (HostRegOperation failing : {HostRegCreate, HostRegQuery}) {
        HostReset();
        SetPort(8000);
        HostRegFail(HKEY_LOCAL_MACHINE, PortKey, failing, keyDeleted);
        EXPECT_EQ(0u, ReadServerPort()) << failing;
        EXPECT_EQ(0, HostRegOpenHandles()) << failing;
    }
}

// ---- A start under way -------------------------------------------------------------------

const std::u16string ChessMark = u"Kol instance starting: Chess_run";

// A start that finds no running instance but another start's mark waits for that instance.
TEST_F(HandOffTest, StartDuringAnotherStartWaitsForItsInstance)
{
    LoopbackListener machine(false);
    const std::u16string portMark =
        u"Kol machine starting on port " + HostWide(std::to_string(machine.Port()));
    HANDLE held = NULL;  // another start's mark, null once it has ended
    std::u16string heldMark;
    auto hold = [&](const std::u16string& mark) {
        return [&held, &heldMark, mark] {
            heldMark = mark;
            held = CreateEventW(NULL, TRUE, FALSE, mark.c_str());
        };
    };
    auto holderEnds = [&] {
        CloseHandle(held);
        held = NULL;
    };
    // The clock of a device that has been up a while: the wait counts from its own start.
    const DWORD upTime = 1000000;
    // Once, at the first of the start's polls from that time on.
    auto from = [upTime](DWORD time, std::function<void()> action) {
        auto done = std::make_shared<bool>(false);
        return [time, action, done, upTime](DWORD now) {
            if (now - upTime >= time && !*done) {
                *done = true;
                action();
            }
        };
    };
    auto windowAppears = [] { HostAddForeignWindow(u"Chess_run"); };
    const std::u16string chess = u"\\Games\\Chess.kol";
    const std::u16string forward = u"-acommand open";
    struct Case {
        const char* what;
        std::u16string line;
        std::function<void()> arrange;
        std::function<void(DWORD)> meanwhile;  // after each of the start's polls, with the time
        int result;
        DWORD waited;
        int activations;  // posted, refused ones too
        int threads;  // 1 when this start holds the mark afterwards
    } cases[] = {
        {"its window appears", chess, hold(ChessMark), from(1030, windowAppears), 0, 1100, 1, 0},
        {"the bound passes", chess, hold(ChessMark), [](DWORD) {}, 1, 30000, 0, 0},
        {"the holder ends with no window", chess, hold(ChessMark), from(1000, holderEnds), 1,
         1000, 0, 1},
        {"its window appears and the mark is given up just after the first look", chess,
         [&] {
             hold(ChessMark)();
             HostSetFindWindowHook([&](int looks) {
                 if (looks == 1) {
                     windowAppears();
                     holderEnds();
                 }
             });
         },
         [](DWORD) {}, 0, 100, 1, 0},
        {"a hand-off that fails ends the wait", chess, hold(ChessMark),
         from(300, [] { HostRefusePosts(HostAddForeignWindow(u"Chess_run")); }), 1, 300, 1, 0},
        {"a last error left from before", chess, [] { SetLastError(ERROR_ALREADY_EXISTS); },
         [](DWORD) {}, 1, 0, 0, 1},
        {"a holder with more rights", chess, [] { HostRefuseNamedEvent(ChessMark); },
         from(500, windowAppears), 0, 500, 1, 0},
        {"no named events for this start, and no holder", chess,
         [] { HostRefuseCreatingNamedEvents(true); }, [](DWORD) {}, 1, 0, 0, 0},
        {"no named events for this start, and a holder that ends with no window", chess,
         [&] {
             hold(ChessMark)();
             HostRefuseCreatingNamedEvents(true);
         },
         from(700, holderEnds), 1, 700, 0, 0},
        {"a reverse solidus in the name", u"\\Apps\\Chess",
         hold(u"Kol instance starting: /Apps/Chess"),
         from(200, [] { HostAddForeignWindow(u"\\Apps\\Chess"); }), 0, 200, 1, 0},
        {"the port never accepts", forward, hold(portMark), [](DWORD) {}, 1, 30000, 0, 0},
        // Desktop's refused connect takes about 2 s: the bound is kept in time.
        {"the port never accepts, and each refusal takes 2 s", forward,
         [&] {
             hold(portMark)();
             HostSetRefusedConnectTime(2000);
         },
         [](DWORD) {}, 1, 31400, 0, 0},
        {"a setting of more than 16 bits", forward,
         [&] {
             hold(portMark)();
             SetPort(0x10000u | (DWORD)machine.Port());
         },
         [](DWORD) {}, 1, 30000, 0, 0},
        {"the port comes to accept", forward, hold(portMark),
         from(1500, [&] { machine.Listen(); }), 0, 1500, 0, 0},
        {"a send that fails once connected", forward, [] { HostFailSend(1); }, [](DWORD) {}, 1,
         0, 0, 0},
        {"a send that fails once connected, during another start", forward,
         [&] {
             hold(portMark)();
             HostFailSend(1);
         },
         [](DWORD) {}, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        HostAdvanceTime(upTime);
        held = NULL;
        heldMark.clear();
        SetPort((DWORD)machine.Port());
        c.arrange();
        HostSetSleepHook(c.meanwhile);
        EXPECT_EQ(c.result, HandOff(c.line));
        EXPECT_EQ(c.waited, HostNow() - upTime);
        int activations = 0;
        for (const HostMessage& posted : HostPostedMessages())
            activations += posted.message == ActivateMessage;
        EXPECT_EQ(c.activations, activations);
        EXPECT_EQ(c.threads, HostThreadsCreated());
        if (held != NULL)
            CloseHandle(held);
        if (!heldMark.empty()) {
            EXPECT_EQ(c.threads == 1, HostNamedEventExists(heldMark))
                << "the mark is left only to a start that goes on";
        }
    }
    EXPECT_EQ("open\n", machine.Received(3));
}

// The start that goes on holds its mark until its instance is there, or the bound passes.
TEST_F(HandOffTest, FirstStartGivesItsMarkUpOnceItsInstanceIsThere)
{
    auto goneWithin = [](const std::u16string& mark) {
        for (int i = 0; i < 500 && HostNamedEventExists(mark); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !HostNamedEventExists(mark);
    };
    EXPECT_EQ(1, HandOff(u"\\Games\\Chess.kol"));
    EXPECT_TRUE(HostNamedEventExists(ChessMark));
    HostAdvanceTime(400);
    HostAddForeignWindow(u"Chess_run");
    HostAdvanceTime(100);
    EXPECT_TRUE(goneWithin(ChessMark)) << "once its window exists";

    for (std::u16string line : {u"\\Games\\Chess.kol", u"-acommand open"}) {
        HostReset();
        LoopbackListener nothing(false);
        SetPort((DWORD)nothing.Port());
        const std::u16string mark = line[0] == '-' ? u"Kol machine starting on port " +
                                                         HostWide(std::to_string(nothing.Port()))
                                                   : ChessMark;
        HostAdvanceTime(1000000);  // the bound counts from the mark's taking, not the boot
        EXPECT_EQ(1, HandOff(line));
        HostAdvanceTime(StartingWaitMilliseconds - StartingPollMilliseconds);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(HostNamedEventExists(mark)) << "until the bound";
        HostAdvanceTime(StartingPollMilliseconds);
        EXPECT_TRUE(goneWithin(mark)) << "once the bound has passed";
    }
}

// ---- Through the launcher's entry ---------------------------------------------------------

TEST_F(HandOffTest, ForwardedCommandEndsTheStartWithoutCleanup)
{
    LoopbackListener listener;
    SetPort((DWORD)listener.Port());
    EXPECT_EQ(0, RunLauncher(u"-acommand open"));
    EXPECT_EQ("open\n", listener.Received());
    EXPECT_EQ(0, runtimeCalls);
    EXPECT_TRUE(HostLoadLibraryCalls().empty());
    EXPECT_EQ(0, HostSockets().cleanups);
}

TEST_F(HandOffTest, FailedForwardingStartsTheRuntimeWithTheLine)
{
    struct Case {
        const char* what;
        std::function<void()> inject;
        int state;
        int cleanups;
    } cases[] = {
        {"refused", [] {}, 1, 1},
        {"library start fails", [] { HostFailWsaStartup(true); }, -1, 0},
    };
    for (const Case& c : cases) {
        HostReset();
        SocketLibraryState = 0;
        runtimeCalls = 0;
        LoopbackListener closedPort(false);
        SetPort((DWORD)closedPort.Port());
        c.inject();
        EXPECT_EQ(42, RunLauncher(u"-acommand \"open x\"")) << c.what;
        EXPECT_EQ(1, runtimeCalls) << c.what;
        EXPECT_EQ(u"-acommand \"open x\"", runtimeLine) << c.what;
        EXPECT_EQ(c.state, SocketLibraryState) << c.what;
        EXPECT_EQ(0, cleanupsBeforeRuntimeReturned) << "released after the runtime: " << c.what;
        EXPECT_EQ(c.cleanups, HostSockets().cleanups) << c.what;
    }
}

}  // namespace
