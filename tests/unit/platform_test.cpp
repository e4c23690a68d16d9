// Desktop's bridges that decide over the API, run over the stand-in: where a library is
// looked for, and what a standard user's refusals meet; and the stand-in as strict as
// desktop there.
#include "support.h"

#include "handoff/handoff.h"
#include "registry/filetype.h"

#include <functional>

namespace {

const std::u16string Launcher = u"C:\\App\\launcher.exe";
const std::u16string SystemFolder = u"C:\\Windows\\system32";

class PlatformTest : public HostTest {};

TEST_F(PlatformTest, LibraryIsLookedForBesideTheLauncherThenInTheSystemFolderOnly)
{
    struct Case {
        const char* what;
        std::vector<std::u16string> files;
        std::u16string name;
        LibrarySource source;
        std::u16string file;
        int room;
        size_t looks;  // files looked for
        std::u16string launcher = Launcher;
    } cases[] = {
        {"beside first", {u"C:\\App\\Kol.dll", u"C:\\Windows\\system32\\Kol.dll"}, u"Kol.dll",
         LibraryBesideLauncher, u"C:\\App\\Kol.dll", 260, 1},
        {"then the system folder", {u"C:\\Windows\\system32\\Kol.dll"}, u"Kol.dll",
         LibraryInSystemFolder, u"C:\\Windows\\system32\\Kol.dll", 260, 2},
        {"nowhere else", {}, u"Kol.dll", LibraryNotFound, u"", 260, 2},
        {"a folder of that name", {u"C:\\App\\Kol.dll\\", u"C:\\Windows\\system32\\Kol.dll"},
         u"Kol.dll", LibraryInSystemFolder, u"C:\\Windows\\system32\\Kol.dll", 260, 2},
        {"a relative path", {u"C:\\App\\rt\\Kol.dll"}, u"rt\\Kol.dll", LibraryBesideLauncher,
         u"C:\\App\\rt\\Kol.dll", 260, 1},
        {"a full path, as given", {}, u"D:\\Rt\\Kol.dll", LibraryAtFullPath, u"D:\\Rt\\Kol.dll",
         260, 0},
        {"on drive A:", {}, u"A:\\Rt\\Kol.dll", LibraryAtFullPath, u"A:\\Rt\\Kol.dll", 260, 0},
        {"on drive Z:", {}, u"Z:\\Rt\\Kol.dll", LibraryAtFullPath, u"Z:\\Rt\\Kol.dll", 260, 0},
        {"with solidi, which the loader takes for no folder", {}, u"D:/Rt/Kol.dll",
         LibraryAtFullPath, u"D:\\Rt\\Kol.dll", 260, 0},
        {"a network path", {}, u"\\\\srv\\share\\Kol.dll", LibraryAtFullPath,
         u"\\\\srv\\share\\Kol.dll", 260, 0},
        {"a full path longer than the room", {}, u"D:\\Rt\\Kol.dll", LibraryNotFound, u"", 13, 0},
        {"from the root: the launcher's drive", {}, u"\\Rt\\Kol.dll", LibraryAtFullPath,
         u"C:\\Rt\\Kol.dll", 260, 0},
        {"from the root of drive Z:", {}, u"\\Rt\\Kol.dll", LibraryAtFullPath, u"Z:\\Rt\\Kol.dll",
         260, 0, u"Z:\\App\\launcher.exe"},
        {"from the root, the launcher on a share", {}, u"\\Rt\\Kol.dll", LibraryNotFound, u"", 260,
         0, u"\\\\srv\\share\\launcher.exe"},
        {"a drive's current folder", {u"C:\\App\\Kol.dll"}, u"C:Kol.dll", LibraryNotFound, u"",
         260, 0},
        {"longer than the room", {u"C:\\App\\Kol.dll"}, u"Kol.dll", LibraryNotFound, u"", 14, 0},
        {"just fits", {u"C:\\App\\Kol.dll"}, u"Kol.dll", LibraryBesideLauncher,
         u"C:\\App\\Kol.dll", 15, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        for (const std::u16string& file : c.files) {
            if (file.back() == u'\\')
                HostAddDirectory(file.substr(0, file.size() - 1));
            else
                HostAddFile(file);
        }
        std::vector<WCHAR> file(c.room, u'#');
        LibrarySource source =
            FindLibraryFile(c.launcher.c_str(), SystemFolder.c_str(), c.name.c_str(), file.data(),
                            c.room);
        EXPECT_EQ(c.source, source);
        if (source != LibraryNotFound) {
            std::u16string written(file.begin(), file.end());
            EXPECT_EQ(Show(c.file), Show(written.substr(0, written.find(u'\0'))));
        }
        EXPECT_EQ(c.looks, HostFileQueries().size());
        for (const std::u16string& query : HostFileQueries()) {
            EXPECT_TRUE(query.rfind(u"C:\\App\\", 0) == 0 ||
                        query.rfind(SystemFolder + u"\\", 0) == 0)
                << "looked in the current folder: " << Show(query);
        }
    }

    // With neither folder known, the bare name would be found in the current folder.
    HostReset();
    HostAddFile(u"Kol.dll");
    WCHAR file[260];
    EXPECT_EQ(LibraryNotFound, FindLibraryFile(u"launcher.exe", u"", u"Kol.dll", file, 260));
}

TEST_F(PlatformTest, RefusedKeysAreTakenFromTheUsersClassesOrReadOnly)
{
    const char16_t* const classKeys[] = {u"KolFile10", u"KolFile10\\Shell\\Open\\Command",
                                         u"KolFile10\\DefaultIcon", u"KolFile10\\DLL", u".kol"};
    const std::u16string portKey = u"Software\\Morvane\\KolVM";
    const LONG keyDeleted = 1018;  // ERROR_KEY_DELETED: a failure, not a refusal
    struct Case {
        const char* what;
        LONG error;
        bool userClassesRefused;
        bool userClassesWritten;
        DWORD port;
    } cases[] = {
        {"refused: the user's classes, the port read", ERROR_ACCESS_DENIED, false, true, 8000},
        {"the user's classes refused too", ERROR_ACCESS_DENIED, true, false, 8000},
        {"failed otherwise: no fallback", keyDeleted, false, false, 0},
        // Refused as desktop refuses: only for what the key is opened for.
        {"a standard user", ERROR_SUCCESS, false, true, 8000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        HostRegSetDword(HKEY_LOCAL_MACHINE, portKey, u"ServerPort", 8000);
        HostRegStandardUser(c.error == ERROR_SUCCESS);
        for (const char16_t* key : classKeys) {
            if (c.error != ERROR_SUCCESS)
                HostRegFail(HKEY_CLASSES_ROOT, key, HostRegCreate, c.error);
        }
        if (c.userClassesRefused)
            HostRegFail(HKEY_CURRENT_USER, u"Software\\Classes", HostRegCreate);
        if (c.error != ERROR_SUCCESS)
            HostRegFail(HKEY_LOCAL_MACHINE, portKey, HostRegCreate, c.error);

        RegisterFileType();
        for (const char16_t* key : classKeys) {
            HostRegValue value;
            std::u16string classKey = u"Software\\Classes\\" + std::u16string(key);
            EXPECT_FALSE(HostRegGetValue(HKEY_LOCAL_MACHINE, classKey, u"", &value)) << Show(key);
            EXPECT_EQ(c.userClassesWritten,
                      HostRegGetValue(HKEY_CURRENT_USER, classKey, u"", &value))
                << Show(key);
        }
        if (c.userClassesWritten) {
            EXPECT_EQ(u"KolFile10",
                      HostRegGetString(HKEY_CURRENT_USER, u"Software\\Classes\\.kol", u""));
        }
        EXPECT_EQ(c.port, ReadServerPort());
        EXPECT_EQ(0, HostRegOpenHandles());
    }
}

// HKEY_CLASSES_ROOT\Kind as the machine's and the user's classes hold it.
const std::u16string ClassesKind = u"Software\\Classes\\Kind";

// Sets the default value "new" of HKEY_CLASSES_ROOT\Kind through a key created with access.
LONG SetThroughCreated(REGSAM access)
{
    HKEY key;
    DWORD disposition;
    LONG status =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Kind", 0, NULL, 0, access, NULL, &key, &disposition);
    if (status != ERROR_SUCCESS)
        return status;
    status = SetRegistryDefault(key, u"new", REG_SZ);
    RegCloseKey(key);
    return status;
}

// The same through a key opened as the launcher opens one (the bridge: for reading).
LONG SetThroughOpened()
{
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Kind", 0, 0, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = SetRegistryDefault(key, u"new", REG_SZ);
    RegCloseKey(key);
    return status;
}

// Reads the default value of HKEY_CLASSES_ROOT\Kind into *text through key, then closes it.
LONG ReadAndClose(HKEY key, std::u16string* text)
{
    WCHAR held[16] = {};
    DWORD size = sizeof(held) - sizeof(WCHAR);
    LONG status = RegQueryValueExW(key, NULL, NULL, NULL, (BYTE*)held, &size);
    RegCloseKey(key);
    *text = held;
    return status;
}

LONG ReadThroughCreated(REGSAM access, std::u16string* text)
{
    HKEY key;
    DWORD disposition;
    LONG status =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Kind", 0, NULL, 0, access, NULL, &key, &disposition);
    return status == ERROR_SUCCESS ? ReadAndClose(key, text) : status;
}

LONG ReadThroughOpened(std::u16string* text)
{
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Kind", 0, 0, &key);
    return status == ERROR_SUCCESS ? ReadAndClose(key, text) : status;
}

// The stand-in is as strict as desktop where the bridges meet it: a key allows only the
// access it was given, and HKEY_CLASSES_ROOT is the merged view of the user's classes over
// the machine's, for reads and writes alike.
TEST_F(PlatformTest, StandInGivesWhatDesktopGives)
{
    const REGSAM readWrite = KEY_READ | KEY_WRITE;
    struct Case {
        const char* what;
        std::u16string machine;  // the default value each holds first, "" for no key
        std::u16string user;
        bool standardUser;
        std::function<LONG(std::u16string* read)> act;
        LONG status;
        std::u16string read;
        std::u16string machineAfter;
        std::u16string userAfter;
    } cases[] = {
        {"set through a key created to read and write", u"old", u"", false,
         [=](std::u16string*) { return SetThroughCreated(readWrite); }, ERROR_SUCCESS, u"",
         u"new", u""},
        {"set through a key created to read", u"old", u"", false,
         [](std::u16string*) { return SetThroughCreated(KEY_READ); }, ERROR_ACCESS_DENIED, u"",
         u"old", u""},
        {"set through the bridge's opened key", u"old", u"", false,
         [](std::u16string*) { return SetThroughOpened(); }, ERROR_ACCESS_DENIED, u"", u"old",
         u""},
        {"read through a key of Windows CE's access 0", u"old", u"", false,
         [](std::u16string* read) { return ReadThroughCreated(0, read); }, ERROR_ACCESS_DENIED,
         u"", u"old", u""},
        {"read through the bridge's opened key", u"old", u"", false, ReadThroughOpened,
         ERROR_SUCCESS, u"old", u"old", u""},
        {"the user's key over the machine's, read", u"old", u"mine", false, ReadThroughOpened,
         ERROR_SUCCESS, u"mine", u"old", u"mine"},
        {"the user's key over the machine's, written", u"old", u"mine", false,
         [=](std::u16string*) { return SetThroughCreated(readWrite); }, ERROR_SUCCESS, u"",
         u"old", u"new"},
        {"a new key: the machine's", u"", u"", false,
         [=](std::u16string*) { return SetThroughCreated(readWrite); }, ERROR_SUCCESS, u"",
         u"new", u""},
        {"a new key, for a standard user", u"", u"", true,
         [=](std::u16string*) { return SetThroughCreated(readWrite); }, ERROR_ACCESS_DENIED,
         u"", u"", u""},
        {"the machine's key, for a standard user, written", u"old", u"", true,
         [=](std::u16string*) { return SetThroughCreated(readWrite); }, ERROR_ACCESS_DENIED,
         u"", u"old", u""},
        {"the machine's key, for a standard user, read", u"old", u"", true, ReadThroughOpened,
         ERROR_SUCCESS, u"old", u"old", u""},
        {"the user's own key, for a standard user, written", u"old", u"mine", true,
         [=](std::u16string*) { return SetThroughCreated(readWrite); }, ERROR_SUCCESS, u"",
         u"old", u"new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        if (!c.machine.empty())
            HostRegSetString(HKEY_LOCAL_MACHINE, ClassesKind, u"", c.machine);
        if (!c.user.empty())
            HostRegSetString(HKEY_CURRENT_USER, ClassesKind, u"", c.user);
        HostRegStandardUser(c.standardUser);
        std::u16string read = u"(not read)";
        EXPECT_EQ(c.status, c.act(&read));
        if (!c.read.empty()) {
            EXPECT_EQ(Show(c.read), Show(read));
        }
        EXPECT_EQ(Show(c.machineAfter), Show(HostRegGetString(HKEY_LOCAL_MACHINE, ClassesKind, u"")));
        EXPECT_EQ(Show(c.userAfter), Show(HostRegGetString(HKEY_CURRENT_USER, ClassesKind, u"")));
        EXPECT_EQ(!c.machineAfter.empty(), HostRegKeyExists(HKEY_LOCAL_MACHINE, ClassesKind));
        EXPECT_EQ(0, HostRegOpenHandles());
    }
}

}  // namespace
