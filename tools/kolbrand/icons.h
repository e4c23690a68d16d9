// Icons: the images of a .ico file, checked as the device would show them, and the icon
// group resource that lists a launcher's icon images.
#ifndef KOL_TOOLS_KOLBRAND_ICONS_H
#define KOL_TOOLS_KOLBRAND_ICONS_H

#include "tools/kolbrand/records.h"

// A .ico file's images, or a refusal in *error.
std::vector<IconImage> ReadIcoFile(const std::string& path, const std::string& data,
                                   std::string* error);

// The RT_GROUP_ICON resource for images whose ids are set, and back.
std::string MakeIconGroup(const std::vector<IconImage>& images);
std::vector<IconImage> ReadIconGroup(const std::string& data);

// count ids from 1 up that are not in used, for new RT_ICON images.
std::vector<int> FreeIconIds(const std::vector<int>& used, int count);

#endif
