// The REST surface: one table of routes per base path, registered group by
// group in a fixed order.
#pragma once

#include "../../tools/httpd.h"

#include <cstdint>
#include <span>

struct RouteRow {
    char const* resource;
    int32_t method;
    HttpdHandler handler;
};

struct RouteGroup {
    char const* basePath;
    std::span<RouteRow const> rows;
};

// Each group's rows, defined beside its handlers.
extern std::span<RouteRow const> const beaconRoutes;
extern std::span<RouteRow const> const sntpRoutes;

// Every group in registration order.
std::span<RouteGroup const> routeTable();

// Registers every route with the session check; results are not checked, so
// a route that fails to register is simply absent.
void registerRoutes(HttpdHandle handle);
