// Windows executables made for tests: a PE32 or PE32+ image with one section that holds
// a resource tree, an export directory and an import directory, laid out as the system's
// tools lay them out.
#ifndef KOL_TESTS_UNIT_EXECUTABLE_IMAGES_H
#define KOL_TESTS_UNIT_EXECUTABLE_IMAGES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "tools/kolbrand/records.h"

namespace test_images {

inline void Put16(std::string* at, size_t offset, unsigned value)
{
    (*at)[offset] = (char)(value & 0xFF);
    (*at)[offset + 1] = (char)(value >> 8 & 0xFF);
}

inline void Put32(std::string* at, size_t offset, uint32_t value)
{
    Put16(at, offset, value & 0xFFFF);
    Put16(at, offset + 2, value >> 16);
}

inline size_t Aligned(size_t size, size_t alignment)
{
    return (size + alignment - 1) / alignment * alignment;
}

const uint32_t SectionAddress = 0x1000;
const size_t SectionOffset = 0x200;

// A resource tree as the resource compiler lays it out: directories, data entries, names,
// then the data. In each directory the named entries come first, as the system's lookup
// expects; otherwise types, names and languages keep their order of first appearance, so
// that a test may list them out of order.
struct TreeNode {
    std::string name;
    std::vector<TreeNode> children;
    size_t resource = 0;  // leaves: the index in the list
};

inline TreeNode* Child(TreeNode* node, const std::string& name)
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

inline uint32_t NameField(TreeLayout* layout, const std::string& name)
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

inline void WriteDirectory(TreeLayout* layout, const TreeNode& node, int level,
                    const std::vector<ImageResource>& resources)
{
    size_t at = layout->next;
    layout->next += 16 + 8 * node.children.size();
    std::vector<const TreeNode*> children;
    size_t named = 0;
    for (bool namedFirst : {true, false}) {
        for (const TreeNode& child : node.children) {
            if ((child.name[0] != '#') == namedFirst)
                children.push_back(&child);
        }
        named = namedFirst ? children.size() : named;
    }
    Put16(&layout->bytes, at + 12, (unsigned)named);
    Put16(&layout->bytes, at + 14, (unsigned)(children.size() - named));
    for (size_t i = 0; i < children.size(); i++) {
        const TreeNode& child = *children[i];
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

inline std::string ResourceTree(const std::vector<ImageResource>& resources)
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
inline std::string ExportDirectory(uint32_t address, const std::vector<std::string>& names)
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

// An import directory at address for libraries named in order: an entry for each, the
// empty entry that ends them, one address table (empty) that they share, the names.
inline std::string ImportDirectory(uint32_t address, const std::vector<std::string>& names)
{
    size_t table = 20 * (names.size() + 1);
    std::string bytes(table + 8, '\0');
    for (size_t i = 0; i < names.size(); i++) {
        Put32(&bytes, 20 * i + 12, address + (uint32_t)bytes.size());
        Put32(&bytes, 20 * i + 16, address + (uint32_t)table);
        bytes += names[i] + '\0';
    }
    return bytes;
}

struct TestImage {
    bool pe32Plus = true;
    bool dll = false;
    std::vector<ImageResource> resources;
    std::vector<std::string> exports;
    std::vector<std::string> imports;
    std::string rawTree;  // the resource directory's bytes, instead of one made of resources
};

// Where the test images keep what the damage cases change.
const size_t PeHeader = 0x40;
inline size_t SectionTable(bool pe32Plus)
{
    return PeHeader + 24 + (pe32Plus ? 240 : 224);
}

// Bytes padded with zeros to a multiple of 4.
inline std::string Padded(const std::string& bytes)
{
    return bytes + std::string(Aligned(bytes.size(), 4) - bytes.size(), '\0');
}

// One section at SectionAddress holding the resource tree, the exports and the imports.
inline std::string BuildImage(const TestImage& test)
{
    std::string tree = test.rawTree.empty() ? ResourceTree(test.resources) : test.rawTree;
    uint32_t exportAddress = SectionAddress + (uint32_t)Aligned(tree.size(), 4);
    std::string exports = test.exports.empty() ? "" : ExportDirectory(exportAddress, test.exports);
    uint32_t importAddress = exportAddress + (uint32_t)Aligned(exports.size(), 4);
    std::string imports = test.imports.empty() ? "" : ImportDirectory(importAddress, test.imports);
    std::string content = Padded(tree) + (imports.empty() ? exports : Padded(exports) + imports);
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
    Put32(&file, optional + 32, 0x1000);
    Put32(&file, optional + 60, (uint32_t)SectionOffset);
    Put32(&file, directories - 4, 16);
    if (!exports.empty()) {
        Put32(&file, directories, exportAddress);
        Put32(&file, directories + 4, (uint32_t)exports.size());
    }
    if (!imports.empty()) {
        Put32(&file, directories + 8, importAddress);
        Put32(&file, directories + 12, (uint32_t)imports.size());
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

}  // namespace test_images

#endif
