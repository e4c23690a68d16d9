#include "tools/kolbrand/version.h"

#include "tools/kolbrand/text.h"

#include <stdio.h>

// ---- Version numbers ------------------------------------------------------------------

int ParseVersionNumber(const std::string& text, VersionNumber* number)
{
    size_t at = 0;
    for (int part = 0; part < 4; part++) {
        if (part > 0 && (at >= text.size() || text[at++] != '.'))
            return 0;
        size_t digits = 0;
        unsigned value = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; at++, digits++) {
            value = value * 10 + (unsigned)(text[at] - '0');
            if (value > 65535)
                return 0;
        }
        if (digits == 0)
            return 0;
        number->parts[part] = value;
    }
    return at == text.size();
}

std::string VersionText(const VersionNumber& number)
{
    return std::to_string(number.parts[0]) + "." + std::to_string(number.parts[1]) + "." +
           std::to_string(number.parts[2]) + "." + std::to_string(number.parts[3]);
}

// ---- The resource as a tree -----------------------------------------------------------

// Every block of the resource: a length, the value's length, a type (1: text), a key,
// the value, and child blocks, each starting on a 4-byte boundary.
struct VersionBlock {
    std::u16string key;
    unsigned type = 0;
    std::string value;
    std::vector<VersionBlock> children;
};

static const size_t FixedInfoSize = 52;
// A version resource nests four deep; deeper ones are refused before they use up the stack.
static const int DeepestBlock = 8;
static const unsigned FixedInfoSignature = 0xFEEF04BD;
static const size_t LongestBlock = 0xFFFF;

static unsigned ReadU16(const std::string& data, size_t at)
{
    return (unsigned char)data[at] | (unsigned)(unsigned char)data[at + 1] << 8;
}

static unsigned ReadU32(const std::string& data, size_t at)
{
    return ReadU16(data, at) | ReadU16(data, at + 2) << 16;
}

static void WriteU16(std::string* data, size_t at, unsigned value)
{
    (*data)[at] = (char)(value & 0xFF);
    (*data)[at + 1] = (char)(value >> 8 & 0xFF);
}

static size_t Aligned(size_t at)
{
    return (at + 3) & ~(size_t)3;
}

// Reads the block at data[at] that ends by end; 0 when it doesn't fit.
static int ReadBlock(const std::string& data, size_t at, size_t end, int depth,
                     VersionBlock* block)
{
    if (at + 6 > end || depth > DeepestBlock)
        return 0;
    size_t blockEnd = at + ReadU16(data, at);
    size_t valueLength = ReadU16(data, at + 2);
    block->type = ReadU16(data, at + 4);
    if (blockEnd < at + 6 || blockEnd > end)
        return 0;
    size_t key = at + 6;
    for (; key + 1 < blockEnd && ReadU16(data, key) != 0; key += 2)
        block->key += (char16_t)ReadU16(data, key);
    size_t valueStart = Aligned(key + 2);
    size_t valueBytes = block->type == 1 ? valueLength * 2 : valueLength;
    if (valueStart > blockEnd)
        valueStart = blockEnd;
    if (valueBytes > blockEnd - valueStart)
        valueBytes = blockEnd - valueStart;
    block->value = data.substr(valueStart, valueBytes);
    for (size_t child = Aligned(valueStart + valueBytes); child + 6 <= blockEnd;) {
        block->children.emplace_back();
        if (!ReadBlock(data, child, blockEnd, depth + 1, &block->children.back()))
            return 0;
        child = Aligned(child + ReadU16(data, child));
    }
    return 1;
}

static void Pad(std::string* data)
{
    data->resize(Aligned(data->size()), '\0');
}

// Lengths are 16 bits: a block that takes more is cut down to what they hold, and
// *tooLong counts the blocks so cut.
static void WriteBlock(const VersionBlock& block, std::string* data, int* tooLong)
{
    Pad(data);
    size_t at = data->size();
    data->append(6, '\0');
    for (char16_t c : block.key + u'\0') {
        *data += (char)(c & 0xFF);
        *data += (char)(c >> 8);
    }
    Pad(data);
    *data += block.value;
    for (const VersionBlock& child : block.children)
        WriteBlock(child, data, tooLong);
    size_t valueLength = block.type == 1 ? block.value.size() / 2 : block.value.size();
    *tooLong += data->size() - at > LongestBlock || valueLength > LongestBlock;
    WriteU16(data, at, (unsigned)(data->size() - at) & LongestBlock);
    WriteU16(data, at + 2, (unsigned)valueLength & LongestBlock);
    WriteU16(data, at + 4, block.type);
}

static size_t WrittenSize(const VersionBlock& block)
{
    std::string data;
    int tooLong = 0;
    WriteBlock(block, &data, &tooLong);
    return data.size();
}

static char16_t UpperUnit(char16_t c)
{
    return c >= 'a' && c <= 'z' ? (char16_t)(c - 'a' + 'A') : c;
}

static bool SameKey(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++) {
        if (UpperUnit(a[i]) != UpperUnit(b[i]))
            return false;
    }
    return true;
}

// The first child of that key without regard to case, as the system's version functions
// find it: a field set under another case of its key would be passed over.
static VersionBlock* FindChild(VersionBlock* parent, const std::u16string& key)
{
    for (VersionBlock& child : parent->children) {
        if (SameKey(child.key, key))
            return &child;
    }
    return nullptr;
}

// A string table's key: language and code page in hexadecimal, "040904B0".
static std::u16string TableKey(unsigned language, unsigned codePage)
{
    char key[16];
    snprintf(key, sizeof(key), "%04X%04X", language, codePage);
    return Utf16FromUtf8(key);
}

// The string table that the fields are read from and written to: the one that the first
// entry of \VarFileInfo\Translation names by its language and code page, as Explorer and
// installers ask the system's version functions for it; without such a table, the first.
static VersionBlock* FieldTable(VersionBlock* root)
{
    VersionBlock* strings = FindChild(root, u"StringFileInfo");
    if (strings == nullptr || strings->children.empty())
        return nullptr;
    VersionBlock* variables = FindChild(root, u"VarFileInfo");
    VersionBlock* translation =
        variables != nullptr ? FindChild(variables, u"Translation") : nullptr;
    VersionBlock* named = nullptr;
    if (translation != nullptr && translation->value.size() >= 4)
        named = FindChild(strings, TableKey(ReadU16(translation->value, 0),
                                          ReadU16(translation->value, 2)));
    return named != nullptr ? named : &strings->children[0];
}

static std::string TextValue(const std::u16string& text)
{
    std::string value;
    for (char16_t c : text + u'\0') {
        value += (char)(c & 0xFF);
        value += (char)(c >> 8);
    }
    return value;
}

// A text value up to its first NUL.
static std::u16string ValueText(const std::string& value)
{
    std::u16string text;
    for (size_t at = 0; at + 1 < value.size() && ReadU16(value, at) != 0; at += 2)
        text += (char16_t)ReadU16(value, at);
    return text;
}

static int ReadVersionTree(const std::string& resource, VersionBlock* root)
{
    return ReadBlock(resource, 0, resource.size(), 1, root) && root->key == u"VS_VERSION_INFO" &&
           root->value.size() >= FixedInfoSize && ReadU32(root->value, 0) == FixedInfoSignature;
}

// ---- Reading ---------------------------------------------------------------------------

static VersionNumber ReadNumber(const std::string& fixed, size_t at)
{
    VersionNumber number;
    number.parts[0] = ReadU16(fixed, at + 2);
    number.parts[1] = ReadU16(fixed, at);
    number.parts[2] = ReadU16(fixed, at + 6);
    number.parts[3] = ReadU16(fixed, at + 4);
    return number;
}

static VersionInfo InfoOf(VersionBlock* root)
{
    VersionInfo info;
    info.present = true;
    info.file = ReadNumber(root->value, 8);
    info.product = ReadNumber(root->value, 16);
    VersionBlock* table = FieldTable(root);
    for (size_t i = 0; table != nullptr && i < table->children.size(); i++) {
        const VersionBlock& field = table->children[i];
        info.fields.push_back({Utf8FromUtf16(field.key), Utf8FromUtf16(ValueText(field.value))});
    }
    return info;
}

VersionInfo ReadVersionInfo(const std::string& resource)
{
    VersionBlock root;
    return ReadVersionTree(resource, &root) ? InfoOf(&root) : VersionInfo();
}

const std::string* FindVersionField(const VersionInfo& info, const std::string& key)
{
    for (const VersionField& field : info.fields) {
        if (SameResourceName(field.first, key))
            return &field.second;
    }
    return nullptr;
}

std::string CompareVersion(const VersionInfo& meant, const std::string& resource)
{
    VersionInfo written = ReadVersionInfo(resource);
    if (!written.present)
        return "its version information can't be read";
    if (VersionText(written.file) != VersionText(meant.file)
        || VersionText(written.product) != VersionText(meant.product))
        return "its version numbers read " + VersionText(written.file) + " and " +
               VersionText(written.product);
    for (const VersionField& field : meant.fields) {
        const std::string* value = FindVersionField(written, field.first);
        if (value == nullptr)
            return "its version field " + field.first + " can't be found";
        if (*value != *FindVersionField(meant, field.first))
            return "its version field " + field.first + " reads back otherwise";
    }
    return "";
}

// ---- Branding --------------------------------------------------------------------------

static std::string U32(unsigned value)
{
    std::string bytes(4, '\0');
    WriteU16(&bytes, 0, value & 0xFFFF);
    WriteU16(&bytes, 2, value >> 16);
    return bytes;
}

static VersionBlock TextBlock(const std::u16string& key, const std::string& value)
{
    VersionBlock block;
    block.key = key;
    block.type = 1;
    block.value = value;
    return block;
}

// What a launcher built without version information gets: an application's fixed part,
// and one string table in US English, Unicode.
static VersionBlock NewVersionTree(void)
{
    VersionBlock root;
    root.key = u"VS_VERSION_INFO";
    root.value = U32(FixedInfoSignature) + U32(0x10000) + std::string(16, '\0') + U32(0x3F) +
                 U32(0) + U32(0x4) + U32(0x1) + U32(0) + U32(0) + U32(0);
    VersionBlock strings = TextBlock(u"StringFileInfo", "");
    strings.children.push_back(TextBlock(u"040904B0", ""));
    VersionBlock translation;
    translation.key = u"Translation";
    translation.value = U32(0x04B00409);
    VersionBlock variables = TextBlock(u"VarFileInfo", "");
    variables.children.push_back(translation);
    root.children = {strings, variables};
    return root;
}

static void SetNumber(std::string* fixed, size_t at, const VersionNumber& number)
{
    WriteU16(fixed, at, number.parts[1]);
    WriteU16(fixed, at + 2, number.parts[0]);
    WriteU16(fixed, at + 4, number.parts[3]);
    WriteU16(fixed, at + 6, number.parts[2]);
}

static void SetField(VersionBlock* table, const std::string& key, const std::string& value)
{
    std::u16string wideKey = Utf16FromUtf8(key);
    VersionBlock* field = FindChild(table, wideKey);
    if (field == nullptr) {
        table->children.push_back(TextBlock(wideKey, ""));
        field = &table->children.back();
    }
    field->value = TextValue(Utf16FromUtf8(value));
}

// The field that takes the most bytes, which is the one to shorten.
static std::string LongestField(VersionBlock* root, size_t* size)
{
    std::string longest;
    *size = 0;
    for (const VersionBlock& field : FieldTable(root)->children) {
        size_t fieldSize = WrittenSize(field);
        if (fieldSize > *size) {
            *size = fieldSize;
            longest = Utf8FromUtf16(field.key);
        }
    }
    return longest;
}

std::string BrandVersionResource(const std::string& resource, const VersionChanges& changes,
                                 const std::string& originalFilename, VersionInfo* meant,
                                 std::string* refusal)
{
    VersionBlock root;
    if (!ReadVersionTree(resource, &root) || FieldTable(&root) == nullptr)
        root = NewVersionTree();
    VersionBlock* table = FieldTable(&root);
    if (changes.hasVersion) {
        SetNumber(&root.value, 8, changes.version);
        SetNumber(&root.value, 16, changes.version);
        SetField(table, "FileVersion", VersionText(changes.version));
        SetField(table, "ProductVersion", VersionText(changes.version));
    }
    for (const VersionField& field : changes.fields)
        SetField(table, field.first, field.second);
    SetField(table, "OriginalFilename", originalFilename);
    std::string data;
    int tooLong = 0;
    WriteBlock(root, &data, &tooLong);
    *meant = InfoOf(&root);
    if (tooLong == 0)
        return data;
    size_t size = 0;
    std::string field = LongestField(&root, &size);
    *refusal = "the version information would take " + std::to_string(data.size()) +
               " bytes, more than the " + std::to_string(LongestBlock) + " its 16-bit lengths "
               "can give: its field " + field + " takes " + std::to_string(size) + " of them";
    return "";
}
