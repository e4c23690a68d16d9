// The executable reader: images made here, whole, cut and damaged, PE32 and PE32+.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include "tools/kolbrand/executable.h"

#include "executable_images.h"

namespace {

using namespace test_images;

std::vector<ImageResource> SomeResources()
{
    return {
        {"TEXT", "CONFIG", 0x409, "SplashScreen=139x136;SPLASHSCREEN1"},
        {"TEXT", "CONFIG", 0x407, "SplashScreenTitle=Kol"},
        {"TEXT", "COMMANDLINE", 0x409, ""},
        {"SPLASHSCREEN", "SPLASHSCREEN1", 0x409, std::string(301, 'b')},
        {"#3", "#1", 0x409, std::string(40, 'i')},
        {"#14", "#50", 0x409, std::string(20, 'g')},
        {"#24", "#1", 0, "<assembly/>"},
    };
}

std::string Listed(const std::vector<ImageResource>& resources)
{
    std::string listed;
    for (const ImageResource& resource : resources)
        listed += resource.type + "/" + resource.name + "/" + std::to_string(resource.language) +
                  " " + resource.data + "\n";
    return listed;
}

// The offset of the first data entry of the tree that SomeResources makes.
size_t FirstDataEntry(const std::string& file)
{
    uint32_t entry = 0;
    memcpy(&entry, file.data() + SectionOffset + 16 + 4, 4);  // the first type's directory
    size_t names = SectionOffset + (entry & 0x7FFFFFFF);
    memcpy(&entry, file.data() + names + 16 + 4, 4);
    size_t languages = SectionOffset + (entry & 0x7FFFFFFF);
    memcpy(&entry, file.data() + languages + 16 + 4, 4);
    return SectionOffset + entry;
}

uint32_t Get32(const std::string& file, size_t at)
{
    uint32_t value = 0;
    memcpy(&value, file.data() + at, 4);
    return value;
}

// The image's one section followed by a copy of its entry, the section count 2.
size_t AddSection(std::string* file, bool pe32Plus)
{
    size_t section = SectionTable(pe32Plus);
    Put16(file, PeHeader + 6, 2);
    file->replace(section + 40, 40, file->substr(section, 40));
    return section + 40;
}

// The section cut in two where the resources' data begins: the first one's bytes end
// exactly where the second one's begin, and hold the directory.
void SplitBeforeData(std::string* file, bool pe32Plus)
{
    uint32_t head = Get32(*file, FirstDataEntry(*file)) - SectionAddress;
    size_t first = SectionTable(pe32Plus);
    size_t second = AddSection(file, pe32Plus);
    Put32(file, PeHeader + 24 + (pe32Plus ? 112 : 96) + 20, head);
    Put32(file, first + 8, head);
    Put32(file, first + 16, head);
    file->replace(second, 8, std::string(".data\0\0\0", 8));
    Put32(file, second + 8, Get32(*file, second + 8) - head);
    Put32(file, second + 12, SectionAddress + head);
    Put32(file, second + 16, Get32(*file, second + 16) - head);
    Put32(file, second + 20, (uint32_t)SectionOffset + head);
}

TEST(ExecutableTest, ReadsBothKindsWhole)
{
    const struct {
        const char* what;
        std::function<void(std::string*, bool)> change;
        bool resources;  // all of them, else none
    } cases[] = {
        {"as built", [](std::string*, bool) {}, true},
        // Wine's resource update writes a virtual size short of the resources' end; the
        // system loads the section rounded up to its alignment, and so reads them.
        {"a virtual size short of the resources' end",
         [](std::string* f, bool pe32Plus) { Put32(f, SectionTable(pe32Plus) + 8, 1); }, true},
        {"a virtual size of 0: the raw size counts",
         [](std::string* f, bool pe32Plus) { Put32(f, SectionTable(pe32Plus) + 8, 0); }, true},
        {"a section without raw data, its offset past the end",
         [](std::string* f, bool pe32Plus) {
             size_t added = AddSection(f, pe32Plus);
             f->replace(added, 8, std::string(".bss\0\0\0\0", 8));
             Put32(f, added + 12, 0x2000);
             Put32(f, added + 16, 0);
             Put32(f, added + 20, 0xFFFFFF00u);
         },
         true},
        {"the data in a section that begins where the directory's ends", SplitBeforeData, true},
        // Only the export directory lies within the optional header, whatever the count.
        {"directories counted past the optional header",
         [](std::string* f, bool pe32Plus) {
             size_t directories = PeHeader + 24 + (pe32Plus ? 112 : 96);
             f->replace(directories + 8, 40, f->substr(SectionTable(pe32Plus), 40));
             Put16(f, PeHeader + 20, (unsigned)(directories + 8 - PeHeader - 24));
         },
         false},
    };
    for (bool pe32Plus : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(pe32Plus ? "PE32+, " : "PE32, ") + c.what);
            TestImage test;
            test.pe32Plus = pe32Plus;
            test.resources = SomeResources();
            std::string file = BuildImage(test);
            c.change(&file, pe32Plus);
            ExecutableImage image;
            std::string problem;
            ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
            EXPECT_EQ(pe32Plus, image.pe32Plus);
            EXPECT_EQ(pe32Plus ? 0x8664u : 0x14Cu, image.machine);
            EXPECT_FALSE(image.dll);
            EXPECT_EQ(".rsrc", image.sections[0].name);
            std::vector<ImageResource> resources;
            ASSERT_EQ(1, ReadResources(file, image, LanguagePreference(), &resources, &problem))
                << problem;
            EXPECT_EQ(c.resources ? Listed(SomeResources()) : "", Listed(resources));
            EXPECT_EQ("", problem);
        }
    }
}

TEST(ExecutableTest, NoCutOfAnImageIsRead)
{
    TestImage test;
    test.resources = SomeResources();
    std::string file = BuildImage(test);
    for (size_t length = 0; length < file.size(); length++) {
        ExecutableImage image;
        std::string problem;
        ASSERT_EQ(0, ReadExecutable(file.substr(0, length), &image, &problem)) << length;
        EXPECT_FALSE(problem.empty()) << length;
    }
    std::string problem;
    ExecutableImage image;
    ReadExecutable(file.substr(0, file.size() - 300), &image, &problem);
    EXPECT_EQ("is cut short: its section 1 (.rsrc) runs to byte " + std::to_string(file.size()) +
                  ", but the file has " + std::to_string(file.size() - 300),
              problem);
}

// A tree whose 64 types share one name directory, whose 64 names share one language
// directory: small in bytes, 8,000 leaves in a walk that doesn't notice.
std::string RepeatingTree()
{
    const unsigned count = 64;
    size_t names = 16 + 8 * count;
    size_t languages = names + 16 + 8 * count;
    size_t entry = languages + 16 + 8;
    std::string tree(entry + 16 + 4, '\0');
    Put16(&tree, 14, count);
    Put16(&tree, names + 14, count);
    for (unsigned i = 0; i < count; i++) {
        Put32(&tree, 16 + 8 * i, i + 1);
        Put32(&tree, 16 + 8 * i + 4, 0x80000000u | (uint32_t)names);
        Put32(&tree, names + 16 + 8 * i, i + 1);
        Put32(&tree, names + 16 + 8 * i + 4, 0x80000000u | (uint32_t)languages);
    }
    Put16(&tree, languages + 14, 1);
    Put32(&tree, languages + 16 + 4, (uint32_t)entry);
    Put32(&tree, entry, SectionAddress + (uint32_t)entry + 16);
    Put32(&tree, entry + 4, 4);
    return tree;
}

TEST(ExecutableTest, RefusesDamagedImages)
{
    TestImage test;
    test.resources = SomeResources();
    const std::string good = BuildImage(test);
    const size_t section = SectionTable(true);
    const size_t directories = PeHeader + 24 + 112;
    struct DamageCase {
        const char* what;
        std::function<void(std::string*)> damage;
        const char* problem;  // a piece of it
    };
    const DamageCase cases[] = {
        {"text", [](std::string* f) { *f = "SplashScreen=1x1;A"; }, "does not begin with an \"MZ\""},
        {"MZ alone", [](std::string* f) { *f = "MZ"; }, "its MS-DOS header runs to byte 64"},
        {"no PE", [](std::string* f) { f->replace(PeHeader, 2, "NE"); }, "without a PE header"},
        {"PE header far away", [](std::string* f) { Put32(f, 0x3C, 0xFFFFFFF0u); },
         "its PE header runs to byte 4294967304"},
        {"unknown kind", [](std::string* f) { Put16(f, PeHeader + 24, 0x107); },
         "optional header magic 263"},
        {"short optional header", [](std::string* f) { Put16(f, PeHeader + 20, 100); },
         "optional header of 100 bytes"},
        {"optional header past the end", [](std::string* f) { Put16(f, PeHeader + 20, 0xFFFF); },
         "its optional header runs to byte"},
        {"headers past the end", [](std::string* f) { Put32(f, PeHeader + 24 + 60, 0x7FFFFFFF); },
         "its headers runs to byte 2147483647"},
        {"sections past the end", [](std::string* f) { Put16(f, PeHeader + 6, 0xFFFF); },
         "its section table runs to byte"},
        {"section far away", [section](std::string* f) { Put32(f, section + 20, 0xFFFFFF00u); },
         "its section 1 (.rsrc) runs to byte 4294968576"},
        {"resource directory elsewhere",
         [directories](std::string* f) { Put32(f, directories + 16, 0x9000); },
         "resource directory lies outside"},
        {"resource directory too long",
         [directories](std::string* f) { Put32(f, directories + 20, 0x10000); },
         "resource directory lies outside"},
        {"entry count", [](std::string* f) { Put16(f, SectionOffset + 12, 0xFFFF); },
         "entries run past its section"},
        {"section alignment 0", [](std::string* f) { Put32(f, PeHeader + 24 + 32, 0); },
         "is damaged: its section alignment, 0, is not a power of two"},
        {"section alignment 0x1001",
         [](std::string* f) { Put32(f, PeHeader + 24 + 32, 0x1001); },
         "is damaged: its section alignment, 4097, is not a power of two"},
        {"named entries counted as numbered",
         [](std::string* f) {
             Put16(f, SectionOffset + 12, 0);
             Put16(f, SectionOffset + 14, 5);
         },
         "lists a named entry among its numbered ones"},
        {"a leaf for a directory", [](std::string* f) { Put32(f, SectionOffset + 20, 0x10); },
         "not three levels deep"},
        {"a loop", [](std::string* f) { Put32(f, SectionOffset + 20, 0x80000000u); },
         "not three levels deep"},
        {"directory far away", [](std::string* f) { Put32(f, SectionOffset + 20, 0xFFFFFFFFu); },
         "a resource directory lies outside its section"},
        {"name far away", [](std::string* f) { Put32(f, SectionOffset + 16, 0xFFFFFFFFu); },
         "a resource name lies outside"},
        {"data far away",
         [](std::string* f) { Put32(f, FirstDataEntry(*f), 0xFFFFFFF0u); },
         "the data of resource TEXT/CONFIG lies outside the file"},
        {"data too long",
         [](std::string* f) { Put32(f, FirstDataEntry(*f) + 4, 0xFFFFFFFFu); },
         "the data of resource TEXT/CONFIG lies outside the file"},
        {"a name past its directory by half its length",
         [](std::string* f) {
             size_t name = SectionOffset + (Get32(*f, SectionOffset + 16) & 0x7FFFFFFF);
             Put16(f, name, (unsigned)(f->size() - name - 2) / 2 + 1);
         },
         "a resource name runs past its resource directory"},
        {"data claimed twice over",
         [](std::string* f) {
             size_t first = FirstDataEntry(*f);
             for (size_t entry : {first, first + 16}) {
                 Put32(f, entry, SectionAddress);
                 Put32(f, entry + 4, (uint32_t)(f->size() - SectionOffset));
             }
         },
         "its resources claim more bytes than the file holds"},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = good;
        c.damage(&file);
        ExecutableImage image;
        std::vector<ImageResource> resources;
        std::string problem;
        int read = ReadExecutable(file, &image, &problem) &&
                   ReadResources(file, image, LanguagePreference(), &resources, &problem);
        EXPECT_EQ(0, read);
        EXPECT_TRUE(resources.empty());
        EXPECT_NE(std::string::npos, problem.find(c.problem)) << problem;
    }

    TestImage repeating;
    repeating.rawTree = RepeatingTree();
    std::string file = BuildImage(repeating);
    ExecutableImage image;
    std::vector<ImageResource> resources;
    std::string problem;
    ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
    EXPECT_EQ(0, ReadResources(file, image, LanguagePreference(), &resources, &problem));
    EXPECT_EQ("is damaged: its resource directory refers back to itself", problem);

    TestImage twice;
    twice.resources = {SomeResources()[0], SomeResources()[1], SomeResources()[0]};
    file = BuildImage(twice);
    ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
    EXPECT_EQ(0, ReadResources(file, image, LanguagePreference(), &resources, &problem));
    EXPECT_EQ("is damaged: it lists resource TEXT/CONFIG (language 1033) twice", problem);
    EXPECT_TRUE(resources.empty());
}

TEST(ExecutableTest, FindsExportsByTheirExactName)
{
    for (bool pe32Plus : {true, false}) {
        SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
        TestImage test;
        test.pe32Plus = pe32Plus;
        test.dll = true;
        test.resources = {{"#24", "#2", 0, "<assembly/>"}};
        test.exports = {"KolMain", "KolMainW", "Other"};
        std::string file = BuildImage(test);
        ExecutableImage image;
        std::string problem;
        ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
        EXPECT_TRUE(image.dll);
        const struct {
            const char* name;
            int exported;
        } names[] = {{"KolMainW", 1}, {"KolMain", 1}, {"Other", 1}, {"kolmainw", 0},
                     {"KolMainWx", 0}, {"KolMai", 0}, {"", 0}};
        for (const auto& name : names) {
            EXPECT_EQ(name.exported, ExportsFunction(file, image, name.name, &problem))
                << name.name;
            EXPECT_EQ("", problem);
        }
    }
    TestImage none;
    std::string file = BuildImage(none);
    ExecutableImage image;
    std::string problem;
    ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
    EXPECT_EQ(0, ExportsFunction(file, image, "KolMainW", &problem));
    EXPECT_EQ("", problem);
}

TEST(ExecutableTest, RefusesDamagedExports)
{
    TestImage test;
    test.exports = {"KolMainW"};
    const std::string good = BuildImage(test);
    const size_t directories = PeHeader + 24 + 112;
    const size_t exports = SectionOffset + (Get32(good, directories) - SectionAddress);
    const size_t nameEnd = good.find("KolMainW") + 8;
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
        const char* problem;  // "": none, the function just isn't there
    } cases[] = {
        {"directory far away", directories, 0xFFFFFF00u, "is damaged: "},
        {"name count", exports + 24, 0x40000000u, "is damaged: "},
        {"function count", exports + 20, 0x40000000u, "is damaged: "},
        {"name table", exports + 32, 0xFFFFFFF0u, "is damaged: "},
        {"ordinals", exports + 36, 0xFFFFFFF0u, "is damaged: "},
        {"a name", exports + 40 + 4, 0xFFFFFFF0u, "is damaged: "},
        {"no name counted", exports + 24, 0, ""},
        {"its function at address 0", exports + 40, 0, ""},
        {"a name whose NUL lies past its section's bytes", SectionTable(true) + 16,
         (uint32_t)(nameEnd - SectionOffset), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = good;
        Put32(&file, c.at, c.value);
        ExecutableImage image;
        std::string problem;
        ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
        EXPECT_EQ(0, ExportsFunction(file, image, "KolMainW", &problem));
        EXPECT_EQ(0u, problem.find(c.problem)) << problem;
        EXPECT_EQ(*c.problem == 0, problem.empty()) << problem;
    }
}

TEST(ExecutableTest, ReadsImportsAsTheLoaderDoes)
{
    TestImage test;
    test.imports = {"KERNEL32.dll", "Private.dll", "USER32.dll"};
    const std::string good = BuildImage(test);
    const size_t directory = PeHeader + 24 + 112 + 8;
    uint32_t importAddress = 0;
    memcpy(&importAddress, good.data() + directory, 4);
    const size_t second = SectionOffset + (importAddress - SectionAddress) + 20;
    const std::vector<std::string> all = {"KERNEL32.dll", "Private.dll", "USER32.dll"};
    const struct {
        const char* what;
        size_t at;  // 0: unchanged
        uint32_t value;
        std::vector<std::string> names;
        bool damaged;
    } cases[] = {
        {"whole", 0, 0, all, false},
        {"an entry without a name ends them", second + 12, 0, {"KERNEL32.dll"}, false},
        {"an entry without an address table ends them", second + 16, 0, {"KERNEL32.dll"},
         false},
        {"no directory", directory, 0, {}, false},
        {"directory far away", directory, 0xFFFFFF00u, {}, true},
        {"a name far away", second + 12, 0xFFFFFFF0u, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = good;
        if (c.at != 0)
            Put32(&file, c.at, c.value);
        ExecutableImage image;
        std::string problem;
        ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
        std::vector<std::string> names = {"poison"};
        EXPECT_EQ(!c.damaged, ReadImports(file, image, &names, &problem) == 1);
        if (c.damaged) {
            EXPECT_EQ(0u, problem.find("is damaged: ")) << problem;
        } else {
            EXPECT_EQ(c.names, names);
        }
    }
}

// Where the loader's reads end: a name or the directory may end at its section's last
// byte, and not one byte later.
TEST(ExecutableTest, ImportsMayEndAtTheirSectionsLastByte)
{
    // The imports name the exported name, which lies before their directory.
    TestImage test;
    test.exports = {"KERNEL32.dll"};
    test.imports = {"A.dll", "B.dll"};
    std::string file = BuildImage(test);
    const size_t directories = PeHeader + 24 + 112;
    const size_t imports = SectionOffset + (Get32(file, directories + 8) - SectionAddress);
    const size_t rawSize = SectionTable(true) + 16;
    const size_t namesEnd = file.find("B.dll") + 6 - SectionOffset;
    std::string nameFirst = file;
    const uint32_t exported =
        (uint32_t)(file.find("KERNEL32.dll") - SectionOffset) + SectionAddress;
    Put32(&nameFirst, imports + 12, exported);
    Put32(&nameFirst, imports + 20 + 12, exported);
    const size_t tableEnd = imports + 3 * 20 - SectionOffset;
    const struct {
        const char* what;
        const std::string* file;
        size_t sectionBytes;
        std::vector<std::string> names;  // empty: damaged
    } cases[] = {
        {"a name that ends at the section's last byte", &file, namesEnd, {"A.dll", "B.dll"}},
        {"a byte short", &file, namesEnd - 1, {}},
        {"a directory that ends at the section's last byte", &nameFirst, tableEnd,
         {"KERNEL32.dll", "KERNEL32.dll"}},
        {"a byte short of it", &nameFirst, tableEnd - 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string cut = *c.file;
        Put32(&cut, rawSize, (uint32_t)c.sectionBytes);
        ExecutableImage image;
        std::string problem;
        ASSERT_EQ(1, ReadExecutable(cut, &image, &problem)) << problem;
        std::vector<std::string> names;
        EXPECT_EQ(!c.names.empty(), ReadImports(cut, image, &names, &problem) == 1) << problem;
        if (!c.names.empty()) {
            EXPECT_EQ(c.names, names);
        }
    }
}

// The system's checksum: 16-bit words summed with each carry added back in, the checksum
// field counted as 0, the length added.
TEST(ExecutableTest, TheChecksumIsTheSystems)
{
    // Not 0xFFFF: a word of it is 0 to a sum whose carries are added back in.
    const std::string field = "\x12\x34\x56\x78";
    const struct {
        const char* what;
        std::string file;
        uint64_t checksumAt;
        uint32_t checksum;
    } cases[] = {
        {"nothing", "", 0, 0},
        {"words and the length",
         std::string("\x01\x00\x02\x00", 4) + field + std::string("\x03\x01", 2), 4,
         1 + 2 + 0x103 + 10},
        {"a carry added back in", "\xFF\xFF" + field + std::string("\x02\x00", 2), 2, 2 + 8},
        {"the field between words", std::string("\x01", 1) + field + "\x02", 1, 0x201 + 6},
        {"an odd last byte is a word's low byte", std::string("\x01\x00\x05", 3), 100, 6 + 3},
        // 0xFFFF and 0xFFFF: 0x1FFFE, and its carry added back in.
        {"a field past the end", "\xFF\xFF\xFF\xFF", 4, 0xFFFF + 4},
        // 0x10001 words of 0xFFFF: a carry added back in once at the end would leave 0x1FFFF.
        {"every carry added back in", std::string(0x20002, '\xFF'), 0x20002, 0xFFFF + 0x20002},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.checksum, ImageChecksum(c.file, c.checksumAt));
    }
}

// Signing appends a certificate table and names it in the headers; a branded copy is made
// of the file without it.
TEST(ExecutableTest, ASignatureIsTakenOut)
{
    const std::string certificates = "signature bytes.";
    for (bool pe32Plus : {true, false}) {
        TestImage test;
        test.pe32Plus = pe32Plus;
        test.resources = SomeResources();
        const std::string built = BuildImage(test);
        const size_t entry = PeHeader + 24 + (pe32Plus ? 112 : 96) + 8 * 4;
        const size_t section = SectionTable(pe32Plus);
        // The table at offset with size bytes, after a change of the file.
        auto signedAt = [&](size_t offset, size_t size,
                            std::function<void(std::string*)> change) {
            std::string file = built + certificates;
            Put32(&file, entry, (uint32_t)offset);
            Put32(&file, entry + 4, (uint32_t)size);
            change(&file);
            return file;
        };
        auto none = [](std::string*) {};
        // A section without bytes in the file, and so without resources, ends nothing.
        auto noSectionBytes = [section, entry](std::string* f) {
            Put32(f, section + 16, 0);
            Put32(f, entry - 8 * 2 + 4, 0);
        };
        const size_t end = built.size();
        const struct {
            const char* what;
            std::string file;
            size_t length;  // of the file without its signature
            bool emptied;   // the directory entry
        } cases[] = {
            {"appended", signedAt(end, 16, none), end, true},
            {"bytes after it", signedAt(end, 8, none), end + 16, true},
            {"within the section", signedAt(end - 16, 32, none), end + 16, true},
            {"within the headers",
             signedAt(SectionOffset - 16, end + 32 - SectionOffset, noSectionBytes), end + 16,
             true},
            {"right after the headers",
             signedAt(SectionOffset, end + 16 - SectionOffset, noSectionBytes), SectionOffset,
             true},
            {"unsigned", signedAt(0, 0, none), end + 16, false},
            {"a table of 0 bytes", signedAt(end, 0, none), end + 16, false},
            {"a directory of 4 entries, without one for it",
             signedAt(end, 16, [pe32Plus](std::string* f) {
                 Put32(f, PeHeader + 24 + (pe32Plus ? 108 : 92), 4);
             }),
             end + 16, false},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(pe32Plus ? "PE32+, " : "PE32, ") + c.what);
            ExecutableImage image;
            std::string problem;
            ASSERT_EQ(1, ReadExecutable(c.file, &image, &problem)) << problem;
            std::string taken = WithoutSignature(c.file, image);
            EXPECT_EQ(c.length, taken.size());
            EXPECT_EQ(c.emptied ? 0u : Get32(c.file, entry + 4), Get32(taken, entry + 4));
            EXPECT_EQ(c.emptied ? 0u : Get32(c.file, entry), Get32(taken, entry));
            EXPECT_EQ(c.file.substr(0, entry), taken.substr(0, entry));
        }
    }
}

}  // namespace
