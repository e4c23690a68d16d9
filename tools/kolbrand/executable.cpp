#include "tools/kolbrand/executable.h"

#include "tools/kolbrand/text.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

// All arithmetic on offsets is done in 64 bits on values read as 32 bits, so nothing
// wraps; Fits is the one test that a range lies within a limit.
static int Fits(uint64_t offset, uint64_t size, uint64_t limit)
{
    return offset <= limit && size <= limit - offset;
}

static unsigned ReadU16(const std::string& file, uint64_t at)
{
    return (unsigned char)file[(size_t)at] | (unsigned)(unsigned char)file[(size_t)at + 1] << 8;
}

static uint32_t ReadU32(const std::string& file, uint64_t at)
{
    return ReadU16(file, at) | (uint32_t)ReadU16(file, at + 2) << 16;
}

// ---- Headers and sections -------------------------------------------------------------

static const uint64_t SectionEntrySize = 40;

static std::string CutShort(const std::string& what, uint64_t end, size_t size)
{
    return "is cut short: " + what + " runs to byte " + std::to_string(end) + ", but the file "
           "has " + std::to_string(size);
}

static std::string SectionName(const std::string& file, uint64_t at)
{
    std::string name = file.substr((size_t)at, 8);
    return name.substr(0, name.find('\0'));
}

static int ReadSections(const std::string& file, uint64_t table, unsigned count,
                        ExecutableImage* image, std::string* problem)
{
    if (!Fits(table, count * SectionEntrySize, file.size())) {
        *problem = CutShort("its section table", table + count * SectionEntrySize, file.size());
        return 0;
    }
    for (unsigned i = 0; i < count; i++) {
        uint64_t entry = table + i * SectionEntrySize;
        ImageSection section;
        section.name = SectionName(file, entry);
        section.virtualSize = ReadU32(file, entry + 8);
        section.virtualAddress = ReadU32(file, entry + 12);
        section.rawSize = ReadU32(file, entry + 16);
        section.rawOffset = ReadU32(file, entry + 20);
        if (section.rawSize > 0 && !Fits(section.rawOffset, section.rawSize, file.size())) {
            *problem = CutShort("its section " + std::to_string(i + 1) + " (" + section.name + ")",
                                (uint64_t)section.rawOffset + section.rawSize, file.size());
            return 0;
        }
        image->sections.push_back(section);
    }
    return 1;
}

static ImageDirectory ReadDirectory(const std::string& file, uint64_t directories,
                                    uint64_t count, uint64_t index)
{
    ImageDirectory directory;
    if (index < count) {
        directory.address = ReadU32(file, directories + 8 * index);
        directory.size = ReadU32(file, directories + 8 * index + 4);
    }
    return directory;
}

// The bytes of a section's raw data that the system loads: as many as its virtual size,
// rounded up to the section alignment, allows. Wine's resource update writes a virtual
// size short of the resources' end, and the rounding is what takes them in.
static uint64_t MappedSize(const ExecutableImage& image, const ImageSection& section)
{
    uint64_t alignment = image.sectionAlignment;
    uint64_t loaded = ((uint64_t)section.virtualSize + alignment - 1) / alignment * alignment;
    return section.virtualSize != 0 && loaded < section.rawSize ? loaded : section.rawSize;
}

// The in-file bytes of the section holding rva, from rva on.
static int MapAddress(const ExecutableImage& image, uint32_t rva, uint64_t* offset,
                      uint64_t* available)
{
    for (const ImageSection& section : image.sections) {
        uint64_t mapped = MappedSize(image, section);
        if (rva >= section.virtualAddress && rva - section.virtualAddress < mapped) {
            *offset = (uint64_t)section.rawOffset + (rva - section.virtualAddress);
            *available = mapped - (rva - section.virtualAddress);
            return 1;
        }
    }
    return 0;
}

// The file offset of size bytes at rva, all of them within one section's bytes.
static int MapRange(const ExecutableImage& image, uint32_t rva, uint64_t size, uint64_t* offset)
{
    uint64_t available = 0;
    return MapAddress(image, rva, offset, &available) && size <= available;
}

// The data directory's entry of the certificate table.
static const uint64_t CertificatesIndex = 4;

// The optional header: its kind, its checksum field, and the directories kolbrand reads.
static int ReadOptionalHeader(const std::string& file, uint64_t at, uint64_t size,
                              ExecutableImage* image, std::string* problem)
{
    unsigned magic = size >= 2 ? ReadU16(file, at) : 0;
    if (magic != 0x10B && magic != 0x20B) {
        *problem = "is not a Windows program of a known kind (optional header magic " +
                   std::to_string(magic) + ")";
        return 0;
    }
    image->pe32Plus = magic == 0x20B;
    uint64_t directories = image->pe32Plus ? 112 : 96;
    if (size < directories) {
        *problem = "has an optional header of " + std::to_string(size) + " bytes, too short for "
                   "its kind";
        return 0;
    }
    image->sectionAlignment = ReadU32(file, at + 32);
    if (image->sectionAlignment == 0
        || (image->sectionAlignment & (image->sectionAlignment - 1)) != 0) {
        *problem = "is damaged: its section alignment, " +
                   std::to_string(image->sectionAlignment) + ", is not a power of two, as the "
                   "system requires to load it";
        return 0;
    }
    image->headersSize = ReadU32(file, at + 60);
    if (image->headersSize > file.size()) {
        *problem = CutShort("its headers", image->headersSize, file.size());
        return 0;
    }
    uint64_t count = ReadU32(file, at + directories - 4);
    if (count > (size - directories) / 8)
        count = (size - directories) / 8;
    image->checksumAt = at + 64;
    image->exports = ReadDirectory(file, at + directories, count, 0);
    image->imports = ReadDirectory(file, at + directories, count, 1);
    image->resources = ReadDirectory(file, at + directories, count, 2);
    image->certificates = ReadDirectory(file, at + directories, count, CertificatesIndex);
    image->certificatesEntryAt = at + directories + 8 * CertificatesIndex;
    return 1;
}

// The machine fields of the processors a launcher is built for: the desktop's and the
// devices' (ARM, its Thumb code, and ARMv7).
static const struct {
    unsigned machine;
    const char* name;
} Architectures[] = {{0x014C, "x86 (32-bit)"}, {0x8664, "x64 (64-bit)"}, {0x01C0, "ARM (32-bit)"},
                     {0x01C2, "ARM (32-bit)"}, {0x01C4, "ARM (32-bit)"}, {0xAA64, "ARM64 (64-bit)"}};

std::string ArchitectureName(unsigned machine)
{
    for (const auto& architecture : Architectures) {
        if (architecture.machine == machine)
            return architecture.name;
    }
    char text[40];
    snprintf(text, sizeof(text), "an unknown processor (machine 0x%04X)", machine);
    return text;
}

int ReadExecutable(const std::string& file, ExecutableImage* image, std::string* problem)
{
    *image = ExecutableImage();
    if (file.compare(0, 2, "MZ") != 0) {
        *problem = "is not a Windows program (it does not begin with an \"MZ\" header)";
        return 0;
    }
    if (file.size() < 64) {
        *problem = CutShort("its MS-DOS header", 64, file.size());
        return 0;
    }
    uint64_t header = ReadU32(file, 0x3C);
    if (!Fits(header, 24, file.size())) {
        *problem = CutShort("its PE header", header + 24, file.size());
        return 0;
    }
    if (file.compare((size_t)header, 4, std::string("PE\0\0", 4)) != 0) {
        *problem = "is not a Windows program (an MS-DOS program without a PE header)";
        return 0;
    }
    image->machine = ReadU16(file, header + 4);
    unsigned sections = ReadU16(file, header + 6);
    uint64_t optionalSize = ReadU16(file, header + 20);
    image->dll = (ReadU16(file, header + 22) & 0x2000) != 0;
    uint64_t optional = header + 24;
    if (!Fits(optional, optionalSize, file.size())) {
        *problem = CutShort("its optional header", optional + optionalSize, file.size());
        return 0;
    }
    if (!ReadOptionalHeader(file, optional, optionalSize, image, problem)
        || !ReadSections(file, optional + optionalSize, sections, image, problem))
        return 0;
    uint64_t unused = 0;
    if (image->resources.size != 0
        && !MapRange(*image, image->resources.address, image->resources.size, &unused)) {
        *problem = "is damaged: its resource directory lies outside its sections' bytes";
        return 0;
    }
    return 1;
}

// ---- Checksum and signature -----------------------------------------------------------

// A byte of the file, the checksum field's taken as 0 and one past the end as 0.
static unsigned ChecksumByte(const std::string& file, uint64_t at, uint64_t checksumAt)
{
    bool inField = at >= checksumAt && at - checksumAt < 4;
    return at < file.size() && !inField ? (unsigned char)file[(size_t)at] : 0;
}

uint32_t ImageChecksum(const std::string& file, uint64_t checksumAt)
{
    uint64_t sum = 0;
    for (uint64_t at = 0; at < file.size(); at += 2) {
        sum += ChecksumByte(file, at, checksumAt) | ChecksumByte(file, at + 1, checksumAt) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return (uint32_t)(sum + file.size());
}

// Whether offset lies past the headers and every section's bytes, where signing appends
// its table.
static bool FollowsSections(const ExecutableImage& image, uint64_t offset)
{
    if (offset < image.headersSize)
        return false;
    for (const ImageSection& section : image.sections) {
        if (section.rawSize > 0 && (uint64_t)section.rawOffset + section.rawSize > offset)
            return false;
    }
    return true;
}

bool IsSigned(const ExecutableImage& image)
{
    return image.certificates.size != 0;
}

std::string WithoutSignature(const std::string& file, const ExecutableImage& image)
{
    const ImageDirectory& table = image.certificates;
    if (!IsSigned(image))
        return file;
    std::string bytes = file;
    bytes.replace((size_t)image.certificatesEntryAt, 8, 8, '\0');
    bool endsFile = (uint64_t)table.address + table.size == file.size();
    if (FollowsSections(image, table.address) && endsFile)
        bytes.resize(table.address);
    return bytes;
}

// ---- Resources ------------------------------------------------------------------------

// A walk of the resource tree. Its offsets are from the directory's start and bounded by
// the bytes of its section; a tree whose entries are visited more often than the bytes
// allow for (one that refers back to itself) or whose leaves claim more data than the
// file holds is refused, so no tree can make the walk long.
struct ResourceWalk {
    const std::string* file;
    const ExecutableImage* image;
    const LanguagePreference* preference;
    uint64_t base;
    uint64_t span;
    uint64_t entriesLeft;
    uint64_t bytesLeft;
    std::vector<ImageResource>* resources;
    std::string* problem;
};

static int Damaged(ResourceWalk* walk, const std::string& what)
{
    *walk->problem = "is damaged: " + what;
    return 0;
}

// A resource name: UTF-16 counted by its first 16 bits.
static int ReadResourceName(ResourceWalk* walk, uint64_t offset, std::u16string* name)
{
    if (!Fits(offset, 2, walk->span))
        return Damaged(walk, "a resource name lies outside its resource directory");
    uint64_t length = ReadU16(*walk->file, walk->base + offset);
    if (!Fits(offset + 2, 2 * length, walk->span))
        return Damaged(walk, "a resource name runs past its resource directory");
    for (uint64_t i = 0; i < length; i++)
        *name += (char16_t)ReadU16(*walk->file, walk->base + offset + 2 + 2 * i);
    return 1;
}

// The keys of a directory's entries, which lead to directories down to the languages and
// then to data. The system searches the named entries apart from the numbered ones, which
// follow them; an entry on the wrong side, or a language given by a name, is one it would
// misread.
static int ReadDirectoryKeys(ResourceWalk* walk, uint64_t entries, uint64_t named,
                             uint64_t count, int level, DirectoryKeys* keys)
{
    for (uint64_t i = 0; i < count; i++) {
        uint32_t field = ReadU32(*walk->file, entries + 8 * i);
        bool isNamed = (field & 0x80000000u) != 0;
        bool directory = (ReadU32(*walk->file, entries + 8 * i + 4) & 0x80000000u) != 0;
        if (directory != (level < 2))
            return Damaged(walk, "its resource directory tree is not three levels deep");
        if (isNamed && level == 2)
            return Damaged(walk, "its resource directory gives a language by a name");
        if (isNamed != (i < named))
            return Damaged(walk, "a resource directory lists a named entry among its numbered "
                                 "ones, or a numbered one among its named ones");
        if (!isNamed) {
            keys->numbers.push_back(field & 0xFFFF);
            continue;
        }
        keys->names.emplace_back();
        if (!ReadResourceName(walk, field & 0x7FFFFFFFu, &keys->names.back()))
            return 0;
    }
    return 1;
}

static std::string EntryKey(const DirectoryKeys& keys, size_t index)
{
    if (index < keys.names.size())
        return Utf8FromUtf16(keys.names[index]);
    return "#" + std::to_string(keys.numbers[index - keys.names.size()]);
}

// A leaf: the data entry's address and size, and the bytes they name.
static int ReadResourceData(ResourceWalk* walk, uint64_t offset, ImageResource resource)
{
    if (!Fits(offset, 16, walk->span))
        return Damaged(walk, "a resource's data entry lies outside its resource directory");
    const std::string& file = *walk->file;
    uint32_t address = ReadU32(file, walk->base + offset);
    uint32_t size = ReadU32(file, walk->base + offset + 4);
    uint64_t at = 0;
    std::string label = resource.type + "/" + resource.name;
    if (!MapRange(*walk->image, address, size, &at))
        return Damaged(walk, "the data of resource " + label + " lies outside the file");
    if (size > walk->bytesLeft)
        return Damaged(walk, "its resources claim more bytes than the file holds");
    walk->bytesLeft -= size;
    resource.data = file.substr((size_t)at, size);
    walk->resources->push_back(resource);
    return 1;
}

// Why the launcher's lookup passes over entry index of the directory at level, if it does:
// the resource then keeps the first reason met on its way down.
static void MarkReach(const ResourceWalk* walk, const DirectoryKeys& keys, size_t index,
                      int level, ImageResource* resource)
{
    if (resource->reach != ResourceTaken)
        return;
    if (level < 2) {
        std::string what =
            level == 0 ? "the types" : "the names of type " + ShownText(resource->type);
        resource->why = MissedEntry(keys, index, what);
        resource->reach = resource->why.empty() ? ResourceTaken : ResourceMissed;
        return;
    }
    resource->why = UntakenLanguage(keys.numbers, index, *walk->preference);
    resource->reach = resource->why.empty() ? ResourceTaken : LanguageNotTaken;
}

// The directory at offset, at level 0 (types), 1 (names) or 2 (languages).
static int WalkDirectory(ResourceWalk* walk, uint64_t offset, int level,
                         const ImageResource& parent)
{
    if (!Fits(offset, 16, walk->span))
        return Damaged(walk, "a resource directory lies outside its section");
    const std::string& file = *walk->file;
    uint64_t named = ReadU16(file, walk->base + offset + 12);
    uint64_t count = named + ReadU16(file, walk->base + offset + 14);
    if (!Fits(offset + 16, 8 * count, walk->span))
        return Damaged(walk, "a resource directory's entries run past its section");
    if (count > walk->entriesLeft)
        return Damaged(walk, "its resource directory refers back to itself");
    walk->entriesLeft -= count;
    uint64_t entries = walk->base + offset + 16;
    DirectoryKeys keys;
    if (!ReadDirectoryKeys(walk, entries, named, count, level, &keys))
        return 0;
    for (uint64_t i = 0; i < count; i++) {
        uint32_t target = ReadU32(file, entries + 8 * i + 4);
        ImageResource resource = parent;
        if (level == 0)
            resource.type = EntryKey(keys, (size_t)i);
        if (level == 1)
            resource.name = EntryKey(keys, (size_t)i);
        if (level == 2)
            resource.language = (int)keys.numbers[(size_t)i];
        MarkReach(walk, keys, (size_t)i, level, &resource);
        int read = level < 2 ? WalkDirectory(walk, target & 0x7FFFFFFFu, level + 1, resource)
                             : ReadResourceData(walk, target, resource);
        if (!read)
            return 0;
    }
    return 1;
}

static bool ResourcePrecedes(const ImageResource& a, const ImageResource& b)
{
    if (a.type != b.type)
        return a.type < b.type;
    return a.name != b.name ? a.name < b.name : a.language < b.language;
}

const ImageResource* FindRepeated(const std::vector<ImageResource>& resources,
                                  bool (*precedes)(const ImageResource&, const ImageResource&))
{
    std::vector<const ImageResource*> order;
    for (const ImageResource& resource : resources)
        order.push_back(&resource);
    std::sort(order.begin(), order.end(), [precedes](const ImageResource* a,
                                                     const ImageResource* b) {
        return precedes(*a, *b);
    });
    for (size_t i = 1; i < order.size(); i++) {
        if (!precedes(*order[i - 1], *order[i]))
            return order[i];
    }
    return nullptr;
}

// A tree that lists one resource twice leaves it open which of them the system finds.
static int FindRepeatedResource(const std::vector<ImageResource>& resources, std::string* problem)
{
    const ImageResource* repeated = FindRepeated(resources, ResourcePrecedes);
    if (repeated != nullptr)
        *problem = "is damaged: it lists resource " + repeated->type + "/" + repeated->name +
                   " (language " + std::to_string(repeated->language) + ") twice";
    return repeated != nullptr;
}

int ReadResources(const std::string& file, const ExecutableImage& image,
                  const LanguagePreference& preference, std::vector<ImageResource>* resources,
                  std::string* problem)
{
    resources->clear();
    uint64_t base = 0;
    uint64_t span = 0;
    if (image.resources.size == 0)
        return 1;
    if (!MapAddress(image, image.resources.address, &base, &span)) {
        *problem = "is damaged: its resource directory lies outside its sections' bytes";
        return 0;
    }
    ResourceWalk walk{&file, &image, &preference, base, span, span / 8, file.size(),
                      resources, problem};
    if (WalkDirectory(&walk, 0, 0, ImageResource()) && !FindRepeatedResource(*resources, problem))
        return 1;
    resources->clear();
    return 0;
}

// ---- Exports --------------------------------------------------------------------------

// The export directory's tables, each mapped within one section.
struct ExportTables {
    uint64_t functions = 0;
    uint32_t functionCount = 0;
    uint64_t names = 0;
    uint64_t ordinals = 0;
    uint32_t nameCount = 0;
};

static int MapExportTables(const std::string& file, const ExecutableImage& image,
                           ExportTables* tables)
{
    uint64_t directory = 0;
    if (!MapRange(image, image.exports.address, 40, &directory))
        return 0;
    tables->functionCount = ReadU32(file, directory + 20);
    tables->nameCount = ReadU32(file, directory + 24);
    return MapRange(image, ReadU32(file, directory + 28), 4 * (uint64_t)tables->functionCount,
                    &tables->functions)
           && MapRange(image, ReadU32(file, directory + 32), 4 * (uint64_t)tables->nameCount,
                       &tables->names)
           && MapRange(image, ReadU32(file, directory + 36), 2 * (uint64_t)tables->nameCount,
                       &tables->ordinals);
}

// 1 when the NUL-terminated name at rva is name, 0 when it isn't, -1 when it lies outside
// the file; only name's length and a NUL are read.
static int IsExportName(const std::string& file, const ExecutableImage& image, uint32_t rva,
                        const std::string& name)
{
    uint64_t at = 0;
    uint64_t available = 0;
    if (!MapAddress(image, rva, &at, &available))
        return -1;
    return available > name.size() && memcmp(file.data() + at, name.data(), name.size()) == 0
           && file[(size_t)(at + name.size())] == '\0';
}

int ExportsFunction(const std::string& file, const ExecutableImage& image,
                    const std::string& name, std::string* problem)
{
    if (image.exports.size == 0)
        return 0;
    ExportTables tables;
    if (!MapExportTables(file, image, &tables)) {
        *problem = "is damaged: its export directory lies outside the file";
        return 0;
    }
    for (uint32_t i = 0; i < tables.nameCount; i++) {
        int found = IsExportName(file, image, ReadU32(file, tables.names + 4 * (uint64_t)i), name);
        if (found < 0) {
            *problem = "is damaged: an exported name lies outside the file";
            return 0;
        }
        if (found == 0)
            continue;
        unsigned ordinal = ReadU16(file, tables.ordinals + 2 * (uint64_t)i);
        return ordinal < tables.functionCount
               && ReadU32(file, tables.functions + 4 * (uint64_t)ordinal) != 0;
    }
    return 0;
}

// ---- Imports --------------------------------------------------------------------------

static const uint64_t ImportEntrySize = 20;

// The NUL-terminated name at rva, which must end within its section.
static int ReadNameAt(const std::string& file, const ExecutableImage& image, uint32_t rva,
                      std::string* name)
{
    uint64_t at = 0;
    uint64_t available = 0;
    if (!MapAddress(image, rva, &at, &available))
        return 0;
    const char* start = file.data() + at;
    const char* end = (const char*)memchr(start, '\0', (size_t)available);
    if (end == nullptr)
        return 0;
    name->assign(start, (size_t)(end - start));
    return 1;
}

int ReadImports(const std::string& file, const ExecutableImage& image,
                std::vector<std::string>* names, std::string* problem)
{
    names->clear();
    if (image.imports.address == 0)
        return 1;
    uint64_t at = 0;
    uint64_t available = 0;
    if (!MapAddress(image, image.imports.address, &at, &available)) {
        *problem = "is damaged: its import directory lies outside its sections' bytes";
        return 0;
    }
    for (uint64_t entry = 0;; entry += ImportEntrySize) {
        if (entry + ImportEntrySize > available) {
            *problem = "is damaged: its import directory runs past its section";
            return 0;
        }
        uint32_t name = ReadU32(file, at + entry + 12);
        if (name == 0 || ReadU32(file, at + entry + 16) == 0)
            return 1;
        names->emplace_back();
        if (!ReadNameAt(file, image, name, &names->back())) {
            *problem = "is damaged: the name of a library it imports lies outside the file";
            return 0;
        }
    }
}
