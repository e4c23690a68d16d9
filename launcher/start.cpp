#include "launcher/start.h"

#include "launcher/merge.h"
#include "text/strings.h"

static WCHAR* CopyCommandLine(const WCHAR* commandLine)
{
    CharVector* copy = NewCharVector();
    static const WCHAR terminator = 0;
    AppendChars(copy, commandLine, TextLength(commandLine));
    AppendChars(copy, &terminator, 1);
    return copy->data;
}

StartLine SettleStartLine(HMODULE module, WCHAR* userCommandLine)
{
    StartLine start = {InProcessMode, FindResourceW(module, TEXT("CommandLine"), TEXT("Text")),
                       NULL};
    if (start.embedded == NULL) {
        start.embedded = FindResourceW(module, TEXT("LaunchLine"), TEXT("Text"));
        if (start.embedded != NULL)
            start.mode = LaunchLineMode;
    }
    start.line = start.embedded != NULL
                     ? MergeCommandLine(module, start.embedded, userCommandLine)
                     : CopyCommandLine(userCommandLine);
    return start;
}

static int IsBlankRequest(const WCHAR* line)
{
    for (; *line != 0; line++) {
        if (*line > ' ')
            return 0;
    }
    return 1;
}

// A tab after the "+" spoils it: only blanks may follow.
static int IsRegisterOnlyRequest(const WCHAR* line)
{
    if (line[0] != '+')
        return 0;
    for (line++; *line != 0; line++) {
        if (*line != ' ')
            return 0;
    }
    return 1;
}

RegistrationRequest RegistrationRequested(const WCHAR* line)
{
    if (IsBlankRequest(line))
        return RegisterAndGoOn;
    return IsRegisterOnlyRequest(line) ? RegisterAndEnd : NoRegistration;
}
