#include "external/launch.h"

#include "external/discovery.h"
#include "splash/config.h"
#include "splash/splash.h"
#include "text/arguments.h"

static const DWORD ModulePathLength = 260;
static WCHAR modulePathBuffer[ModulePathLength];

// ---- Composing the child's line ---------------------------------------------------------

// Lower case only, unlike the hand-off's document test: ".KOL" stays as written.
static int IsDocumentToken(const TokenCursor* token)
{
    if (token->length <= 4)
        return 0;
    const WCHAR* extension = token->start + token->length - 4;
    return extension[0] == '.' && extension[1] == 'k' && extension[2] == 'o' &&
           extension[3] == 'l';
}

// Puts the token in place of the working path's last component; when that names a file,
// appends it to out in double quotes. The working path keeps the candidate either way.
static int AppendResolvedDocument(GrowString* out, GrowString* workingPath,
                                  const TokenCursor* token)
{
    TruncateString(workingPath, DirectoryPartLength(workingPath->text));
    AppendString(workingPath, token->start, token->length);
    if (!IsExistingFile(workingPath->text))
        return 0;
    AppendNarrow(out, "\"", 1);
    AppendString(out, workingPath->text, -1);
    AppendNarrow(out, "\"", 1);
    return 1;
}

// The token as written, with its own kind of enclosing quote.
static void AppendPlainToken(GrowString* out, const TokenCursor* token)
{
    if (token->quote != 0)
        AppendString(out, &token->quote, 1);
    AppendString(out, token->start, token->length);
    if (token->quote != 0)
        AppendString(out, &token->quote, 1);
}

void ComposeChildLine(GrowString* out, const WCHAR* launchLine, const WCHAR* launcherPath)
{
    GrowString workingPath;
    NewGrowString(&workingPath);
    if (launcherPath != NULL)
        AppendString(&workingPath, launcherPath, -1);
    TokenCursor token;
    for (int more = NextToken(&token, launchLine, 1), first = 1; more;
         more = NextToken(&token, launchLine, 0), first = 0) {
        if (!first)
            AppendNarrow(out, " ", 1);
        int resolved = launcherPath != NULL && IsDocumentToken(&token) &&
                       AppendResolvedDocument(out, &workingPath, &token);
        if (!resolved)
            AppendPlainToken(out, &token);
    }
    free(workingPath.text);
}

// ---- Finding the executable --------------------------------------------------------------

// Appends the launcher's full path to path; 0 when it can't be learnt whole.
static int ReadLauncherPath(HMODULE module, GrowString* path)
{
    if (module == NULL)
        return 0;
    DWORD count = GetModuleFileNameW(module, modulePathBuffer, ModulePathLength);
    // A full buffer means a cut path, whose folder may be another one.
    if (count == 0 || count >= ModulePathLength)
        return 0;
    AppendString(path, modulePathBuffer, (int)count);
    return 1;
}

// Tries executable + first, then executable + second; executable keeps what was found.
static int FindExecutableByStem(GrowString* executable, const WCHAR* first, const WCHAR* second)
{
    int stem = TextLength(executable->text);
    AppendString(executable, first, -1);
    if (IsExistingFile(executable->text))
        return 1;
    TruncateString(executable, stem);
    AppendString(executable, second, -1);
    return IsExistingFile(executable->text);
}

static int FindExecutableBesideLauncher(GrowString* executable, const WCHAR* launcherPath)
{
    int folder = DirectoryPartLength(launcherPath);
    if (folder == 0)
        return 0;
    AppendString(executable, launcherPath, folder);
    return FindExecutableByStem(executable, TEXT("kolw.exe"), TEXT("kol.exe"));
}

// Names the executable after the registered runtime library: a base ending in a lower-case
// "w" is the window program's own name, so the "w" is dropped before it is added again.
static int FindExecutableAtRuntimeBase(GrowString* executable)
{
    TruncateString(executable, 0);
    if (!FindRuntimeBase(executable))
        return 0;
    int length = TextLength(executable->text);
    if (executable->text[length - 1] == 'w')
        TruncateString(executable, length - 1);
    return FindExecutableByStem(executable, TEXT("w.exe"), TEXT(".exe"));
}

// With "UseJavaVM=true" the Java runtime and "kol.jar" are located, beside the launcher
// or else beside the runtime base. The machine still runs as its own executable: no form
// of starting it through the Java runtime is fixed, so what is found stays unused.
static void LocateJavaRuntime(HMODULE module, const GrowString* launcherPath)
{
    const char* useJava = GetConfigValue("UseJavaVM", module, "false");
    if (useJava == NULL || strcmp(useJava, "true") != 0)
        return;
    GrowString javaLauncher;
    GrowString jar;
    GrowString base;
    NewGrowString(&javaLauncher);
    NewGrowString(&jar);
    NewGrowString(&base);
    if (FindJavaLauncher(&javaLauncher) && !FindKolJar(launcherPath, &jar) &&
        FindRuntimeBase(&base))
        FindKolJar(&base, &jar);
    free(javaLauncher.text);
    free(jar.text);
    free(base.text);
}

// ---- Running the child ---------------------------------------------------------------------

static int ReportLaunchFailure(const WCHAR* text)
{
    MessageBoxW(NULL, text, TEXT("Kol Launcher Error"), MB_OK);
    return -1;
}

// Starts the executable with the arguments alone and waits for it without a time limit.
static int RunChild(WCHAR* executable, WCHAR* commandLine)
{
    PROCESS_INFORMATION child;
    if (!CreateProcessW(executable, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, NULL,
                        &child))
        return ReportLaunchFailure(TEXT("Cannot run Kol VM Executable"));
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD exitCode;
    if (!GetExitCodeProcess(child.hProcess, &exitCode))
        return -1;
    return (int)exitCode;
}

int RunExternalVm(const WCHAR* launchLine, HMODULE module, HINSTANCE instance)
{
    GrowString launcherPath;
    GrowString executable;
    GrowString commandLine;
    NewGrowString(&launcherPath);
    NewGrowString(&executable);
    NewGrowString(&commandLine);

    int pathKnown = ReadLauncherPath(module, &launcherPath);
    if (pathKnown)
        LocateJavaRuntime(module, &launcherPath);
    int found = pathKnown && FindExecutableBesideLauncher(&executable, launcherPath.text);
    ComposeChildLine(&commandLine, launchLine, pathKnown ? launcherPath.text : NULL);
    // Before any message: the splash shows while a failure is reported, too.
    StartSplash(module, instance);
    if (!found && !FindExecutableAtRuntimeBase(&executable))
        return ReportLaunchFailure(TEXT("Cannot find Kol VM Executable"));
    return RunChild(executable.text, commandLine.text);
}
