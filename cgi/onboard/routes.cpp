#include "routes.h"

#include <cstdlib>

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
    // The table's texts live as long as the program: every entry points at
    // its row's own, and all entries share one block, never freed, as the
    // tree they join. A group that cannot have them registers the usual way.
    size_t count = 0;
    for (RouteGroup const& group : kRouteTable)
        count += group.rows.size();
    auto* entries = static_cast<HttpdCContent*>(malloc(count * sizeof(HttpdCContent)));
    for (RouteGroup const& group : kRouteTable) {
        if (entries != nullptr && httpdLinkCContents(handle, group.basePath, group.rows, kAuthSession, entries) == 0)
            entries += group.rows.size();
        else
            httpdAddCContents(handle, group.basePath, group.rows, kAuthSession);
    }
}
