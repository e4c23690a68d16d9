// The launcher's entry: command line, registration requests, runtime library, exit code.
#include "support.h"

#include "bitmap_files.h"

#include "handoff/handoff.h"
#include "launcher/main.h"
#include "launcher/runtime.h"
#include "registry/filetype.h"

namespace {

struct RuntimeCall {
    int calls = 0;
    HINSTANCE instance;
    HINSTANCE previousInstance;
    std::u16string commandLine;
    WCHAR* commandLinePointer;
    int showCommand;
    HMODULE launcher;
    HMODULE library;
    size_t shellToldBefore;
};

RuntimeCall received;
int resultToReturn;

int FakeKolMain(HINSTANCE instance, HINSTANCE previousInstance, WCHAR* commandLine,
                int showCommand, HMODULE launcher, HMODULE library)
{
    received.calls++;
    received.instance = instance;
    received.previousInstance = previousInstance;
    received.commandLine = commandLine;
    received.commandLinePointer = commandLine;
    received.showCommand = showCommand;
    received.launcher = launcher;
    received.library = library;
    received.shellToldBefore = HostShellNotifications().size();
    return resultToReturn;
}

HINSTANCE const Instance = (HINSTANCE)(uintptr_t)0x4000;

class EntryTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        received = RuntimeCall();
        resultToReturn = 0;
        memset(SharedPathBuffer, 0, sizeof(SharedPathBuffer));
        SocketLibraryState = 0;
    }

    int Run(const std::u16string& commandLine, int showCommand = 5)
    {
        line = commandLine;
        return WinMain(Instance, NULL, (LPWSTR)&line[0], showCommand);
    }

    std::u16string line;
};

TEST_F(EntryTest, PassesTheSixStartValuesAndReturnsTheResult)
{
    HMODULE library = HostAddLibrary(u"Kol.dll", FakeKolMain);
    resultToReturn = 7;
    EXPECT_EQ(7, Run(u"app.kol -x", 3));
    ASSERT_EQ(1, received.calls);
    EXPECT_EQ(Instance, received.instance);
    EXPECT_EQ(NULL, received.previousInstance);
    EXPECT_EQ(u"app.kol -x", received.commandLine);
    EXPECT_NE((WCHAR*)&line[0], received.commandLinePointer) << "a copy, not the caller's";
    EXPECT_EQ(3, received.showCommand);
    EXPECT_EQ(HostMainModule(), received.launcher);
    EXPECT_EQ(library, received.library);
    EXPECT_EQ(std::vector<HMODULE>{library}, HostFreeLibraryCalls());
    EXPECT_EQ(u"app.kol -x", line) << "the caller's line is unchanged";
}

TEST_F(EntryTest, ExitCodesPassThrough)
{
    HostAddLibrary(u"Kol.dll", FakeKolMain);
    for (int code : {0, 7, -5, (int)0x80000001u, (int)0xFFFFFFFFu}) {
        resultToReturn = code;
        EXPECT_EQ(code, Run(u"x")) << code;
    }
}

TEST_F(EntryTest, MissingLibraryShowsItsBoxAndExitsMinusOne)
{
    resultToReturn = 9;
    EXPECT_EQ(-1, Run(u"x"));
    ASSERT_EQ(1u, HostMessageBoxes().size());
    HostMessageBox box = HostMessageBoxes()[0];
    EXPECT_EQ(u"Could not find DLL: Kol.DLL", box.text);
    EXPECT_EQ(u"Error Loading DLL", box.caption);
    EXPECT_EQ(NULL, box.owner);
    EXPECT_EQ(0u, box.style);
    EXPECT_EQ(0, received.calls);
    EXPECT_TRUE(HostFreeLibraryCalls().empty());
}

TEST_F(EntryTest, LibraryWithoutEntryRoutineStaysLoaded)
{
    HostAddLibrary(u"Kol.dll", NULL);
    EXPECT_EQ(-1, Run(u"x"));
    ASSERT_EQ(1u, HostMessageBoxes().size());
    EXPECT_EQ(u"Could not find DLL entry routine \"KolMainW\"", HostMessageBoxes()[0].text);
    EXPECT_EQ(u"Error Starting DLL", HostMessageBoxes()[0].caption);
    EXPECT_TRUE(HostFreeLibraryCalls().empty());
}

TEST_F(EntryTest, RegisteredPathIsTheFallback)
{
    struct Case {
        std::u16string registered;
        std::u16string loaded;
    } cases[] = {
        {u"\\Windows\\Kol.dll", u"\\Windows\\Kol.dll"},
        {u"\"\\Windows\\Kol.dll\"", u"\\Windows\\Kol.dll"},
        // A leading quote costs the last character, whatever it is.
        {u"\"\\Windows\\Kol.dllx", u"\\Windows\\Kol.dll"},
        {u"\"", u""},
    };
    for (const Case& c : cases) {
        HostReset();
        memset(SharedPathBuffer, 0, sizeof(SharedPathBuffer));
        HostRegSetString(HKEY_CLASSES_ROOT, u"KolFile10\\DLL", u"", c.registered);
        HMODULE library = HostAddLibrary(c.loaded, FakeKolMain);
        EXPECT_EQ(library, LoadRuntimeLibrary()) << Show(c.registered);
        std::vector<std::u16string> loads = HostLoadLibraryCalls();
        ASSERT_EQ(2u, loads.size());
        EXPECT_EQ(u"Kol.dll", loads[0]);
        EXPECT_EQ(c.loaded, loads[1]);
        EXPECT_EQ(0, HostRegOpenHandles()) << "key closed";
    }
}

TEST_F(EntryTest, LibraryByNameWinsWithoutRegistryLookup)
{
    HMODULE library = HostAddLibrary(u"Kol.dll", FakeKolMain);
    HostRegSetString(HKEY_CLASSES_ROOT, u"KolFile10\\DLL", u"", u"\\Other\\Kol.dll");
    EXPECT_EQ(library, LoadRuntimeLibrary());
    EXPECT_TRUE(HostRegCalls().empty());
}

TEST_F(EntryTest, UnreadableRegisteredValue)
{
    const char16_t earlier[] = u"\\Earlier\\Kol.dll";
    // Too long for the 255 bytes offered: the buffer is then undefined, and gives no path.
    memcpy(SharedPathBuffer, earlier, sizeof(earlier));
    HostRegSetString(HKEY_CLASSES_ROOT, u"KolFile10\\DLL", u"", std::u16string(200, u'a'));
    HostAddLibrary(earlier, FakeKolMain);
    EXPECT_EQ(NULL, LoadRuntimeLibrary());
    EXPECT_EQ(u"", HostLoadLibraryCalls().back());

    // Absent: the buffer's earlier content is used.
    HostReset();
    HostRegSetString(HKEY_CLASSES_ROOT, u"KolFile10\\DLL", u"Other", u"x");
    HMODULE library = HostAddLibrary(earlier, FakeKolMain);
    memcpy(SharedPathBuffer, earlier, sizeof(earlier));
    EXPECT_EQ(library, LoadRuntimeLibrary());
}

TEST_F(EntryTest, NoKeyMeansNoLibrary)
{
    EXPECT_EQ(NULL, LoadRuntimeLibrary());
    EXPECT_EQ(1u, HostLoadLibraryCalls().size());
}

TEST_F(EntryTest, KeyNameThatCannotBeMadeMeansNoLibrary)
{
    HostRegSetString(HKEY_CLASSES_ROOT, u"", u"", u"x.dll");
    HostAddLibrary(u"x.dll", FakeKolMain);
    HostFailAllocation(1);
    EXPECT_EQ(NULL, LoadRuntimeLibrary());
    EXPECT_TRUE(HostRegCalls().empty()) << "the classes root itself is never read";
}

TEST_F(EntryTest, KeyIsOpenedWithTheClassKeyName)
{
    HostRegSetString(HKEY_CLASSES_ROOT, u"KolFile10\\DLL", u"", u"x.dll");
    LoadRuntimeLibrary();
    std::vector<HostRegCall> calls = HostRegCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(HostRegOpen, calls[0].operation);
    EXPECT_EQ(HKEY_CLASSES_ROOT, calls[0].root);
    EXPECT_EQ(u"kolfile10\\dll", calls[0].path);
}

TEST_F(EntryTest, SocketLibraryIsReleasedOnlyWhenTheHandOffStartedIt)
{
    HostAddLibrary(u"Kol.dll", FakeKolMain);
    struct Case {
        int state;
        int cleanups;
    } cases[] = {{0, 0}, {1, 1}, {-1, 0}};
    for (const Case& c : cases) {
        HostReset();
        HostAddLibrary(u"Kol.dll", FakeKolMain);
        SocketLibraryState = c.state;
        Run(u"x");
        EXPECT_EQ(c.cleanups, HostSockets().cleanups) << "state " << c.state;
    }
}

bool DocumentTypeRegistered()
{
    return HostRegGetString(HKEY_CLASSES_ROOT, u".kol", u"") == u"KolFile10";
}

TEST_F(EntryTest, BlankLineRegistersThenStartsTheRuntime)
{
    // Nothing above U+0020: tabs and other control characters count as blank.
    for (std::u16string blank : {u"", u"   ", u"\t", u"\t\t", u"\x01\x1f ", u" \x20"}) {
        HostReset();
        HostAddLibrary(u"Kol.dll", FakeKolMain);
        received = RuntimeCall();
        Run(blank);
        EXPECT_TRUE(DocumentTypeRegistered()) << Show(blank);
        EXPECT_EQ(1, received.calls) << Show(blank);
        EXPECT_EQ(blank, received.commandLine);
    }
}

TEST_F(EntryTest, BlankLineRegistersBeforeARunningInstanceTakesTheStart)
{
    HostAddLibrary(u"Kol.dll", FakeKolMain);
    HostAddForeignWindow(u"StartKol");
    EXPECT_EQ(0, Run(u""));
    EXPECT_TRUE(DocumentTypeRegistered());
    EXPECT_EQ(1u, HostPostedMessages().size());
    EXPECT_EQ(0, received.calls);
}

// The shell is told of a registration that wrote anything, once, and not before the
// machine is over.
TEST_F(EntryTest, TheShellIsToldOfANewRegistrationOnceTheMachineIsOver)
{
    struct Case {
        const char* what;
        std::u16string line;
        bool runtime;  // Kol.dll is there
        std::function<void()> arrange;
        int told;
        int runtimeCalls;
    } cases[] = {
        {"a bare start that registers", u"", true, [] {}, 1, 1},
        {"a bare start with its registration in place", u"", true, [] { RegisterFileType(); },
         0, 1},
        {"a document", u"x", true, [] {}, 0, 1},
        {"no runtime library", u"", false, [] {}, 1, 0},
        {"registration alone", u"+", true, [] {}, 1, 0},
        {"a running instance takes the start", u"", true,
         [] { HostAddForeignWindow(u"StartKol"); }, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        if (c.runtime)
            HostAddLibrary(u"Kol.dll", FakeKolMain);
        received = RuntimeCall();
        c.arrange();
        Run(c.line);
        EXPECT_EQ(std::vector<LONG>(c.told, SHCNE_ASSOCCHANGED), HostShellNotifications());
        EXPECT_EQ(c.runtimeCalls, received.calls);
        EXPECT_EQ(0u, received.shellToldBefore);
    }
}

// The splash comes up only for a start that runs the machine here.
TEST_F(EntryTest, TheSplashComesUpOnlyForAStartThatRunsTheMachine)
{
    struct Case {
        const char* what;
        std::u16string line;
        bool another;  // an instance is running
        bool splash;
    } cases[] = {
        {"a document", u"x", false, true},
        {"a bare start", u"", false, true},
        {"registration alone", u"+", false, false},
        {"a running instance takes the start", u"", true, false},
    };
    BitmapFile bitmap;
    bitmap.bitsPerPixel = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        ForgetLoadedConfig();
        HostAddLibrary(u"Kol.dll", FakeKolMain);
        HostAddResource(HostMainModule(), u"CONFIG", u"Text", "SplashScreen=1x1;S");
        HostAddResource(HostMainModule(), u"S", u"SplashScreen", bitmap.Bytes());
        if (c.another)
            HostAddForeignWindow(u"StartKol");
        Run(c.line);
        EXPECT_EQ(c.splash, HostFindOwnWindow(u"KOL_SPLASH") != NULL);
    }
}

TEST_F(EntryTest, PlusAloneRegistersAndEndsWithZeroWithoutRuntime)
{
    resultToReturn = 5;
    for (std::u16string request : {u"+", u"+ ", u"+   "}) {
        HostReset();
        HostAddLibrary(u"Kol.dll", FakeKolMain);
        EXPECT_EQ(0, Run(request)) << Show(request);
        EXPECT_TRUE(DocumentTypeRegistered()) << Show(request);
        EXPECT_EQ(0, received.calls) << Show(request);
    }
    for (std::u16string ordinary : {u" +", u"+\t", u"+x", u"+ x", u"++", u"x", u"\t+"}) {
        HostReset();
        HostAddLibrary(u"Kol.dll", FakeKolMain);
        received = RuntimeCall();
        EXPECT_EQ(5, Run(ordinary)) << Show(ordinary);
        EXPECT_FALSE(DocumentTypeRegistered()) << Show(ordinary);
        EXPECT_EQ(1, received.calls) << Show(ordinary);
        EXPECT_EQ(ordinary, received.commandLine);
    }
}

}  // namespace
