// Text as the launcher takes it: resource names compared without case, bytes shown one
// character each, and the refusals of text that would not arrive as typed.
#ifndef KOL_TOOLS_KOLBRAND_TEXT_H
#define KOL_TOOLS_KOLBRAND_TEXT_H

#include <string>

// The text with a to z in capitals.
std::string Upper(const std::string& text);

// Resource names match without regard to case, as the launcher's lookup does.
int SameResourceName(const std::string& a, const std::string& b);

// What kolbrand prints of a value can neither begin a line of its own nor pass for an
// escape: a backslash is doubled, and characters that are escaped are written \xHH (a
// byte) or \uXXXX (a code unit).

// Bytes as the launcher would take them, one character each: printable ASCII as it is,
// the rest escaped as \xHH.
std::string Shown(const std::string& bytes);

// Wide text as the launcher holds it, one code unit each: printable ASCII as it is, the
// rest as \uXXXX.
std::string ShownUnits(const std::u16string& text);

// UTF-8 text as it is but for control characters (C0, C1, and the line and paragraph
// separators), escaped as \uXXXX.
std::string ShownText(const std::string& text);

// UTF-16 and UTF-8, both ways; a lone surrogate becomes U+FFFD, and so does a byte that
// doesn't belong to a UTF-8 sequence.
std::string Utf8FromUtf16(const std::u16string& text);
std::u16string Utf16FromUtf8(const std::string& text);

// Offset of the first byte above 0x7F, or -1.
long FirstHighByte(const std::string& text);

// A refusal of text outside ASCII ("" when fine). Text given on kolbrand's command line
// arrives as UTF-8, but the launcher widens each byte to one character (0xE9 to U+FFE9):
// only ASCII arrives as it was typed.
std::string CheckAscii(const std::string& option, const std::string& text);

// An embedded line's refusal ("" when fine); option is how it was given, for the message.
std::string CheckEmbeddedLine(const std::string& option, const std::string& line);

#endif
