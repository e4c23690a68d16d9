// Growable strings, the character vector and the free functions on wide text.
#include "support.h"

#include "text/strings.h"

namespace {

const char16_t Poison = 0xBEEF;

GrowString Grow(const std::u16string& text)
{
    GrowString s;
    NewGrowString(&s);
    AppendString(&s, (const WCHAR*)text.c_str(), -1);
    return s;
}

std::u16string Text(const GrowString& s)
{
    return std::u16string(s.text);
}

TEST(GrowStringTest, StartsEmptyWithRoomForHundred)
{
    GrowString s;
    NewGrowString(&s);
    EXPECT_EQ(100, s.capacity);
    EXPECT_EQ(0, s.text[0]);
    free(s.text);
}

TEST(GrowStringTest, AppendGrowsToNextHundredAtTheEdges)
{
    struct Case {
        int length;
        int capacity;
    } cases[] = {{0, 100}, {1, 100}, {99, 100}, {100, 200}, {101, 200}, {199, 200}, {200, 300}};
    for (const Case& c : cases) {
        GrowString s;
        NewGrowString(&s);
        std::u16string text(c.length, u'x');
        AppendString(&s, (const WCHAR*)text.c_str(), c.length);
        EXPECT_EQ(c.capacity, s.capacity) << "length " << c.length;
        EXPECT_EQ(text, Text(s)) << "length " << c.length;
        EXPECT_EQ(0, s.text[c.length]);
        free(s.text);
    }
}

TEST(GrowStringTest, ReserveRoundsUpAndKeepsText)
{
    struct Case {
        int wanted;
        int capacity;
    } cases[] = {{50, 100}, {100, 100}, {101, 200}, {250, 300}, {300, 300}, {301, 400}};
    for (const Case& c : cases) {
        GrowString s = Grow(u"abc");
        WCHAR* before = s.text;
        ReserveString(&s, c.wanted);
        EXPECT_EQ(c.capacity, s.capacity) << "wanted " << c.wanted;
        EXPECT_EQ(u"abc", Text(s));
        if (c.wanted <= 100) {
            EXPECT_EQ(before, s.text) << "no new allocation for " << c.wanted;
        }
        free(s.text);
    }
}

TEST(GrowStringTest, AppendWithCountZeroChangesNothing)
{
    GrowString s = Grow(u"abc");
    WCHAR* before = s.text;
    AppendString(&s, (const WCHAR*)u"xyz", 0);
    AppendNarrow(&s, "xyz", 0);
    EXPECT_EQ(before, s.text);
    EXPECT_EQ(u"abc", Text(s));
    free(s.text);
}

TEST(GrowStringTest, AppendCopiesExactlyCountEvenPastNul)
{
    GrowString s = Grow(u"<");
    const char16_t source[] = {u'a', 0, u'b', u'c'};
    AppendString(&s, (const WCHAR*)source, 3);
    EXPECT_EQ(u'<', s.text[0]);
    EXPECT_EQ(u'a', s.text[1]);
    EXPECT_EQ(0, s.text[2]);
    EXPECT_EQ(u'b', s.text[3]);
    EXPECT_EQ(0, s.text[4]);
    free(s.text);
}

TEST(GrowStringTest, AppendNarrowWidensBytesAsSigned)
{
    GrowString s;
    NewGrowString(&s);
    AppendNarrow(&s, "A\x7F\x80\xE9\xFF", -1);
    EXPECT_EQ((std::u16string{u'A', 0x7F, 0xFF80, 0xFFE9, 0xFFFF}), Text(s));
    free(s.text);
}

TEST(GrowStringTest, TruncateOnlyShortens)
{
    struct Case {
        int at;
        std::u16string result;
    } cases[] = {{0, u""}, {2, u"ab"}, {4, u"abcd"}, {5, u"abcde"}, {9, u"abcde"}, {-1, u"abcde"}};
    for (const Case& c : cases) {
        GrowString s = Grow(u"abcde");
        TruncateString(&s, c.at);
        EXPECT_EQ(c.result, Text(s)) << "at " << c.at;
        EXPECT_EQ(100, s.capacity);
        free(s.text);
    }
}

TEST(GrowStringTest, FindStringTable)
{
    struct Case {
        std::u16string text;
        std::u16string needle;
        int index;
    } cases[] = {
        {u"Program Files\\Java", u"Files", 8},
        {u"abcabc", u"bc", 1},
        {u"abc", u"abcd", -1},
        {u"abc", u"", 0},
        {u"", u"", -1},
        {u"", u"a", -1},
        {u"PROGRAM FILES", u"Program Files", -1},
        {u"aab", u"ab", 1},
    };
    for (const Case& c : cases) {
        GrowString s = Grow(c.text);
        EXPECT_EQ(c.index, FindString(&s, (const WCHAR*)c.needle.c_str()))
            << Show(c.text) << " / " << Show(c.needle);
        free(s.text);
    }
}

TEST(TextTest, StartsWithTable)
{
    struct Case {
        std::u16string prefix;
        std::u16string text;
        int result;
    } cases[] = {
        {u"", u"", 1},      {u"", u"abc", 1},   {u"ab", u"abc", 1}, {u"abc", u"abc", 1},
        {u"abcd", u"abc", 0}, {u"b", u"abc", 0}, {u"A", u"abc", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result,
                  StartsWith((const WCHAR*)c.prefix.c_str(), (const WCHAR*)c.text.c_str()))
            << Show(c.prefix) << " / " << Show(c.text);
    }
}

TEST(TextTest, WidenStringTakesBytesAsSignedAndKeepsInnerNul)
{
    WCHAR* wide = WidenString("a\xE9", -1);
    EXPECT_EQ((std::u16string{u'a', 0xFFE9}), std::u16string(wide));
    free(wide);

    WCHAR* covered = WidenString("ab\0cd", 5);
    EXPECT_EQ(u"ab", std::u16string(covered));
    EXPECT_EQ(u'c', covered[3]);
    EXPECT_EQ(u'd', covered[4]);
    EXPECT_EQ(0, covered[5]);
    free(covered);

    WCHAR* empty = WidenString("", -1);
    EXPECT_EQ(0, empty[0]);
    free(empty);
}

TEST(TextTest, ConcatStringsJoins)
{
    WCHAR* joined = ConcatStrings(TEXT("KolFile10"), TEXT("\\DLL"));
    EXPECT_EQ(u"KolFile10\\DLL", std::u16string(joined));
    free(joined);
    WCHAR* empty = ConcatStrings(TEXT(""), TEXT(""));
    EXPECT_EQ(0, empty[0]);
    free(empty);
}

TEST(CharVectorTest, GrowthTable)
{
    struct Case {
        int first;
        int second;
        int capacity;
    } cases[] = {
        {256, 0, 256},   // fills exactly, no growth
        {256, 1, 512},   // the 257th character doubles
        {10, 600, 610},  // doubling isn't enough: grows straight to what is needed
        {300, 300, 1024},
    };
    for (const Case& c : cases) {
        CharVector* v = NewCharVector();
        EXPECT_EQ(256, v->capacity);
        EXPECT_EQ(0, v->length);
        std::u16string first(c.first, u'a');
        std::u16string second(c.second, u'b');
        AppendChars(v, (const WCHAR*)first.data(), c.first);
        AppendChars(v, (const WCHAR*)second.data(), c.second);
        EXPECT_EQ(c.capacity, v->capacity) << c.first << "+" << c.second;
        EXPECT_EQ(c.first + c.second, v->length);
        EXPECT_EQ(first + second, std::u16string(v->data, v->length));
        EXPECT_EQ(std::u16string(c.second, u'b'), second) << "source untouched";
        free(v->data);
        free(v);
    }
}

TEST(CharVectorTest, AppendWritesNothingPastLength)
{
    CharVector* v = NewCharVector();
    for (int i = 0; i < v->capacity; i++)
        v->data[i] = Poison;
    AppendChars(v, (const WCHAR*)u"abc", 3);
    EXPECT_EQ(Poison, v->data[3]);
    free(v->data);
    free(v);
}

}  // namespace
