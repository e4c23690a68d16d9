#include "tools/kolbrand/listing.h"

#include "splash/bitmap.h"
#include "splash/config.h"
#include "tools/kolbrand/bitmaps.h"
#include "tools/kolbrand/config.h"
#include "tools/kolbrand/executable.h"
#include "tools/kolbrand/text.h"
#include "tools/kolbrand/version.h"

// The line as the launcher embeds it: up to the first NUL, CR or LF.
static std::string FirstLine(const std::string& resource)
{
    return resource.substr(0, resource.find_first_of(std::string("\r\n\0", 3)));
}

std::string DescribeLine(const char* name, const std::string& resource)
{
    std::string line = FirstLine(resource);
    std::string text = std::string(name) + ": \"" + Shown(line) + "\"";
    if (line.size() < resource.size())
        text += " (" + std::to_string(resource.size() - line.size()) +
                " bytes after the first line are ignored)";
    return text + "\n";
}

static std::string DescribeMode(const LauncherResources& launcher)
{
    if (!launcher.hasCommandLine && launcher.hasLaunchLine)
        return "mode: launch-line\n" + DescribeLine("LaunchLine", launcher.launchLine);
    std::string text = "mode: in-process\n";
    if (launcher.hasCommandLine)
        text += DescribeLine("CommandLine", launcher.commandLine);
    else
        text += "embedded line: none\n";
    if (launcher.hasCommandLine && launcher.hasLaunchLine)
        text += "LaunchLine: present but never read (CommandLine wins)\n";
    return text;
}

std::string DescribeConfigEntries(const std::vector<ConfigEntry>& entries)
{
    std::string text = "CONFIG:\n";
    for (const ConfigEntry& entry : entries) {
        text += "  " + Shown(entry.key);
        text += entry.hasValue ? "=" + Shown(entry.value) : " (no \"=\")";
        text += "\n";
    }
    return text;
}

static std::string DescribeConfig(const LauncherResources& launcher)
{
    if (!launcher.hasConfig)
        return "CONFIG: none (no splash)\n";
    return DescribeConfigEntries(ReadConfigEntries(launcher.config));
}

static std::string DescribeIcon(const LauncherResources& launcher)
{
    if (!launcher.hasIcon)
        return "icon group 50: none\n";
    std::string text = "icon group 50:";
    for (size_t i = 0; i < launcher.icons.size(); i++) {
        const IconImage& image = launcher.icons[i];
        text += std::string(i == 0 ? " " : ", ") + std::to_string(image.width) + "x" +
                std::to_string(image.height) + " (" + std::to_string(image.bits) + " bits)";
    }
    return text + "\n";
}

static std::string DescribeBitmaps(const LauncherResources& launcher)
{
    if (launcher.bitmaps.empty())
        return "SplashScreen bitmaps: none\n";
    std::string text = "SplashScreen bitmaps:\n";
    for (const SplashBitmap& bitmap : launcher.bitmaps) {
        BitmapHeader header;
        std::string refusal = SplashRefusal(bitmap, &header);
        text += "  " + ShownText(bitmap.name) + ": ";
        if (header.width != 0 || header.height != 0)
            text += std::to_string(header.width) + "x" + std::to_string(header.height) + ", ";
        if (header.bitsPerPixel != 0)
            text += std::to_string(header.bitsPerPixel) + " bits per pixel, ";
        text += refusal.empty() ? "accepted\n" : "refused: " + refusal + "\n";
    }
    return text;
}

// The bitmap the launcher would pick on a screen, and whether it could show it.
static std::string DescribeChoice(const LauncherResources& launcher, const ConfigTable* table,
                                  int width, int height)
{
    std::string text = "  " + std::to_string(width) + "x" + std::to_string(height) + ": ";
    SplashEntry picked;
    PickSplashEntry(table, width, height, &picked);
    text += Shown(picked.resourceName);
    int found = FindBitmap(launcher.bitmaps, picked.resourceName);
    BitmapHeader header;
    if (found < 0)
        return text + " (missing: no splash)\n";
    if (!SplashRefusal(launcher.bitmaps[(size_t)found], &header).empty())
        return text + " (refused: no splash)\n";
    return text + "\n";
}

static std::string DescribeChoices(const LauncherResources& launcher)
{
    static const int screens[][2] = {{240, 320}, {320, 240}, {480, 640}, {640, 480}, {800, 480}};
    ConfigTable* table = launcher.hasConfig
                             ? ParseConfig(launcher.config.data(), (int)launcher.config.size())
                             : NULL;
    SplashEntry any;
    std::string text = "splash shown: none (no SplashScreen entry)\n";
    if (table != NULL && PickSplashEntry(table, 0, 0, &any)) {
        text = "splash shown on a screen of:\n";
        for (const auto& screen : screens)
            text += DescribeChoice(launcher, table, screen[0], screen[1]);
    }
    FreeConfig(table);
    return text;
}

static std::string DescribeVersion(const LauncherResources& launcher)
{
    VersionInfo info = ReadVersionInfo(launcher.version);
    if (!info.present)
        return launcher.hasVersion ? "version: unreadable\n" : "version: none\n";
    std::string text = "version: file " + VersionText(info.file) + ", product " +
                       VersionText(info.product) + "\n";
    for (const VersionField& field : info.fields)
        text += "  " + ShownText(field.first) + ": " + ShownText(field.second) + "\n";
    return text;
}

static std::string DescribeUntaken(const LauncherResources& launcher)
{
    std::string text;
    for (const std::string& untaken : launcher.untaken)
        text += "warning: " + untaken + "\n";
    return text;
}

// Every branding leaves a signature out, as it changes bytes that the signature covers.
static std::string DescribeSignature(const ExecutableImage& image)
{
    if (!IsSigned(image))
        return "signed: no\n";
    return "signed: yes (a certificate table of " + std::to_string(image.certificates.size) +
           " bytes; a branded copy is unsigned)\n";
}

std::string DescribeLauncher(const std::string& path, const ExecutableImage& image,
                             const LauncherResources& launcher)
{
    return ShownText(path) + "\narchitecture: " + ArchitectureName(image.machine) + "\n" +
           DescribeSignature(image) + DescribeMode(launcher) + DescribeConfig(launcher) +
           DescribeBitmaps(launcher) + DescribeChoices(launcher) + DescribeIcon(launcher) +
           DescribeVersion(launcher) + DescribeUntaken(launcher);
}
