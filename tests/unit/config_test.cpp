// The CONFIG resource's grammar, the per-process cache and lookups by key.
#include "support.h"

#include "splash/config.h"

#include <cstring>

namespace {

struct Entry {
    const char* key;
    const char* value;  // null: the entry has no "="
};

struct GrammarCase {
    std::string text;
    std::vector<Entry> entries;
};

std::string Shown(const char* text)
{
    return text == nullptr ? "(null)" : "\"" + std::string(text) + "\"";
}

class ConfigTest : public HostTest {};

TEST_F(ConfigTest, ParsesTheGrammar)
{
    const GrammarCase cases[] = {
        {"SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1",
         {{"SplashScreenTitle", "Kol Virtual Machine"},
          {"SplashScreen", "139x136;SPLASHSCREEN1"}}},
        {"a=b=c", {{"a", "b=c"}}},
        {"a=", {{"a", ""}}},
        {"a", {{"a", nullptr}}},
        {"=b", {{"", "b"}}},
        {"a=1||b=2", {{"a", "1"}, {"", nullptr}, {"b", "2"}}},
        {"a=1|", {{"a", "1"}, {"", nullptr}}},
        {"", {{"", nullptr}}},
        {"|", {{"", nullptr}, {"", nullptr}}},
        {" a = b ", {{" a ", " b "}}},
        {"a=1|a=2", {{"a", "1"}, {"a", "2"}}},
        {std::string("a=1|b\0=2|c=3", 12), {{"a", "1"}, {"b", nullptr}}},
        {std::string("\0a=1", 4), {{"", nullptr}}},
    };
    for (const GrammarCase& c : cases) {
        SCOPED_TRACE("text: " + c.text);
        ConfigTable* table = ParseConfig(c.text.data(), (int)c.text.size());
        ASSERT_NE(nullptr, table);
        ASSERT_EQ((int)c.entries.size(), table->count);
        for (int i = 0; i < table->count; i++) {
            EXPECT_STREQ(c.entries[i].key, table->keys[i]) << "entry " << i;
            EXPECT_EQ(Shown(c.entries[i].value), Shown(table->values[i])) << "entry " << i;
        }
    }
}

TEST_F(ConfigTest, LengthNotTerminatorEndsTheText)
{
    const char text[] = "a=1|b=2";
    ConfigTable* table = ParseConfig(text, 3);
    ASSERT_EQ(1, table->count);
    EXPECT_STREQ("1", table->values[0]);
}

TEST_F(ConfigTest, ParsesAPrivateCopy)
{
    char text[] = "a=1|b";
    ConfigTable* table = ParseConfig(text, 5);
    EXPECT_STREQ("a=1|b", text) << "the resource itself is left alone";
    EXPECT_TRUE(table->keys[0] < text || table->keys[0] >= text + sizeof(text));
}

TEST_F(ConfigTest, NullTextGivesAnEmptyTable)
{
    ConfigTable* table = ParseConfig(nullptr, 10);
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(0, table->count);
    EXPECT_EQ(nullptr, table->keys);
    EXPECT_EQ(nullptr, table->values);
}

TEST_F(ConfigTest, MemoryRunningOutNeverGivesAHalfTable)
{
    for (int nth = 1; nth <= 4; nth++) {
        SCOPED_TRACE("allocation " + std::to_string(nth) + " fails");
        HostFailAllocation(nth);
        ConfigTable* table = ParseConfig("a=1|b=2", 7);
        HostFailAllocation(0);
        if (table == nullptr)
            continue;
        EXPECT_EQ(0, table->count);
        EXPECT_EQ(nullptr, table->keys);
        EXPECT_EQ(nullptr, table->values);
    }
}

TEST_F(ConfigTest, FreeConfigReleasesWhateverTheParseGot)
{
    for (int nth = 0; nth <= 4; nth++) {
        SCOPED_TRACE("allocation " + std::to_string(nth) + " fails");
        HostFailAllocation(nth);
        ConfigTable* table = ParseConfig("a=1|b=2", 7);
        HostFailAllocation(0);
        FreeConfig(table);
        EXPECT_EQ(0, HostLiveAllocations());
    }
    FreeConfig(ParseConfig(nullptr, 0));
    EXPECT_EQ(0, HostLiveAllocations());
}

TEST_F(ConfigTest, LooksUpTheFirstEntryOfAKeyExactly)
{
    HostAddResource(HostMainModule(), u"config", u"TEXT", "a=1|a=2|b|c=| k=v|UseJavaVM=true");
    HMODULE module = HostMainModule();
    EXPECT_STREQ("1", GetConfigValue("a", module, "default"));
    EXPECT_EQ(nullptr, GetConfigValue("b", module, "default")) << "no \"=\": null, not default";
    EXPECT_STREQ("", GetConfigValue("c", module, "default"));
    EXPECT_STREQ("v", GetConfigValue(" k", module, "default"));
    EXPECT_STREQ("default", GetConfigValue("k", module, "default"));
    EXPECT_STREQ("default", GetConfigValue("A", module, "default"));
    EXPECT_STREQ("true", GetConfigValue("UseJavaVM", module, "false"));
}

TEST_F(ConfigTest, DefaultIsHandedBackItself)
{
    const char* fallback = "false";
    EXPECT_EQ(fallback, GetConfigValue("UseJavaVM", HostMainModule(), fallback));
}

TEST_F(ConfigTest, FirstLoadDecidesForTheProcess)
{
    ConfigTable* first = LoadConfig(HostMainModule());
    EXPECT_EQ(nullptr, first);
    HostAddResource(HostMainModule(), u"CONFIG", u"Text", "a=1");
    EXPECT_EQ(nullptr, LoadConfig(HostMainModule())) << "a failed first load is not repeated";
    EXPECT_STREQ("false", GetConfigValue("a", HostMainModule(), "false"));
}

TEST_F(ConfigTest, ResourceIsLookedUpOnce)
{
    EXPECT_STREQ("false", GetConfigValue("UseJavaVM", HostMainModule(), "false"));
    EXPECT_STREQ("false", GetConfigValue("UseJavaVM", HostMainModule(), "false"));
    int lookups = 0;
    for (const std::string& call : HostCallLog())
        lookups += call == "FindResourceW";
    EXPECT_EQ(1, lookups);
}

TEST_F(ConfigTest, CachedTableServesEveryModule)
{
    HostAddResource(HostMainModule(), u"CONFIG", u"Text", "a=1");
    ConfigTable* table = LoadConfig(HostMainModule());
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(table, LoadConfig(nullptr));
}

TEST_F(ConfigTest, ResourceThatCannotBeLoadedCountsAsAbsent)
{
    HostAddResource(HostMainModule(), u"CONFIG", u"Text", "a=1");
    HostFailResourceLoad(HostMainModule(), u"CONFIG", u"Text");
    EXPECT_EQ(nullptr, LoadConfig(HostMainModule()));
    EXPECT_STREQ("d", GetConfigValue("a", HostMainModule(), "d"));
}

}  // namespace
