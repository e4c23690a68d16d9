#include "launcher/merge.h"

#include "text/strings.h"

static const WCHAR Blank = ' ';
static const WCHAR Terminator = 0;

// The part of the user's line not yet walked. The count, not a NUL, ends every walk.
typedef struct {
    const WCHAR* at;
    int remaining;
} LineWalk;

// The resource's first line, widened; null when its data can't be loaded or widened.
static WCHAR* ReadEmbeddedLine(HMODULE module, HRSRC resource)
{
    const char* data = (const char*)LoadResource(module, resource);
    if (data == NULL)
        return NULL;
    int size = (int)SizeofResource(module, resource);
    WCHAR* line = WidenString(data, size);
    if (line == NULL)
        return NULL;
    // The low byte of a widened character is the resource's byte.
    for (int i = 0; i < size; i++) {
        int byte = line[i] & 0xFF;
        if (byte == 0 || byte == '\n' || byte == '\r') {
            line[i] = 0;
            break;
        }
    }
    return line;
}

static void Advance(LineWalk* walk, int count)
{
    walk->at += count;
    walk->remaining -= count;
}

static void SkipBlanks(LineWalk* walk)
{
    while (walk->remaining > 0 && walk->at[0] == ' ')
        Advance(walk, 1);
}

static int IsSwitchCharacter(WCHAR c)
{
    return c == '-' || c == '/';
}

// "-+" or "/+" with something after it; the pair alone is an ordinary argument.
static int StartsOptionBlock(const LineWalk* walk)
{
    return walk->remaining >= 3 && IsSwitchCharacter(walk->at[0]) && walk->at[1] == '+';
}

// "--" or "/-" standing alone: at the end of the line or before a blank.
static int StartsTerminator(const LineWalk* walk)
{
    return walk->remaining >= 2 && IsSwitchCharacter(walk->at[0]) && walk->at[1] == '-' &&
           (walk->remaining == 2 || walk->at[2] == ' ');
}

// Characters of the argument at the walk's position. A blank ends it only outside quotes;
// a quote of the other kind inside a quoted stretch becomes the closing one.
static int ArgumentLength(const LineWalk* walk)
{
    WCHAR quote = 0;
    int length = 0;
    for (; length < walk->remaining; length++) {
        WCHAR c = walk->at[length];
        if (c == quote)
            quote = 0;
        else if (c == '\'' || c == '"')
            quote = c;
        else if (c == ' ' && quote == 0)
            break;
    }
    return length;
}

// Copies the arguments after the marker, each followed by one blank, up to the terminator
// (dropped) or the end of the line.
static void CopyOptionBlock(LineWalk* walk, CharVector* merged)
{
    for (SkipBlanks(walk); walk->remaining > 0; SkipBlanks(walk)) {
        if (StartsTerminator(walk)) {
            Advance(walk, 2);
            return;
        }
        int length = ArgumentLength(walk);
        AppendChars(merged, walk->at, length);
        AppendChars(merged, &Blank, 1);
        Advance(walk, length);
    }
}

WCHAR* MergeCommandLine(HMODULE module, HRSRC resource, WCHAR* userCommandLine)
{
    WCHAR* embedded = ReadEmbeddedLine(module, resource);
    if (embedded == NULL)
        return userCommandLine;
    LineWalk walk = {userCommandLine, TextLength(userCommandLine)};
    if (walk.remaining == 0)
        return embedded;

    CharVector* merged = NewCharVector();
    SkipBlanks(&walk);
    if (StartsOptionBlock(&walk)) {
        Advance(&walk, 2);
        CopyOptionBlock(&walk, merged);
    }
    AppendChars(merged, &Blank, 1);
    AppendChars(merged, embedded, TextLength(embedded));
    SkipBlanks(&walk);
    if (walk.remaining > 0) {
        AppendChars(merged, &Blank, 1);
        AppendChars(merged, walk.at, walk.remaining);
    }
    AppendChars(merged, &Terminator, 1);
    return merged->data;
}
