// The REST surface: one table of routes per base path, registered group by
// group in a fixed order.
#pragma once

#include "../../tools/httpd.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

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

// A group's entries of the route tree, laid out when the program is built:
// the rows in reverse, each entry linked to the row before it, all with the
// session check. That is the list registering the rows one after the other
// leaves, newest first, so of two equal rows the later one is found first.
template <auto const& Rows, typename = std::make_index_sequence<std::size(Rows)>>
struct LinkedRows;
template <auto const& Rows, size_t... K>
struct LinkedRows<Rows, std::index_sequence<K...>> {
    static constexpr size_t kCount = sizeof...(K);
    static_assert(kCount > 0);
    static HttpdCContent const entries[sizeof...(K)];
    // The first entry as the tree's C layout holds it.
    static constexpr HttpdCContent* first() { return const_cast<HttpdCContent*>(entries); }
};
// Constant, so that they lie with the program's other constants rather than
// among the data the C library writes as it starts: the tree only reads
// them, though its C layout holds them through pointers to non-const.
template <auto const& Rows, size_t... K>
constinit HttpdCContent const LinkedRows<Rows, std::index_sequence<K...>>::entries[sizeof...(K)] = { HttpdCContent {
    const_cast<char*>(Rows[sizeof...(K) - 1 - K].resource), Rows[sizeof...(K) - 1 - K].method, kAuthSession,
    Rows[sizeof...(K) - 1 - K].handler,
    K + 1 < sizeof...(K) ? const_cast<HttpdCContent*>(entries + K + 1) : nullptr }... };

// Each group's first entry, defined beside its rows.
extern HttpdCContent* const bonjourEntries;
extern HttpdCContent* const cloudManagedEntries;
extern HttpdCContent* const dnsEntries;
extern HttpdCContent* const systemCommonEntries;
extern HttpdCContent* const eventNotifyEntries;
extern HttpdCContent* const mgmtTelnetEntries;
extern HttpdCContent* const beaconEntries;
extern HttpdCContent* const ntpEntries;
extern HttpdCContent* const pingEntries;
extern HttpdCContent* const sntpEntries;
extern HttpdCContent* const tracerouteEntries;
extern HttpdCContent* const webMgmtEntries;

// Every group in registration order.
std::span<RouteGroup const> routeTable();

// Registers every route with the session check; results are not checked, so
// a route that fails to register is simply absent.
void registerRoutes(HttpdHandle handle);

// The tree registerRoutes builds on a fresh root, laid out when the program
// is built: the same nodes in the same order, the same entries in the same
// order. It lives as long as the program and is never freed.
HttpdHandle builtRoutes();
