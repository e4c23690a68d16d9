// Finding the machine's files: registry strings, the runtime base, the Java launcher and
// "kol.jar", and the file test they share.
#include "support.h"

#include "external/discovery.h"
#include "registry/filetype.h"

namespace {

const char16_t* const LibraryKey = u"KolFile10\\DLL";
const char16_t* const JavaKey = u"SOFTWARE\\JavaSoft\\Java Runtime Environment";
const std::u16string Poison = u"before:";

// A GrowString that already holds text, so that appending and leaving alone both show.
struct Output {
    GrowString s;
    explicit Output(const std::u16string& start = Poison)
    {
        NewGrowString(&s);
        AppendString(&s, (const WCHAR*)start.c_str(), -1);
    }
    ~Output() { free(s.text); }
    std::u16string Text() const { return s.text; }
};

std::u16string Repeat(char16_t c, size_t count)
{
    return std::u16string(count, c);
}

class DiscoveryTest : public HostTest {};

TEST_F(DiscoveryTest, IsExistingFileWantsAFileNotADirectory)
{
    HostAddFile(u"\\a\\plain.txt");
    HostAddFile(u"\\a\\readonly.txt", FILE_ATTRIBUTE_READONLY);
    HostAddFile(u"\\a\\zero", 0);
    HostAddDirectory(u"\\a\\folder");
    HostAddFile(u"\\a\\archived folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
    const struct {
        const char16_t* path;
        int expected;
    } cases[] = {
        {u"\\a\\plain.txt", 1},   {u"\\a\\readonly.txt", 1}, {u"\\a\\zero", 1},
        {u"\\a\\folder", 0},      {u"\\a\\archived folder", 0}, {u"\\a\\missing", 0},
        {u"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, IsExistingFile((const WCHAR*)c.path)) << Show(c.path);
}

// Each value is appended after what the string held.
TEST_F(DiscoveryTest, ReadRegistryStringSizes)
{
    const std::u16string longest = Repeat(u'x', 129);
    const std::u16string tooLong = Repeat(u'y', 130);
    // 130 characters stored without their NUL fill the 260 bytes exactly.
    const std::u16string unterminated = Repeat(u'z', 130);
    HostRegSetString(HKEY_LOCAL_MACHINE, u"T", u"longest", longest);
    HostRegSetString(HKEY_LOCAL_MACHINE, u"T", u"tooLong", tooLong);
    HostRegSetValue(HKEY_LOCAL_MACHINE, u"T", u"unterminated", REG_SZ, unterminated.data(), 260);
    HostRegSetValue(HKEY_LOCAL_MACHINE, u"T", u"inner", REG_SZ, u"ab\0cd", 12);
    HostRegSetDword(HKEY_LOCAL_MACHINE, u"T", u"number", 0x00410042);
    HostRegSetValue(HKEY_LOCAL_MACHINE, u"T", u"empty", REG_SZ, u"", 0);
    const struct {
        const char16_t* name;
        int expected;
        std::u16string text;
    } cases[] = {
        {u"longest", 1, longest},
        {u"tooLong", 0, u""},
        {u"unterminated", 1, unterminated},
        {u"inner", 1, u"ab"},
        {u"number", 1, u"BA"},
        {u"empty", 1, u""},
        {u"missing", 0, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.name));
        Output out;
        EXPECT_EQ(c.expected, ReadRegistryString(&out.s, HKEY_LOCAL_MACHINE, (const WCHAR*)u"T",
                                                 (const WCHAR*)c.name));
        EXPECT_EQ(Poison + c.text, out.Text());
    }
    EXPECT_EQ(0, HostRegOpenHandles());
}

TEST_F(DiscoveryTest, ReadRegistryStringFailsOnAKeyThatWontOpen)
{
    Output out;
    EXPECT_EQ(0, ReadRegistryString(&out.s, HKEY_LOCAL_MACHINE, (const WCHAR*)u"Absent",
                                    (const WCHAR*)u"Name"));
    HostRegSetString(HKEY_LOCAL_MACHINE, u"Locked", u"Name", u"text");
    HostRegFail(HKEY_LOCAL_MACHINE, u"Locked", HostRegOpen);
    EXPECT_EQ(0, ReadRegistryString(&out.s, HKEY_LOCAL_MACHINE, (const WCHAR*)u"Locked",
                                    (const WCHAR*)u"Name"));
    HostRegSetString(HKEY_LOCAL_MACHINE, u"Unreadable", u"Name", u"text");
    HostRegFail(HKEY_LOCAL_MACHINE, u"Unreadable", HostRegQuery);
    EXPECT_EQ(0, ReadRegistryString(&out.s, HKEY_LOCAL_MACHINE, (const WCHAR*)u"Unreadable",
                                    (const WCHAR*)u"Name"));
    EXPECT_EQ(Poison, out.Text());
    EXPECT_EQ(0, HostRegOpenHandles()) << "the key is closed after a failed query too";
}

TEST_F(DiscoveryTest, RuntimeBaseFromTheRegisteredLibrary)
{
    const struct {
        std::u16string registered;
        int expected;
        std::u16string base;
    } cases[] = {
        {u"\\Windows\\Kol.DLL", 1, u"\\Windows\\Kol"},
        {u"\"\\Windows\\Kol.DLL\"", 1, u"\\Windows\\Kol"},
        {u"\\Windows\\Kol", 1, u"\\Windows"},
        {u"\"\\Windows\\Kol.DLLx", 1, u"\\Windows\\Kol"},
        {u"a.DLL", 1, u"a"},
        {u"\"a.DLL\"", 1, u"a"},
        {u".DLL", 0, u""},
        {u"\"a.DL\"", 0, u""},
        {u"\"\"", 0, u""},
        {u"\"", 0, u""},
        {u"", 0, u""},
        {u"\\" + Repeat(u'k', 124) + u".DLL", 1, u"\\" + Repeat(u'k', 124)},
        {u"\\" + Repeat(u'k', 125) + u".DLL", 0, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.registered));
        HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", c.registered);
        Output out;
        EXPECT_EQ(c.expected, FindRuntimeBase(&out.s));
        EXPECT_EQ(Poison + c.base, out.Text());
    }
    EXPECT_EQ(0, HostRegOpenHandles());
}

TEST_F(DiscoveryTest, RuntimeBaseReadsTheClassKeysDefaultValue)
{
    Output out;
    EXPECT_EQ(0, FindRuntimeBase(&out.s)) << "nothing registered";
    HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"Other", u"\\Windows\\Kol.DLL");
    EXPECT_EQ(0, FindRuntimeBase(&out.s)) << "only the default value counts";
    EXPECT_EQ(Poison, out.Text());
    std::vector<HostRegCall> calls = HostRegCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(HKEY_CLASSES_ROOT, calls[0].root);
    EXPECT_EQ(u"kolfile10\\dll", calls[0].path);
}

TEST_F(DiscoveryTest, RuntimeBaseKeyNameThatCannotBeMadeReadsNoRegistry)
{
    HostRegSetString(HKEY_CLASSES_ROOT, u"", u"", u"\\Windows\\Kol.DLL");
    Output out;
    HostFailAllocation(1);
    EXPECT_EQ(0, FindRuntimeBase(&out.s));
    HostFailAllocation(0);
    EXPECT_EQ(Poison, out.Text());
    EXPECT_TRUE(HostRegCalls().empty()) << "the classes root's own value is never read";
}

// One JavaHome and the files that exist: the candidates tested, in order, and the result.
struct JavaCase {
    std::u16string home;
    std::vector<std::u16string> existing;
    std::vector<std::u16string> tested;
    std::u16string found;  // empty: FindJavaLauncher fails
};

void ExpectJavaCase(const JavaCase& c, int line)
{
    SCOPED_TRACE(testing::Message() << "case at line " << line << ": " << Show(c.home));
    HostReset();
    HostRegSetString(HKEY_LOCAL_MACHINE, JavaKey, u"CurrentVersion", u"1.6");
    HostRegSetString(HKEY_LOCAL_MACHINE, std::u16string(JavaKey) + u"\\1.6", u"JavaHome",
                     c.home);
    for (const std::u16string& file : c.existing)
        HostAddFile(file);
    Output out;
    EXPECT_EQ(c.found.empty() ? 0 : 1, FindJavaLauncher(&out.s));
    EXPECT_EQ(Poison + c.found, out.Text());
    EXPECT_EQ(c.tested, HostFileQueries());
}

TEST_F(DiscoveryTest, JavaLauncherCandidates)
{
    const std::u16string x86 = u"\\Program Files (x86)\\Java\\jre6\\bin\\javaw.exe";
    const std::u16string plain = u"\\Program Files\\Java\\jre6\\bin\\javaw.exe";
    const JavaCase cases[] = {
        {u"\\Program Files\\Java\\jre6", {}, {x86, plain}, u""},
        {u"\\Program Files\\Java\\jre6", {plain}, {x86, plain}, plain},
        {u"\\Program Files\\Java\\jre6", {x86, plain}, {x86}, x86},
        {u"/Program Files/Java/jre6", {},
         {u"/Program Files (x86)/Java/jre6\\bin\\javaw.exe",
          u"/Program Files/Java/jre6\\bin\\javaw.exe"},
         u""},
        {u"\\Program Files (x86)\\Java\\jre6", {x86}, {x86}, x86},
        {u"\\Java\\jre", {u"\\Java\\jre\\bin\\javaw.exe"}, {u"\\Java\\jre\\bin\\javaw.exe"},
         u"\\Java\\jre\\bin\\javaw.exe"},
        {u"\\PROGRAM FILES\\Java", {}, {u"\\PROGRAM FILES\\Java\\bin\\javaw.exe"}, u""},
        {u"/Program Files/a\\Program Files\\b", {},
         {u"/Program Files/a\\Program Files (x86)\\b\\bin\\javaw.exe",
          u"/Program Files/a\\Program Files\\b\\bin\\javaw.exe"},
         u""},
        {u"\\Program Files", {}, {u"\\Program Files\\bin\\javaw.exe"}, u""},
        {u"", {u"\\bin\\javaw.exe"}, {u"\\bin\\javaw.exe"}, u"\\bin\\javaw.exe"},
    };
    for (const JavaCase& c : cases)
        ExpectJavaCase(c, __LINE__);
}

TEST_F(DiscoveryTest, JavaLauncherThatIsADirectoryDoesNotCount)
{
    HostRegSetString(HKEY_LOCAL_MACHINE, JavaKey, u"CurrentVersion", u"1.6");
    HostRegSetString(HKEY_LOCAL_MACHINE, std::u16string(JavaKey) + u"\\1.6", u"JavaHome",
                     u"\\Java");
    HostAddDirectory(u"\\Java\\bin\\javaw.exe");
    Output out;
    EXPECT_EQ(0, FindJavaLauncher(&out.s));
    EXPECT_EQ(Poison, out.Text());
}

TEST_F(DiscoveryTest, JavaLauncherNeedsBothRegistryValues)
{
    const std::u16string versionTooLong = Repeat(u'9', 130);
    const struct {
        std::u16string version;
        bool withHome;
    } cases[] = {{versionTooLong, true}, {u"1.6", false}, {u"", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.version));
        HostReset();
        HostRegSetString(HKEY_LOCAL_MACHINE, JavaKey, u"CurrentVersion", c.version);
        if (c.withHome)
            HostRegSetString(HKEY_LOCAL_MACHINE, std::u16string(JavaKey) + u"\\" + c.version,
                             u"JavaHome", u"\\Java");
        HostAddFile(u"\\Java\\bin\\javaw.exe");
        Output out;
        EXPECT_EQ(0, FindJavaLauncher(&out.s));
        EXPECT_EQ(Poison, out.Text());
        EXPECT_TRUE(HostFileQueries().empty()) << "no file is tested";
        EXPECT_EQ(0, HostRegOpenHandles());
    }
}

TEST_F(DiscoveryTest, KolJarBesideTheSource)
{
    HostAddFile(u"\\Program Files\\Demo\\kol.jar");
    const struct {
        std::u16string source;
        std::u16string candidate;
        int expected;
    } cases[] = {
        {u"\\Program Files\\Demo\\Demo.exe", u"\\Program Files\\Demo\\kol.jar", 1},
        {u"\\Program Files\\Other\\Demo.exe", u"\\Program Files\\Other\\kol.jar", 0},
        {u"\\Demo.exe", u"\\kol.jar", 0},
        {u"Storage:Demo.exe", u"Storage:kol.jar", 0},
        {u"Demo", u"kol.jar", 0},
        {u"", u"kol.jar", 0},
        {u"\\Program Files\\Demo\\", u"\\Program Files\\Demo\\kol.jar", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.source));
        Output source(c.source);
        Output out;  // emptied first: the poison goes
        EXPECT_EQ(c.expected, FindKolJar(&source.s, &out.s));
        EXPECT_EQ(c.candidate, out.Text());
        EXPECT_EQ(c.source, source.Text());
    }
}

}  // namespace
