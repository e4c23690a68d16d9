// Text as the launcher takes it: resource names compared without case, bytes shown one
// character each, and the refusals of text that would not arrive as typed.
#ifndef KOL_TOOLS_KOLBRAND_TEXT_H
#define KOL_TOOLS_KOLBRAND_TEXT_H

#include <string>

// The text with a to z in capitals.
std::string Upper(const std::string& text);

// Resource names match without regard to case, as the launcher's lookup does.
int SameResourceName(const std::string& a, const std::string& b);

// What kolbrand prints of a text is what Windows shows of it, but for what can't be shown
// plainly: control and format characters (bidi overrides among them), line and paragraph
// separators, noncharacters and unpaired surrogates are each written <U+XXXX>, a form that
// no Windows path holds. So a path prints as it is typed, and nothing printed can begin a
// line of its own or turn the text around it.

// Bytes as the launcher widens them, one character each (0xE9 to U+FFE9).
std::string Shown(const std::string& bytes);

// Wide text as the launcher holds it, one code unit each.
std::string ShownUnits(const std::u16string& text);

// Text in UTF-8.
std::string ShownText(const std::string& text);

// A message as kolbrand prints it: after "kolbrand: ", shown, on one line of its own.
std::string MessageLine(const std::string& message);

// UTF-16 and UTF-8, both ways. An unpaired surrogate keeps its own three bytes in UTF-8,
// so that a file name of Windows that holds one survives the trip; a byte that doesn't
// belong to a UTF-8 sequence becomes U+FFFD.
std::string Utf8FromUtf16(const std::u16string& text);
std::u16string Utf16FromUtf8(const std::string& text);

// The first unpaired surrogate in UTF-8 text, or 0 when there is none.
unsigned FirstUnpairedSurrogate(const std::string& text);

// Offset of the first byte above 0x7F, or -1.
long FirstHighByte(const std::string& text);

// A refusal of text outside ASCII ("" when fine). Text given on kolbrand's command line
// arrives as UTF-8, but the launcher widens each byte to one character (0xE9 to U+FFE9):
// only ASCII arrives as it was typed.
std::string CheckAscii(const std::string& option, const std::string& text);

// An embedded line's refusal ("" when fine); option is how it was given, for the message.
std::string CheckEmbeddedLine(const std::string& option, const std::string& line);

#endif
