// Desktop Windows' side of the file bridges.
#include "platform/platform.h"

// The volume and index that tell the file at path from every other; 0 when it can't be
// opened. Opening for its attributes alone works on a running program's own file too.
static int IdentifyFile(LPCWSTR path, BY_HANDLE_FILE_INFORMATION* identity)
{
    HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BOOL identified = GetFileInformationByHandle(file, identity);
    CloseHandle(file);
    return identified;
}

// A file that can't be opened is told by its spelling, as on Windows CE.
int IsSameFile(LPCWSTR path, LPCWSTR otherPath)
{
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    if (!IdentifyFile(path, &first) || !IdentifyFile(otherPath, &second))
        return lstrcmpiW(path, otherPath) == 0;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}
