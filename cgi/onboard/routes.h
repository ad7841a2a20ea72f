// The REST surface: one table of routes per base path, registered group by
// group in a fixed order.
#pragma once

#include "../../tools/httpd.h"

#include <cstdint>
#include <span>

// Resource, method and handler of one route.
using RouteRow = HttpdRoute;

struct RouteGroup {
    char const* basePath;
    std::span<RouteRow const> rows;
};

// Each group's rows, defined beside its handlers in cgi/onboard/<group>.cpp.
extern std::span<RouteRow const> const bonjourRoutes;
extern std::span<RouteRow const> const cloudManagedRoutes;
extern std::span<RouteRow const> const dnsRoutes;
extern std::span<RouteRow const> const systemCommonRoutes;
extern std::span<RouteRow const> const eventNotifyRoutes;
extern std::span<RouteRow const> const mgmtTelnetRoutes;
extern std::span<RouteRow const> const beaconRoutes;
extern std::span<RouteRow const> const ntpRoutes;
extern std::span<RouteRow const> const pingRoutes;
extern std::span<RouteRow const> const sntpRoutes;
extern std::span<RouteRow const> const tracerouteRoutes;
extern std::span<RouteRow const> const webMgmtRoutes;

// Every group in registration order.
std::span<RouteGroup const> routeTable();

// Registers every route with the session check; results are not checked, so
// a route that fails to register is simply absent.
void registerRoutes(HttpdHandle handle);
