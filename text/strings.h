// Growable wide strings and the free functions on wide text that the launcher shares.
#ifndef KOL_TEXT_STRINGS_H
#define KOL_TEXT_STRINGS_H

#include "platform/platform.h"

// A NUL-terminated wide string without a stored length.
// Invariant: text is NUL-terminated and its length + 1 <= capacity.
// A new one is made with NewGrowString: 100 characters of room, empty text.
typedef struct {
    WCHAR* text;
    int capacity;
} GrowString;

// A wide character array with an explicit length and no terminator of its own.
// Invariant: 0 <= length <= capacity; data holds capacity characters.
typedef struct {
    WCHAR* data;
    int length;
    int capacity;
} CharVector;

// Number of characters before the terminating NUL.
int TextLength(const WCHAR* text);

// Fills s with a fresh allocation of 100 characters holding the empty text.
void NewGrowString(GrowString* s);

// Cuts s's text at n when n is below its length; otherwise nothing changes.
void TruncateString(GrowString* s, int n);

// Makes room for n characters (terminator included), growing to the next multiple of 100.
void ReserveString(GrowString* s, int n);

// Index of the first occurrence of needle in s's text, or -1.
int FindString(const GrowString* s, const WCHAR* needle);

// Appends count characters of source (negative: up to its NUL).
void AppendString(GrowString* s, const WCHAR* source, int count);

// Appends count bytes of narrow source (negative: up to its NUL), each widened as signed.
void AppendNarrow(GrowString* s, const char* source, int count);

// 1 when text begins with prefix, else 0; never reads past text's NUL.
int StartsWith(const WCHAR* prefix, const WCHAR* text);

// New NUL-terminated wide copy of count narrow bytes (negative: up to the NUL), each byte
// taken as a signed 8-bit value: 0x80..0xFF become U+FF80..U+FFFF. Owned by the caller;
// null when memory runs out.
WCHAR* WidenString(const char* source, int count);

// New NUL-terminated text a followed by b. Owned by the caller.
WCHAR* ConcatStrings(const WCHAR* a, const WCHAR* b);

// New empty vector with room for 256 characters. Never freed by its users.
CharVector* NewCharVector(void);

// Appends count characters; grows to twice the capacity, or to what is needed if more.
void AppendChars(CharVector* v, const WCHAR* source, int count);

#endif
