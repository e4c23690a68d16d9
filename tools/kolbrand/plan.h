// A branding's plan: what the output is to carry, with every check made before anything
// is written.
#ifndef KOL_TOOLS_KOLBRAND_PLAN_H
#define KOL_TOOLS_KOLBRAND_PLAN_H

#include "tools/kolbrand/options.h"
#include "tools/kolbrand/records.h"

#include <functional>

// What the Windows side read for a branding: the source launcher and the input files.
struct BrandInputs {
    LauncherResources from;
    std::string fromPath;
    std::string configFileData;            // with --config-file
    std::vector<std::string> splashData;   // one per --splash, in order
    std::string iconData;                  // with --icon
};

// A refusal of an output that is one of the input files other than --from, which the
// branding would overwrite, naming the option; "" when none is. sameFile tells whether two
// paths name one file.
std::string CheckOutputIsNoInput(
    const BrandOptions& options,
    const std::function<bool(const std::string&, const std::string&)>& sameFile);

// Checks everything and returns the resources the output is to carry; any error in
// diagnostics means nothing may be written.
LauncherResources PlanBrand(const BrandOptions& options, const BrandInputs& inputs,
                            Diagnostics* diagnostics);

#endif
