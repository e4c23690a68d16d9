/* Reads a program's version resource through the platform's version functions:
 *   versioninfo PROGRAM   prints fileVersion= and productVersion= from the fixed part, then
 *                         each string field of the first translation as NAME=value (UTF-8);
 *                         "version=none" and exit 1 without a version resource. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static const wchar_t* const Fields[] = {L"CompanyName", L"FileDescription", L"FileVersion",
                                        L"LegalCopyright", L"OriginalFilename",
                                        L"ProductName", L"ProductVersion"};

static void PrintUtf8(const wchar_t* text)
{
    char utf8[1024];
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), NULL, NULL);
    fwrite(utf8, 1, size > 0 ? (size_t)size - 1 : 0, stdout);
}

static void PrintVersion(const char* name, DWORD high, DWORD low)
{
    printf("%s=%lu.%lu.%lu.%lu\n", name, (unsigned long)HIWORD(high),
           (unsigned long)LOWORD(high), (unsigned long)HIWORD(low), (unsigned long)LOWORD(low));
}

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(argv[1], &handle);
    void* data = size != 0 ? malloc(size) : NULL;
    if (data == NULL || !GetFileVersionInfoW(argv[1], 0, size, data)) {
        printf("version=none\n");
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (VerQueryValueW(data, L"\\", (void**)&fixed, &length) && fixed != NULL) {
        PrintVersion("fileVersion", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
        PrintVersion("productVersion", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    }
    WORD* translation = NULL;
    if (!VerQueryValueW(data, L"\\VarFileInfo\\Translation", (void**)&translation, &length) ||
        length < 4)
        return 1;
    for (size_t i = 0; i < sizeof(Fields) / sizeof(Fields[0]); i++) {
        wchar_t query[128];
        swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1],
                 Fields[i]);
        wchar_t* value = NULL;
        if (VerQueryValueW(data, query, (void**)&value, &length) && value != NULL) {
            PrintUtf8(Fields[i]);
            printf("=");
            PrintUtf8(value);
            printf("\n");
        }
    }
    free(data);
    return 0;
}
