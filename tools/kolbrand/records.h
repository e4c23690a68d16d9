// What kolbrand knows of a launcher's branding, and what its checks find: the records
// that every part of kolbrand shares.
#ifndef KOL_TOOLS_KOLBRAND_RECORDS_H
#define KOL_TOOLS_KOLBRAND_RECORDS_H

#include "tools/kolbrand/version.h"

#include <array>
#include <string>
#include <vector>

// One bitmap of type "SplashScreen"; source names its file, or is empty for a bitmap
// that the launcher carries already.
struct SplashBitmap {
    std::string name;
    std::string data;
    std::string source;
};

// One image of an icon: its group entry's fields and, from a .ico file, its bytes.
struct IconImage {
    int width = 0;
    int height = 0;
    int colours = 0;
    int planes = 0;
    int bits = 0;
    int id = 0;
    std::string data;
};

// The resources of a launcher that kolbrand reads and writes.
struct LauncherResources {
    bool hasCommandLine = false;
    std::string commandLine;
    bool hasLaunchLine = false;
    std::string launchLine;
    bool hasConfig = false;
    std::string config;
    std::vector<SplashBitmap> bitmaps;
    bool hasIcon = false;
    std::vector<IconImage> icons;
    bool hasVersion = false;
    std::string version;  // the version resource's bytes
    VersionInfo versionMeant;  // of a version that branding makes: its fields as meant
    // What the launcher looks for but never takes: each resource, and why.
    std::vector<std::string> untaken;
};

// Whether the system's lookup that the launcher makes (by type and name, no language)
// takes a resource: it may miss it altogether, or take another language of it.
enum ResourceReach { ResourceTaken, ResourceMissed, LanguageNotTaken };

// One resource of an executable's image, as kolbrand copies it: types and names as text,
// numbered ones as "#n" (RT_ICON is "#3", RT_GROUP_ICON "#14", the icon group "#50").
struct ImageResource {
    std::string type;
    std::string name;
    int language = 0;
    std::string data;
    ResourceReach reach = ResourceTaken;
    std::string why;  // why it isn't taken

    // A resource is made of its first four fields; a reader of a file sets the others.
    ImageResource() = default;
    ImageResource(const std::string& type, const std::string& name, int language,
                  const std::string& data)
        : type(type), name(name), language(language), data(data)
    {
    }
};

// A TCP socket listening now: its local address as IPv6 (an IPv4 one as ::ffff:a.b.c.d, so
// 127.0.0.1 is ::ffff:127.0.0.1 and every IPv4 address ::ffff:0.0.0.0) and its port.
struct ListeningSocket {
    std::array<unsigned char, 16> address;
    unsigned port;
};

struct Diagnostics {
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
};

#endif
