// kolbrand --explain over the stand-in: whatever the start would do, explaining it carries
// nothing out. (Its reports are checked against real starts under Wine.)
#include "support.h"

#include "tools/kolbrand/explain.h"

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
         "KolFile10\\DLL = C:\\\\Program Files\\\\Demo\\\\Demo.DLL", 0},
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
                         "Gone.dll"});
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
         "D:\\\\Rt\\\\Kol.dll, at its full path\n    it exports KolMainW", 0},
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
         "child's line: \"\"C:\\\\Program Files\\\\Demo\\\\app.kol\" doc.kol\"", 0},
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
         "registered (KolFile10\\DLL, without enclosing quotes) \"C:\\\\Program Files\\\\Demo"
         "\\\\Demo.DLL\": C:\\\\Program Files\\\\Demo\\\\Demo.DLL, at its full path\n"
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
         "\\\\Old\\\\Kol.dll, at its full path", 0},
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
        ExplainInputs in;
        in.module = HostMainModule();
        in.launcherPath = Launcher;
        in.machine = 0x8664;
        in.systemFolder = SystemFolder;
        in.line = c.line;
        in.screenWidth = 240;
        in.screenHeight = 320;
        in.readFile = ReadFile;
        in.isListening = [](unsigned port) { return port == 9; };
        in.isMarkHeld = [](const WCHAR* name) {
            return std::u16string(name) == u"Kol instance starting: y_run" ||
                   std::u16string(name) == u"Kol machine starting on port 10";
        };
        Explanation explanation = ExplainStart(in);
        EXPECT_NE(std::string::npos, explanation.report.find(c.reported)) << explanation.report;
        EXPECT_EQ(c.exitCode, explanation.exitCode) << explanation.report;
        for (const char* call : ActingCalls)
            EXPECT_FALSE(HostCalled(call)) << call << " in " << explanation.report;
        EXPECT_EQ(registered, HostRegGetString(HKEY_CLASSES_ROOT, LibraryKey, u""));
        EXPECT_EQ(!registered.empty(), HostRegKeyExists(HKEY_CLASSES_ROOT, u"KolFile10"));
    }
}

}  // namespace
