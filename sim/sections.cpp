// The switch's factory defaults, one section of the state file per area.
#include "sim.h"

namespace sim {
namespace {

constexpr Section kSections[] = {
    { "system", R"({
        "networkOsVersion": "4.2.1.7",
        "openApiVersion": { "release": 1, "version": 26, "maint_level": 0, "build_num": 3 }
    })" },
};

} // namespace

std::span<Section const> sections()
{
    return kSections;
}

} // namespace sim
