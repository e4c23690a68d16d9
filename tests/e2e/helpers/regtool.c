/* Reads and writes the registry exactly, for the end-to-end tests.
 *   regtool set KEY NAME TYPE DATA   TYPE: sz (DATA as text) | dword (number) | hex (bytes)
 *   regtool get KEY NAME             prints type=, size=, hex=, text= or "missing"
 *   regtool delete KEY...            deletes the keys and everything below them
 *   regtool protect KEY...           lets everyone only read the keys, as a standard user may
 *                                    the machine's (Wine otherwise grants every access)
 * KEY begins with HKCR, HKLM or HKCU and a backslash; NAME "@" is the default value. */
#include <windows.h>
#include <sddl.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static HKEY Root(const wchar_t* key, const wchar_t** rest)
{
    struct { const wchar_t* name; HKEY root; } roots[] = {
        {L"HKCR\\", HKEY_CLASSES_ROOT}, {L"HKLM\\", HKEY_LOCAL_MACHINE},
        {L"HKCU\\", HKEY_CURRENT_USER}};
    for (int i = 0; i < 3; i++) {
        if (wcsncmp(key, roots[i].name, 5) == 0) {
            *rest = key + 5;
            return roots[i].root;
        }
    }
    return NULL;
}

static const wchar_t* ValueName(const wchar_t* name)
{
    return wcscmp(name, L"@") == 0 ? NULL : name;
}

static void PrintText(const wchar_t* text, DWORD chars)
{
    char buffer[8192];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, (int)chars, buffer, sizeof(buffer) - 1,
                                NULL, NULL);
    buffer[n > 0 ? n : 0] = 0;
    printf("text=%s\n", buffer);
}

static int Set(HKEY root, const wchar_t* path, const wchar_t* name, const wchar_t* type,
               const wchar_t* data)
{
    HKEY key;
    LONG status = RegCreateKeyExW(root, path, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL);
    if (status != ERROR_SUCCESS) {
        fprintf(stderr, "regtool: creating the key failed (error %ld)\n", status);
        return 1;
    }
    if (wcscmp(type, L"sz") == 0) {
        status = RegSetValueExW(key, ValueName(name), 0, REG_SZ, (const BYTE*)data,
                                (DWORD)((wcslen(data) + 1) * sizeof(wchar_t)));
    } else if (wcscmp(type, L"dword") == 0) {
        DWORD value = (DWORD)wcstoul(data, NULL, 0);
        status = RegSetValueExW(key, ValueName(name), 0, REG_DWORD, (const BYTE*)&value, 4);
    } else {
        BYTE bytes[4096];
        size_t n = wcslen(data) / 2;
        for (size_t i = 0; i < n && i < sizeof(bytes); i++) {
            wchar_t pair[3] = {data[2 * i], data[2 * i + 1], 0};
            bytes[i] = (BYTE)wcstoul(pair, NULL, 16);
        }
        status = RegSetValueExW(key, ValueName(name), 0, REG_BINARY, bytes, (DWORD)n);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        fprintf(stderr, "regtool: writing the value failed (error %ld)\n", status);
    return status == ERROR_SUCCESS ? 0 : 1;
}

static int Get(HKEY root, const wchar_t* path, const wchar_t* name)
{
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        printf("missing\n");
        return 0;
    }
    static BYTE data[65536];
    DWORD type = 0;
    DWORD size = sizeof(data);
    LONG status = RegQueryValueExW(key, ValueName(name), NULL, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        printf("missing\n");
        return 0;
    }
    printf("type=%lu\nsize=%lu\nhex=", (unsigned long)type, (unsigned long)size);
    for (DWORD i = 0; i < size; i++)
        printf("%02X", data[i]);
    printf("\n");
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        PrintText((const wchar_t*)data, (DWORD)wcsnlen((const wchar_t*)data, size / 2));
    return 0;
}

static int Protect(HKEY root, const wchar_t* path)
{
    HKEY key;
    PSECURITY_DESCRIPTOR readOnly;
    if (RegOpenKeyExW(root, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return 1;
    LONG status = ConvertStringSecurityDescriptorToSecurityDescriptorW(
                      L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, NULL)
                      ? RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly)
                      : (LONG)GetLastError();
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        fprintf(stderr, "regtool: protecting the key failed (error %ld)\n", status);
    return status == ERROR_SUCCESS ? 0 : 1;
}

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* path;
    HKEY root = argc >= 3 ? Root(argv[2], &path) : NULL;
    if (root == NULL) {
        fprintf(stderr, "usage: regtool set|get|delete|protect KEY ...\n");
        return 2;
    }
    if (wcscmp(argv[1], L"set") == 0 && argc == 6)
        return Set(root, path, argv[3], argv[4], argv[5]);
    if (wcscmp(argv[1], L"get") == 0 && argc == 4)
        return Get(root, path, argv[3]);
    if (wcscmp(argv[1], L"delete") == 0) {
        for (int i = 2; i < argc; i++) {
            root = Root(argv[i], &path);
            if (root != NULL && RegDeleteTreeW(root, path) == ERROR_SUCCESS)
                RegDeleteKeyW(root, path);
        }
        return 0;
    }
    if (wcscmp(argv[1], L"protect") == 0) {
        int failed = 0;
        for (int i = 2; i < argc; i++) {
            root = Root(argv[i], &path);
            failed |= root == NULL || Protect(root, path);
        }
        return failed;
    }
    fprintf(stderr, "regtool: bad arguments\n");
    return 2;
}
