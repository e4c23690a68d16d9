#include "text/strings.h"

static const int GrowStep = 100;
static const int VectorStart = 256;

// Narrow bytes are signed: 0x80..0xFF widen to U+FF80..U+FFFF, as the device's compiler does.
static WCHAR WidenByte(char byte)
{
    return (WCHAR)(int16_t)(signed char)byte;
}

int TextLength(const WCHAR* text)
{
    int length = 0;
    while (text[length] != 0)
        length++;
    return length;
}

void NewGrowString(GrowString* s)
{
    s->text = (WCHAR*)malloc(GrowStep * sizeof(WCHAR));
    s->text[0] = 0;
    s->capacity = GrowStep;
}

void TruncateString(GrowString* s, int n)
{
    if (n >= 0 && n < TextLength(s->text))
        s->text[n] = 0;
}

void ReserveString(GrowString* s, int n)
{
    if (n <= s->capacity)
        return;
    int capacity = (n + GrowStep - 1) / GrowStep * GrowStep;
    int length = TextLength(s->text);
    WCHAR* text = (WCHAR*)malloc(capacity * sizeof(WCHAR));
    memcpy(text, s->text, length * sizeof(WCHAR));
    text[length] = 0;
    free(s->text);
    s->text = text;
    s->capacity = capacity;
}

int StartsWith(const WCHAR* prefix, const WCHAR* text)
{
    for (int i = 0; prefix[i] != 0; i++) {
        if (text[i] != prefix[i])
            return 0;
    }
    return 1;
}

int FindString(const GrowString* s, const WCHAR* needle)
{
    for (int p = 0; s->text[p] != 0; p++) {
        if (StartsWith(needle, s->text + p))
            return p;
    }
    return -1;
}

void AppendString(GrowString* s, const WCHAR* source, int count)
{
    if (count < 0)
        count = TextLength(source);
    if (count == 0)
        return;
    int length = TextLength(s->text);
    ReserveString(s, length + count + 1);
    memcpy(s->text + length, source, count * sizeof(WCHAR));
    s->text[length + count] = 0;
}

void AppendNarrow(GrowString* s, const char* source, int count)
{
    if (count < 0)
        count = (int)strlen(source);
    if (count == 0)
        return;
    int length = TextLength(s->text);
    ReserveString(s, length + count + 1);
    for (int i = 0; i < count; i++)
        s->text[length + i] = WidenByte(source[i]);
    s->text[length + count] = 0;
}

WCHAR* WidenString(const char* source, int count)
{
    if (count < 0)
        count = (int)strlen(source);
    WCHAR* text = (WCHAR*)malloc((count + 1) * sizeof(WCHAR));
    if (text == NULL)
        return NULL;
    for (int i = 0; i < count; i++)
        text[i] = WidenByte(source[i]);
    text[count] = 0;
    return text;
}

WCHAR* ConcatStrings(const WCHAR* a, const WCHAR* b)
{
    int lengthA = TextLength(a);
    int lengthB = TextLength(b);
    WCHAR* text = (WCHAR*)malloc((lengthA + lengthB + 1) * sizeof(WCHAR));
    memcpy(text, a, lengthA * sizeof(WCHAR));
    memcpy(text + lengthA, b, lengthB * sizeof(WCHAR));
    text[lengthA + lengthB] = 0;
    return text;
}

CharVector* NewCharVector(void)
{
    CharVector* v = (CharVector*)malloc(sizeof(CharVector));
    v->data = (WCHAR*)malloc(VectorStart * sizeof(WCHAR));
    v->length = 0;
    v->capacity = VectorStart;
    return v;
}

void AppendChars(CharVector* v, const WCHAR* source, int count)
{
    int needed = v->length + count;
    if (needed > v->capacity) {
        int capacity = v->capacity * 2 > needed ? v->capacity * 2 : needed;
        WCHAR* data = (WCHAR*)malloc(capacity * sizeof(WCHAR));
        memcpy(data, v->data, v->length * sizeof(WCHAR));
        free(v->data);
        v->data = data;
        v->capacity = capacity;
    }
    memcpy(v->data + v->length, source, count * sizeof(WCHAR));
    v->length = needed;
}
