// The command-line scanners and the hand-off's instance-name derivation on arbitrary text.
//
// Input: one byte n, then n narrow bytes (the UTF-8 side of EqualsUtf8), then the wide text
// as UTF-16 little-endian code units. Both texts end at their first NUL and are copied into
// heap blocks of exactly their size, so any read past a NUL is caught.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check.h"
#include "handoff/request.h"
#include "text/arguments.h"

namespace {

struct Wide {
    WCHAR* text;
    size_t length;
};

Wide CopyWide(const WCHAR* units, size_t length)
{
    Wide copy = {(WCHAR*)malloc((length + 1) * sizeof(WCHAR)), length};
    memcpy(copy.text, units, length * sizeof(WCHAR));
    copy.text[length] = 0;
    return copy;
}

bool Within(const WCHAR* at, const Wide& text)
{
    return at >= text.text && at <= text.text + text.length;
}

size_t Length(const WCHAR* text)
{
    size_t length = 0;
    while (text[length] != 0)
        length++;
    return length;
}

void CheckSplit(const Wide& original)
{
    Wide text = CopyWide(original.text, original.length);
    int count = SplitArguments(text.text, NULL);
    CHECK(count >= 0 && (size_t)count <= text.length);

    // Counting cuts the text at its first line break and changes nothing else.
    size_t cut = 0;
    while (cut < original.length && original.text[cut] != '\r' && original.text[cut] != '\n')
        cut++;
    for (size_t i = 0; i < original.length; i++)
        CHECK(text.text[i] == (i == cut ? 0 : original.text[i]));

    WCHAR** arguments = (WCHAR**)malloc(((size_t)count + 1) * sizeof(WCHAR*));
    CHECK(SplitArguments(text.text, arguments) == count);
    for (int i = 0; i < count; i++) {
        CHECK(Within(arguments[i], text));
        CHECK(i == 0 || arguments[i] > arguments[i - 1] + Length(arguments[i - 1]));
        CHECK(IsKolFileName(arguments[i]) == 0 || IsKolFileName(arguments[i]) == 1);
    }

    // The derivation rewrites arguments in place, so it comes last.
    StartRequest request = ScanStartRequest(arguments, count);
    CHECK(request.commandOption >= -1 && request.commandOption < count);
    if (request.commandOption >= 0)
        CHECK(request.instanceName == NULL);
    if (request.instanceName != NULL) {
        CHECK(Within(request.instanceName, text));
        MakeWindowClassName(request.instanceName);
        for (const WCHAR* c = request.instanceName; *c != 0; c++)
            CHECK(*c != '.' && *c != '/');
    }
    free(arguments);
    free(text.text);
}

void CheckTokenWalk(const Wide& text)
{
    TokenCursor cursor;
    const WCHAR* resume = text.text;
    size_t tokens = 0;
    for (int restart = 1; NextToken(&cursor, text.text, restart); restart = 0) {
        CHECK(cursor.start >= resume && Within(cursor.start, text));
        CHECK(cursor.length >= 0 && cursor.start + cursor.length <= text.text + text.length);
        CHECK(Within(cursor.next, text) && cursor.next > resume);
        CHECK(cursor.next >= cursor.start + cursor.length);
        if (cursor.quote != 0)
            CHECK(cursor.start[-1] == cursor.quote);
        else
            CHECK(cursor.length > 0);
        resume = cursor.next;
        CHECK(++tokens <= text.length);
    }
    CHECK(NextToken(&cursor, NULL, 0) == 0);
}

bool IsLetter(WCHAR c, char lower)
{
    return c == (WCHAR)lower || c == (WCHAR)(lower - 32);
}

void CheckKolFileName(const Wide& text)
{
    const WCHAR* t = text.text;
    size_t n = text.length;
    int expected = n >= 5 && t[n - 4] == '.' && IsLetter(t[n - 3], 'k') &&
                   IsLetter(t[n - 2], 'o') && IsLetter(t[n - 1], 'l');
    CHECK(IsKolFileName(t) == expected);
}

void CheckEqualsUtf8(const Wide& text, const char* narrow, size_t narrowLength)
{
    char* utf8 = (char*)malloc(narrowLength + 1);
    memcpy(utf8, narrow, narrowLength);
    utf8[narrowLength] = 0;
    int equal = EqualsUtf8(text.text, utf8);
    CHECK(equal == 0 || equal == 1);

    // Plain ASCII on the narrow side decodes byte for byte.
    bool ascii = true;
    for (size_t i = 0; i < narrowLength; i++)
        ascii = ascii && (unsigned char)utf8[i] < 0x80;
    if (ascii) {
        bool same = text.length == narrowLength;
        for (size_t i = 0; same && i < narrowLength; i++)
            same = text.text[i] == (WCHAR)utf8[i];
        CHECK(equal == (same ? 1 : 0));
    }
    free(utf8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    size_t narrowLength = data[0] < size - 1 ? data[0] : size - 1;
    const char* narrow = (const char*)data + 1;
    size_t narrowEnd = strnlen(narrow, narrowLength);

    const uint8_t* wideBytes = data + 1 + narrowLength;
    size_t units = (size - 1 - narrowLength) / 2;
    WCHAR* decoded = (WCHAR*)malloc((units + 1) * sizeof(WCHAR));
    size_t length = 0;
    while (length < units) {
        WCHAR unit = (WCHAR)(wideBytes[2 * length] | (wideBytes[2 * length + 1] << 8));
        if (unit == 0)
            break;
        decoded[length++] = unit;
    }
    Wide text = CopyWide(decoded, length);
    free(decoded);

    CheckSplit(text);
    CheckTokenWalk(text);
    CheckKolFileName(text);
    CheckEqualsUtf8(text, narrow, narrowEnd);
    free(text.text);
    return 0;
}
