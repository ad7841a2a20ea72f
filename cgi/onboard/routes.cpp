#include "routes.h"

namespace {

// Registration order is part of the interface: of two registrations of the
// same resource and method, the later one serves.
RouteGroup const kRouteTable[] = {
    { "/api/v2/mgmt/bonjour", bonjourRoutes },
    { "/api/v2/mgmt/cloud-managed", cloudManagedRoutes },
    { "/api/v2/mgmt/dns", dnsRoutes },
    { "/api/v2/system/common", systemCommonRoutes },
    { "/api/v2/mgmt/event-notify", eventNotifyRoutes },
    { "/api/v2/mgmt/mgmttelnet", mgmtTelnetRoutes },
    { "/api/v2/mgmt/beacon", beaconRoutes },
    { "/api/v2/mgmt/ntp", ntpRoutes },
    { "/api/v2/mgmt/ping", pingRoutes },
    { "/api/v2/mgmt/sntp", sntpRoutes },
    { "/api/v2/mgmt/traceroute", tracerouteRoutes },
    { "/api/v2/mgmt/webmgmt", webMgmtRoutes },
};

} // namespace

std::span<RouteGroup const> routeTable()
{
    return kRouteTable;
}

void registerRoutes(HttpdHandle handle)
{
    for (RouteGroup const& group : kRouteTable)
        httpdAddCContents(handle, group.basePath, group.rows, kAuthSession);
}
