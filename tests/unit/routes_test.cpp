// The route table: every registration, in order, under its base path.
#include "../../cgi/onboard/routes.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

struct Registration {
    char const* basePath;
    char const* resource;
    int32_t method;
};

// The REST surface as clients know it. Order matters: of two registrations
// of the same resource and method, the later serves.
constexpr Registration kExpected[] = {
    { "/api/v2/mgmt/bonjour", "admin-mode", kMethodPut },
    { "/api/v2/mgmt/bonjour", "admin-mode", kMethodGet },
    { "/api/v2/mgmt/bonjour", "debug-level1", kMethodPut },
    { "/api/v2/mgmt/bonjour", "debug-level1", kMethodGet },
    { "/api/v2/mgmt/bonjour", "debug-level2", kMethodPut },
    { "/api/v2/mgmt/bonjour", "debug-level2", kMethodGet },
    { "/api/v2/mgmt/bonjour", "published-service-get-next", kMethodPost },
    { "/api/v2/mgmt/bonjour", "published-service", kMethodGet },
    { "/api/v2/mgmt/bonjour", "service-index-get-next", kMethodPost },
    { "/api/v2/mgmt/bonjour", "service-get-by-index", kMethodPost },
    { "/api/v2/mgmt/cloud-managed", "mode", kMethodGet },
    { "/api/v2/mgmt/cloud-managed", "mode", kMethodPut },
    { "/api/v2/mgmt/cloud-managed", "proxy-ip", kMethodGet },
    { "/api/v2/mgmt/cloud-managed", "proxy-ip", kMethodPut },
    { "/api/v2/mgmt/cloud-managed", "proxy-user", kMethodGet },
    { "/api/v2/mgmt/cloud-managed", "proxy-user", kMethodPut },
    { "/api/v2/mgmt/cloud-managed", "server-url", kMethodGet },
    { "/api/v2/mgmt/cloud-managed", "server-url", kMethodPut },
    { "/api/v2/mgmt/cloud-managed", "oper-mode", kMethodGet },
    { "/api/v2/mgmt/cloud-managed", "oper-mode", kMethodPut },
    { "/api/v2/mgmt/dns", "default-domain-name", kMethodGet },
    { "/api/v2/mgmt/dns", "default-domain-name", kMethodPut },
    { "/api/v2/mgmt/dns", "domain-name-max-size", kMethodGet },
    { "/api/v2/mgmt/dns", "default-domain-name", kMethodDelete },
    { "/api/v2/mgmt/dns", "ip-name-server", kMethodPost },
    { "/api/v2/mgmt/dns", "ip-name-server", kMethodDelete },
    { "/api/v2/mgmt/dns", "ip-name-servers-next", kMethodGet },
    { "/api/v2/mgmt/dns", "ip-name-servers-with-pref-next", kMethodGet },
    { "/api/v2/mgmt/dns", "domain-name-entry-next", kMethodGet },
    { "/api/v2/mgmt/dns", "ip-name-servers-max-supported", kMethodGet },
    { "/api/v2/mgmt/dns", "static-host-address-mapping", kMethodPut },
    { "/api/v2/mgmt/dns", "static-host-address-mapping", kMethodDelete },
    { "/api/v2/mgmt/dns", "static-host-next", kMethodGet },
    { "/api/v2/mgmt/dns", "static-host-ip-addr", kMethodGet },
    { "/api/v2/mgmt/dns", "domain-label-maximum-size", kMethodGet },
    { "/api/v2/mgmt/dns", "client-inet-name-lookup", kMethodPost },
    { "/api/v2/mgmt/dns", "admin-mode", kMethodGet },
    { "/api/v2/mgmt/dns", "admin-mode", kMethodPut },
    { "/api/v2/mgmt/dns", "static-host-address-mapping", kMethodDelete },
    { "/api/v2/mgmt/dns", "static-host-address-mapping-next", kMethodGet },
    { "/api/v2/mgmt/dns", "client-cache-host", kMethodDelete },
    { "/api/v2/system/common", "inet-addr", kMethodGet },
    { "/api/v2/system/common", "inet-addr-max-size", kMethodGet },
    { "/api/v2/mgmt/event-notify", "client-register", kMethodPost },
    { "/api/v2/mgmt/event-notify", "client-deregister", kMethodPost },
    { "/api/v2/mgmt/event-notify", "register", kMethodPost },
    { "/api/v2/mgmt/event-notify", "deregister", kMethodPost },
    { "/api/v2/mgmt/event-notify", "data-receive", kMethodPost },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-admin-mode", kMethodPut },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-admin-mode", kMethodGet },
    { "/api/v2/mgmt/mgmttelnet", "sw-dev-ctrl-telnet-mgmt-port-num", kMethodPut },
    { "/api/v2/mgmt/mgmttelnet", "sw-dev-ctrl-telnet-mgmt-port-num", kMethodGet },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-num-sessions", kMethodPut },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-num-sessions", kMethodGet },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-timeout", kMethodPut },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-timeout", kMethodGet },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-new-sessions", kMethodPut },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-new-sessions", kMethodGet },
    { "/api/v2/mgmt/mgmttelnet", "agent-telnet-current-num-sessions", kMethodGet },
    { "/api/v2/mgmt/beacon", "mode", kMethodPut },
    { "/api/v2/mgmt/beacon", "mode", kMethodGet },
    { "/api/v2/mgmt/ntp", "time", kMethodPut },
    { "/api/v2/mgmt/ntp", "server", kMethodPost },
    { "/api/v2/mgmt/ntp", "server", kMethodDelete },
    { "/api/v2/mgmt/ntp", "servers-max-supported", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-max-addr-len", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-first", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-next", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-address-type", kMethodGet },
    { "/api/v2/mgmt/ntp", "mode", kMethodPut },
    { "/api/v2/mgmt/ntp", "mode", kMethodGet },
    { "/api/v2/mgmt/ntp", "supported-mode", kMethodGet },
    { "/api/v2/mgmt/ntp", "active-ntp-server-address-type", kMethodGet },
    { "/api/v2/mgmt/ntp", "active-ntp-server-ip-address", kMethodGet },
    { "/api/v2/mgmt/ntp", "active-ntp-server-stratum", kMethodGet },
    { "/api/v2/mgmt/ntp", "active-ntp-server-reference-id", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-reference-string-length", kMethodGet },
    { "/api/v2/mgmt/ntp", "active-ntp-server-mode", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-current-entries", kMethodGet },
    { "/api/v2/mgmt/ntp", "authentication-mode", kMethodPut },
    { "/api/v2/mgmt/ntp", "authentication-mode", kMethodGet },
    { "/api/v2/mgmt/ntp", "broadcast-delay", kMethodPut },
    { "/api/v2/mgmt/ntp", "broadcast-delay", kMethodGet },
    { "/api/v2/mgmt/ntp", "source-interface", kMethodPut },
    { "/api/v2/mgmt/ntp", "source-interface", kMethodGet },
    { "/api/v2/mgmt/ntp", "vrf-name", kMethodPut },
    { "/api/v2/mgmt/ntp", "vrf-name", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-table-auth-key", kMethodPut },
    { "/api/v2/mgmt/ntp", "server-table-auth-key", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-table-max-poll", kMethodPut },
    { "/api/v2/mgmt/ntp", "server-table-max-poll", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-table-min-poll", kMethodPut },
    { "/api/v2/mgmt/ntp", "server-table-min-poll", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-table-prefer", kMethodPut },
    { "/api/v2/mgmt/ntp", "server-table-prefer", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-table-burst", kMethodPut },
    { "/api/v2/mgmt/ntp", "server-table-burst", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-table-iburst", kMethodPut },
    { "/api/v2/mgmt/ntp", "server-table-iburst", kMethodGet },
    { "/api/v2/mgmt/ntp", "server-table-version", kMethodPut },
    { "/api/v2/mgmt/ntp", "server-table-version", kMethodGet },
    { "/api/v2/mgmt/ntp", "auth-table-key", kMethodPost },
    { "/api/v2/mgmt/ntp", "auth-table-key", kMethodDelete },
    { "/api/v2/mgmt/ntp", "auth-table-key-value", kMethodPut },
    { "/api/v2/mgmt/ntp", "auth-table-key-value", kMethodGet },
    { "/api/v2/mgmt/ntp", "auth-table-key-msg-auth-alg", kMethodPut },
    { "/api/v2/mgmt/ntp", "auth-table-key-msg-auth-alg", kMethodGet },
    { "/api/v2/mgmt/ntp", "auth-table-key-trusted", kMethodPut },
    { "/api/v2/mgmt/ntp", "auth-table-key-trusted", kMethodGet },
    { "/api/v2/mgmt/ntp", "auth-table-entry-first", kMethodGet },
    { "/api/v2/mgmt/ntp", "auth-table-entry-get-next", kMethodPost },
    { "/api/v2/mgmt/ntp", "notify-peer-list", kMethodPost },
    { "/api/v2/mgmt/ntp", "broadcast-client-mode", kMethodPut },
    { "/api/v2/mgmt/ntp", "broadcast-client-mode", kMethodGet },
    { "/api/v2/mgmt/ntp", "version", kMethodGet },
    { "/api/v2/mgmt/ntp", "ent-software-name", kMethodGet },
    { "/api/v2/mgmt/ntp", "ent-software-version", kMethodGet },
    { "/api/v2/mgmt/ntp", "ent-system-type", kMethodGet },
    { "/api/v2/mgmt/ntp", "ent-status-in-pkts", kMethodGet },
    { "/api/v2/mgmt/ntp", "ent-status-out-pkts", kMethodGet },
    { "/api/v2/mgmt/ntp", "ent-status-bad-version", kMethodGet },
    { "/api/v2/mgmt/ntp", "ent-status-protocol-error", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-id", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-id-next", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-name", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-ref-id", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-address-type", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-address", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-offset", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-stratum", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-status-jitter", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-status-delay", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-status-dispersion", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-stat-in-pkts", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-stat-out-pkts", kMethodGet },
    { "/api/v2/mgmt/ntp", "assoc-stat-protocol-error", kMethodGet },
    { "/api/v2/mgmt/ping", "address", kMethodPost },
    { "/api/v2/mgmt/ping", "address-with-count", kMethodPost },
    { "/api/v2/mgmt/ping", "address-with-interval", kMethodPost },
    { "/api/v2/mgmt/ping", "address-with-pdu-size", kMethodPost },
    { "/api/v2/mgmt/ping", "address-with-source-interface", kMethodPost },
    { "/api/v2/mgmt/ping", "address-explicit", kMethodPost },
    { "/api/v2/mgmt/ping", "with-source", kMethodPost },
    { "/api/v2/mgmt/ping", "ping", kMethodPost },
    { "/api/v2/mgmt/sntp", "server", kMethodPost },
    { "/api/v2/mgmt/sntp", "server", kMethodDelete },
    { "/api/v2/mgmt/sntp", "server-priority", kMethodPut },
    { "/api/v2/mgmt/sntp", "server-priority", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-priority-max", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-port", kMethodPut },
    { "/api/v2/mgmt/sntp", "server-port", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-version", kMethodPut },
    { "/api/v2/mgmt/sntp", "server-version", kMethodGet },
    { "/api/v2/mgmt/sntp", "servers-max-supported", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-max-addr-len", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-first", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-next", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-address-type", kMethodGet },
    { "/api/v2/mgmt/sntp", "client-mode", kMethodPut },
    { "/api/v2/mgmt/sntp", "client-mode", kMethodGet },
    { "/api/v2/mgmt/sntp", "client-supported-mode", kMethodGet },
    { "/api/v2/mgmt/sntp", "active-sntp-server-address-type", kMethodGet },
    { "/api/v2/mgmt/sntp", "active-sntp-server-ip-address", kMethodGet },
    { "/api/v2/mgmt/sntp", "active-sntp-server-stratum", kMethodGet },
    { "/api/v2/mgmt/sntp", "active-sntp-server-reference-id", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-reference-string-length", kMethodGet },
    { "/api/v2/mgmt/sntp", "active-sntp-server-mode", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-current-entries", kMethodGet },
    { "/api/v2/mgmt/sntp", "server-last-attempt-status", kMethodPost },
    { "/api/v2/mgmt/sntp", "server-last-updated-time", kMethodPost },
    { "/api/v2/mgmt/sntp", "server-last-attempt-time", kMethodPost },
    { "/api/v2/mgmt/sntp", "server-num-requests", kMethodPost },
    { "/api/v2/mgmt/sntp", "server-num-failed-requests", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-with-count", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-with-interval", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-with-ttl", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-with-max-fail", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-with-pdu-size", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-with-udp-port", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-with-source-interface", kMethodPost },
    { "/api/v2/mgmt/traceroute", "address-explicit", kMethodPost },
    { "/api/v2/mgmt/traceroute", "with-source", kMethodPost },
    { "/api/v2/mgmt/traceroute", "traceroute", kMethodPost },
    { "/api/v2/mgmt/webmgmt", "sw-dev-ctrl-web-mgmt-mode", kMethodPut },
    { "/api/v2/mgmt/webmgmt", "sw-dev-ctrl-web-mgmt-mode", kMethodGet },
    { "/api/v2/mgmt/webmgmt", "sw-dev-ctrl-web-mgmt-port-num", kMethodPut },
    { "/api/v2/mgmt/webmgmt", "sw-dev-ctrl-web-mgmt-port-num", kMethodGet },
    { "/api/v2/mgmt/webmgmt", "cli-web-http-num-sessions", kMethodPut },
    { "/api/v2/mgmt/webmgmt", "cli-web-http-num-sessions", kMethodGet },
    { "/api/v2/mgmt/webmgmt", "cli-web-http-session-soft-time-out", kMethodPut },
    { "/api/v2/mgmt/webmgmt", "cli-web-http-session-soft-time-out", kMethodGet },
    { "/api/v2/mgmt/webmgmt", "cli-web-http-session-hard-time-out", kMethodPut },
    { "/api/v2/mgmt/webmgmt", "cli-web-http-session-hard-time-out", kMethodGet },
};

TEST(RouteTable, RegistersEveryRouteInOrderWithAHandler)
{
    std::vector<Registration> actual;
    for (RouteGroup const& group : routeTable())
        for (RouteRow const& row : group.rows) {
            actual.push_back({ group.basePath, row.resource, row.method });
            EXPECT_NE(row.handler, nullptr) << group.basePath << "/" << row.resource;
        }
    ASSERT_EQ(actual.size(), std::size(kExpected));
    for (size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(std::string(actual[i].basePath), kExpected[i].basePath);
        EXPECT_EQ(std::string(actual[i].resource), kExpected[i].resource);
        EXPECT_EQ(actual[i].method, kExpected[i].method);
    }
}

// The tree laid out when the program is built against the one registering
// the table on a fresh root builds: node for node in the same sibling order,
// entry for entry in the same list order (which decides which of two equal
// registrations serves).
void expectSameTree(HttpdDir const* built, HttpdDir const* registered, std::string const& path)
{
    SCOPED_TRACE(path);
    ASSERT_NE(built, nullptr);
    ASSERT_NE(registered, nullptr);
    EXPECT_STREQ(built->name, registered->name);
    HttpdCContent const* a = built->firstContent;
    HttpdCContent const* b = registered->firstContent;
    for (size_t i = 0; a != nullptr && b != nullptr; a = a->next, b = b->next, ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(a->resource, b->resource);
        EXPECT_EQ(a->method, b->method);
        EXPECT_EQ(a->authFlag, b->authFlag);
        EXPECT_EQ(a->handler, b->handler);
    }
    EXPECT_EQ(a == nullptr, b == nullptr) << "entry lists of different lengths";
    HttpdDir const* x = built->firstChild;
    HttpdDir const* y = registered->firstChild;
    for (; x != nullptr && y != nullptr; x = x->nextSibling, y = y->nextSibling)
        expectSameTree(x, y, path + "/" + registered->name);
    EXPECT_EQ(x == nullptr, y == nullptr) << "child lists of different lengths";
}

// The registered tree lives as long as the program, as a route tree does;
// it stays reachable here, so that a leak checker does not count it.
HttpdRoot* volatile g_registered = nullptr;

TEST(RouteTable, BuiltTreeIsTheRegisteredOne)
{
    HttpdHandle registered = httpdRootCreate();
    g_registered = registered;
    ASSERT_NE(registered, nullptr);
    registerRoutes(registered);
    HttpdHandle built = builtRoutes();
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(builtRoutes(), built);
    expectSameTree(built->root, registered->root, "");
    // Every row's entry is found where the dispatcher looks for it.
    size_t entries = 0;
    for (RouteGroup const& group : routeTable()) {
        HttpdDir const* dir = httpdDirFind(built, group.basePath);
        ASSERT_NE(dir, nullptr);
        for (HttpdCContent const* e = dir->firstContent; e != nullptr; e = e->next)
            ++entries;
    }
    EXPECT_EQ(entries, std::size(kExpected));
}

} // namespace
