#include "tools/kolbrand/explain.h"

#include "external/discovery.h"
#include "external/plan.h"
#include "handoff/port.h"
#include "handoff/starting.h"
#include "handoff/request.h"
#include "launcher/runtime.h"
#include "launcher/start.h"
#include "registry/filetype.h"
#include "splash/bitmap.h"
#include "splash/config.h"
#include "splash/splash.h"
#include "text/strings.h"
#include "tools/kolbrand/bitmaps.h"
#include "tools/kolbrand/executable.h"
#include "tools/kolbrand/listing.h"
#include "tools/kolbrand/text.h"

#include <ctype.h>
#include <stdio.h>

#include <vector>

// ---- Text -----------------------------------------------------------------------------

static std::u16string Units(const WCHAR* text)
{
    std::u16string units;
    for (; *text != 0; text++)
        units += (char16_t)*text;
    return units;
}

// A NUL-terminated copy that the launcher's functions may take as their own.
static std::vector<WCHAR> Buffer(const std::u16string& text)
{
    std::vector<WCHAR> buffer(text.begin(), text.end());
    buffer.push_back(0);
    return buffer;
}

static std::string Shown(const WCHAR* text)
{
    return ShownUnits(Units(text));
}

// Narrow text as the launcher widens it, one character per byte.
static std::string ShownWidened(const char* text)
{
    WCHAR* wide = WidenString(text, -1);
    return wide != NULL ? Shown(wide) : "";
}

// Quoted, so that leading and trailing blanks show.
static std::string Quoted(const WCHAR* text)
{
    return "\"" + Shown(text) + "\"";
}

static std::string Count(size_t count, const char* what)
{
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

static std::string Hex(unsigned value, int digits)
{
    char text[16];
    snprintf(text, sizeof(text), "%0*X", digits, value);
    return text;
}

static std::string HexBytes(const char* bytes, int length)
{
    std::string text;
    for (int i = 0; i < length; i++)
        text += (i == 0 ? "" : " ") + Hex((unsigned char)bytes[i], 2);
    return text;
}

// Every line of text indented by two more blanks.
static std::string Indented(const std::string& text)
{
    std::string indented;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        indented += "  " + text.substr(at, end - at);
        at = end;
    }
    return indented;
}

// ---- The start line -------------------------------------------------------------------

static std::string DescribeStartLine(const ExplainInputs& in, const StartLine& start)
{
    std::string text = std::string("mode: ") +
                       (start.mode == LaunchLineMode ? "launch-line" : "in-process") + "\n";
    if (start.embedded == NULL) {
        text += "embedded line: none\n";
    } else {
        const char* data = (const char*)LoadResource(in.module, start.embedded);
        std::string resource;
        if (data != NULL)
            resource.assign(data, SizeofResource(in.module, start.embedded));
        text += DescribeLine(start.mode == LaunchLineMode ? "LaunchLine" : "CommandLine",
                             resource);
    }
    return text + "effective line: " + Quoted(start.line) + " (" +
           Count(Units(start.line).size(), "character") + ")\n";
}

// ---- Registration ---------------------------------------------------------------------

static const char* const RegistrationOutcomes[] = {
    "registration: none (the line holds more than blanks and isn't \"+\" alone)\n",
    "registration: the document type is registered, then the start goes on\n",
    "registration: the document type is registered, and the start ends with exit code 0\n",
};

// Returns 1 when the start ends with the registration; *library receives the runtime
// library's path that it registers, NUL-terminated, or stays empty.
static int ExplainRegistration(const ExplainInputs& in, const WCHAR* line,
                               std::vector<WCHAR>* library, Explanation* out)
{
    RegistrationRequest request = RegistrationRequested(line);
    out->report += RegistrationOutcomes[request];
    if (request == NoRegistration)
        return 0;
    std::vector<WCHAR> path = Buffer(in.launcherPath);
    ClassDefault values[RegisteredValueCount];
    ComposeRegistration(path.data(), values);
    int written = 0;
    for (const ClassDefault& value : values) {
        if (value.keyName == NULL || value.text == NULL)
            continue;
        int inPlace = IsClassDefaultInPlace(&value);
        written += !inPlace;
        out->report += "  HKEY_CLASSES_ROOT\\" + Utf8FromUtf16(Units(value.keyName)) + " = " +
                       Shown(value.text) + (inPlace ? " (in place already)" : "") + "\n";
    }
    out->report += written == 0 ? "  every value is in place already: nothing is written, and "
                                  "the shell isn't told\n"
                                : "  the values not in place are written, and the shell is told "
                                  "that associations changed\n";
    if (values[LibraryValue].text != NULL)
        *library = Buffer(Units(values[LibraryValue].text));
    if (values[CommandValue].text == NULL)
        out->report += "  (the launcher's path is too long to register whole: its opener, "
                       "icon and library path are skipped)\n";
    FreeRegistration(values);
    return request == RegisterAndEnd;
}

// ---- Hand-off -------------------------------------------------------------------------

static std::string DescribeArguments(const HandOffPlan& plan)
{
    if (plan.isDefault)
        return "  arguments: none, so the request is \"StartKol\"\n";
    std::string text = "  arguments:";
    for (int i = 0; i < plan.count; i++)
        text += " [" + Shown(plan.arguments[i]) + "]";
    return text + "\n";
}

static std::string DescribePort(int keyExists, DWORD port)
{
    if (!keyExists)
        return "  server port: HKEY_LOCAL_MACHINE\\Software\\Morvane\\KolVM doesn't exist; "
               "the launcher would create it, empty\n";
    if (port == 0)
        return "  server port: HKEY_LOCAL_MACHINE\\Software\\Morvane\\KolVM \"ServerPort\" "
               "is absent or 0\n";
    return "  server port: HKEY_LOCAL_MACHINE\\Software\\Morvane\\KolVM \"ServerPort\" = " +
           std::to_string(port) + ", so TCP port " + std::to_string(PortOfSetting(port)) + "\n";
}

// The port without creating the key, as the launcher would: 0 when the key can't be
// opened (absent: the launcher would create it), else 1 with *port the setting or 0.
static int LookUpServerPort(DWORD* port)
{
    HKEY key;
    *port = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ServerPortKey, 0, 0, &key) != ERROR_SUCCESS)
        return 0;
    *port = ReadPortValue(key);
    return 1;
}

// Whether another start is starting the instance now (it holds the mark), and so whether
// this one would wait for it before it goes on.
static std::string DescribeStartUnderWay(const std::string& instance, const WCHAR* markName,
                                         const std::string& awaited, const ExplainInputs& in)
{
    std::string bound = std::to_string(StartingWaitMilliseconds / 1000) + " s";
    if (markName != NULL && in.isMarkHeld(markName))
        return "  another start of " + instance + " is under way: this start would wait up to " +
               bound + " for " + awaited + ", hand over to it once it is there (exit code 0), "
               "and go on only without it\n";
    return "  no other start of " + instance + " is under way: this one marks it as starting, "
           "and starts meanwhile wait for it, at most " + bound + "\n";
}

// What listens where the launcher connects, 127.0.0.1 at a port.
enum Listener {
    NoListener,
    Ipv4Listener,     // takes the connection
    Ipv6AnyListener,  // on every IPv6 address alone: takes it only if made to take IPv4 too
};

// What each listener means for the command; where it isn't taken, the start goes on.
static const char* const ListenerReports[] = {
    "  nothing listens there now: the connection fails and no window is looked for\n",
    "  a machine listens there now: the command is delivered, and the start ends with exit "
    "code 0\n",
    "  a machine listens on IPv6 at that port (on every address, ::), and none on IPv4: the "
    "command reaches it only if that socket also takes IPv4, which the system's table of "
    "connections doesn't tell (Windows makes an IPv6 socket IPv6-only unless its program "
    "turns that off)\n"
    "  if it takes IPv4: the command is delivered, and the start ends with exit code 0\n"
    "  if not: the connection fails and no window is looked for\n",
};

typedef std::array<unsigned char, 16> Address;
static const Address Ipv4Loopback = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 127, 0, 0, 1};
static const Address EveryIpv4Address = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0};
static const Address EveryIpv6Address = {};

// Who takes a connection to 127.0.0.1 at port among the listening sockets: one on
// 127.0.0.1 or every IPv4 address does, and so does an IPv6 socket on ::ffff:127.0.0.1,
// which takes IPv4 always; one on every IPv6 address (::) may. Other loopback addresses
// (127.0.0.2, ::1) take none.
static Listener ListenerAt(const std::vector<ListeningSocket>& sockets, unsigned port)
{
    Listener found = NoListener;
    for (const ListeningSocket& socket : sockets) {
        if (socket.port != port)
            continue;
        if (socket.address == Ipv4Loopback || socket.address == EveryIpv4Address)
            return Ipv4Listener;
        if (socket.address == EveryIpv6Address)
            found = Ipv6AnyListener;
    }
    return found;
}

// Returns 1 when the start ends with the command delivered.
static int ExplainForwarding(const ExplainInputs& in, const HandOffPlan& plan, Explanation* out)
{
    int option = plan.request.commandOption;
    out->report += "  \"" + Shown(plan.arguments[option]) + "\" asks to forward the argument "
                   "after it to a running machine\n";
    DWORD port = 0;
    int keyExists = LookUpServerPort(&port);
    out->report += DescribePort(keyExists, port);
    const WCHAR* command = CommandToForward(&plan, port);
    if (command == NULL) {
        out->report += std::string("  nothing is sent (") +
                       (option == plan.count - 1 ? "no argument follows" : "no port") +
                       "), no window is looked for, and the start goes on\n";
        return 0;
    }
    int length = TextLength(command);
    char* payload = NarrowCommand(command, length);
    unsigned tcpPort = PortOfSetting(port);
    out->report += "  to 127.0.0.1 port " + std::to_string(tcpPort) + ", first send (" +
                   Count((size_t)length, "byte") + "): " + HexBytes(payload, length) + "\n" +
                   "  second send (1 byte): 0A\n";
    Listener listener = ListenerAt(in.listeningSockets(), tcpPort);
    out->report += ListenerReports[listener];
    if (listener == Ipv4Listener)
        return 1;
    out->report += DescribeStartUnderWay("the machine for port " + std::to_string(tcpPort),
                                         PortStartingMarkName(port), "the port to accept", in) +
                   "  otherwise the start goes on with the line unchanged\n";
    return 0;
}

// Returns 1 when a running instance takes the start.
static int ExplainHandOff(const ExplainInputs& in, const WCHAR* line, Explanation* out)
{
    out->report += "hand-off:\n";
    HandOffPlan plan;
    if (!SplitStartRequest(line, &plan)) {
        out->report += "  out of memory: the start goes on\n";
        return 0;
    }
    out->report += DescribeArguments(plan);
    plan.request = ScanStartRequest(plan.arguments, plan.count);
    if (plan.request.commandOption >= 0)
        return ExplainForwarding(in, plan, out);
    std::string instance = plan.request.instanceName != NULL
                               ? "\"" + Shown(plan.request.instanceName) + "\""
                               : "none named, so \"StartKol\"";
    WCHAR* windowClass = InstanceWindowClass(&plan);
    out->report += "  instance: " + instance + ", window class \"" + Shown(windowClass) + "\"\n";
    if (FindWindowW(windowClass, NULL) != NULL) {
        out->report += "  a window of that class exists now: it is brought forward and posted "
                       "WM_USER + 14, and the start ends with exit code 0\n";
        return 1;
    }
    out->report += "  no window of that class exists now: the start goes on\n" +
                   DescribeStartUnderWay(Shown(windowClass), InstanceStartingMarkName(windowClass),
                                         "its window", in);
    return 0;
}

// ---- Splash ---------------------------------------------------------------------------

static std::string DescribeScreen(const ExplainInputs& in)
{
    return "  screen: " + std::to_string(in.screenWidth) + "x" +
           std::to_string(in.screenHeight) + (in.screenGiven ? " (--screen)" : " (this display)") +
           "\n";
}

// The window's title: the first SplashScreenTitle, which CONFIG's entries above show
// already (a long one is no clearer twice), or the launcher's own.
static std::string DescribeTitle(const ConfigTable* table)
{
    const char* title = SplashTitle(table);
    for (int i = 0; i < table->count; i++) {
        if (table->values[i] == title)
            return "titled by the first SplashScreenTitle";
    }
    return "titled \"" + ShownWidened(title) + "\"";
}

// The bitmap's verdict and the window, or why there is no splash.
static std::string DescribeSplashBitmap(const ExplainInputs& in, const ConfigTable* table,
                                        const SplashResource& found)
{
    std::string text = "  entry taken: " + std::to_string(found.entry.width) + "x" +
                       std::to_string(found.entry.height) + ", bitmap \"" +
                       ShownWidened(found.entry.resourceName) + "\"\n";
    if (found.data == NULL)
        return text + "  no SplashScreen resource of that name: no splash, and no wait\n";
    BitmapHeader header;
    SplashBitmap bitmap{found.entry.resourceName,
                        std::string((const char*)found.data, (size_t)found.length), ""};
    std::string refusal = SplashRefusal(bitmap, &header);
    if (!refusal.empty())
        return text + "  bitmap refused: " + refusal + ": no splash, and no wait\n";
    SplashRect rect = SplashWindowRect(in.screenWidth, in.screenHeight, header.width,
                                       header.height);
    return text + "  bitmap: " + std::to_string(header.width) + "x" +
           std::to_string(header.height) + ", " + std::to_string(header.bitsPerPixel) +
           " bits per pixel, accepted\n  window at " + std::to_string(rect.x) + "," +
           std::to_string(rect.y) + ", " + std::to_string(rect.width) + "x" +
           std::to_string(rect.height) + ", " + DescribeTitle(table) +
           "; the start waits for its first paint, at most 3 seconds\n";
}

static void ExplainSplash(const ExplainInputs& in, Explanation* out)
{
    ConfigTable* table = LoadConfig(in.module);
    out->report += "splash:\n";
    if (table != NULL)
        out->report += Indented(DescribeConfigEntries(ConfigEntriesOf(table)));
    out->report += DescribeScreen(in);
    SplashResource found;
    if (table == NULL)
        out->report += "  no CONFIG resource: no splash, and no wait\n";
    else if (!FindSplashResource(in.module, table, in.screenWidth, in.screenHeight, &found))
        out->report += "  no SplashScreen entry: no splash, and no wait\n";
    else
        out->report += DescribeSplashBitmap(in, table, found);
}

// ---- Runtime library ------------------------------------------------------------------

// Room for a library's path built on the launcher's, as the launcher's own search has.
enum { LibraryRoom = 2 * 260 };

static const char* const LibrarySources[] = {
    "not found beside the launcher nor in the system folder",
    "beside the launcher",
    "in the system folder",
    "at its full path",
};

// A name of the import directory, one character per byte, as the loader takes it.
static std::u16string Bytewise(const std::string& name)
{
    std::u16string units;
    for (unsigned char c : name)
        units += (char16_t)c;
    return units;
}

// The system resolves the names of its API sets itself, without a file of that name.
static bool IsApiSet(const std::string& name)
{
    std::string prefix = name.substr(0, 4);
    for (char& c : prefix)
        c = (char)tolower((unsigned char)c);
    return prefix == "api-" || prefix == "ext-";
}

// Whether the launcher's load of the library at file finds a library that it imports: in
// the library's own folder, beside the launcher or in the system folder, and never in the
// current folder nor on PATH (the load's search, platform/win32/bridge.cpp).
static bool FindsImport(const ExplainInputs& in, const WCHAR* file, const std::string& name)
{
    if (IsApiSet(name))
        return true;
    std::vector<WCHAR> import = Buffer(Bytewise(name));
    std::vector<WCHAR> launcher = Buffer(in.launcherPath);
    std::vector<WCHAR> system = Buffer(in.systemFolder);
    WCHAR found[LibraryRoom];
    return FindLibraryFile(file, system.data(), import.data(), found, LibraryRoom) !=
               LibraryNotFound ||
           FindLibraryFile(launcher.data(), system.data(), import.data(), found, LibraryRoom) !=
               LibraryNotFound;
}

// The libraries that the library at file imports and that its load wouldn't find, joined.
static std::string MissingImports(const ExplainInputs& in, const WCHAR* file,
                                  const std::vector<std::string>& imports)
{
    std::string missing;
    for (const std::string& name : imports) {
        if (!FindsImport(in, file, name))
            missing += (missing.empty() ? "" : ", ") + ShownUnits(Bytewise(name));
    }
    return missing;
}

static std::string FileName(const WCHAR* path)
{
    std::u16string units = Units(path);
    return ShownUnits(units.substr(units.find_last_of(u"\\/") + 1));
}

// Why the launcher couldn't load the library at file: "" when it is a library of the
// launcher's processor whose imports its load finds.
static std::string LoadProblem(const ExplainInputs& in, const WCHAR* file,
                               const std::string& bytes, ExecutableImage* image)
{
    std::string problem;
    std::vector<std::string> imports;
    if (!ReadExecutable(bytes, image, &problem))
        return "it " + problem;
    if (image->machine != in.machine)
        return "an " + ArchitectureName(image->machine) + " " + FileName(file) +
               " can't be loaded by this " + ArchitectureName(in.machine) + " launcher";
    if (!ReadImports(bytes, *image, &imports, &problem))
        return "it " + problem;
    std::string missing = MissingImports(in, file, imports);
    if (!missing.empty())
        return "it imports " + missing + ", found neither in its own folder, beside the "
               "launcher nor in the system folder (the current folder and PATH are never "
               "searched)";
    return "";
}

// Returns 1 when the library of this attempt loads, and says what follows.
static int ExplainLibrary(const ExplainInputs& in, int attempt, const WCHAR* name,
                          Explanation* out)
{
    std::vector<WCHAR> launcher = Buffer(in.launcherPath);
    std::vector<WCHAR> system = Buffer(in.systemFolder);
    WCHAR file[LibraryRoom];
    LibrarySource source =
        FindLibraryFile(launcher.data(), system.data(), name, file, LibraryRoom);
    out->report += std::string(attempt == 0 ? "  by name " : "  registered (KolFile10\\DLL, "
                                                            "without enclosing quotes) ") +
                   Quoted(name) + ": ";
    if (source == LibraryNotFound) {
        out->report += std::string(LibrarySources[source]) + "\n";
        return 0;
    }
    out->report += Shown(file) + ", " + LibrarySources[source] + "\n";
    std::string bytes;
    ExecutableImage image;
    std::string problem = in.readFile(Units(file), &bytes) ? LoadProblem(in, file, bytes, &image)
                                                           : "it can't be read";
    if (!problem.empty()) {
        out->report += "    " + problem + ": it doesn't load\n";
        return 0;
    }
    if (ExportsFunction(bytes, image, "KolMainW", &problem)) {
        out->report += "    it exports KolMainW, which gets the effective line; its result is "
                       "the exit code\n";
        return 1;
    }
    out->report += "    it doesn't export KolMainW" + (problem.empty() ? "" : " (" + problem + ")") +
                   ": message \"Could not find DLL entry routine \"KolMainW\"\" (\"Error "
                   "Starting DLL\"), exit code -1\n";
    out->exitCode = 1;
    return 1;
}

// Whether the launcher's read of the registered library path takes a value of that many
// bytes, its NUL among them; it reads one that doesn't fit its buffer as an empty path.
static bool FitsRegisteredRead(size_t bytes)
{
    return bytes <= RegisteredPathBytes;
}

// The bytes of the registered library path that the launcher reads: the value that the
// start's own registration writes, else the one in the registry now (0 when there is none).
static size_t RegisteredValueBytes(const std::vector<WCHAR>& registered)
{
    if (!registered.empty())
        return registered.size() * sizeof(WCHAR);
    std::vector<WCHAR> keyName = Buffer(Units(KolFile10) + u"\\DLL");
    HKEY key;
    DWORD size = 0;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyName.data(), 0, 0, &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExW(key, NULL, NULL, NULL, NULL, &size) != ERROR_SUCCESS)
        size = 0;
    RegCloseKey(key);
    return size;
}

// What the launcher reads back of its own registration of the library, as its read of
// the registry leaves SharedPathBuffer.
static const WCHAR* ReadBackRegistration(const std::vector<WCHAR>& library)
{
    if (FitsRegisteredRead(library.size() * sizeof(WCHAR)))
        memcpy(SharedPathBuffer, library.data(), library.size() * sizeof(WCHAR));
    else
        SharedPathBuffer[0] = 0;
    return TakeRegisteredPath();
}

// The name of each attempt as the launcher meets it once the start's registration, if
// any, has written its path.
static const WCHAR* LibraryName(int attempt, const std::vector<WCHAR>& registered)
{
    if (attempt == 1 && !registered.empty())
        return ReadBackRegistration(registered);
    return RuntimeLibraryName(attempt);
}

static std::string DescribeRegisteredTooLong(size_t bytes)
{
    return "  registered (KolFile10\\DLL): its value takes " + std::to_string(bytes) +
           " bytes with the NUL, more than the " + std::to_string(RegisteredPathBytes) +
           " that the launcher reads: it reads an empty path, which loads nothing\n";
}

static void ExplainRuntime(const ExplainInputs& in, const std::vector<WCHAR>& registered,
                           Explanation* out)
{
    out->report += "runtime library:\n";
    const WCHAR* name;
    for (int attempt = 0; (name = LibraryName(attempt, registered)) != NULL; attempt++) {
        // The launcher's read gives an empty path for a value too long for it.
        size_t bytes = attempt == 1 && name[0] == 0 ? RegisteredValueBytes(registered) : 0;
        if (!FitsRegisteredRead(bytes))
            out->report += DescribeRegisteredTooLong(bytes);
        else if (ExplainLibrary(in, attempt, name, out))
            return;
    }
    out->report += "  none loads: message \"Could not find DLL: Kol.DLL\" (\"Error Loading "
                   "DLL\"), exit code -1\n";
    out->exitCode = 1;
}

// ---- Launch-line mode ---------------------------------------------------------------------

static std::string DescribeFound(const GrowString& path, int found)
{
    return Shown(path.text) + (found ? " (found)" : " (not found)");
}

static std::string DescribeJava(const JavaRuntime& java)
{
    if (!java.wanted)
        return "";
    std::string text = "  UseJavaVM=true: javaw.exe: ";
    if (!java.launcherFound)
        return text + "not found\n";
    return text + DescribeFound(java.launcher, 1) + ", kol.jar: " +
           DescribeFound(java.jar, java.jarFound) +
           "; neither is used: the machine still runs as its own executable\n";
}

static std::string DescribeExecutableRule(const LaunchPlan& plan)
{
    if (plan.rule == ExecutableBesideLauncher)
        return "beside the launcher";
    GrowString base;
    NewGrowString(&base);
    FindRuntimeBase(&base);
    return "named after the registered runtime library (KolFile10\\DLL) by its base \"" +
           Shown(base.text) + "\", with \"w.exe\", else \".exe\"; a base ending in a "
           "lower-case \"w\" loses it first";
}

static std::string DescribePassedOver(const LaunchPlan& plan)
{
    return plan.launcherPassedOver ? "  the launcher's own file, met among the candidates, is "
                                     "passed over: a launcher never runs itself\n"
                                   : "";
}

// Whether the executable at path would start: a program, not a library, that reads whole.
static std::string ExecutableProblem(const ExplainInputs& in, const std::u16string& path)
{
    std::string bytes;
    std::string problem;
    ExecutableImage image;
    if (!in.readFile(path, &bytes))
        return "it can't be read";
    if (!ReadExecutable(bytes, &image, &problem))
        return "it " + problem;
    return image.dll ? "it is a library, not a program" : "";
}

static void ExplainLaunchLine(const ExplainInputs& in, const WCHAR* line, Explanation* out)
{
    std::vector<WCHAR> path = Buffer(in.launcherPath);
    LaunchPlan plan;
    PlanLaunch(&plan, line, in.module, path.data());
    out->report += "launch line: the machine runs as a child process\n" + DescribeJava(plan.java) +
                   "  child's line: " + Quoted(plan.commandLine.text) + "\n";
    ExplainSplash(in, out);
    if (!FindFallbackExecutable(&plan)) {
        out->report += "executable: none beside the launcher (kolw.exe, kol.exe), nor named after "
                       "a registered runtime library: message \"Cannot find Kol VM "
                       "Executable\" (\"Kol Launcher Error\"), exit code -1\n" +
                       DescribePassedOver(plan);
        out->exitCode = 1;
        return;
    }
    out->report += "executable: " + Shown(plan.executable.text) + ", " +
                   DescribeExecutableRule(plan) + "\n" + DescribePassedOver(plan);
    std::string problem = ExecutableProblem(in, Units(plan.executable.text));
    if (!problem.empty()) {
        out->report += "  " + problem + ": message \"Cannot run Kol VM Executable\" (\"Kol "
                       "Launcher Error\"), exit code -1\n";
        out->exitCode = 1;
        return;
    }
    out->report += "  the launcher waits for it without a time limit; its exit code is the "
                   "launcher's\n";
}

// ---- The start --------------------------------------------------------------------------

static void ExplainInProcess(const ExplainInputs& in, const WCHAR* line, Explanation* out)
{
    std::vector<WCHAR> registered;
    if (ExplainRegistration(in, line, &registered, out) || ExplainHandOff(in, line, out))
        return;
    ExplainSplash(in, out);
    ExplainRuntime(in, registered, out);
}

Explanation ExplainStart(const ExplainInputs& in)
{
    Explanation out;
    std::vector<WCHAR> userLine = Buffer(in.line);
    out.report = "launcher: " + ShownUnits(in.launcherPath) + "\ncommand line: \"" +
                 ShownUnits(in.line) + "\"\n";
    StartLine start = SettleStartLine(in.module, userLine.data());
    out.report += DescribeStartLine(in, start);
    if (start.mode == LaunchLineMode)
        ExplainLaunchLine(in, start.line, &out);
    else
        ExplainInProcess(in, start.line, &out);
    return out;
}
