// The switch's factory defaults, one section of the state file per area.
#include "sim.h"

namespace sim {

// Each area's defaults are defined beside its calls in sim/<area>.cpp.
extern char const kBonjourDefaults[];
extern char const kCloudManagedDefaults[];
extern char const kDnsDefaults[];
extern char const kEventNotifyDefaults[];
extern char const kMgmtTelnetDefaults[];
extern char const kNtpDefaults[];
extern char const kDiagDefaults[];
extern char const kWebMgmtDefaults[];

namespace {

constexpr Section kSections[] = {
    { "system", R"({
        "networkOsVersion": "4.2.1.7",
        "openApiVersion": { "release": 1, "version": 26, "maint_level": 0, "build_num": 3 }
    })" },
    { "bonjour", kBonjourDefaults },
    { "cloudManaged", kCloudManagedDefaults },
    { "dns", kDnsDefaults },
    { "eventNotify", kEventNotifyDefaults },
    { "mgmtTelnet", kMgmtTelnetDefaults },
    { "ntp", kNtpDefaults },
    { "diag", kDiagDefaults },
    { "webMgmt", kWebMgmtDefaults },
};

} // namespace

std::span<Section const> sections()
{
    return kSections;
}

} // namespace sim
