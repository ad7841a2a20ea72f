#include "routes.h"

namespace {

RouteGroup const kRouteTable[] = {
    { "/api/v2/mgmt/beacon", beaconRoutes },
    { "/api/v2/mgmt/sntp", sntpRoutes },
};

} // namespace

std::span<RouteGroup const> routeTable()
{
    return kRouteTable;
}

void registerRoutes(HttpdHandle handle)
{
    for (RouteGroup const& group : kRouteTable)
        for (RouteRow const& row : group.rows)
            httpdAddCContent(handle, group.basePath, row.resource, row.method, kAuthSession, row.handler);
}
