#include "handoff/request.h"

#include "handoff/port.h"
#include "text/arguments.h"
#include "text/strings.h"

// An option that is the last argument and has none of these letters ends the scan.
static const char KnownOptionLetters[] = "azrpnmsoOQRh-+";
static const char StandAloneOptionLetters[] = "QRkmnprsz";

// How the scan goes on after an option: the number of arguments to step over, or one of
// these.
enum { ScanEndsWithoutName = 0, ScanForwardsCommand = -1 };

// Letters compare as whole code units: a character above 0xFF never matches by its low byte.
static int IsOneOf(WCHAR letter, const char* letters)
{
    for (; *letters != 0; letters++) {
        if (letter == (WCHAR)*letters)
            return 1;
    }
    return 0;
}

static int IsOption(const WCHAR* argument)
{
    return (argument[0] == '-' || argument[0] == '/') && !IsKolFileName(argument);
}

static int OptionStep(const WCHAR* option, int isLast)
{
    WCHAR letter = option[1];
    if (isLast && !IsOneOf(letter, KnownOptionLetters))
        return ScanEndsWithoutName;
    if (letter == '-')
        return ScanEndsWithoutName;
    if (IsOneOf(letter, StandAloneOptionLetters))
        return 1;
    if (letter == 'a' && EqualsUtf8(option + 1, "acommand"))
        return ScanForwardsCommand;
    return 2;
}

// "Game.kol" runs as "Game.run", named without the folders before it.
static WCHAR* InstanceNameOfDocument(WCHAR* document)
{
    int length = TextLength(document);
    document[length - 3] = 'r';
    document[length - 2] = 'u';
    document[length - 1] = 'n';
    for (int at = length - 4; at >= 0; at--) {
        if (document[at] == '/' || document[at] == '\\') {
            document[at] = 0;
            return document + at + 1;
        }
    }
    return document;
}

StartRequest ScanStartRequest(WCHAR** arguments, int count)
{
    StartRequest request = {NULL, -1};
    int at = 0;
    while (at < count) {
        WCHAR* argument = arguments[at];
        if (IsKolFileName(argument)) {
            request.instanceName = InstanceNameOfDocument(argument);
            return request;
        }
        if (IsOption(argument)) {
            int step = OptionStep(argument, at == count - 1);
            if (step == ScanForwardsCommand)
                request.commandOption = at;
            if (step <= 0)
                return request;
            at += step;
        } else if (EqualsUtf8(argument, "Kol")) {
            at++;
        } else {
            request.instanceName = argument;
            return request;
        }
    }
    return request;
}

void MakeWindowClassName(WCHAR* instanceName)
{
    for (; *instanceName != 0; instanceName++) {
        if (*instanceName == '.' || *instanceName == '/')
            *instanceName = '_';
    }
}

WCHAR* InstanceStartingMarkName(const WCHAR* windowClass)
{
    // In the session's own namespace on desktop, as are the windows that the hand-off finds.
    WCHAR* name = ConcatStrings(TEXT("Kol instance starting: "), windowClass);
    // Desktop takes a reverse solidus in a name for a namespace's end; the class has no
    // solidus left to be confused with.
    for (WCHAR* c = name; c != NULL && *c != 0; c++) {
        if (*c == '\\')
            *c = '/';
    }
    return name;
}

WCHAR* PortStartingMarkName(DWORD portSetting)
{
    WCHAR digits[6];
    int first = 5;
    digits[first] = 0;
    WORD port = PortOfSetting(portSetting);
    do {
        digits[--first] = (WCHAR)('0' + port % 10);
        port /= 10;
    } while (port != 0);
    // A machine listens for every session of the machine.
    return ConcatStrings(MACHINE_WIDE_OBJECT_NAME("Kol machine starting on port "),
                         digits + first);
}
