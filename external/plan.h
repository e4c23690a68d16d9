// Launch-line mode's decisions: which executable runs the machine and by which rule, the
// child's command line, and the Java runtime that "UseJavaVM=true" locates. They start
// nothing themselves.
#ifndef KOL_EXTERNAL_PLAN_H
#define KOL_EXTERNAL_PLAN_H

#include "platform/platform.h"

#include "text/strings.h"

// Each rule passes over the launcher's own file, as if it were absent.
typedef enum {
    ExecutableNotFound,
    ExecutableBesideLauncher,  // "kolw.exe", else "kol.exe", in the launcher's folder
    ExecutableAtRuntimeBase    // the registered runtime library's base with "w.exe", else ".exe"
} ExecutableRule;

// What "UseJavaVM=true" locates. The machine still runs as its own executable: no form of
// starting it through the Java runtime is fixed, so what is found stays unused.
typedef struct {
    int wanted;         // "UseJavaVM" is exactly "true"; the rest is set only then
    int launcherFound;  // javaw.exe, in launcher
    GrowString launcher;
    int jarFound;  // "kol.jar" (looked for only with javaw.exe), in jar: the last candidate
    GrowString jar;
} JavaRuntime;

typedef struct {
    GrowString launcherPath;  // empty when unknown
    ExecutableRule rule;
    GrowString executable;  // the chosen executable, once rule says one was found
    int launcherPassedOver;  // a candidate was the launcher's own file, taken as absent
    GrowString commandLine;  // the child's
    JavaRuntime java;
} LaunchPlan;

// Decides what can be decided beside the launcher at launcherPath (null when unknown: then
// no executable nor document is looked for there): the Java runtime (module's CONFIG),
// the executable beside the launcher and the child's line. Nothing is freed.
void PlanLaunch(LaunchPlan* plan, const WCHAR* launchLine, HMODULE module,
                const WCHAR* launcherPath);

// Without an executable beside the launcher, takes the one named after the registered
// runtime library. 1 when the plan then has an executable.
int FindFallbackExecutable(LaunchPlan* plan);

// Appends the child's command line to out: the launch line's tokens, each as written,
// joined by one blank. A token ending in ".kol" (lower case, with a name before it) is
// looked up in the folder of a working path that starts as launcherPath and keeps every
// candidate; one that exists is replaced by that full path in double quotes. Without a
// launcherPath (null) no document is looked up. The launch line is only read.
void ComposeChildLine(GrowString* out, const WCHAR* launchLine, const WCHAR* launcherPath);

#endif
