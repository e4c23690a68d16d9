#include "external/plan.h"

#include "external/discovery.h"
#include "splash/config.h"
#include "text/arguments.h"

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

// 1 when the plan's executable path names an existing file that isn't the launcher's own,
// whatever its spelling: a launcher named "kol.exe", or registered as the runtime library,
// would otherwise run itself, and that child itself again, without end.
static int IsMachineExecutable(LaunchPlan* plan)
{
    const WCHAR* candidate = plan->executable.text;
    if (!IsExistingFile(candidate))
        return 0;
    if (plan->launcherPath.text[0] == 0 || !IsSameFile(candidate, plan->launcherPath.text))
        return 1;
    plan->launcherPassedOver = 1;
    return 0;
}

// Tries the executable path + first, then + second; the path keeps what was found.
static int FindExecutableByStem(LaunchPlan* plan, const WCHAR* first, const WCHAR* second)
{
    GrowString* executable = &plan->executable;
    int stem = TextLength(executable->text);
    AppendString(executable, first, -1);
    if (IsMachineExecutable(plan))
        return 1;
    TruncateString(executable, stem);
    AppendString(executable, second, -1);
    return IsMachineExecutable(plan);
}

static int FindExecutableBesideLauncher(LaunchPlan* plan, const WCHAR* launcherPath)
{
    int folder = DirectoryPartLength(launcherPath);
    if (folder == 0)
        return 0;
    AppendString(&plan->executable, launcherPath, folder);
    return FindExecutableByStem(plan, TEXT("kolw.exe"), TEXT("kol.exe"));
}

// Names the executable after the registered runtime library: a base ending in a lower-case
// "w" is the window program's own name, so the "w" is dropped before it is added again.
static int FindExecutableAtRuntimeBase(LaunchPlan* plan)
{
    GrowString* executable = &plan->executable;
    TruncateString(executable, 0);
    if (!FindRuntimeBase(executable))
        return 0;
    int length = TextLength(executable->text);
    if (executable->text[length - 1] == 'w')
        TruncateString(executable, length - 1);
    return FindExecutableByStem(plan, TEXT("w.exe"), TEXT(".exe"));
}

// "kol.jar" is looked for beside the launcher, else beside the runtime base.
static void LocateJavaRuntime(JavaRuntime* java, HMODULE module, const GrowString* launcherPath)
{
    const char* useJava = GetConfigValue("UseJavaVM", module, "false");
    java->wanted = useJava != NULL && strcmp(useJava, "true") == 0;
    if (!java->wanted)
        return;
    NewGrowString(&java->launcher);
    NewGrowString(&java->jar);
    java->launcherFound = FindJavaLauncher(&java->launcher);
    if (!java->launcherFound)
        return;
    java->jarFound = FindKolJar(launcherPath, &java->jar);
    GrowString base;
    NewGrowString(&base);
    if (!java->jarFound && FindRuntimeBase(&base))
        java->jarFound = FindKolJar(&base, &java->jar);
    free(base.text);
}

void PlanLaunch(LaunchPlan* plan, const WCHAR* launchLine, HMODULE module,
                const WCHAR* launcherPath)
{
    memset(plan, 0, sizeof(*plan));
    NewGrowString(&plan->launcherPath);
    NewGrowString(&plan->executable);
    NewGrowString(&plan->commandLine);
    if (launcherPath != NULL) {
        AppendString(&plan->launcherPath, launcherPath, -1);
        LocateJavaRuntime(&plan->java, module, &plan->launcherPath);
        if (FindExecutableBesideLauncher(plan, launcherPath))
            plan->rule = ExecutableBesideLauncher;
    }
    ComposeChildLine(&plan->commandLine, launchLine, launcherPath);
}

int FindFallbackExecutable(LaunchPlan* plan)
{
    if (plan->rule == ExecutableNotFound && FindExecutableAtRuntimeBase(plan))
        plan->rule = ExecutableAtRuntimeBase;
    return plan->rule != ExecutableNotFound;
}
