// Merging of the embedded command line with the user's, and WinMain's choice of resource.
#include "support.h"

#include "launcher/main.h"
#include "launcher/merge.h"

namespace {

// Blanks in the cases are written as ␣, as in the worked examples.
std::u16string Blanks(const std::string& utf8)
{
    std::u16string text = W(utf8);
    for (char16_t& c : text) {
        if (c == u'\u2423')
            c = u' ';
    }
    return text;
}

class MergeTest : public HostTest {
protected:
    // Merges with a "CommandLine" resource holding the bytes. The user's line sits in an
    // allocation of exactly its size, so that a read past its NUL trips the sanitizer.
    std::u16string Merge(const std::string& resource, const std::u16string& user)
    {
        HostAddResource(HostMainModule(), u"CommandLine", u"Text", resource);
        HRSRC found = FindResourceW(HostMainModule(), TEXT("CommandLine"), TEXT("Text"));
        EXPECT_NE(nullptr, found);
        size_t bytes = (user.size() + 1) * sizeof(WCHAR);
        WCHAR* line = (WCHAR*)malloc(bytes);
        memcpy(line, user.c_str(), bytes);
        WCHAR* merged = MergeCommandLine(HostMainModule(), found, line);
        EXPECT_NE(line, merged) << "a new line, not the user's";
        EXPECT_EQ(user, std::u16string(line)) << "the user's line is only read";
        std::u16string result(merged);
        free(line);
        return result;
    }
};

TEST_F(MergeTest, WorkedExamples)
{
    struct Case {
        const char* user;
        const char* result;
    } cases[] = {
        {"", "app.kol␣start"},
        {"␣␣␣", "␣app.kol␣start"},
        {"doc.kol", "␣app.kol␣start␣doc.kol"},
        {"␣␣doc.kol␣␣x␣", "␣app.kol␣start␣doc.kol␣␣x␣"},
        {"-+", "␣app.kol␣start␣-+"},
        {"-+x", "x␣␣app.kol␣start"},
        {"-+␣-x", "-x␣␣app.kol␣start"},
        {"-+␣-x␣doc.kol", "-x␣doc.kol␣␣app.kol␣start"},
        {"-+␣-x␣--␣doc.kol", "-x␣␣app.kol␣start␣doc.kol"},
        {"/+␣-x␣/-␣doc.kol␣y", "-x␣␣app.kol␣start␣doc.kol␣y"},
        {"-+␣-x␣\"a␣b\"␣--␣c", "-x␣\"a␣b\"␣␣app.kol␣start␣c"},
        {"-+␣'a␣\"b'␣c", "'a␣\"b'␣c␣␣app.kol␣start"},
        {"-+␣--␣doc.kol", "␣app.kol␣start␣doc.kol"},
        {"-+␣--x␣y", "--x␣y␣␣app.kol␣start"},
        {"-+--", "␣app.kol␣start"},
        {"-+␣", "␣app.kol␣start"},
        {"-+␣a\"b␣c\"d␣e", "a\"b␣c\"d␣e␣␣app.kol␣start"},
        {"-+␣\"a␣b", "\"a␣b␣␣app.kol␣start"},
    };
    // The embedded line alone, and followed by more lines that must not count.
    for (const char* resource : {"app.kol start", "app.kol start\r\nother.kol more\r\n"}) {
        for (const Case& c : cases) {
            EXPECT_EQ(Blanks(c.result), Merge(resource, Blanks(c.user)))
                << "user line [" << c.user << "], resource [" << Show(W(resource)) << "]";
        }
    }
}

TEST_F(MergeTest, OnlyTheResourcesFirstLineIsEmbedded)
{
    struct Case {
        std::string resource;
        std::u16string embedded;
    } cases[] = {
        {"first\r\nsecond", u"first"},
        {"first\nsecond", u"first"},
        {"first\rsecond", u"first"},
        {std::string("first\0second", 12), u"first"},
        {"", u""},
        {std::string("\0first", 6), u""},
        {"\rfirst", u""},
        {"\nfirst", u""},
        {"\t tabbed \t", u"\t tabbed \t"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.embedded, Merge(c.resource, u"")) << Show(W(c.resource));
        EXPECT_EQ(u" " + c.embedded + u" doc.kol", Merge(c.resource, u"doc.kol"))
            << Show(W(c.resource));
    }
}

TEST_F(MergeTest, HighBytesWidenAsSigned)
{
    EXPECT_EQ(u"caf\uFFE9", Merge("caf\xE9", u""));
    EXPECT_EQ(u"\uFF80\uFFFF\u007F", Merge("\x80\xFF\x7F", u""));
    // 0x8A and 0x8D are LF and CR with the high bit set: they end nothing.
    EXPECT_EQ(u" a\uFF8Ab\uFF8Dc x", Merge("a\x8A" "b\x8D" "c", u"x"));
}

TEST_F(MergeTest, TabsAreOrdinaryCharacters)
{
    EXPECT_EQ(u" app \t-+ -x", Merge("app", u"\t-+ -x")) << "no marker after a tab";
    EXPECT_EQ(u"-x\t--  app", Merge("app", u"-+ -x\t-- ")) << "no terminator before a tab";
    EXPECT_EQ(u"a\tb  app c", Merge("app", u"-+ a\tb -- c"));
}

TEST_F(MergeTest, NoLengthLimit)
{
    const int size = 100000;
    std::string resource(size, 'r');
    std::u16string user(size, u'u');
    EXPECT_EQ(u" " + W(resource) + u" " + user, Merge(resource, user));

    std::u16string options = u"-+ " + std::u16string(size, u'o') + u" -- " + user;
    EXPECT_EQ(std::u16string(size, u'o') + u"  " + W(resource) + u" " + user,
              Merge(resource, options));
}

TEST_F(MergeTest, UnloadableResourceGivesTheUsersLineItself)
{
    HostAddResource(HostMainModule(), u"CommandLine", u"Text", "app.kol start");
    HostFailResourceLoad(HostMainModule(), u"CommandLine", u"Text");
    HRSRC found = FindResourceW(HostMainModule(), TEXT("CommandLine"), TEXT("Text"));
    WCHAR line[] = u"-+ -x doc.kol";
    EXPECT_EQ(line, MergeCommandLine(HostMainModule(), found, line));
    EXPECT_EQ(u"-+ -x doc.kol", std::u16string(line));
}

TEST_F(MergeTest, UnwidenableResourceGivesTheUsersLineItself)
{
    HostAddResource(HostMainModule(), u"CommandLine", u"Text", "app.kol start");
    HRSRC found = FindResourceW(HostMainModule(), TEXT("CommandLine"), TEXT("Text"));
    WCHAR line[] = u"doc.kol";
    HostFailAllocation(1);
    EXPECT_EQ(line, MergeCommandLine(HostMainModule(), found, line));
}

// WinMain's choice between the two resources, seen from the runtime's line.
std::u16string runtimeLine;
int runtimeCalls;

int RecordingKolMain(HINSTANCE, HINSTANCE, WCHAR* commandLine, int, HMODULE, HMODULE)
{
    runtimeCalls++;
    runtimeLine = commandLine;
    return 3;
}

class EmbeddedEntryTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        HostAddLibrary(u"Kol.dll", RecordingKolMain);
        runtimeCalls = 0;
        runtimeLine.clear();
    }

    int Run(std::u16string line)
    {
        return WinMain(HostMainModule(), NULL, &line[0], 5);
    }
};

TEST_F(EmbeddedEntryTest, CommandLineResourceIsMergedForTheRuntime)
{
    HostAddResource(HostMainModule(), u"CommandLine", u"TEXT", "app.kol start\r\n");
    EXPECT_EQ(3, Run(u"-+ -x -- doc.kol"));
    EXPECT_EQ(1, runtimeCalls);
    EXPECT_EQ(u"-x  app.kol start doc.kol", runtimeLine);
}

TEST_F(EmbeddedEntryTest, CommandLineWinsOverLaunchLine)
{
    HostAddResource(HostMainModule(), u"CommandLine", u"Text", "in.kol");
    HostAddResource(HostMainModule(), u"LaunchLine", u"Text", "out.kol");
    EXPECT_EQ(3, Run(u"doc.kol"));
    EXPECT_EQ(1, runtimeCalls);
    EXPECT_EQ(u" in.kol doc.kol", runtimeLine);
}

TEST_F(EmbeddedEntryTest, LaunchLineAloneLeavesTheRuntimeAlone)
{
    HostAddResource(HostMainModule(), u"LaunchLine", u"Text", "-jar kol.jar");
    Run(u"");
    EXPECT_EQ(0, runtimeCalls);
    EXPECT_FALSE(HostRegKeyExists(HKEY_CLASSES_ROOT, u"KolFile10")) << "no registration";
}

TEST_F(EmbeddedEntryTest, EmptyEmbeddedLineStillAsksForRegistration)
{
    HostAddResource(HostMainModule(), u"CommandLine", u"Text", "\r\nignored");
    EXPECT_EQ(3, Run(u""));
    EXPECT_EQ(u"", runtimeLine);
    EXPECT_EQ(u"KolFile10", HostRegGetString(HKEY_CLASSES_ROOT, u".kol", u""));
}

TEST_F(EmbeddedEntryTest, UnloadableCommandLineKeepsTheUsersLine)
{
    HostAddResource(HostMainModule(), u"CommandLine", u"Text", "app.kol");
    HostFailResourceLoad(HostMainModule(), u"CommandLine", u"Text");
    EXPECT_EQ(3, Run(u"doc.kol"));
    EXPECT_EQ(u"doc.kol", runtimeLine);
}

}  // namespace
