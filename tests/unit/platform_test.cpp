// Desktop's bridges that decide over the API, run over the stand-in: where a library is
// looked for, and what a standard user's refusals meet.
#include "support.h"

#include "handoff/handoff.h"
#include "registry/filetype.h"

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
    } cases[] = {
        {"beside first", {u"C:\\App\\Kol.dll", u"C:\\Windows\\system32\\Kol.dll"}, u"Kol.dll",
         LibraryBesideLauncher, u"C:\\App\\Kol.dll", 260},
        {"then the system folder", {u"C:\\Windows\\system32\\Kol.dll"}, u"Kol.dll",
         LibraryInSystemFolder, u"C:\\Windows\\system32\\Kol.dll", 260},
        {"nowhere else", {}, u"Kol.dll", LibraryNotFound, u"", 260},
        {"a folder of that name", {u"C:\\App\\Kol.dll\\", u"C:\\Windows\\system32\\Kol.dll"},
         u"Kol.dll", LibraryInSystemFolder, u"C:\\Windows\\system32\\Kol.dll", 260},
        {"a relative path", {u"C:\\App\\rt\\Kol.dll"}, u"rt\\Kol.dll", LibraryBesideLauncher,
         u"C:\\App\\rt\\Kol.dll", 260},
        {"a full path, as given", {}, u"D:\\Rt\\Kol.dll", LibraryAtFullPath, u"D:\\Rt\\Kol.dll",
         260},
        {"with solidi, which the loader takes for no folder", {}, u"D:/Rt/Kol.dll",
         LibraryAtFullPath, u"D:\\Rt\\Kol.dll", 260},
        {"a network path", {}, u"\\\\srv\\share\\Kol.dll", LibraryAtFullPath,
         u"\\\\srv\\share\\Kol.dll", 260},
        {"from the root: the launcher's drive", {}, u"\\Rt\\Kol.dll", LibraryAtFullPath,
         u"C:\\Rt\\Kol.dll", 260},
        {"a drive's current folder", {u"C:\\App\\Kol.dll"}, u"C:Kol.dll", LibraryNotFound, u"",
         260},
        {"longer than the room", {u"C:\\App\\Kol.dll"}, u"Kol.dll", LibraryNotFound, u"", 14},
        {"just fits", {u"C:\\App\\Kol.dll"}, u"Kol.dll", LibraryBesideLauncher,
         u"C:\\App\\Kol.dll", 15},
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
            FindLibraryFile(Launcher.c_str(), SystemFolder.c_str(), c.name.c_str(), file.data(),
                            c.room);
        EXPECT_EQ(c.source, source);
        if (source != LibraryNotFound) {
            EXPECT_EQ(Show(c.file), Show(file.data()));
        }
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        for (const char16_t* key : classKeys)
            HostRegFail(HKEY_CLASSES_ROOT, key, HostRegCreate, c.error);
        if (c.userClassesRefused)
            HostRegFail(HKEY_CURRENT_USER, u"Software\\Classes", HostRegCreate);
        HostRegFail(HKEY_LOCAL_MACHINE, portKey, HostRegCreate, c.error);
        HostRegSetDword(HKEY_LOCAL_MACHINE, portKey, u"ServerPort", 8000);

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

}  // namespace
