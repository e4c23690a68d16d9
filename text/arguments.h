// Command-line scanners and matchers shared by the hand-off and the launch-line mode.
#ifndef KOL_TEXT_ARGUMENTS_H
#define KOL_TEXT_ARGUMENTS_H

#include "platform/platform.h"

// The state of one launch-line token walk, owned by the caller.
typedef struct {
    const WCHAR* start;  // first character of the token (after an opening quote)
    const WCHAR* next;   // where the following call resumes
    int length;          // characters from start; a quoted token's own quotes not counted
    WCHAR quote;         // the quote that enclosed the token, or 0
} TokenCursor;

// Cuts text into arguments in place; out null counts only. Returns the count.
int SplitArguments(WCHAR* text, WCHAR** out);

// Next launch-line token; restart nonzero begins at text. 1 with the cursor set, or 0.
int NextToken(TokenCursor* cursor, const WCHAR* text, int restart);

// 1 when name ends in ".kol" in any letter case and has a name before it.
int IsKolFileName(const WCHAR* name);

// 1 when the wide text spells the same characters as the UTF-8 text.
int EqualsUtf8(const WCHAR* wide, const char* utf8);

#endif
