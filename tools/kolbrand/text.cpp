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

std::string Shown(const std::string& bytes)
{
    std::string shown;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F)
            shown += (char)c;
        else
            shown += "\\x" + Hex(c, 2);
    }
    return shown;
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
