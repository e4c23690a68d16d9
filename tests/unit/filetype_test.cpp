// File-type registration: the five values, each key on its own, and the shared buffer.
#include "support.h"

#include "registry/filetype.h"

namespace {

const char16_t* const ClassKey = u"KolFile10";
const char16_t* const CommandKey = u"KolFile10\\Shell\\Open\\Command";
const char16_t* const IconKey = u"KolFile10\\DefaultIcon";
const char16_t* const LibraryKey = u"KolFile10\\DLL";
const char16_t* const ExtensionKey = u".kol";
const char16_t* const AllKeys[] = {ClassKey, CommandKey, IconKey, LibraryKey, ExtensionKey};

// The key's default value is exactly this REG_SZ text, NUL included, and nothing more.
void ExpectDefault(const std::u16string& key, const std::u16string& text, int line)
{
    SCOPED_TRACE(testing::Message() << "checked at line " << line);
    HostRegValue value;
    ASSERT_TRUE(HostRegGetValue(HKEY_CLASSES_ROOT, key, u"", &value)) << Show(key);
    EXPECT_EQ((DWORD)REG_SZ, value.type) << Show(key);
    std::vector<BYTE> expected((const BYTE*)text.c_str(),
                               (const BYTE*)text.c_str() + (text.size() + 1) * 2);
    EXPECT_EQ(expected, value.data) << Show(key) << " holds " << Show(
        HostRegGetString(HKEY_CLASSES_ROOT, key, u""));
}
#define EXPECT_DEFAULT(key, text) ExpectDefault(key, text, __LINE__)

bool HasDefault(const std::u16string& key)
{
    HostRegValue value;
    return HostRegGetValue(HKEY_CLASSES_ROOT, key, u"", &value);
}

int DefaultsWritten()
{
    int count = 0;
    for (const char16_t* key : AllKeys)
        count += HasDefault(key);
    return count;
}

std::u16string SharedPath()
{
    return std::u16string(SharedPathBuffer);
}

class FileTypeTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        // Poisoned, so that what registration leaves behind shows.
        for (WCHAR& c : SharedPathBuffer)
            c = u'#';
    }
};

TEST_F(FileTypeTest, WritesTheFiveValuesForTheProgramsPath)
{
    struct Case {
        std::u16string program;
        std::u16string library;
    } cases[] = {
        {u"\\Program Files\\App\\start.exe", u"\\Program Files\\App\\start.DLL"},
        {u"\\A.B\\start", u"\\A.DLL"},             // the last full stop anywhere
        {u"\\Apps\\start", u"\\Apps\\start"},     // none: the path itself
        {u"\\Apps\\start.EXE", u"\\Apps\\start.DLL"},
        {u"\\Apps\\start.", u"\\Apps\\start.DLL"},
        {u".start", u".start"},                   // the first character isn't examined
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.program));
        HostReset();
        HostSetModulePath(c.program);
        int liveBefore = HostLiveAllocations();
        RegisterFileType();
        EXPECT_DEFAULT(ClassKey, u"Kol Application");  // 32 bytes
        EXPECT_DEFAULT(CommandKey, u"\"" + c.program + u"\" \"%1\"");
        EXPECT_DEFAULT(IconKey, c.program + u",-50");
        EXPECT_DEFAULT(LibraryKey, c.library);
        EXPECT_DEFAULT(ExtensionKey, u"KolFile10");  // 20 bytes
        EXPECT_EQ(u"\"" + c.program, SharedPath()) << "the quoted path, closing quote dropped";
        EXPECT_EQ(0, HostRegOpenHandles()) << "every key closed";
        EXPECT_EQ(liveBefore, HostLiveAllocations()) << "composed strings freed";
    }
}

TEST_F(FileTypeTest, WritesOnlyTheFiveDefaults)
{
    EXPECT_EQ(1, RegisterFileType()) << "wrote: the shell is to be told";
    int sets = 0;
    for (const HostRegCall& call : HostRegCalls()) {
        if (call.operation != HostRegSet)
            continue;
        sets++;
        EXPECT_EQ(u"", call.valueName) << Show(call.path);
        EXPECT_EQ(HKEY_CLASSES_ROOT, call.root);
    }
    EXPECT_EQ(5, sets);
    EXPECT_TRUE(HostShellNotifications().empty()) << "the launcher tells the shell when it fits";
    EXPECT_TRUE(HostRegKeyExists(HKEY_CLASSES_ROOT, u"KolFile10\\Shell\\Open"));
    EXPECT_FALSE(HasDefault(u"KolFile10\\Shell"));
    EXPECT_FALSE(HasDefault(u"KolFile10\\Shell\\Open"));
}

TEST_F(FileTypeTest, EachKeyFailsOnItsOwn)
{
    const LONG keyDeleted = 1018;  // ERROR_KEY_DELETED: a failure that no fallback meets
    for (HostRegOperation operation : {HostRegCreate, HostRegSet}) {
        for (const char16_t* failing : AllKeys) {
            SCOPED_TRACE(Show(failing) + (operation == HostRegCreate ? " create" : " set"));
            HostReset();
            HostRegFail(HKEY_CLASSES_ROOT, failing, operation, keyDeleted);
            RegisterFileType();
            for (const char16_t* key : AllKeys)
                EXPECT_EQ(key != failing, HasDefault(key)) << Show(key);
            EXPECT_EQ(0, HostRegOpenHandles());
        }
    }
}

TEST_F(FileTypeTest, RegisteringAgainGivesTheSameValues)
{
    HostSetModulePath(u"\\Program Files\\App\\start.exe");
    // Stale values from an earlier installation elsewhere are overwritten.
    HostRegSetString(HKEY_CLASSES_ROOT, LibraryKey, u"", u"\\Old\\start.DLL");
    HostRegSetString(HKEY_CLASSES_ROOT, ExtensionKey, u"", u"Other");
    RegisterFileType();
    std::vector<HostRegValue> first(5);
    for (int i = 0; i < 5; i++)
        ASSERT_TRUE(HostRegGetValue(HKEY_CLASSES_ROOT, AllKeys[i], u"", &first[i]));
    EXPECT_DEFAULT(LibraryKey, u"\\Program Files\\App\\start.DLL");
    EXPECT_DEFAULT(ExtensionKey, u"KolFile10");

    RegisterFileType();
    for (int i = 0; i < 5; i++) {
        HostRegValue again;
        ASSERT_TRUE(HostRegGetValue(HKEY_CLASSES_ROOT, AllKeys[i], u"", &again));
        EXPECT_EQ(first[i].type, again.type) << Show(AllKeys[i]);
        EXPECT_EQ(first[i].data, again.data) << Show(AllKeys[i]);
    }
    EXPECT_EQ(u"\"\\Program Files\\App\\start.exe", SharedPath());
    EXPECT_EQ(0, HostRegOpenHandles());
}

// The five defaults that root holds under Software\Classes, and its opener.
int DefaultsIn(HKEY root)
{
    int count = 0;
    HostRegValue value;
    for (const char16_t* key : AllKeys)
        count += HostRegGetValue(root, u"Software\\Classes\\" + std::u16string(key), u"", &value);
    return count;
}

std::u16string OpenerIn(HKEY root)
{
    return HostRegGetString(root, u"Software\\Classes\\" + std::u16string(CommandKey), u"");
}

std::u16string OpenerOf(const std::u16string& program)
{
    return program.empty() ? u"" : u"\"" + program + u"\" \"%1\"";
}

int ValuesSet()
{
    int sets = 0;
    for (const HostRegCall& call : HostRegCalls())
        sets += call.operation == HostRegSet && call.result == ERROR_SUCCESS;
    return sets;
}

// For a standard user, whom Windows refuses the machine's classes, and for an administrator
// (elevated, or anyone under Wine), before and after each other: only what the classes
// root, as the shell reads it, doesn't give already is written, and only then is the shell
// to be told.
TEST_F(FileTypeTest, WritesOnlyWhatTheClassesRootDoesNotGive)
{
    const std::u16string Old = u"\\Old\\start.exe";
    const std::u16string New = u"\\Program Files\\App\\start.exe";
    struct Start {
        bool standardUser;
        std::u16string program;
    };
    struct Case {
        const char* what;
        std::vector<Start> earlier;
        Start start;
        int written;  // values that the start sets
        int toldToTellShell;  // what registration returns
        int machineDefaults;  // afterwards, of the five
        int userDefaults;
        std::u16string machineProgram;  // whose opener each holds
        std::u16string userProgram;
    } cases[] = {
        {"administrator", {}, {false, New}, 5, 1, 5, 0, New, u""},
        {"administrator again", {{false, New}}, {false, New}, 0, 0, 5, 0, New, u""},
        {"standard user, the machine's in place", {{false, New}}, {true, New}, 0, 0, 5, 0, New,
         u""},
        {"standard user, none in place", {}, {true, New}, 5, 1, 0, 5, u"", New},
        {"standard user again", {{true, New}}, {true, New}, 0, 0, 0, 5, u"", New},
        // The user's class key, made for the keys below it, hides the machine's class name.
        {"standard user, the machine's for another path", {{false, Old}}, {true, New}, 4, 1, 5,
         4, Old, New},
        // Windows sends the writes through the classes root to the user's own keys.
        {"administrator after a standard user", {{true, Old}}, {false, New}, 3, 1, 0, 5, u"",
         New},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        for (const Start& start : c.earlier) {
            HostRegStandardUser(start.standardUser);
            HostSetModulePath(start.program);
            RegisterFileType();
        }
        int setsBefore = ValuesSet();
        HostRegStandardUser(c.start.standardUser);
        HostSetModulePath(c.start.program);
        EXPECT_EQ(c.toldToTellShell, RegisterFileType());
        EXPECT_EQ(c.written, ValuesSet() - setsBefore);
        EXPECT_EQ(c.machineDefaults, DefaultsIn(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(c.userDefaults, DefaultsIn(HKEY_CURRENT_USER));
        EXPECT_EQ(Show(OpenerOf(c.machineProgram)), Show(OpenerIn(HKEY_LOCAL_MACHINE)));
        EXPECT_EQ(Show(OpenerOf(c.userProgram)), Show(OpenerIn(HKEY_CURRENT_USER)));
        EXPECT_EQ(c.userDefaults != 0,
                  HostRegKeyExists(HKEY_CURRENT_USER, u"Software\\Classes\\KolFile10"))
            << "a key of the user's only for values of the user's";
        // The shell sees this program's five values.
        EXPECT_DEFAULT(ClassKey, u"Kol Application");
        EXPECT_DEFAULT(CommandKey, OpenerOf(New));
        EXPECT_DEFAULT(IconKey, New + u",-50");
        EXPECT_DEFAULT(LibraryKey, u"\\Program Files\\App\\start.DLL");
        EXPECT_DEFAULT(ExtensionKey, u"KolFile10");
        EXPECT_EQ(0, HostRegOpenHandles());
    }
}

TEST_F(FileTypeTest, WithoutTheProgramsPathOnlyThePathFreeValues)
{
    for (void (*fail)() : {HostFailModulePath, HostFailModuleHandle}) {
        HostReset();
        for (WCHAR& c : SharedPathBuffer)
            c = u'#';
        fail();
        RegisterFileType();
        EXPECT_DEFAULT(ClassKey, u"Kol Application");
        EXPECT_DEFAULT(ExtensionKey, u"KolFile10");
        EXPECT_FALSE(HasDefault(CommandKey));
        EXPECT_FALSE(HasDefault(IconKey));
        EXPECT_FALSE(HasDefault(LibraryKey));
        EXPECT_EQ(u"", SharedPath()) << "no half-made quoted path is left";
        EXPECT_EQ(0, HostRegOpenHandles());
    }
}

TEST_F(FileTypeTest, PathsUpToTheBuffersRoomAreRegisteredWhole)
{
    // Quote, 253 path characters, closing quote and NUL fill the 256 characters.
    for (size_t length : {252u, 253u}) {
        HostReset();
        std::u16string program = u"\\" + std::u16string(length - 5, u'p') + u".exe";
        HostSetModulePath(program);
        RegisterFileType();
        EXPECT_DEFAULT(IconKey, program + u",-50");
        EXPECT_DEFAULT(CommandKey, u"\"" + program + u"\" \"%1\"");
        EXPECT_EQ(u"\"" + program, SharedPath());
        int sets = ValuesSet();
        RegisterFileType();
        EXPECT_EQ(sets, ValuesSet()) << "the longest opener is read back whole: " << length;
    }
}

// A value is in place only as REG_SZ holding exactly the text and its NUL.
TEST_F(FileTypeTest, AValueOfAnotherTypeOrSizeIsWrittenAgain)
{
    const std::u16string text = u"Kol Application";
    const size_t bytes = (text.size() + 1) * 2;
    struct Case {
        const char* what;
        DWORD type;
        size_t size;  // of the class key's value, in bytes
        int written;
    } cases[] = {
        {"in place", REG_SZ, bytes, 0},
        {"an expandable string", 2 /* REG_EXPAND_SZ */, bytes, 1},
        {"more after the NUL", REG_SZ, bytes + 2, 1},
        {"no NUL", REG_SZ, bytes - 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        HostSetModulePath(u"\\Program Files\\App\\start.exe");
        RegisterFileType();
        std::u16string data = text + std::u16string(2, u'\0');
        HostRegSetValue(HKEY_CLASSES_ROOT, ClassKey, u"", c.type, data.data(), c.size);
        int sets = ValuesSet();
        RegisterFileType();
        EXPECT_EQ(c.written, ValuesSet() - sets);
        EXPECT_DEFAULT(ClassKey, text);
    }
}

TEST_F(FileTypeTest, LongerPathsAreNotRegisteredCut)
{
    for (size_t length : {254u, 255u, 300u, 1000u}) {
        HostReset();
        HostSetModulePath(u"\\" + std::u16string(length - 5, u'p') + u".exe");
        RegisterFileType();
        EXPECT_EQ(2, DefaultsWritten()) << length;
        EXPECT_DEFAULT(ClassKey, u"Kol Application");
        EXPECT_DEFAULT(ExtensionKey, u"KolFile10");
        EXPECT_EQ(u"", SharedPath()) << length;
    }
}

TEST_F(FileTypeTest, FailedAllocationSkipsOnlyTheValueConcerned)
{
    // Three values are composed, each with its key name: six allocations in all.
    for (int nth = 1; nth <= 6; nth++) {
        SCOPED_TRACE(testing::Message() << "allocation " << nth);
        HostReset();
        int liveBefore = HostLiveAllocations();
        HostFailAllocation(nth);
        RegisterFileType();
        EXPECT_EQ(4, DefaultsWritten());
        EXPECT_TRUE(HasDefault(ClassKey));
        EXPECT_TRUE(HasDefault(ExtensionKey));
        EXPECT_EQ(0, HostRegOpenHandles());
        EXPECT_EQ(liveBefore, HostLiveAllocations());
    }
}

}  // namespace
