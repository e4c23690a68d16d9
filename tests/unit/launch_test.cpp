// Launch-line mode: the child's command line, the choice of executable, the child process
// and its exit code, and the two failures.
#include "support.h"

#include "external/launch.h"
#include "launcher/main.h"

#include <algorithm>

namespace {

const char16_t* const Launcher = u"\\Program Files\\Demo\\Demo.exe";
const char16_t* const Beside = u"\\Program Files\\Demo\\";
const char16_t* const LibraryKey = u"KolFile10\\DLL";
const char16_t* const FindFailure = u"Cannot find Kol VM Executable";
const char16_t* const RunFailure = u"Cannot run Kol VM Executable";
HINSTANCE const Instance = (HINSTANCE)(uintptr_t)0x4000;

std::u16string Blanks(std::u16string text)
{
    std::replace(text.begin(), text.end(), u'_', u' ');
    return text;
}

struct CompositionCase {
    std::u16string launchLine;
    std::u16string childLine;
};

class LaunchTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        HostSetModulePath(Launcher);
    }

    int Run(const std::u16string& launchLine, HMODULE module = HostMainModule())
    {
        line = launchLine;
        return RunExternalVm((const WCHAR*)line.c_str(), module, Instance);
    }

    // The one child's command line; fails the test without exactly one child.
    std::u16string ChildLine()
    {
        std::vector<HostProcessCall> calls = HostProcessCalls();
        EXPECT_EQ(1u, calls.size());
        return calls.empty() ? u"(no child)" : calls[0].commandLine;
    }

    std::u16string ChildApplication()
    {
        std::vector<HostProcessCall> calls = HostProcessCalls();
        return calls.size() == 1 ? calls[0].application : u"(not one child)";
    }

    void ExpectOnlyBox(const char16_t* text)
    {
        std::vector<HostMessageBox> boxes = HostMessageBoxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(NULL, boxes[0].owner);
        EXPECT_EQ(text, boxes[0].text);
        EXPECT_EQ(u"Kol Launcher Error", boxes[0].caption);
        EXPECT_EQ(MB_OK, boxes[0].style);
    }

    // Each launch line composed afresh, with these files and folders beside the launcher.
    void ExpectCompositions(const std::vector<CompositionCase>& cases,
                            const std::vector<std::u16string>& files,
                            const std::vector<std::u16string>& folders = {})
    {
        for (const CompositionCase& c : cases) {
            SCOPED_TRACE(Show(c.launchLine));
            HostReset();
            HostSetModulePath(Launcher);
            for (const std::u16string& file : files)
                HostAddFile(Beside + file);
            for (const std::u16string& folder : folders)
                HostAddDirectory(Beside + folder);
            EXPECT_EQ(0, Run(Blanks(c.launchLine)));
            EXPECT_EQ(Blanks(c.childLine), ChildLine());
        }
    }

    std::u16string line;
};

// The worked examples: launch line and child's line, blanks written as "_".
TEST_F(LaunchTest, CompositionExamples)
{
    const std::vector<CompositionCase> cases = {
        {u"app.kol -debug", u"\"\\Program Files\\Demo\\app.kol\" -debug"},
        {u"__-x___\"My_Doc.kol\"___'a_b'__", u"-x_\"\\Program_Files\\Demo\\My_Doc.kol\"_'a_b'"},
        {u"'My Doc.kol'", u"\"\\Program Files\\Demo\\My Doc.kol\""},
        {u"missing.kol APP.KOL .kol", u"missing.kol APP.KOL .kol"},
        {u"\"a b\"c -opt=\"x y\"", u"\"a b\" c -opt=\"x y\""},
        {u"two.kol app.kol",
         u"\"\\Program Files\\Demo\\two.kol\" \"\\Program Files\\Demo\\app.kol\""},
        {u"sub\\one.kol two.kol", u"\"\\Program Files\\Demo\\sub\\one.kol\" two.kol"},
        {u"", u""},
        {u"  \t \t", u""},
    };
    ExpectCompositions(cases,
                       {u"kolw.exe", u"app.kol", u"My Doc.kol", u"two.kol", u"sub\\one.kol"});
}

// Composition rules beyond the worked examples, with a.kol, App.Kol and aXkol beside the
// launcher.
TEST_F(LaunchTest, CompositionEdges)
{
    const std::vector<CompositionCase> cases = {
        {u"a\tb\t\t'c\td e'", u"a b 'c\td e'"},
        {u".kol a.kol", u".kol \"\\Program Files\\Demo\\a.kol\""},
        {u"App.Kol APP.KOL", u"App.Kol APP.KOL"},
        {u"\\My Documents\\a.kol", u"\\My Documents\\a.kol"},
        {u"\\a.kol", u"\"\\Program Files\\Demo\\\\a.kol\""},
        {u"folder.kol", u"folder.kol"},
        {u"\"x'y\" 'p\"q'", u"\"x'y\" 'p\"q'"},
        {u"\"unclosed rest", u"\"unclosed rest\""},
        {u"a\"b c", u"a\"b c"},
        {u"''", u"''"},
        {u"\"a.kol\"\"b\"", u"\"\\Program Files\\Demo\\a.kol\" \"b\""},
        {u"line\r\nbreak", u"line\r\nbreak"},
        {u"aXkol", u"aXkol"},
    };
    ExpectCompositions(cases, {u"kol.exe", u"a.kol", u"\\a.kol", u"App.Kol", u"aXkol"},
                       {u"folder.kol"});
}

// The worked examples of the executable choice, same launcher; then the launcher's own
// file, passed over as if it were absent under whatever name: a launcher named "Kol.exe"
// would otherwise run itself without end.
struct ExecutableCase {
    std::vector<std::u16string> existing;
    const char16_t* registered;  // null: nothing registered
    const char16_t* application;  // null: "Cannot find Kol VM Executable"
    const char16_t* launcher = Launcher;
    bool kolIsLauncher = false;  // "kol.exe" beside it is another name of the launcher's file
};

TEST_F(LaunchTest, ExecutableChoiceExamples)
{
    const std::u16string kolw = std::u16string(Beside) + u"kolw.exe";
    const std::u16string kol = std::u16string(Beside) + u"kol.exe";
    const ExecutableCase cases[] = {
        {{kolw, kol, u"\\Windows\\Kolw.exe"}, u"\\Windows\\Kol.DLL",
         u"\\Program Files\\Demo\\kolw.exe"},
        {{kolw, kol}, nullptr, u"\\Program Files\\Demo\\kolw.exe"},
        {{kol, u"\\Windows\\Kolw.exe"}, u"\\Windows\\Kol.DLL", u"\\Program Files\\Demo\\kol.exe"},
        {{kol}, nullptr, u"\\Program Files\\Demo\\kol.exe"},
        {{u"\\Windows\\Kolw.exe", u"\\Windows\\Kol.exe"}, u"\\Windows\\Kol.DLL",
         u"\\Windows\\Kolw.exe"},
        {{u"\\Windows\\Kol.exe"}, u"\\Windows\\Kolw.DLL", u"\\Windows\\Kol.exe"},
        {{u"\\Windows\\KolW.exe"}, u"\\Windows\\KolW.DLL", u"\\Windows\\KolW.exe"},
        {{u"\\Windows\\Kolw.exe"}, nullptr, nullptr},
        {{}, u"\\Windows\\Kol.DLL", nullptr},
        {{}, u"\\Program Files\\Demo\\Kol.DLL", nullptr, u"\\Program Files\\Demo\\Kol.exe"},
        {{}, u"\"\\Program Files\\Demo\\kol.dll\"", nullptr, u"\\Program Files\\Demo\\KOL.EXE"},
        {{u"\\Windows\\Kol.exe"}, u"\\Windows\\Kol.DLL", u"\\Windows\\Kol.exe",
         u"\\Program Files\\Demo\\Kol.exe"},
        {{kol}, nullptr, u"\\Program Files\\Demo\\kol.exe", u"\\Program Files\\Demo\\kolw.exe"},
        {{u"\\Windows\\Kolw.exe"}, u"\\Windows\\Kol.DLL", u"\\Windows\\Kolw.exe", Launcher, true},
    };
    for (const ExecutableCase& c : cases) {
        SCOPED_TRACE(Show(c.launcher) + ", " +
                     Show(c.registered ? c.registered : u"(not registered)") + " with " +
                     std::to_string(c.existing.size()) + " files" +
                     (c.kolIsLauncher ? " and kol.exe its other name" : ""));
        HostReset();
        HostSetModulePath(c.launcher);
        HostAddFile(c.launcher);
        for (const std::u16string& file : c.existing)
            HostAddFile(file);
        if (c.kolIsLauncher)
            HostLinkFile(kol, c.launcher);
        if (c.registered != nullptr)
            HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", c.registered);
        HostSetProcessOutcome(true, 3);
        if (c.application == nullptr) {
            EXPECT_EQ(-1, Run(u"x"));
            ExpectOnlyBox(FindFailure);
            EXPECT_TRUE(HostProcessCalls().empty());
        } else {
            EXPECT_EQ(3, Run(u"x"));
            EXPECT_EQ(c.application, ChildApplication());
            EXPECT_TRUE(HostMessageBoxes().empty());
        }
    }
}

TEST_F(LaunchTest, ChildGetsTheArgumentsAloneAndNothingElse)
{
    HostAddFile(u"\\Program Files\\Demo\\kolw.exe");
    EXPECT_EQ(0, Run(u""));
    std::vector<HostProcessCall> calls = HostProcessCalls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(u"\\Program Files\\Demo\\kolw.exe", calls[0].application);
    EXPECT_TRUE(calls[0].hasCommandLine) << "an empty line, never a null one";
    EXPECT_EQ(u"", calls[0].commandLine);
    EXPECT_TRUE(calls[0].nullSecurity);
    EXPECT_EQ(FALSE, calls[0].inheritHandles);
    EXPECT_EQ(0u, calls[0].creationFlags);
    EXPECT_TRUE(calls[0].nullEnvironment);
    EXPECT_TRUE(calls[0].nullCurrentDirectory);
    EXPECT_TRUE(calls[0].nullStartupInfo);
}

TEST_F(LaunchTest, WaitsWithoutLimitAndPassesTheExitCodeThrough)
{
    HostAddFile(u"\\Program Files\\Demo\\kolw.exe");
    const DWORD codes[] = {0, 1, 7, 0x7FFFFFFF, 0x80000000, 0x80000005, 0xFFFFFFFE};
    for (DWORD code : codes) {
        SCOPED_TRACE(code);
        HostSetProcessOutcome(true, code);
        EXPECT_EQ((int)code, Run(u"a"));
        std::vector<HostWaitCall> waits = HostWaitCalls();
        ASSERT_FALSE(waits.empty());
        EXPECT_EQ(INFINITE, waits.back().milliseconds);
        EXPECT_TRUE(HostMessageBoxes().empty());
    }
}

TEST_F(LaunchTest, UnreadableExitCodeGivesMinusOne)
{
    HostAddFile(u"\\Program Files\\Demo\\kolw.exe");
    HostSetProcessOutcome(true, 5, true);
    EXPECT_EQ(-1, Run(u"a"));
    EXPECT_TRUE(HostMessageBoxes().empty());
}

TEST_F(LaunchTest, ChildThatCannotStart)
{
    HostAddFile(u"\\Program Files\\Demo\\kolw.exe");
    HostSetProcessOutcome(false, 0);
    EXPECT_EQ(-1, Run(u"a"));
    ExpectOnlyBox(RunFailure);
    EXPECT_FALSE(HostCalled("WaitForSingleObject"));
}

TEST_F(LaunchTest, NothingToRunAndNothingRegistered)
{
    EXPECT_EQ(-1, Run(u"app.kol"));
    ExpectOnlyBox(FindFailure);
    EXPECT_FALSE(HostCalled("CreateProcessW"));
}

TEST_F(LaunchTest, RegistryIsNotReadWhenAnExecutableIsBesideTheLauncher)
{
    HostAddFile(u"\\Program Files\\Demo\\kol.exe");
    HostRegFail(HKEY_CLASSES_ROOT, LibraryKey, HostRegOpen);
    EXPECT_EQ(0, Run(u"a"));
    EXPECT_TRUE(HostRegCalls().empty());
}

// The splash comes up before any box, so a failure shows while it does.
TEST_F(LaunchTest, SplashStartsBeforeTheMessageBox)
{
    HostAddResource(HostMainModule(), u"CONFIG", u"Text", "SplashScreenTitle=Kol");
    HostFailModulePath();  // nothing else reads the resources first
    EXPECT_EQ(-1, Run(u"a"));
    std::vector<std::string> log = HostCallLog();
    auto box = std::find(log.begin(), log.end(), "MessageBoxW");
    ASSERT_NE(log.end(), box);
    auto resources = std::find(log.begin(), log.end(), "FindResourceW");
    ASSERT_NE(log.end(), resources) << "the splash never looked for its CONFIG";
    EXPECT_LT(resources - log.begin(), box - log.begin()) << "the splash reads its CONFIG first";
}

TEST_F(LaunchTest, LauncherInTheRootFolder)
{
    HostSetModulePath(u"\\Demo.exe");
    HostAddFile(u"\\kol.exe");
    HostAddFile(u"\\app.kol");
    EXPECT_EQ(0, Run(u"app.kol"));
    EXPECT_EQ(u"\\kol.exe", ChildApplication());
    EXPECT_EQ(u"\"\\app.kol\"", ChildLine());
    std::vector<std::u16string> probes = {u"\\kolw.exe", u"\\kol.exe", u"\\app.kol"};
    EXPECT_EQ(probes, HostFileQueries());
}

TEST_F(LaunchTest, LauncherPathWithoutSeparator)
{
    HostSetModulePath(u"Demo.exe");
    HostAddFile(u"kolw.exe");
    HostAddFile(u"app.kol");
    HostAddFile(u"\\Windows\\Kol.exe");
    HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"\\Windows\\Kol.DLL");
    EXPECT_EQ(0, Run(u"app.kol"));
    EXPECT_EQ(u"\\Windows\\Kol.exe", ChildApplication()) << "nothing is probed beside it";
    EXPECT_EQ(u"\"app.kol\"", ChildLine()) << "the document is looked up by its own text";
}

TEST_F(LaunchTest, WithoutLauncherPathNeitherProbeNorDocuments)
{
    HostAddFile(u"\\Program Files\\Kol\\kolw.exe");
    HostAddFile(u"\\Program Files\\Kol\\app.kol");
    HostAddFile(u"app.kol");
    HostAddFile(u"\\Windows\\Kolw.exe");
    HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"\\Windows\\Kol.DLL");
    std::vector<std::u16string> onlyTheRuntimeBase = {u"\\Windows\\Kolw.exe"};

    HostFailModulePath();
    EXPECT_EQ(0, Run(u"app.kol"));
    EXPECT_EQ(u"\\Windows\\Kolw.exe", ChildApplication());
    EXPECT_EQ(u"app.kol", ChildLine());
    EXPECT_EQ(onlyTheRuntimeBase, HostFileQueries());

    HostReset();
    HostAddFile(u"\\Windows\\Kolw.exe");
    HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"\\Windows\\Kol.DLL");
    EXPECT_EQ(0, Run(u"app.kol", NULL));
    EXPECT_EQ(u"app.kol", ChildLine());
    EXPECT_EQ(onlyTheRuntimeBase, HostFileQueries());
    EXPECT_FALSE(HostCalled("GetModuleFileNameW")) << "a null module has no path to ask for";
}

// A path cut short by the 260-character buffer names another folder: it isn't used.
TEST_F(LaunchTest, CutLauncherPathCountsAsUnknown)
{
    std::u16string folder = u"\\" + std::u16string(258, u'd');
    HostSetModulePath(folder + u"\\Demo.exe");
    HostAddFile(u"\\Windows\\Kolw.exe");
    HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"\\Windows\\Kol.DLL");
    EXPECT_EQ(0, Run(u"a.kol"));
    EXPECT_EQ(u"\\Windows\\Kolw.exe", ChildApplication());
    EXPECT_EQ(std::vector<std::u16string>{u"\\Windows\\Kolw.exe"}, HostFileQueries());
}

// "UseJavaVM=true" locates the Java runtime and kol.jar, beside the launcher, else beside
// the runtime base; the child stays the same.
TEST_F(LaunchTest, JavaRouteLooksButChangesNothing)
{
    const char16_t* javaKey = u"SOFTWARE\\JavaSoft\\Java Runtime Environment";
    const struct {
        const char* what;
        std::u16string jar;
        std::vector<std::u16string> looked;
    } cases[] = {
        {"kol.jar nowhere", u"",
         {u"\\Java\\bin\\javaw.exe", u"\\Program Files\\Demo\\kol.jar", u"\\Windows\\kol.jar",
          u"\\Program Files\\Demo\\kolw.exe", u"\\Program Files\\Demo\\app.kol"}},
        {"kol.jar beside the launcher", u"\\Program Files\\Demo\\kol.jar",
         {u"\\Java\\bin\\javaw.exe", u"\\Program Files\\Demo\\kol.jar",
          u"\\Program Files\\Demo\\kolw.exe", u"\\Program Files\\Demo\\app.kol"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        HostSetModulePath(Launcher);
        HostAddResource(HostMainModule(), u"CONFIG", u"Text", "UseJavaVM=true");
        HostRegSetString(HKEY_LOCAL_MACHINE, javaKey, u"CurrentVersion", u"1.6");
        HostRegSetString(HKEY_LOCAL_MACHINE, std::u16string(javaKey) + u"\\1.6", u"JavaHome",
                         u"\\Java");
        HostAddFile(u"\\Java\\bin\\javaw.exe");
        HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"\\Windows\\Kol.DLL");
        HostAddFile(u"\\Program Files\\Demo\\kolw.exe");
        HostAddFile(u"\\Program Files\\Demo\\app.kol");
        if (!c.jar.empty())
            HostAddFile(c.jar);
        EXPECT_EQ(0, Run(u"app.kol -x"));
        EXPECT_EQ(u"\\Program Files\\Demo\\kolw.exe", ChildApplication());
        EXPECT_EQ(u"\"\\Program Files\\Demo\\app.kol\" -x", ChildLine());
        EXPECT_EQ(c.looked, HostFileQueries());
    }
}

TEST_F(LaunchTest, JavaRouteOnlyForExactlyTrue)
{
    for (const char* config : {"UseJavaVM=True", "UseJavaVM=true ", "UseJavaVM", "Other=true"}) {
        SCOPED_TRACE(config);
        HostReset();
        ForgetLoadedConfig();
        HostSetModulePath(Launcher);
        HostAddResource(HostMainModule(), u"CONFIG", u"Text", config);
        HostAddFile(u"\\Program Files\\Demo\\kolw.exe");
        EXPECT_EQ(0, Run(u"a"));
        EXPECT_TRUE(HostRegCalls().empty()) << "no Java runtime is looked up";
        std::vector<std::u16string> probe = {u"\\Program Files\\Demo\\kolw.exe"};
        EXPECT_EQ(probe, HostFileQueries());
    }
}

// WinMain hands a "LaunchLine" launcher's merged line to the launch-line mode.
TEST_F(LaunchTest, WinMainRunsTheLaunchLine)
{
    HostAddResource(HostMainModule(), u"LaunchLine", u"TEXT", "app.kol -debug\r\n");
    HostAddFile(u"\\Program Files\\Demo\\kolw.exe");
    HostAddFile(u"\\Program Files\\Demo\\app.kol");
    HostAddFile(u"\\Program Files\\Demo\\doc.kol");
    HostSetProcessOutcome(true, 0x80000001);
    std::u16string user = u"doc.kol";
    EXPECT_EQ((int)0x80000001, WinMain(Instance, NULL, (LPWSTR)&user[0], 5));
    EXPECT_EQ(u"\"\\Program Files\\Demo\\app.kol\" -debug \"\\Program Files\\Demo\\doc.kol\"",
              ChildLine());
    EXPECT_TRUE(HostLoadLibraryCalls().empty()) << "no runtime library in this mode";
    EXPECT_TRUE(HostRegCalls().empty()) << "nor registration";
}

}  // namespace
