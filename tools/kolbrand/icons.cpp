#include "tools/kolbrand/icons.h"

#include <stdint.h>

#include <set>

static unsigned ReadU16(const std::string& data, size_t at)
{
    return (unsigned char)data[at] | (unsigned)(unsigned char)data[at + 1] << 8;
}

static unsigned ReadU32(const std::string& data, size_t at)
{
    return ReadU16(data, at) | ReadU16(data, at + 2) << 16;
}

static void PutU16(std::string* data, unsigned value)
{
    *data += (char)(value & 0xFF);
    *data += (char)(value >> 8 & 0xFF);
}

static void PutU32(std::string* data, unsigned value)
{
    PutU16(data, value & 0xFFFF);
    PutU16(data, value >> 16);
}

// A directory's size byte: 0 stands for 256.
static int IconSize(unsigned byte)
{
    return byte == 0 ? 256 : (int)byte;
}

static std::string ImageLabel(size_t index, const IconImage& image)
{
    return "image " + std::to_string(index + 1) + " (" + std::to_string(image.width) + "x" +
           std::to_string(image.height) + ")";
}

// The bytes an uncompressed icon image needs: header, colour table, colour and mask rows.
// In 64 bits: the colour count is the file's own 32-bit field.
static uint64_t IconImageSize(const std::string& bitmap, int bits, int width, int height)
{
    uint64_t colours = bits <= 8 ? ReadU32(bitmap, 32) : 0;
    if (bits <= 8 && colours == 0)
        colours = (uint64_t)1 << bits;
    uint64_t colourStride = ((uint64_t)width * (uint64_t)bits + 31) / 32 * 4;
    uint64_t maskStride = ((uint64_t)width + 31) / 32 * 4;
    return 40 + colours * 4 + (colourStride + maskStride) * (uint64_t)height;
}

// "" when the image is one that the device can show, else the rule it breaks.
static std::string CheckIconImage(const std::string& bitmap, IconImage* image)
{
    static const char png[] = "\x89PNG";
    if (bitmap.compare(0, 4, png) == 0)
        return "is PNG-compressed, which Windows CE does not show: save it uncompressed";
    if (bitmap.size() < 40 || ReadU32(bitmap, 0) != 40)
        return "has no 40-byte bitmap header";
    int width = (int)ReadU32(bitmap, 4);
    int height = (int)ReadU32(bitmap, 8);
    int bits = (int)ReadU16(bitmap, 14);
    if (width != image->width || height != 2 * image->height)
        return "holds a bitmap of " + std::to_string(width) + "x" + std::to_string(height / 2) +
               ", not the size its directory entry gives";
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "has " + std::to_string(bits) + " bits per pixel, which no icon has";
    if (ReadU32(bitmap, 16) != 0)
        return "is compressed: save it uncompressed";
    if (bits <= 8 && ReadU32(bitmap, 32) > 1u << bits)
        return "lists " + std::to_string(ReadU32(bitmap, 32)) + " colours, more than " +
               std::to_string(bits) + " bits per pixel can use";
    if (bitmap.size() < IconImageSize(bitmap, bits, width, image->height))
        return "is cut short: its rows run past its data";
    image->planes = 1;
    image->bits = bits;
    return "";
}

static std::string CheckIcoHeader(const std::string& data)
{
    if (data.size() < 6)
        return "is too short to be an icon file";
    if (ReadU16(data, 0) != 0 || (ReadU16(data, 2) != 1 && ReadU16(data, 2) != 2))
        return "is not an icon file (.ico)";
    if (ReadU16(data, 2) == 2)
        return "is a cursor file, not an icon file";
    unsigned count = ReadU16(data, 4);
    if (count == 0)
        return "holds no images";
    if (data.size() < 6 + 16 * (size_t)count)
        return "is cut short: its directory lists " + std::to_string(count) + " images";
    return "";
}

std::vector<IconImage> ReadIcoFile(const std::string& path, const std::string& data,
                                   std::string* error)
{
    std::vector<IconImage> images;
    std::string problem = CheckIcoHeader(data);
    unsigned count = problem.empty() ? ReadU16(data, 4) : 0;
    size_t directoryEnd = 6 + 16 * (size_t)count;
    for (unsigned i = 0; i < count && problem.empty(); i++) {
        size_t entry = 6 + 16 * (size_t)i;
        IconImage image;
        image.width = IconSize((unsigned char)data[entry]);
        image.height = IconSize((unsigned char)data[entry + 1]);
        image.colours = (unsigned char)data[entry + 2];
        size_t size = ReadU32(data, entry + 8);
        size_t offset = ReadU32(data, entry + 12);
        if (size == 0) {
            problem = ImageLabel(i, image) + " is empty: its directory entry gives it 0 bytes";
            break;
        }
        if (offset < directoryEnd) {
            problem = ImageLabel(i, image) + " begins at byte " + std::to_string(offset) +
                      ", inside the file's directory of images, which ends at byte " +
                      std::to_string(directoryEnd);
            break;
        }
        if (offset > data.size() || size > data.size() - offset) {
            problem = ImageLabel(i, image) + " lies outside the file";
            break;
        }
        image.data = data.substr(offset, size);
        std::string rule = CheckIconImage(image.data, &image);
        if (!rule.empty())
            problem = ImageLabel(i, image) + " " + rule;
        images.push_back(image);
    }
    if (!problem.empty()) {
        *error = path + ": " + problem;
        images.clear();
    }
    return images;
}

std::string MakeIconGroup(const std::vector<IconImage>& images)
{
    std::string group;
    PutU16(&group, 0);
    PutU16(&group, 1);
    PutU16(&group, (unsigned)images.size());
    for (const IconImage& image : images) {
        group += (char)(image.width % 256);
        group += (char)(image.height % 256);
        group += (char)image.colours;
        group += '\0';
        PutU16(&group, (unsigned)image.planes);
        PutU16(&group, (unsigned)image.bits);
        PutU32(&group, (unsigned)image.data.size());
        PutU16(&group, (unsigned)image.id);
    }
    return group;
}

std::vector<IconImage> ReadIconGroup(const std::string& data)
{
    std::vector<IconImage> images;
    unsigned count = data.size() >= 6 ? ReadU16(data, 4) : 0;
    for (unsigned i = 0; i < count && 6 + 14 * (size_t)(i + 1) <= data.size(); i++) {
        size_t entry = 6 + 14 * (size_t)i;
        IconImage image;
        image.width = IconSize((unsigned char)data[entry]);
        image.height = IconSize((unsigned char)data[entry + 1]);
        image.colours = (unsigned char)data[entry + 2];
        image.planes = (int)ReadU16(data, entry + 4);
        image.bits = (int)ReadU16(data, entry + 6);
        image.id = (int)ReadU16(data, entry + 12);
        images.push_back(image);
    }
    return images;
}

std::vector<int> FreeIconIds(const std::vector<int>& used, int count)
{
    std::set<int> taken(used.begin(), used.end());
    std::vector<int> ids;
    for (int id = 1; (int)ids.size() < count; id++) {
        if (taken.count(id) == 0)
            ids.push_back(id);
    }
    return ids;
}
