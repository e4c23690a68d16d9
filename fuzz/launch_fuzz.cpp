// Launch-line composition over arbitrary launch lines, with a fixed set of documents.
//
// Input: one byte choosing the launcher's path (0: in a folder, 1: unknown, 2: without a
// separator), then the launch line, one character per byte, up to the first NUL byte. The
// line is copied into a heap block of exactly its size, so any read past its NUL shows.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "check.h"
#include "external/plan.h"
#include "platform/host/host.h"
#include "text/arguments.h"

namespace {

const char16_t* const LauncherPaths[] = {u"\\Program Files\\Demo\\Demo.exe", nullptr,
                                         u"Demo.exe"};
const char16_t* const Documents[] = {
    u"\\Program Files\\Demo\\app.kol", u"\\Program Files\\Demo\\My Doc.kol",
    u"\\Program Files\\Demo\\sub\\one.kol", u"\\Program Files\\Demo\\sub\\two.kol",
    u"app.kol", u"a'b.kol",
    // Files that aren't documents by the launch line's rule.
    u"\\Program Files\\Demo\\.kol", u"\\Program Files\\Demo\\B.KOL",
};

std::u16string Folded(std::u16string text)
{
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z')
            c += u'a' - u'A';
    }
    return text;
}

// As the file system (and the stand-in) does, regardless of letter case.
bool IsDocument(const std::u16string& path)
{
    for (const char16_t* document : Documents) {
        if (Folded(path) == Folded(document))
            return true;
    }
    return false;
}

bool EndsWith(const std::u16string& text, const std::u16string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Matches one token at out[at]: as written, or as an existing document's full path in
// double quotes that ends with the token's text. Returns where the match ends.
size_t MatchToken(const std::u16string& out, size_t at, const TokenCursor& token,
                  bool documentsResolve)
{
    std::u16string text(token.start, token.length);
    std::u16string written = text;
    if (token.quote != 0)
        written = std::u16string(1, token.quote) + text + std::u16string(1, token.quote);
    if (out.compare(at, written.size(), written) == 0) {
        size_t end = at + written.size();
        if (end == out.size() || out[end] == u' ')
            return end;
    }
    CHECK(documentsResolve && out[at] == u'"');
    size_t close = out.find(u'"', at + 1);
    CHECK(close != std::u16string::npos);
    std::u16string path = out.substr(at + 1, close - at - 1);
    CHECK(IsDocument(path));
    CHECK(EndsWith(path, text));
    CHECK(text.size() > 4 && EndsWith(text, u".kol"));
    return close + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char16_t* launcherPath = LauncherPaths[data[0] % 3];
    std::u16string line;
    for (size_t i = 1; i < size && data[i] != 0; i++)
        line.push_back(data[i]);

    HostReset();
    for (const char16_t* document : Documents)
        HostAddFile(document);
    WCHAR* copy = (WCHAR*)malloc((line.size() + 1) * sizeof(WCHAR));
    memcpy(copy, line.c_str(), (line.size() + 1) * sizeof(WCHAR));

    GrowString composed;
    NewGrowString(&composed);
    ComposeChildLine(&composed, copy, (const WCHAR*)launcherPath);
    std::u16string out = composed.text;

    // Every token of the input, in order, joined by single blanks and nothing else.
    TokenCursor token;
    size_t at = 0;
    for (int more = NextToken(&token, copy, 1), first = 1; more;
         more = NextToken(&token, copy, 0), first = 0) {
        if (!first) {
            CHECK(at < out.size() && out[at] == u' ');
            at++;
        }
        at = MatchToken(out, at, token, launcherPath != nullptr);
    }
    CHECK(at == out.size());
    CHECK(std::u16string(copy) == line);

    free(copy);
    HostFreeProductAllocations();
    HostReset();
    return 0;
}
