#include "text/arguments.h"

#include "text/strings.h"

static const WCHAR Blank = ' ';
static const WCHAR Tab = '\t';
static const WCHAR DoubleQuote = '"';
static const WCHAR Apostrophe = '\'';

// ---- Splitting a command line in place -------------------------------------------------

// Whatever follows the first line break is not part of the command line.
static void CutAtLineBreak(WCHAR* text)
{
    for (; *text != 0; text++) {
        if (*text == '\r' || *text == '\n') {
            *text = 0;
            return;
        }
    }
}

static WCHAR* SkipBlanks(WCHAR* text)
{
    while (*text == Blank)
        text++;
    return text;
}

// The character that ends an argument begun at text: the terminator, or the NUL.
static WCHAR* FindArgumentEnd(WCHAR* text, WCHAR terminator)
{
    while (*text != 0 && *text != terminator)
        text++;
    return text;
}

int SplitArguments(WCHAR* text, WCHAR** out)
{
    CutAtLineBreak(text);
    int count = 0;
    WCHAR* at = SkipBlanks(text);
    while (*at != 0) {
        WCHAR terminator = Blank;
        if (*at == DoubleQuote) {
            terminator = DoubleQuote;
            at++;
        }
        if (out != NULL)
            out[count] = at;
        count++;
        WCHAR* end = FindArgumentEnd(at, terminator);
        if (*end == 0)
            break;
        // Counting leaves the text as it is, so both calls find the same arguments.
        if (out != NULL)
            *end = 0;
        at = SkipBlanks(end + 1);
    }
    return count;
}

// ---- Walking launch-line tokens --------------------------------------------------------

static int IsTokenSeparator(WCHAR c)
{
    return c == Blank || c == Tab;
}

static int IsQuote(WCHAR c)
{
    return c == Apostrophe || c == DoubleQuote;
}

// A quoted token ends at its closing quote, or at the NUL when the quote is never closed.
static void ScanQuotedToken(TokenCursor* cursor)
{
    const WCHAR* at = cursor->start;
    while (*at != 0 && *at != cursor->quote)
        at++;
    cursor->length = (int)(at - cursor->start);
    cursor->next = *at == 0 ? at : at + 1;
}

// An unquoted token ends at a separator outside a quoted stretch, or at the NUL, where an
// unclosed stretch ends too.
static void ScanUnquotedToken(TokenCursor* cursor)
{
    const WCHAR* at = cursor->start;
    WCHAR stretch = 0;
    for (; *at != 0; at++) {
        if (stretch == 0 && IsTokenSeparator(*at))
            break;
        if (stretch == 0 && IsQuote(*at))
            stretch = *at;
        else if (*at == stretch)
            stretch = 0;
    }
    cursor->length = (int)(at - cursor->start);
    cursor->next = at;
}

int NextToken(TokenCursor* cursor, const WCHAR* text, int restart)
{
    const WCHAR* at = text;
    if (restart)
        memset(cursor, 0, sizeof(*cursor));
    else
        at = cursor->next;
    // A walk that found nothing after its restart has no position to resume from.
    if (at == NULL)
        return 0;
    while (IsTokenSeparator(*at))
        at++;
    if (*at == 0)
        return 0;
    if (IsQuote(*at)) {
        cursor->quote = *at;
        cursor->start = at + 1;
        ScanQuotedToken(cursor);
    } else {
        cursor->quote = 0;
        cursor->start = at;
        ScanUnquotedToken(cursor);
    }
    return 1;
}

// ---- Matching names --------------------------------------------------------------------

static int IsLetterInEitherCase(WCHAR c, char lower)
{
    return c == (WCHAR)lower || c == (WCHAR)(lower - 'a' + 'A');
}

int IsKolFileName(const WCHAR* name)
{
    int length = TextLength(name);
    // The extension alone names no document.
    if (length < 5)
        return 0;
    const WCHAR* extension = name + length - 4;
    return extension[0] == '.' && IsLetterInEitherCase(extension[1], 'k') &&
           IsLetterInEitherCase(extension[2], 'o') && IsLetterInEitherCase(extension[3], 'l');
}

// Decodes the character at *utf8 and moves past it. -1 at the NUL, for a cut-short sequence
// and for lead bytes of four-byte forms and stray continuation bytes. Overlong forms pass;
// the bytes after a lead byte only give their low six bits.
static int32_t DecodeUtf8(const unsigned char** utf8)
{
    const unsigned char* at = *utf8;
    int32_t value;
    if (at[0] == 0 || (at[0] >= 0x80 && at[0] < 0xC0) || at[0] >= 0xF0)
        return -1;
    if (at[0] < 0x80) {
        value = at[0];
        at += 1;
    } else if (at[0] < 0xE0) {
        if (at[1] == 0)
            return -1;
        value = ((at[0] & 0x1F) << 6) | (at[1] & 0x3F);
        at += 2;
    } else {
        if (at[1] == 0 || at[2] == 0)
            return -1;
        value = ((at[0] & 0x0F) << 12) | ((at[1] & 0x3F) << 6) | (at[2] & 0x3F);
        at += 3;
    }
    *utf8 = at;
    return value;
}

int EqualsUtf8(const WCHAR* wide, const char* utf8)
{
    const unsigned char* narrow = (const unsigned char*)utf8;
    for (; *wide != 0; wide++) {
        if (DecodeUtf8(&narrow) != (int32_t)*wide)
            return 0;
    }
    return *narrow == 0;
}
