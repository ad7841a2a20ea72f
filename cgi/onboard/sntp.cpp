// SNTP resources: reserved for an SNTP client interface that this switch does
// not carry. Every route answers that the feature is unsupported, without
// reading the request or calling the switch.
#include "routes.h"

#include "../../tools/families.h"

namespace {

constexpr auto get = unsupportedGet<"sntp">;
constexpr auto set = unsupportedSet;

constexpr RouteRow kRows[] = {
    { "server", kMethodPost, set },
    { "server", kMethodDelete, set },
    { "server-priority", kMethodPut, set },
    { "server-priority", kMethodGet, get },
    { "server-priority-max", kMethodGet, get },
    { "server-port", kMethodPut, set },
    { "server-port", kMethodGet, get },
    { "server-version", kMethodPut, set },
    { "server-version", kMethodGet, get },
    { "servers-max-supported", kMethodGet, get },
    { "server-max-addr-len", kMethodGet, get },
    { "server-first", kMethodGet, get },
    { "server-next", kMethodGet, get },
    { "server-address-type", kMethodGet, get },
    { "client-mode", kMethodPut, set },
    { "client-mode", kMethodGet, get },
    { "client-supported-mode", kMethodGet, get },
    { "active-sntp-server-address-type", kMethodGet, get },
    { "active-sntp-server-ip-address", kMethodGet, get },
    { "active-sntp-server-stratum", kMethodGet, get },
    { "active-sntp-server-reference-id", kMethodGet, get },
    { "server-reference-string-length", kMethodGet, get },
    { "active-sntp-server-mode", kMethodGet, get },
    { "server-current-entries", kMethodGet, get },
    { "server-last-attempt-status", kMethodPost, set },
    { "server-last-updated-time", kMethodPost, set },
    { "server-last-attempt-time", kMethodPost, set },
    { "server-num-requests", kMethodPost, set },
    { "server-num-failed-requests", kMethodPost, set },
};

} // namespace

constinit std::span<RouteRow const> const sntpRoutes = kRows;
constinit HttpdCContent* const sntpEntries = LinkedRows<kRows>::first();
