// Handlers under "/api/v2/mgmt/dns": the DNS client's settings, its name
// servers, the static host table, name lookups and the client's cache.
#include "dns_families.h"
#include "routes.h"

#include <cstring>

namespace {

using namespace dns;

// The address family of "family": "inet" or "ipv4" is IPv4, "inet6" or
// "ipv6" IPv6, anything else none.
uint32_t familyCode(char const* value)
{
    if (value == nullptr)
        return kAfNone;
    if (strcmp(value, "inet") == 0 || strcmp(value, "ipv4") == 0)
        return kAfInet;
    if (strcmp(value, "inet6") == 0 || strcmp(value, "ipv6") == 0)
        return kAfInet6;
    return kAfNone;
}

// Every host is cleared unless "isAllHosts" is exactly "false".
uint32_t allHostsFlag(char const* value)
{
    return value != nullptr && strcmp(value, "false") == 0 ? 0 : 1;
}

char const* entryTypeText(uint32_t code)
{
    // The code comes from the switch, so anything is possible.
    switch (code) {
    case kDnsEntryAddress: return "address";
    case kDnsEntryCname: return "cname";
    case kDnsEntryPtr: return "ptr";
    case kDnsEntryIpv6Address: return "ipv6_address";
    default: return "invalid";
    }
}

// A text field of the entry, read no further than the field.
template <size_t N>
Json fieldText(char (&field)[N])
{
    field[N - 1] = '\0';
    return Json(cJSON_CreateString(field));
}

Json entryObject(DnsDomainNameEntry& entry)
{
    Json object(cJSON_CreateObject());
    jsonAdd(object.get(), "hostName", fieldText(entry.hostName));
    jsonAdd(object.get(), "rrName", fieldText(entry.rrName));
    jsonAdd(object.get(), "rrType", Json(cJSON_CreateNumber(entry.rrType)));
    jsonAdd(object.get(), "rrIndex", Json(cJSON_CreateNumber(entry.rrIndex)));
    jsonAdd(object.get(), "rrClass", Json(cJSON_CreateNumber(entry.rrClass)));
    jsonAdd(object.get(), "ttl", Json(cJSON_CreateNumber(entry.ttl)));
    jsonAdd(object.get(), "ttlElapsed", Json(cJSON_CreateNumber(entry.ttlElapsed)));
    jsonAdd(object.get(), "entryType", Json(cJSON_CreateString(entryTypeText(entry.entryType))));
    jsonAdd(object.get(), "hostAddr", Json(cJSON_CreateString(inetAddrToText(entry.hostAddr).text)));
    return object;
}

// The cache walk: the next entry after "hostName", or {"empty": true} once
// the switch has no further entry to give.
int cacheEntryNext()
{
    QueryInput input;
    input.open();
    DnsDomainNameEntry entry {};
    boundedCopy(entry.hostName, input.text("hostName"));
    int const result = rpcclt_openapiDnsDomainNameEntryNextGet(&clientHandle, &entry);
    if (result == -29 || result == -26) {
        Json data(cJSON_CreateObject());
        jsonAdd(data.get(), "empty", Json(cJSON_CreateBool(1)));
        replyWithData(kRespSuccess, kGroup, std::move(data));
        return 0;
    }
    replyObject(kGroup, result, [&](cJSON* data) { jsonAdd(data, "domainNameEntry", entryObject(entry)); });
    return 0;
}

using HostIn = TextArg<"hostname", 256, Flow::In>;
using HostCursor = TextArg<"hostname", 256, Flow::Cursor>;
using VrfIn = TextArg<"vrfName", 16, Flow::In>;
using DomainName = TextArg<"defaultDomainName", 256, Flow::In>;

// Registered in this order; the later DELETE of "static-host-address-mapping"
// is the one that serves, and the earlier one is never reached.
constexpr RouteRow kRows[] = {
    { "default-domain-name", kMethodGet,
      getCall<NoInput, rpcclt_openapiDNSDefaultDomainNameGet, TextArg<"defaultDomainName", 256, Flow::Out>> },
    { "default-domain-name", kMethodPut, setCall<BodyInput, rpcclt_openapiDNSDefaultDomainNameSet, DomainName> },
    { "domain-name-max-size", kMethodGet,
      getValue<"dns", "domainNameMaxSize", numberValue, rpcclt_openapiDNSDomainNameMaxSizeGet> },
    { "default-domain-name", kMethodDelete, setCall<NoInput, rpcclt_openapiDNSDefaultDomainNameDelete> },
    { "ip-name-server", kMethodPost, setCall<BodyInput, rpcclt_openapiDNSIpNameServerAdd, AddrArg<"ipAddr", Flow::In>> },
    { "ip-name-server", kMethodDelete,
      setCall<QueryInput, rpcclt_openapiDNSIpNameServerDelete, AddrArg<"ipAddr", Flow::In>> },
    { "ip-name-servers-next", kMethodGet,
      getCall<QueryInput, rpcclt_openapiDNSIpNameServersNextGet, AddrArg<"ipAddr", Flow::Cursor>> },
    { "ip-name-servers-with-pref-next", kMethodGet,
      getCall<QueryInput, rpcclt_openapiDNSIpNameServersWithPrefNextGet, AddrArg<"ipAddr", Flow::Cursor>,
              NumberCursor<"preference">> },
    { "domain-name-entry-next", kMethodGet, cacheEntryNext },
    { "ip-name-servers-max-supported", kMethodGet,
      getValue<"dns", "maxNameServers", numberValue, rpcclt_openapiDNSIpNameServersMaxSupportedGet> },
    { "static-host-address-mapping", kMethodPut,
      setCall<BodyInput, rpcclt_openapiDNSStaticHostAddressMappingSet, HostIn, AddrArg<"ipAddr", Flow::In>> },
    { "static-host-address-mapping", kMethodDelete, unsupportedSet },
    { "static-host-next", kMethodGet, getCall<QueryInput, rpcclt_openapiDNSStaticHostNextGet, HostCursor> },
    { "static-host-ip-addr", kMethodGet,
      getCall<QueryInput, rpcclt_openapiDNSStaticHostIpAddrGet, HostIn, AddrArg<"ipAddr", Flow::Out>> },
    { "domain-label-maximum-size", kMethodGet,
      getValue<"dns", "domainLabelMaxSize", numberValue, rpcclt_openapiDNSDomainLabelMaximumSizeGet> },
    { "client-inet-name-lookup", kMethodPost,
      getCall<BodyInput, rpcclt_openapiDNSClientInetNameLookup, HostIn, TextArg<"ipAddr", 46, Flow::Out>> },
    { "admin-mode", kMethodGet, getValue<"dns", "adminMode", modeValue, rpcclt_openapiDNSAdminModeGet> },
    { "admin-mode", kMethodPut, setValue<"adminMode", bodyMode, rpcclt_openapiDNSAdminModeSet> },
    { "static-host-address-mapping", kMethodDelete,
      setCall<QueryInput, rpcclt_openapiDNSStaticHostAddressMappingDelete, VrfIn, HostIn, CodeArg<"family", familyCode>> },
    { "static-host-address-mapping-next", kMethodGet,
      getCall<QueryInput, rpcclt_openapiDNSStaticHostAddressMappingNextGet, VrfIn, HostCursor,
              AddrArg<"ipAddr", Flow::Cursor>> },
    { "client-cache-host", kMethodDelete,
      setCall<QueryInput, rpcclt_openapiDNSClientCacheHostClear, VrfIn, CodeArg<"isAllHosts", allHostsFlag>, HostIn> },
};

} // namespace

constinit std::span<RouteRow const> const dnsRoutes = kRows;
constinit HttpdCContent* const dnsEntries = LinkedRows<kRows>::first();
