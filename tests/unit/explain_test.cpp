// kolbrand --explain over the stand-in: whatever the start would do, explaining it carries
// nothing out. (Its reports are checked against real starts under Wine.)
#include "support.h"

#include "tools/kolbrand/explain.h"

#include <array>
#include <functional>
#include <map>

#include "bitmap_files.h"
#include "executable_images.h"

namespace {

class ExplainTest : public HostTest {};

// Calls that would change the system, show something, or run the start's code.
const char* const ActingCalls[] = {
    "RegCreateKeyExW", "RegSetValueExW", "CreateThread", "CreateEventW", "CreateWindowExW",
    "RegisterClassW", "PostMessageW", "SetForegroundWindow", "MessageBoxW", "CreateProcessW",
    "WSAStartup", "socket", "connect", "send", "LoadLibraryW", "CreateDIBSection",
};

const char16_t* const Launcher = u"C:\\Program Files\\Demo\\Demo.exe";
const char16_t* const Runtime = u"C:\\Program Files\\Demo\\Kol.dll";
const char16_t* const SystemFolder = u"C:\\Windows\\system32";

// The bytes of the files the stand-in holds: programs and libraries for x86-64.
std::map<std::u16string, std::string> files;

int ReadFile(const std::u16string& path, std::string* bytes)
{
    auto found = files.find(path);
    if (found == files.end())
        return 0;
    *bytes = found->second;
    return 1;
}

void AddProgram(const std::u16string& path, bool dll, const std::vector<std::string>& exports,
                const std::vector<std::string>& imports = {"KERNEL32.dll"})
{
    test_images::TestImage image;
    image.dll = dll;
    image.exports = exports;
    image.imports = imports;
    files[path] = test_images::BuildImage(image);
    HostAddFile(path);
}

void AddShippedSplash()
{
    HostAddResource(HostMainModule(), u"CONFIG", u"Text",
                    "SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1");
    BitmapFile bitmap;
    bitmap.width = 139;
    bitmap.height = 136;
    HostAddResource(HostMainModule(), u"SPLASHSCREEN1", u"SplashScreen", bitmap.Bytes());
}

// The stand-in as a case starts, but without Kol.dll beside the launcher.
void WithoutRuntimeBeside()
{
    HostReset();
    AddShippedSplash();
    files.clear();
}

const char16_t* const LibraryKey = u"KolFile10\\DLL";

// An address as the tables give it, an IPv4 one mapped.
ListeningSocket Socket(std::array<unsigned char, 16> address, unsigned port)
{
    return {address, port};
}

ListeningSocket Ipv4Socket(unsigned char a, unsigned char b, unsigned char c, unsigned char d,
                           unsigned port)
{
    return {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, a, b, c, d}, port};
}

// The sockets that listen now.
std::vector<ListeningSocket> listening;

// The inputs of a start of the launcher at Launcher with that line.
ExplainInputs Inputs(const std::u16string& line)
{
    ExplainInputs in;
    in.module = HostMainModule();
    in.launcherPath = Launcher;
    in.machine = 0x8664;
    in.systemFolder = SystemFolder;
    in.line = line;
    in.screenWidth = 240;
    in.screenHeight = 320;
    in.readFile = ReadFile;
    in.listeningSockets = [] { return listening; };
    in.isMarkHeld = [](const WCHAR* name) {
        return std::u16string(name) == u"Kol instance starting: y_run" ||
               std::u16string(name) == u"Kol machine starting on port 10";
    };
    return in;
}

TEST_F(ExplainTest, CarriesNothingOut)
{
    struct Case {
        const char* what;
        std::u16string line;
        std::function<void()> arrange;
        const char* reported;
        int exitCode;
    } cases[] = {
        {"bare start", u"", [] {},
         "KolFile10\\DLL = C:\\Program Files\\Demo\\Demo.DLL", 0},
        {"no argument: the default request", u"", [] {},
         "arguments: none, so the request is \"StartKol\"", 0},
        {"runtime", u"x", [] {}, "it exports KolMainW", 0},
        {"runtime without KolMainW", u"x", [] { AddProgram(Runtime, true, {"KolMain"}); },
         "message \"Could not find DLL entry routine \"KolMainW\"\" (\"Error Starting DLL\"), "
         "exit code -1", 1},
        {"runtime for another processor", u"x",
         [] {
             test_images::TestImage image;
             image.pe32Plus = false;
             image.dll = true;
             image.exports = {"KolMainW"};
             files[Runtime] = test_images::BuildImage(image);
         },
         "an x86 (32-bit) Kol.dll can't be loaded by this x64 (64-bit) launcher: it doesn't "
         "load", 1},
        // Its imports: in its own folder, beside the launcher or in the system folder, or
        // resolved by the system; never in the current folder.
        {"runtime whose import is missing", u"x",
         [] {
             AddProgram(Runtime, true, {"KolMainW"},
                        {"KERNEL32.dll", "Private.dll", "api-ms-win-crt-runtime-l1-1-0.dll",
                         "Gone.dll", "ext-ms-win-ntuser-window-l1-1-0.dll",
                         "API-MS-WIN-CORE-SYNCH-L1-2-0.DLL"});
             HostAddFile(u"Private.dll");
         },
         "it imports Private.dll, Gone.dll, found neither in its own folder, beside the "
         "launcher nor in the system folder (the current folder and PATH are never searched): "
         "it doesn't load",
         1},
        {"registered runtime with its imports beside it and the launcher", u"x",
         [] {
             WithoutRuntimeBeside();
             AddProgram(u"D:\\Rt\\Kol.dll", true, {"KolMainW"},
                        {"Private.dll", "Shared.dll", "KERNEL32.dll"});
             HostAddFile(u"D:\\Rt\\Private.dll");
             HostAddFile(u"C:\\Program Files\\Demo\\Shared.dll");
             HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"D:\\Rt\\Kol.dll");
         },
         "D:\\Rt\\Kol.dll, at its full path\n    it exports KolMainW", 0},
        {"runtime that can't be read", u"x", [] { files.clear(); },
         "message \"Could not find DLL: Kol.DLL\" (\"Error Loading DLL\"), exit code -1", 1},
        {"registration alone", u"+  ", [] {}, "and the start ends with exit code 0", 0},
        {"registration in place", u"+",
         [] {
             for (const auto& value : std::vector<std::pair<std::u16string, std::u16string>>{
                      {u"KolFile10", u"Kol Application"},
                      {u"KolFile10\\Shell\\Open\\Command",
                       u"\"" + std::u16string(Launcher) + u"\" \"%1\""},
                      {u"KolFile10\\DefaultIcon", std::u16string(Launcher) + u",-50"},
                      {LibraryKey, u"C:\\Program Files\\Demo\\Demo.DLL"},
                      {u".kol", u"KolFile10"}})
                 HostRegSetString(HKEY_CLASSES_ROOT, value.first, u"", value.second);
         },
         "HKEY_CLASSES_ROOT\\.kol = KolFile10 (in place already)\n  every value is in place "
         "already: nothing is written, and the shell isn't told\n", 0},
        {"running instance", u"x.kol", [] { HostAddForeignWindow(u"x_run"); },
         "a window of that class exists now", 0},
        {"a start of the instance under way", u"y.kol", [] {},
         "another start of y_run is under way: this start would wait up to 30 s for its window",
         0},
        {"a start of the machine under way", u"-acommand open",
         [] {
             HostRegSetDword(HKEY_LOCAL_MACHINE, u"Software\\Morvane\\KolVM", u"ServerPort", 10);
         },
         "another start of the machine for port 10 is under way: this start would wait up to "
         "30 s for the port to accept",
         0},
        {"port key absent", u"-acommand open", [] {}, "the launcher would create it", 0},
        {"listening machine", u"-acommand \"op\u0100\"",
         [] { HostRegSetDword(HKEY_LOCAL_MACHINE, u"Software\\Morvane\\KolVM", u"ServerPort", 9); },
         "first send (3 bytes): 6F 70 00", 0},
        {"launch line", u"doc.kol",
         [] {
             HostAddResource(HostMainModule(), u"LaunchLine", u"Text", "app.kol\r\n");
             AddProgram(u"C:\\Program Files\\Demo\\kolw.exe", false, {});
             HostAddFile(u"C:\\Program Files\\Demo\\app.kol");
         },
         "child's line: \"\"C:\\Program Files\\Demo\\app.kol\" doc.kol\"", 0},
        {"nothing to run", u"",
         [] { HostAddResource(HostMainModule(), u"LaunchLine", u"Text", "app.kol"); },
         "\"Cannot find Kol VM Executable\"", 1},
        {"only the launcher itself to run", u"",
         [] {
             HostAddResource(HostMainModule(), u"LaunchLine", u"Text", "app.kol");
             HostAddFile(Launcher);
             HostLinkFile(u"C:\\Program Files\\Demo\\kol.exe", Launcher);
         },
         "exit code -1\n  the launcher's own file, met among the candidates, is passed over", 1},
        // A bare start loads the library by the path that its own registration writes.
        {"the library that a bare start registers", u"",
         [] {
             WithoutRuntimeBeside();
             AddProgram(u"C:\\Program Files\\Demo\\Demo.DLL", true, {"KolMainW"});
         },
         "registered (KolFile10\\DLL, without enclosing quotes) \"C:\\Program Files\\Demo"
         "\\Demo.DLL\": C:\\Program Files\\Demo\\Demo.DLL, at its full path\n"
         "    it exports KolMainW",
         0},
        {"a registration that a bare start overwrites", u"",
         [] {
             WithoutRuntimeBeside();
             AddProgram(u"C:\\Old\\Kol.dll", true, {"KolMainW"});
             HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"C:\\Old\\Kol.dll");
         },
         "none loads", 1},
        {"a registration that a start with a line keeps", u"x",
         [] {
             WithoutRuntimeBeside();
             AddProgram(u"C:\\Old\\Kol.dll", true, {"KolMainW"});
             HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"C:\\Old\\Kol.dll");
         },
         "\\Old\\Kol.dll, at its full path", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        AddShippedSplash();
        files.clear();
        AddProgram(Runtime, true, {"KolMainW"});
        c.arrange();
        HostAddFile(std::u16string(SystemFolder) + u"\\KERNEL32.dll");
        std::u16string registered = HostRegGetString(HKEY_CLASSES_ROOT, LibraryKey, u"");
        listening = {Ipv4Socket(127, 0, 0, 1, 9)};
        Explanation explanation = ExplainStart(Inputs(c.line));
        EXPECT_NE(std::string::npos, explanation.report.find(c.reported)) << explanation.report;
        EXPECT_EQ(c.exitCode, explanation.exitCode) << explanation.report;
        for (const char* call : ActingCalls)
            EXPECT_FALSE(HostCalled(call)) << call << " in " << explanation.report;
        EXPECT_EQ(registered, HostRegGetString(HKEY_CLASSES_ROOT, LibraryKey, u""));
        EXPECT_EQ(!registered.empty(), HostRegKeyExists(HKEY_CLASSES_ROOT, u"KolFile10"));
    }
}

// The launcher connects to 127.0.0.1: a socket on every IPv6 address takes that only when
// its program made it take IPv4 too, which the system's tables don't tell.
TEST_F(ExplainTest, AForwardedCommandIsDeliveredToAListenerThatTakesIpv4)
{
    const std::array<unsigned char, 16> everyIpv6Address = {};
    const std::array<unsigned char, 16> ipv6Loopback = {0, 0, 0, 0, 0, 0, 0, 0,
                                                        0, 0, 0, 0, 0, 0, 0, 1};
    const char* const delivered = "  a machine listens there now: the command is delivered, "
                                  "and the start ends with exit code 0\n";
    const char* const nobody = "  nothing listens there now: the connection fails and no "
                               "window is looked for\n";
    const struct {
        const char* what;
        std::vector<ListeningSocket> sockets;
        const char* reported;
        int exitCode;  // 1: not delivered, and no runtime library loads
    } cases[] = {
        {"127.0.0.1 (or ::ffff:127.0.0.1)", {Ipv4Socket(127, 0, 0, 1, 9)}, delivered, 0},
        {"every IPv4 address", {Ipv4Socket(0, 0, 0, 0, 9)}, delivered, 0},
        {"every IPv6 address alone", {Socket(everyIpv6Address, 9)},
         "  a machine listens on IPv6 at that port (on every address, ::), and none on IPv4: "
         "the command reaches it only if that socket also takes IPv4, which the system's "
         "table of connections doesn't tell (Windows makes an IPv6 socket IPv6-only unless "
         "its program turns that off)\n"
         "  if it takes IPv4: the command is delivered, and the start ends with exit code 0\n"
         "  if not: the connection fails and no window is looked for\n"
         "  no other start of the machine for port 9 is under way",
         1},
        {"every IPv6 address and 127.0.0.1",
         {Socket(everyIpv6Address, 9), Ipv4Socket(127, 0, 0, 1, 9)}, delivered, 0},
        {"IPv6 loopback", {Socket(ipv6Loopback, 9)}, nobody, 1},
        {"another loopback address", {Ipv4Socket(127, 0, 0, 2, 9)}, nobody, 1},
        {"another port", {Ipv4Socket(127, 0, 0, 1, 10), Socket(everyIpv6Address, 10)}, nobody, 1},
        {"nothing", {}, nobody, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WithoutRuntimeBeside();
        HostRegSetDword(HKEY_LOCAL_MACHINE, u"Software\\Morvane\\KolVM", u"ServerPort", 9);
        listening = c.sockets;
        Explanation explanation = ExplainStart(Inputs(u"-acommand open"));
        EXPECT_NE(std::string::npos, explanation.report.find(c.reported)) << explanation.report;
        EXPECT_EQ(c.exitCode, explanation.exitCode) << explanation.report;
    }
}

// The launcher reads the registered library path with room for 255 bytes, and reads a
// longer value as an empty path, whether the start's registration wrote it or it was there.
TEST_F(ExplainTest, ARegisteredPathTooLongForTheLauncherLoadsNothing)
{
    const std::u16string path126 = u"D:\\" + std::u16string(119, u'a') + u".DLL";
    const std::u16string path127 = u"D:\\" + std::u16string(120, u'a') + u".DLL";
    const char* const tooLong = "  registered (KolFile10\\DLL): its value takes 256 bytes with "
                                "the NUL, more than the 255 that the launcher reads: it reads an "
                                "empty path, which loads nothing\n  none loads";
    const struct {
        const char* what;
        std::u16string line;      // blank: the start registers the launcher beside the library
        std::u16string library;   // the library's path, registered
        size_t registeredBytes;   // of the value already in the registry
        const char* reported;
        int exitCode;
    } cases[] = {
        {"registered by the start, 254 bytes", u"", path126, 0, "it exports KolMainW", 0},
        {"registered by the start, 256 bytes", u"", path127, 0, tooLong, 1},
        {"in the registry, 255 bytes", u"x", path126, 255, "it exports KolMainW", 0},
        {"in the registry, 256 bytes", u"x", path127, 256, tooLong, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WithoutRuntimeBeside();
        AddProgram(c.library, true, {"KolMainW"}, {});
        std::u16string value = c.library + std::u16string(2, u'\0');
        if (c.registeredBytes != 0)
            HostRegSetValue(HKEY_CLASSES_ROOT, LibraryKey, u"", REG_SZ, value.data(),
                            c.registeredBytes);
        ExplainInputs in = Inputs(c.line);
        in.launcherPath = c.library.substr(0, c.library.size() - 4) + u".exe";
        Explanation explanation = ExplainStart(in);
        EXPECT_NE(std::string::npos, explanation.report.find(c.reported)) << explanation.report;
        EXPECT_EQ(c.exitCode, explanation.exitCode) << explanation.report;
    }
}

// The window's title is the first SplashScreenTitle, which CONFIG's entries show: it isn't
// shown twice, however long it is.
TEST_F(ExplainTest, TheSplashTitleIsShownOnce)
{
    const std::string title(1000, 't');
    const struct {
        const char* what;
        std::string config;
        std::string title;
        const char* window;
    } cases[] = {
        {"a title", "SplashScreenTitle=" + title + "|SplashScreen=139x136;SPLASHSCREEN1", title,
         "  window at 50,92, 139x136, titled by the first SplashScreenTitle; the start waits"},
        {"none", "SplashScreen=139x136;SPLASHSCREEN1", "My Splash Screen",
         "  window at 50,92, 139x136, titled \"My Splash Screen\"; the start waits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WithoutRuntimeBeside();
        ForgetLoadedConfig();
        HostAddResource(HostMainModule(), u"CONFIG", u"Text", c.config);
        std::string report = ExplainStart(Inputs(u"x")).report;
        EXPECT_NE(std::string::npos, report.find(c.window)) << report;
        EXPECT_EQ(report.find(c.title), report.rfind(c.title));
    }
}

}  // namespace
