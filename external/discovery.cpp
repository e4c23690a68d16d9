#include "external/discovery.h"

#include "registry/filetype.h"

// Every registry read hands the platform this many bytes: 129 characters and the NUL.
static const DWORD RegistryReadBytes = 260;
// One character more than is read, for a value stored without its NUL.
static WCHAR registryBuffer[RegistryReadBytes / sizeof(WCHAR) + 1];

static const WCHAR JavaRuntimeKey[] = TEXT("SOFTWARE\\JavaSoft\\Java Runtime Environment");
static const WCHAR JavaLauncherTail[] = TEXT("\\bin\\javaw.exe");
static const int ProgramFilesLength = 13;  // "Program Files"
static const int ExtensionLength = 4;      // ".DLL"

int IsExistingFile(const WCHAR* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int DirectoryPartLength(const WCHAR* path)
{
    int length = 0;
    for (int i = 0; path[i] != 0; i++) {
        if (path[i] == '\\' || path[i] == ':')
            length = i + 1;
    }
    return length;
}

// Reads a string value into buffer, which has room for RegistryReadBytes and one more
// character. 1 on success, the text then terminated within the bytes read.
static int QueryRegistryText(HKEY root, const WCHAR* subKey, const WCHAR* valueName,
                             WCHAR* buffer)
{
    HKEY key;
    if (RegOpenKeyExW(root, subKey, 0, 0, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type;
    DWORD size = RegistryReadBytes;
    LONG status = RegQueryValueExW(key, valueName, NULL, &type, (BYTE*)buffer, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return 0;
    // Neither platform terminates a value that was stored without its NUL.
    buffer[size / sizeof(WCHAR)] = 0;
    return 1;
}

int ReadRegistryString(GrowString* out, HKEY root, const WCHAR* subKey,
                       const WCHAR* valueName)
{
    if (!QueryRegistryText(root, subKey, valueName, registryBuffer))
        return 0;
    AppendString(out, registryBuffer, -1);
    return 1;
}

int FindRuntimeBase(GrowString* out)
{
    WCHAR* keyName = ConcatStrings(KolFile10, TEXT("\\DLL"));
    if (keyName == NULL)
        return 0;  // a null name would open HKEY_CLASSES_ROOT itself
    int read = QueryRegistryText(HKEY_CLASSES_ROOT, keyName, NULL, SharedPathBuffer);
    free(keyName);
    if (!read)
        return 0;
    const WCHAR* path = SharedPathBuffer;
    int length = TextLength(path);
    // The closing quote is taken on trust: whatever stands last goes.
    if (path[0] == '"') {
        path++;
        length -= 2;
    }
    // Without a character before the extension there is no base to name executables by.
    if (length <= ExtensionLength)
        return 0;
    AppendString(out, path, length - ExtensionLength);
    return 1;
}

// Appends the current Java runtime's installation folder to home; 0 when not registered.
static int ReadJavaHome(GrowString* home)
{
    GrowString key;
    NewGrowString(&key);
    AppendString(&key, JavaRuntimeKey, -1);
    AppendNarrow(&key, "\\", 1);
    int read = ReadRegistryString(&key, HKEY_LOCAL_MACHINE, JavaRuntimeKey,
                                  TEXT("CurrentVersion")) &&
               ReadRegistryString(home, HKEY_LOCAL_MACHINE, key.text, TEXT("JavaHome"));
    free(key.text);
    return read;
}

// Where "Program Files" followed by a separator begins in home, or -1. The backslash form
// wins wherever the slash form stands; a home already under "(x86)" has none.
static int FindProgramFilesFolder(const GrowString* home)
{
    if (FindString(home, TEXT("Program Files (x86)")) != -1)
        return -1;
    int at = FindString(home, TEXT("Program Files\\"));
    return at != -1 ? at : FindString(home, TEXT("Program Files/"));
}

// Completes the candidate folder with the launcher's tail; appends it to out if it exists.
static int AcceptJavaLauncher(GrowString* out, GrowString* candidate)
{
    AppendString(candidate, JavaLauncherTail, -1);
    if (!IsExistingFile(candidate->text))
        return 0;
    AppendString(out, candidate->text, -1);
    return 1;
}

int FindJavaLauncher(GrowString* out)
{
    GrowString home;
    GrowString candidate;
    NewGrowString(&home);
    NewGrowString(&candidate);
    int found = 0;
    if (ReadJavaHome(&home)) {
        int at = FindProgramFilesFolder(&home);
        if (at != -1) {
            int split = at + ProgramFilesLength;
            AppendString(&candidate, home.text, split);
            AppendString(&candidate, TEXT(" (x86)"), -1);
            AppendString(&candidate, home.text + split, -1);
            found = AcceptJavaLauncher(out, &candidate);
        }
        if (!found) {
            TruncateString(&candidate, 0);
            AppendString(&candidate, home.text, -1);
            found = AcceptJavaLauncher(out, &candidate);
        }
    }
    free(home.text);
    free(candidate.text);
    return found;
}

int FindKolJar(const GrowString* source, GrowString* out)
{
    TruncateString(out, 0);
    AppendString(out, source->text, DirectoryPartLength(source->text));
    AppendString(out, TEXT("kol.jar"), -1);
    return IsExistingFile(out->text);
}
