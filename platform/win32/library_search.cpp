// Which file desktop's library load takes: the decision alone, without loading anything.
// Also built into the host stand-in's library, for unit tests, and usable by tools.
#include "platform/platform.h"

static int IsSeparator(WCHAR c)
{
    return c == '\\' || c == '/';
}

static int HasDrive(LPCWSTR path)
{
    WCHAR letter = (WCHAR)(path[0] | 0x20);
    return letter >= 'a' && letter <= 'z' && path[1] == ':';
}

static int IsFullPath(LPCWSTR path)
{
    return (HasDrive(path) && IsSeparator(path[2])) ||
           (IsSeparator(path[0]) && IsSeparator(path[1]));
}

// Characters of the launcher's path up to and with its last separator; 0 without one.
static int FolderLength(LPCWSTR path)
{
    int length = 0;
    for (int i = 0; path[i] != 0; i++) {
        if (IsSeparator(path[i]))
            length = i + 1;
    }
    return length;
}

// Appends c, a separator as a reverse solidus: the loader finds a library's own folder,
// where its imports are looked for first, by its reverse solidi. 0 when that would leave
// no room for the NUL.
static int Put(WCHAR* file, int room, int* length, WCHAR c)
{
    if (*length + 1 >= room)
        return 0;
    file[(*length)++] = IsSeparator(c) ? '\\' : c;
    return 1;
}

// file = folder's first folderLength characters (all of them for -1), a separator unless
// one is there, then name. 0 when that doesn't fit in room characters with the NUL.
static int JoinPath(WCHAR* file, int room, LPCWSTR folder, int folderLength, LPCWSTR name)
{
    if (room <= 0)
        return 0;
    int length = 0;
    for (int i = 0; folderLength < 0 ? folder[i] != 0 : i < folderLength; i++) {
        if (!Put(file, room, &length, folder[i]))
            return 0;
    }
    if (length > 0 && !IsSeparator(file[length - 1]) && !IsSeparator(name[0]) &&
        !Put(file, room, &length, '\\'))
        return 0;
    for (int i = 0; name[i] != 0; i++) {
        if (!Put(file, room, &length, name[i]))
            return 0;
    }
    file[length] = 0;
    return 1;
}

// Joins folder (its first folderLength characters, all for -1) and name into file, and
// says whether that names an existing file. A folder of no characters finds nothing: the
// name alone would be looked for in the current folder.
static int IsFileIn(WCHAR* file, int room, LPCWSTR folder, int folderLength, LPCWSTR name)
{
    if (folderLength == 0 || folder[0] == 0 || !JoinPath(file, room, folder, folderLength, name))
        return 0;
    DWORD attributes = GetFileAttributesW(file);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

LibrarySource FindLibraryFile(LPCWSTR launcherPath, LPCWSTR systemFolder, LPCWSTR nameOrPath,
                              WCHAR* file, int fileRoom)
{
    if (IsFullPath(nameOrPath))
        return JoinPath(file, fileRoom, TEXT(""), 0, nameOrPath) ? LibraryAtFullPath
                                                                 : LibraryNotFound;
    if (IsSeparator(nameOrPath[0]))
        return HasDrive(launcherPath) && JoinPath(file, fileRoom, launcherPath, 2, nameOrPath)
                   ? LibraryAtFullPath
                   : LibraryNotFound;
    if (HasDrive(nameOrPath))
        return LibraryNotFound;
    if (IsFileIn(file, fileRoom, launcherPath, FolderLength(launcherPath), nameOrPath))
        return LibraryBesideLauncher;
    if (IsFileIn(file, fileRoom, systemFolder, -1, nameOrPath))
        return LibraryInSystemFolder;
    return LibraryNotFound;
}
