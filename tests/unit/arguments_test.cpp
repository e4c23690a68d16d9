// The command-line scanners and matchers: splitting in place, token walks, document names
// and UTF-8 option names.
#include "support.h"

#include "text/arguments.h"

namespace {

// The text in a heap block of exactly its size, NUL included: a read past the NUL shows
// under AddressSanitizer.
std::vector<WCHAR> Exact(const std::u16string& text)
{
    return std::vector<WCHAR>(text.c_str(), text.c_str() + text.size() + 1);
}

std::vector<std::u16string> Split(const std::u16string& text, int* counted = nullptr)
{
    std::vector<WCHAR> buffer = Exact(text);
    int count = SplitArguments(buffer.data(), NULL);
    if (counted != nullptr)
        *counted = count;
    WCHAR* const poison = (WCHAR*)(uintptr_t)0x5A5A;
    std::vector<WCHAR*> out(count + 1, poison);
    EXPECT_EQ(count, SplitArguments(buffer.data(), out.data())) << Show(text);
    EXPECT_EQ(poison, out[count]) << "no entry past the count: " << Show(text);
    std::vector<std::u16string> arguments;
    for (int i = 0; i < count; i++) {
        EXPECT_TRUE(out[i] >= buffer.data() && out[i] < buffer.data() + buffer.size())
            << "argument " << i << " lies in the text: " << Show(text);
        arguments.push_back(out[i]);
    }
    return arguments;
}

TEST(SplitArgumentsTest, RulesByExample)
{
    struct Case {
        std::u16string text;
        std::vector<std::u16string> arguments;
    } cases[] = {
        {u"", {}},
        {u"   ", {}},
        {u"a", {u"a"}},
        {u"  a   b  ", {u"a", u"b"}},
        {u"a\tb", {u"a\tb"}},
        {u"a\r\nb", {u"a"}},
        {u"a\nb c", {u"a"}},
        {u"\rb", {}},
        {u"\"a b\"", {u"a b"}},
        {u"\"a b\"c", {u"a b", u"c"}},
        {u"a\"b c\"", {u"a\"b", u"c\""}},
        {u"\"\"", {u""}},
        {u"x \"\" y", {u"x", u"", u"y"}},
        {u"a \"", {u"a", u""}},
        {u"a \"b c  d", {u"a", u"b c  d"}},
        {u"'a b'", {u"'a", u"b'"}},
        {u"\"a\"\"b\"", {u"a", u"b"}},
        {u"\\My Documents\\x.kol", {u"\\My", u"Documents\\x.kol"}},
        {u"\"\\My Documents\\Chess.kol\"", {u"\\My Documents\\Chess.kol"}},
        {u"\"x\r\ny\"", {u"x"}},
    };
    for (const Case& c : cases) {
        int counted = -1;
        std::vector<std::u16string> arguments = Split(c.text, &counted);
        EXPECT_EQ(c.arguments, arguments) << Show(c.text);
        EXPECT_EQ((int)c.arguments.size(), counted) << "counting call: " << Show(c.text);
    }
}

TEST(SplitArgumentsTest, CountingChangesTheTextOnlyByTheLineBreakCut)
{
    struct Case {
        std::u16string text;
        std::u16string afterCount;
    } cases[] = {
        {u"a \"b c\" d", u"a \"b c\" d"},
        {u"a b\r\nc d", u"a b"},
        {u"x\ny\nz", u"x"},
    };
    for (const Case& c : cases) {
        std::vector<WCHAR> buffer = Exact(c.text);
        SplitArguments(buffer.data(), NULL);
        std::u16string expected = c.afterCount;
        expected.resize(c.text.size(), 0);
        // Only the first break is cut; what follows it stays as it was.
        for (size_t i = c.afterCount.size() + 1; i < c.text.size(); i++)
            expected[i] = c.text[i];
        EXPECT_EQ(expected, std::u16string(buffer.data(), c.text.size())) << Show(c.text);
    }
}

struct Token {
    std::u16string text;
    WCHAR quote;
    int next;  // offset of cursor.next in the text
};

bool operator==(const Token& a, const Token& b)
{
    return a.text == b.text && a.quote == b.quote && a.next == b.next;
}

std::ostream& operator<<(std::ostream& out, const Token& t)
{
    return out << "{" << Show(t.text) << ", quote " << (int)t.quote << ", next " << t.next << "}";
}

std::vector<Token> Walk(const std::u16string& text)
{
    std::vector<WCHAR> buffer = Exact(text);
    const WCHAR* begin = buffer.data();
    const WCHAR* end = begin + text.size();
    std::vector<Token> tokens;
    TokenCursor cursor;
    memset(&cursor, 0xA5, sizeof(cursor));
    for (int restart = 1; NextToken(&cursor, begin, restart); restart = 0) {
        EXPECT_TRUE(cursor.start >= begin && cursor.start + cursor.length <= end) << Show(text);
        EXPECT_TRUE(cursor.next >= cursor.start && cursor.next <= end) << Show(text);
        tokens.push_back({std::u16string(cursor.start, cursor.length), cursor.quote,
                          (int)(cursor.next - begin)});
        if (tokens.size() > text.size())
            break;
    }
    EXPECT_EQ(0, NextToken(&cursor, NULL, 0)) << "the walk stays ended: " << Show(text);
    return tokens;
}

TEST(NextTokenTest, RulesByExample)
{
    const WCHAR q = '\'', d = '"';
    struct Case {
        std::u16string text;
        std::vector<Token> tokens;
    } cases[] = {
        {u"", {}},
        {u" \t \t", {}},
        {u"  foo\tbar", {{u"foo", 0, 5}, {u"bar", 0, 9}}},
        {u"'a b' c", {{u"a b", q, 5}, {u"c", 0, 7}}},
        {u"\"a\tb\"", {{u"a\tb", d, 5}}},
        {u"x='a b'y", {{u"x='a b'y", 0, 8}}},
        {u"x=\"a 'b\" y", {{u"x=\"a 'b\"", 0, 8}, {u"y", 0, 10}}},
        {u"'ab'cd", {{u"ab", q, 4}, {u"cd", 0, 6}}},
        {u"''", {{u"", q, 2}}},
        {u"'a \"b' c", {{u"a \"b", q, 6}, {u"c", 0, 8}}},
        {u"a\r\nb", {{u"a\r\nb", 0, 4}}},
        // Quotes never closed: the token runs to the end and the walk stops at the NUL.
        {u"'a b", {{u"a b", q, 4}}},
        {u"x \"", {{u"x", 0, 1}, {u"", d, 3}}},
        {u"a='b c", {{u"a='b c", 0, 6}}},
        {u"a\"", {{u"a\"", 0, 2}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.tokens, Walk(c.text)) << Show(c.text);
}

TEST(NextTokenTest, RestartClearsTheCursorAndEndedWalksStayEnded)
{
    TokenCursor cursor;
    memset(&cursor, 0xA5, sizeof(cursor));
    EXPECT_EQ(0, NextToken(&cursor, (const WCHAR*)u"  ", 1));
    EXPECT_EQ(NULL, cursor.start);
    EXPECT_EQ(NULL, cursor.next);
    EXPECT_EQ(0, cursor.length);
    EXPECT_EQ(0, cursor.quote);
    // After a restart that found nothing there is no position; the walk stays ended.
    EXPECT_EQ(0, NextToken(&cursor, (const WCHAR*)u"ignored", 0));

    std::u16string text = u"one two";
    ASSERT_EQ(1, NextToken(&cursor, (const WCHAR*)text.c_str(), 1));
    ASSERT_EQ(1, NextToken(&cursor, NULL, 0));
    EXPECT_EQ(3, cursor.length);
    ASSERT_EQ(1, NextToken(&cursor, (const WCHAR*)text.c_str(), 1)) << "a new walk";
    EXPECT_EQ(u"one", std::u16string(cursor.start, cursor.length));
}

TEST(IsKolFileNameTest, ExtensionInAnyCaseAfterAName)
{
    struct Case {
        std::u16string name;
        int expected;
    } cases[] = {
        {u"a.kol", 1},
        {u"A.KoL", 1},
        {u"Game.KOL", 1},
        {u"\\Storage\\Games\\Chess.kol", 1},
        {u"/Chess.kol", 1},
        {u"..kol", 1},
        {u".kol", 0},
        {u"akol", 0},
        {u"a.kol ", 0},
        {u"a.ko", 0},
        {u"a.kolx", 0},
        {u"a,kol", 0},
        {u"a.k\u00F6l", 0},
        {u"", 0},
    };
    for (const Case& c : cases) {
        std::vector<WCHAR> buffer = Exact(c.name);
        EXPECT_EQ(c.expected, IsKolFileName(buffer.data())) << Show(c.name);
    }
}

TEST(EqualsUtf8Test, DecodesOneToThreeByteForms)
{
    struct Case {
        std::u16string wide;
        std::string utf8;
        int expected;
    } cases[] = {
        {u"acommand", "acommand", 1},
        {u"acommandx", "acommand", 0},
        {u"acommand", "acommandx", 0},
        {u"Acommand", "acommand", 0},
        {u"", "", 1},
        {u"", "a", 0},
        {u"a", "", 0},
        {u"\u00E9", "\xC3\xA9", 1},
        {u"\u20AC", "\xE2\x82\xAC", 1},
        {u"x\u20ACy", "x\xE2\x82\xACy", 1},
        // Four-byte forms are refused whatever the wide side holds.
        {u"\U0001F600", "\xF0\x9F\x98\x80", 0},
        {u"\xD83D", "\xF0\x9F\x98\x80", 0},
        {u"\x80", "\x80", 0},
        {u"\x3F", "\xBF", 0},
        // Cut short by the NUL, also where the NUL's zero bits would give the wide character.
        {u"\u00E9", "\xC3", 0},
        {u"\u00C0", "\xC3", 0},
        {u"\u20AC", "\xE2\x82", 0},
        {u"\u2080", "\xE2\x82", 0},
        {u"\u20AC", "\xE2", 0},
        {u"\u2000", "\xE2", 0},
        // Overlong forms pass; continuation bytes give only their low six bits.
        {u"a", "\xC1\xA1", 1},
        {u"a", "\xE0\x81\xA1", 1},
        {u"\u00E9", "\xC3\x29", 1},
        {u"\u00E9", "\xC3\xE9", 1},
    };
    for (const Case& c : cases) {
        std::vector<WCHAR> wide = Exact(c.wide);
        std::vector<char> narrow(c.utf8.c_str(), c.utf8.c_str() + c.utf8.size() + 1);
        EXPECT_EQ(c.expected, EqualsUtf8(wide.data(), narrow.data()))
            << Show(c.wide) << " vs " << c.utf8.size() << " bytes";
    }
}

}  // namespace
