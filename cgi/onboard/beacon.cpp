// The discovery protocol mode: registered so clients find it, but the
// feature is not supported on this switch.
#include "routes.h"

#include "../../tools/families.h"

namespace {

constexpr RouteRow kRows[] = {
    { "mode", kMethodPut, unsupportedSet },
    { "mode", kMethodGet, unsupportedGet<"beacon"> },
};

} // namespace

constinit std::span<RouteRow const> const beaconRoutes = kRows;
constinit HttpdCContent* const beaconEntries = LinkedRows<kRows>::first();
