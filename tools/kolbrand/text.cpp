#include "tools/kolbrand/text.h"

#include <stdio.h>

std::string Upper(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    }
    return upper;
}

int SameResourceName(const std::string& a, const std::string& b)
{
    return Upper(a) == Upper(b);
}

static std::string Hex(unsigned value, int digits)
{
    char text[16];
    snprintf(text, sizeof(text), "%0*X", digits, value);
    return text;
}

static void AppendUtf8(std::string* out, unsigned code)
{
    if (code < 0x80) {
        *out += (char)code;
    } else if (code < 0x800) {
        *out += (char)(0xC0 | code >> 6);
        *out += (char)(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += (char)(0xE0 | code >> 12);
        *out += (char)(0x80 | (code >> 6 & 0x3F));
        *out += (char)(0x80 | (code & 0x3F));
    } else {
        *out += (char)(0xF0 | code >> 18);
        *out += (char)(0x80 | (code >> 12 & 0x3F));
        *out += (char)(0x80 | (code >> 6 & 0x3F));
        *out += (char)(0x80 | (code & 0x3F));
    }
}

static bool IsHighSurrogate(unsigned c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

static bool IsLowSurrogate(unsigned c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code point at text[*at]: a surrogate pair's, or an unpaired surrogate itself; *at
// moves to its last code unit.
static unsigned CodePointAt(const std::u16string& text, size_t* at)
{
    unsigned c = text[*at];
    if (IsHighSurrogate(c) && *at + 1 < text.size() && IsLowSurrogate(text[*at + 1]))
        return 0x10000 + ((c - 0xD800) << 10) + (text[++*at] - 0xDC00u);
    return c;
}

std::string Utf8FromUtf16(const std::u16string& text)
{
    std::string utf8;
    for (size_t i = 0; i < text.size(); i++)
        AppendUtf8(&utf8, CodePointAt(text, &i));
    return utf8;
}

// The length of the UTF-8 sequence that lead begins, or 0 when it begins none.
static size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

// The code point of the sequence at text[at], or U+FFFD; *length receives the bytes used.
static unsigned DecodeUtf8(const std::string& text, size_t at, size_t* length)
{
    unsigned char lead = (unsigned char)text[at];
    size_t expected = SequenceLength(lead);
    *length = 1;
    if (expected <= 1 || at + expected > text.size())
        return expected == 1 ? lead : 0xFFFD;
    unsigned code = lead & (0x7Fu >> expected);
    for (size_t k = 1; k < expected; k++) {
        unsigned char next = (unsigned char)text[at + k];
        if ((next & 0xC0) != 0x80)
            return 0xFFFD;
        code = code << 6 | (next & 0x3F);
    }
    *length = expected;
    return code;
}

std::u16string Utf16FromUtf8(const std::string& text)
{
    std::u16string utf16;
    for (size_t at = 0, length = 0; at < text.size(); at += length) {
        unsigned code = DecodeUtf8(text, at, &length);
        if (code >= 0x10000) {
            utf16 += (char16_t)(0xD800 + ((code - 0x10000) >> 10));
            utf16 += (char16_t)(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            utf16 += (char16_t)code;
        }
    }
    return utf16;
}

unsigned FirstUnpairedSurrogate(const std::string& text)
{
    std::u16string units = Utf16FromUtf8(text);
    for (size_t i = 0; i < units.size(); i++) {
        unsigned code = CodePointAt(units, &i);
        if (IsHighSurrogate(code) || IsLowSurrogate(code))
            return code;
    }
    return 0;
}

// Code points that can't be shown plainly: control characters, format characters (bidi
// marks, embeddings, overrides and isolates, zero-width ones, the byte-order mark), the line
// and paragraph separators, surrogates and noncharacters (besides the last two of each
// plane, which IsShownPlainly tells by their bits).
static const struct {
    unsigned first;
    unsigned last;
} Unshown[] = {
    {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},
    {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},
    {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
    {0x2060, 0x2064},   {0x2066, 0x206F},   {0xD800, 0xDFFF},   {0xFDD0, 0xFDEF},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

static bool IsShownPlainly(unsigned code)
{
    if ((code & 0xFFFE) == 0xFFFE)
        return false;
    for (const auto& range : Unshown) {
        if (code >= range.first && code <= range.last)
            return false;
    }
    return true;
}

std::string ShownUnits(const std::u16string& text)
{
    std::string shown;
    for (size_t i = 0; i < text.size(); i++) {
        unsigned code = CodePointAt(text, &i);
        if (IsShownPlainly(code))
            AppendUtf8(&shown, code);
        else
            shown += "<U+" + Hex(code, 4) + ">";
    }
    return shown;
}

std::string Shown(const std::string& bytes)
{
    std::u16string widened;
    for (char byte : bytes)
        widened += (char16_t)(int16_t)(signed char)byte;
    return ShownUnits(widened);
}

std::string ShownText(const std::string& text)
{
    return ShownUnits(Utf16FromUtf8(text));
}

std::string MessageLine(const std::string& message)
{
    return "kolbrand: " + ShownText(message) + "\n";
}

long FirstHighByte(const std::string& text)
{
    for (size_t i = 0; i < text.size(); i++) {
        if ((unsigned char)text[i] > 0x7F)
            return (long)i;
    }
    return -1;
}

std::string CheckAscii(const std::string& option, const std::string& text)
{
    if (FirstHighByte(text) < 0)
        return "";
    return option + ": holds a character outside ASCII; the launcher takes each byte as one "
                    "character, so it would not arrive as typed";
}

std::string CheckEmbeddedLine(const std::string& option, const std::string& line)
{
    size_t cut = line.find_first_of(std::string("\r\n\0", 3));
    if (cut != std::string::npos) {
        const char* what = line[cut] == 0 ? "a NUL" : "a line break";
        return option + ": holds " + what + " at offset " + std::to_string(cut) +
               ": only the text before it would count";
    }
    return CheckAscii(option, line);
}
