// The executable reader: images made here, whole, cut and damaged, PE32 and PE32+.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include "tools/kolbrand/executable.h"

namespace {

void Put16(std::string* at, size_t offset, unsigned value)
{
    (*at)[offset] = (char)(value & 0xFF);
    (*at)[offset + 1] = (char)(value >> 8 & 0xFF);
}

void Put32(std::string* at, size_t offset, uint32_t value)
{
    Put16(at, offset, value & 0xFFFF);
    Put16(at, offset + 2, value >> 16);
}

size_t Aligned(size_t size, size_t alignment)
{
    return (size + alignment - 1) / alignment * alignment;
}

const uint32_t SectionAddress = 0x1000;
const size_t SectionOffset = 0x200;

// A resource tree as the resource compiler lays it out: directories, data entries, names,
// then the data. Types and names keep their order of first appearance.
struct TreeNode {
    std::string name;
    std::vector<TreeNode> children;
    size_t resource = 0;  // leaves: the index in the list
};

TreeNode* Child(TreeNode* node, const std::string& name)
{
    for (TreeNode& child : node->children) {
        if (child.name == name)
            return &child;
    }
    node->children.push_back({name, {}, 0});
    return &node->children.back();
}

struct TreeLayout {
    std::string bytes;
    size_t next = 0;         // where the next directory goes
    size_t nextEntry = 0;    // where the next data entry goes
    size_t nextString = 0;
    size_t nextData = 0;
};

uint32_t NameField(TreeLayout* layout, const std::string& name)
{
    if (name[0] == '#')
        return (uint32_t)std::stoul(name.substr(1));
    size_t at = layout->nextString;
    Put16(&layout->bytes, at, (unsigned)name.size());
    for (size_t i = 0; i < name.size(); i++)
        Put16(&layout->bytes, at + 2 + 2 * i, (unsigned char)name[i]);
    layout->nextString += 2 + 2 * name.size();
    return 0x80000000u | (uint32_t)at;
}

void WriteDirectory(TreeLayout* layout, const TreeNode& node, int level,
                    const std::vector<ImageResource>& resources)
{
    size_t at = layout->next;
    layout->next += 16 + 8 * node.children.size();
    Put16(&layout->bytes, at + 14, (unsigned)node.children.size());
    for (size_t i = 0; i < node.children.size(); i++) {
        const TreeNode& child = node.children[i];
        size_t entry = at + 16 + 8 * i;
        Put32(&layout->bytes, entry, NameField(layout, child.name));
        if (level < 2) {
            Put32(&layout->bytes, entry + 4, 0x80000000u | (uint32_t)layout->next);
            WriteDirectory(layout, child, level + 1, resources);
            continue;
        }
        const std::string& data = resources[child.resource].data;
        Put32(&layout->bytes, entry + 4, (uint32_t)layout->nextEntry);
        Put32(&layout->bytes, layout->nextEntry, SectionAddress + (uint32_t)layout->nextData);
        Put32(&layout->bytes, layout->nextEntry + 4, (uint32_t)data.size());
        layout->bytes.replace(layout->nextData, data.size(), data);
        layout->nextEntry += 16;
        layout->nextData = Aligned(layout->nextData + data.size(), 4);
    }
}

std::string ResourceTree(const std::vector<ImageResource>& resources)
{
    TreeNode root;
    size_t directories = 16;
    for (size_t i = 0; i < resources.size(); i++) {
        const ImageResource& resource = resources[i];
        TreeNode* type = Child(&root, resource.type);
        TreeNode* name = Child(type, resource.name);
        name->children.push_back({"#" + std::to_string(resource.language), {}, i});
    }
    size_t strings = 0;
    size_t data = 0;
    for (const TreeNode& type : root.children) {
        directories += 16 + 8 * type.children.size() + 8;
        strings += 2 + 2 * type.name.size();
        for (const TreeNode& name : type.children) {
            directories += 16 + 8 * name.children.size();
            strings += 2 + 2 * name.name.size();
        }
    }
    for (const ImageResource& resource : resources)
        data += Aligned(resource.data.size(), 4);
    TreeLayout layout;
    layout.nextEntry = directories;
    layout.nextString = directories + 16 * resources.size();
    layout.nextData = Aligned(layout.nextString + strings, 4);
    layout.bytes.assign(layout.nextData + data, '\0');
    WriteDirectory(&layout, root, 0, resources);
    return layout.bytes;
}

// An export directory at address, for functions named in order.
std::string ExportDirectory(uint32_t address, const std::vector<std::string>& names)
{
    size_t count = names.size();
    size_t functions = 40;
    size_t nameTable = functions + 4 * count;
    size_t ordinals = nameTable + 4 * count;
    size_t strings = ordinals + 2 * count;
    std::string bytes(strings, '\0');
    Put32(&bytes, 20, (uint32_t)count);
    Put32(&bytes, 24, (uint32_t)count);
    Put32(&bytes, 28, address + (uint32_t)functions);
    Put32(&bytes, 32, address + (uint32_t)nameTable);
    Put32(&bytes, 36, address + (uint32_t)ordinals);
    for (size_t i = 0; i < count; i++) {
        Put32(&bytes, functions + 4 * i, 0x2000 + 16 * (uint32_t)i);
        Put32(&bytes, nameTable + 4 * i, address + (uint32_t)bytes.size());
        Put16(&bytes, ordinals + 2 * i, (unsigned)i);
        bytes += names[i] + '\0';
    }
    return bytes;
}

struct TestImage {
    bool pe32Plus = true;
    bool dll = false;
    std::vector<ImageResource> resources;
    std::vector<std::string> exports;
    std::string rawTree;  // the resource directory's bytes, instead of one made of resources
};

// Where the test images keep what the damage cases change.
const size_t PeHeader = 0x40;
size_t SectionTable(bool pe32Plus)
{
    return PeHeader + 24 + (pe32Plus ? 240 : 224);
}

// One section at SectionAddress holding the resource tree and then the exports.
std::string BuildImage(const TestImage& test)
{
    std::string tree = test.rawTree.empty() ? ResourceTree(test.resources) : test.rawTree;
    uint32_t exportAddress = SectionAddress + (uint32_t)Aligned(tree.size(), 4);
    std::string exports = test.exports.empty() ? "" : ExportDirectory(exportAddress, test.exports);
    std::string content = tree + std::string(Aligned(tree.size(), 4) - tree.size(), '\0') + exports;
    std::string file(SectionOffset + Aligned(content.size(), 0x200), '\0');
    file.replace(SectionOffset, content.size(), content);
    file.replace(0, 2, "MZ");
    Put32(&file, 0x3C, PeHeader);
    file.replace(PeHeader, 4, std::string("PE\0\0", 4));
    size_t optionalSize = test.pe32Plus ? 240 : 224;
    Put16(&file, PeHeader + 4, test.pe32Plus ? 0x8664 : 0x14C);
    Put16(&file, PeHeader + 6, 1);
    Put16(&file, PeHeader + 20, (unsigned)optionalSize);
    Put16(&file, PeHeader + 22, test.dll ? 0x2022 : 0x22);
    size_t optional = PeHeader + 24;
    size_t directories = optional + (test.pe32Plus ? 112 : 96);
    Put16(&file, optional, test.pe32Plus ? 0x20B : 0x10B);
    Put32(&file, optional + 60, (uint32_t)SectionOffset);
    Put32(&file, directories - 4, 16);
    if (!exports.empty()) {
        Put32(&file, directories, exportAddress);
        Put32(&file, directories + 4, (uint32_t)exports.size());
    }
    Put32(&file, directories + 16, SectionAddress);
    Put32(&file, directories + 20, (uint32_t)tree.size());
    size_t section = SectionTable(test.pe32Plus);
    file.replace(section, 5, ".rsrc");
    Put32(&file, section + 8, (uint32_t)content.size());
    Put32(&file, section + 12, SectionAddress);
    Put32(&file, section + 16, (uint32_t)(file.size() - SectionOffset));
    Put32(&file, section + 20, (uint32_t)SectionOffset);
    return file;
}

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

TEST(ExecutableTest, ReadsBothKindsWhole)
{
    for (bool pe32Plus : {true, false}) {
        SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
        TestImage test;
        test.pe32Plus = pe32Plus;
        test.resources = SomeResources();
        std::string file = BuildImage(test);
        ExecutableImage image;
        std::string problem;
        ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
        EXPECT_EQ(pe32Plus, image.pe32Plus);
        EXPECT_EQ(pe32Plus ? 0x8664u : 0x14Cu, image.machine);
        EXPECT_FALSE(image.dll);
        ASSERT_EQ(1u, image.sections.size());
        EXPECT_EQ(".rsrc", image.sections[0].name);
        std::vector<ImageResource> resources;
        ASSERT_EQ(1, ReadResources(file, image, &resources, &problem)) << problem;
        EXPECT_EQ(Listed(SomeResources()), Listed(resources));
        EXPECT_EQ("", problem);
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
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = good;
        c.damage(&file);
        ExecutableImage image;
        std::vector<ImageResource> resources;
        std::string problem;
        int read = ReadExecutable(file, &image, &problem) &&
                   ReadResources(file, image, &resources, &problem);
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
    EXPECT_EQ(0, ReadResources(file, image, &resources, &problem));
    EXPECT_EQ("is damaged: its resource directory refers back to itself", problem);
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
    uint32_t exportAddress = 0;
    memcpy(&exportAddress, good.data() + directories, 4);
    const size_t exports = SectionOffset + (exportAddress - SectionAddress);
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"directory far away", directories, 0xFFFFFF00u},
        {"name count", exports + 24, 0x40000000u},
        {"function count", exports + 20, 0x40000000u},
        {"name table", exports + 32, 0xFFFFFFF0u},
        {"ordinals", exports + 36, 0xFFFFFFF0u},
        {"a name", exports + 40 + 4, 0xFFFFFFF0u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = good;
        Put32(&file, c.at, c.value);
        ExecutableImage image;
        std::string problem;
        ASSERT_EQ(1, ReadExecutable(file, &image, &problem)) << problem;
        EXPECT_EQ(0, ExportsFunction(file, image, "KolMainW", &problem));
        EXPECT_EQ(0u, problem.find("is damaged: ")) << problem;
    }
}

}  // namespace
