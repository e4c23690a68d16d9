// Created keys on desktop: Windows CE's access mask 0 becomes desktop's, and what a
// standard user is refused is met. Also built into the host stand-in's library, which can
// refuse access where Wine never does, so that the fallbacks run under unit tests.
#include "platform/platform.h"

#undef RegCreateKeyExW
#undef RegOpenKeyExW

// Windows CE ignores the options and the security attributes; desktop takes its defaults.
static LONG CreateWritableKey(HKEY root, LPCWSTR subKey, LPWSTR keyClass, PHKEY key,
                              LPDWORD disposition)
{
    return RegCreateKeyExW(root, subKey, 0, keyClass, 0, KEY_READ | KEY_WRITE, NULL, key,
                           disposition);
}

// The user's own classes, which Windows merges into the classes root for that user.
static LONG CreateUserClassKey(LPCWSTR subKey, LPWSTR keyClass, PHKEY key, LPDWORD disposition)
{
    HKEY classes;
    LONG status =
        CreateWritableKey(HKEY_CURRENT_USER, TEXT("Software\\Classes"), NULL, &classes, NULL);
    if (status != ERROR_SUCCESS)
        return status;
    status = CreateWritableKey(classes, subKey, keyClass, key, disposition);
    RegCloseKey(classes);
    return status;
}

// Each fallback only on a refusal (ERROR_ACCESS_DENIED): an administrator, or Wine, which
// grants every access, gets exactly the key that was asked for.
LONG CeRegCreateKeyExW(HKEY root, LPCWSTR subKey, DWORD, LPWSTR keyClass, DWORD, REGSAM,
                       LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD disposition)
{
    LONG status = CreateWritableKey(root, subKey, keyClass, key, disposition);
    // A standard user can't write the machine's classes, where new class keys land.
    if (status == ERROR_ACCESS_DENIED && root == HKEY_CLASSES_ROOT && subKey[0] != 0)
        status = CreateUserClassKey(subKey, keyClass, key, disposition);
    // Nor the machine's settings: read-only, a key still gives its values (the server port).
    if (status == ERROR_ACCESS_DENIED) {
        status = RegOpenKeyExW(root, subKey, 0, KEY_READ, key);
        if (status == ERROR_SUCCESS && disposition != NULL)
            *disposition = 2;  // REG_OPENED_EXISTING_KEY
    }
    return status;
}
