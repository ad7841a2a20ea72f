// The switch's DNS client: its settings, the name servers it asks, the static
// host table, name lookups and the cache of answers, and the address helpers
// that read an address text the way the switch does.
#include "../tools/sw_calls_dns.h"
#include "sim.h"

#include <arpa/inet.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace sim {

// Factory defaults of the "dns" section of the state file. "remoteHosts" is
// what the configured name servers would answer, standing in for the network.
extern char const kDnsDefaults[] = R"({
    "adminMode": 1,
    "defaultDomainName": "localdomain",
    "domainNameMaxSize": 255,
    "domainLabelMaxSize": 63,
    "maxNameServers": 8,
    "nameServers": [
        { "family": 1, "addr": "192.168.1.1", "preference": 1 },
        { "family": 2, "addr": "2001:db8::53", "preference": 2 }
    ],
    "maxStaticHosts": 64,
    "staticHosts": [
        { "vrf": "", "hostname": "syslog", "family": 1, "addr": "192.168.1.20" },
        { "vrf": "", "hostname": "tftp", "family": 1, "addr": "192.168.1.21" },
        { "vrf": "", "hostname": "tftp", "family": 2, "addr": "2001:db8::21" },
        { "vrf": "mgmt", "hostname": "radius", "family": 1, "addr": "10.0.0.5" }
    ],
    "maxCacheEntries": 32,
    "cache": [
        { "vrf": "", "hostName": "time.example.net", "rrName": "time.example.net", "rrType": 1, "rrIndex": 1,
          "rrClass": 1, "ttl": 3600, "ttlElapsed": 420, "entryType": 1,
          "hostAddr": { "family": 1, "addr": "203.0.113.123" } },
        { "vrf": "", "hostName": "firmware.example.com", "rrName": "cdn.example.com", "rrType": 5, "rrIndex": 2,
          "rrClass": 1, "ttl": 300, "ttlElapsed": 45, "entryType": 5,
          "hostAddr": { "family": 1, "addr": "198.51.100.80" } },
        { "vrf": "", "hostName": "mirror.example.org", "rrName": "mirror.example.org", "rrType": 28, "rrIndex": 3,
          "rrClass": 1, "ttl": 1800, "ttlElapsed": 600, "entryType": 28,
          "hostAddr": { "family": 2, "addr": "2001:db8:80::10" } }
    ],
    "remoteHosts": [
        { "name": "www.example.com", "family": 1, "addr": "198.51.100.10", "ttl": 3600 },
        { "name": "ipv6.example.net", "family": 2, "addr": "2001:db8:1::10", "ttl": 7200 }
    ]
})";

namespace {

// The longest address text the switch takes, with its terminator.
constexpr uint32_t kInetAddrMaxSize = INET6_ADDRSTRLEN;

cJSON* dnsSection(State& state)
{
    return state.section("dns");
}

// ---- addresses ----

OpenInetAddr addrOf(cJSON const* object)
{
    return addrFromText(u32(object, "family"), text(object, "addr"));
}

Json addrJson(OpenInetAddr const& addr)
{
    Json object(cJSON_CreateObject());
    cJSON_AddNumberToObject(object.get(), "family", addr.family);
    cJSON_AddStringToObject(object.get(), "addr", addrText(addr).c_str());
    return object;
}

bool isZero(OpenInetAddr const& addr)
{
    if (addr.family != kAfInet6)
        return addr.addr.ipv4 == 0;
    static constexpr uint8_t kZero[16] = {};
    return memcmp(addr.addr.ipv6, kZero, sizeof kZero) == 0;
}

// Family first, then the address value.
int compareAddr(OpenInetAddr const& a, OpenInetAddr const& b)
{
    if (a.family != b.family)
        return a.family < b.family ? -1 : 1;
    if (a.family == kAfInet6)
        return memcmp(a.addr.ipv6, b.addr.ipv6, sizeof a.addr.ipv6);
    return a.addr.ipv4 < b.addr.ipv4 ? -1 : a.addr.ipv4 > b.addr.ipv4 ? 1 : 0;
}

// An address a host or a name server can have: IPv4 outside 0.0.0.0/8 and
// 224.0.0.0/3 (multicast, reserved, broadcast), or IPv6 that is neither
// unspecified nor multicast.
bool usable(OpenInetAddr const& addr)
{
    if (addr.family == kAfInet)
        return (addr.addr.ipv4 >> 24) != 0 && (addr.addr.ipv4 >> 29) != 7;
    if (addr.family == kAfInet6)
        return !isZero(addr) && addr.addr.ipv6[0] != 0xff;
    return false;
}

// A text that is an address itself: IPv6 when it holds ":", else dotted IPv4.
bool addrLiteral(std::string const& text, OpenInetAddr& addr)
{
    bool const v6 = text.find(':') != std::string::npos;
    unsigned char bytes[16];
    if (inet_pton(v6 ? AF_INET6 : AF_INET, text.c_str(), bytes) != 1)
        return false;
    addr = addrFromText(v6 ? kAfInet6 : kAfInet, text.c_str());
    return true;
}

// ---- names ----

// Dot-separated labels of letters, digits and hyphens, none empty, none
// longer than the label limit, none starting or ending with a hyphen.
bool validName(cJSON const* dns, std::string const& name)
{
    if (name.empty() || name.size() > u32(dns, "domainNameMaxSize"))
        return false;
    size_t const labelMax = u32(dns, "domainLabelMaxSize");
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find('.', start);
        if (end == std::string::npos)
            end = name.size();
        std::string const label = name.substr(start, end - start);
        if (label.empty() || label.size() > labelMax || label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label)
            if (!isalnum(static_cast<unsigned char>(c)) && c != '-')
                return false;
        start = end + 1;
    }
    return true;
}

bool sameName(char const* a, std::string const& b)
{
    return strcasecmp(a, b.c_str()) == 0;
}

// ---- tables ----

// The entry that comes first after the cursor in the order compare gives,
// over a table that is not kept in order; none once the cursor is the last.
template <typename Key, typename KeyOf, typename Compare>
cJSON* nextEntry(cJSON* list, Key const& cursor, KeyOf keyOf, Compare compare)
{
    cJSON* best = nullptr;
    cJSON* item = nullptr;
    cJSON_ArrayForEach(item, list)
    {
        Key const key = keyOf(item);
        if (compare(key, cursor) > 0 && (best == nullptr || compare(key, keyOf(best)) < 0))
            best = item;
    }
    return best;
}

template <typename Match>
cJSON* findEntry(cJSON* list, Match match)
{
    cJSON* item = nullptr;
    cJSON_ArrayForEach(item, list)
        if (match(item))
            return item;
    return nullptr;
}

// Removes every entry that matches; the count removed.
template <typename Match>
int removeEntries(State& state, cJSON* list, Match match)
{
    int removed = 0;
    for (cJSON* item = list->child; item != nullptr;) {
        cJSON* next = item->next;
        if (match(item)) {
            cJSON_Delete(cJSON_DetachItemViaPointer(list, item));
            ++removed;
        }
        item = next;
    }
    state.changed = state.changed || removed > 0;
    return removed;
}

bool full(cJSON* list, cJSON const* dns, char const* capacity)
{
    return static_cast<uint32_t>(cJSON_GetArraySize(list)) >= u32(dns, capacity);
}

// ---- name servers ----

cJSON* findServer(cJSON* servers, OpenInetAddr const& addr)
{
    return findEntry(servers, [&](cJSON const* item) { return compareAddr(addrOf(item), addr) == 0; });
}

// The server after the cursor in order of preference (unique, as the servers
// are numbered 1, 2, ... in the order they were added); the zero address
// starts the walk, and a cursor that is not a configured server finds nothing.
int nextServer(State& state, OpenInetAddr* server, uint32_t* preference)
{
    cJSON* servers = array(dnsSection(state), "nameServers");
    uint32_t after = 0;
    if (!isZero(*server)) {
        cJSON const* current = findServer(servers, *server);
        if (current == nullptr)
            return kNotFound;
        after = u32(current, "preference");
    }
    auto const preferenceOf = [](cJSON const* item) { return u32(item, "preference"); };
    auto const compare = [](uint32_t a, uint32_t b) { return a < b ? -1 : a > b ? 1 : 0; };
    cJSON const* next = nextEntry(servers, after, preferenceOf, compare);
    if (next == nullptr)
        return kNotFound;
    *server = addrOf(next);
    if (preference != nullptr)
        *preference = preferenceOf(next);
    return kOk;
}

// ---- static hosts ----

struct HostKey {
    std::string vrf;
    std::string name;
    OpenInetAddr addr;
};

HostKey hostKey(cJSON const* item)
{
    return { text(item, "vrf"), text(item, "hostname"), addrOf(item) };
}

// Host names in a VRF, letter case aside: the order of the name walk.
int compareHostNames(HostKey const& a, HostKey const& b)
{
    if (int c = a.vrf.compare(b.vrf); c != 0)
        return c;
    return strcasecmp(a.name.c_str(), b.name.c_str());
}

// The order of the entry walk: name, then family and address.
int compareHostEntries(HostKey const& a, HostKey const& b)
{
    if (int c = compareHostNames(a, b); c != 0)
        return c;
    return compareAddr(a.addr, b.addr);
}

// The entry after the cursor in the cursor's VRF, in the order compare gives:
// its name goes into the caller's buffer and, when asked, its address.
int nextHost(State& state, HostKey const& cursor, int (*compare)(HostKey const&, HostKey const&), OpenBuffDesc* hostName,
             OpenInetAddr* address)
{
    cJSON const* next = nextEntry(array(dnsSection(state), "staticHosts"), cursor, hostKey, compare);
    if (next == nullptr || text(next, "vrf") != cursor.vrf)
        return kNotFound;
    writeText(hostName, text(next, "hostname"));
    if (address != nullptr)
        *address = addrOf(next);
    return kOk;
}

// A host's address in the default VRF, IPv4 before IPv6.
cJSON* findHost(cJSON* hosts, std::string const& name)
{
    auto const named = [&](cJSON const* item) {
        return text(item, "vrf")[0] == '\0' && sameName(text(item, "hostname"), name);
    };
    cJSON* v4 = findEntry(hosts, [&](cJSON const* item) { return named(item) && u32(item, "family") == kAfInet; });
    return v4 != nullptr ? v4 : findEntry(hosts, named);
}

// A host's address in the default VRF, or the address the text is itself.
bool resolveStatic(State& state, std::string const& name, OpenInetAddr& addr)
{
    if (addrLiteral(name, addr))
        return true;
    cJSON const* host = findHost(array(dnsSection(state), "staticHosts"), name);
    if (host != nullptr)
        addr = addrOf(host);
    return host != nullptr;
}

// ---- cache ----

template <size_t N>
std::string fieldText(char const (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

template <size_t N>
void setField(char (&field)[N], char const* value)
{
    OpenBuffDesc desc { N, field };
    writeText(&desc, value);
}

struct NumberField {
    char const* name;
    uint32_t DnsDomainNameEntry::*field;
};
constexpr NumberField kEntryNumbers[] = {
    { "rrType", &DnsDomainNameEntry::rrType },   { "rrIndex", &DnsDomainNameEntry::rrIndex },
    { "rrClass", &DnsDomainNameEntry::rrClass }, { "ttl", &DnsDomainNameEntry::ttl },
    { "ttlElapsed", &DnsDomainNameEntry::ttlElapsed }, { "entryType", &DnsDomainNameEntry::entryType },
};

Json entryToJson(void const* record)
{
    auto const* entry = static_cast<DnsDomainNameEntry const*>(record);
    Json object(cJSON_CreateObject());
    cJSON_AddStringToObject(object.get(), "hostName", fieldText(entry->hostName).c_str());
    cJSON_AddStringToObject(object.get(), "rrName", fieldText(entry->rrName).c_str());
    for (NumberField const& number : kEntryNumbers)
        cJSON_AddNumberToObject(object.get(), number.name, entry->*number.field);
    jsonAdd(object.get(), "hostAddr", addrJson(entry->hostAddr));
    return object;
}

void entryFromJson(void* record, cJSON const* fields)
{
    auto* entry = static_cast<DnsDomainNameEntry*>(record);
    auto const member = [&](char const* name) { return cJSON_GetObjectItemCaseSensitive(fields, name); };
    if (cJSON_IsString(member("hostName")))
        setField(entry->hostName, member("hostName")->valuestring);
    if (cJSON_IsString(member("rrName")))
        setField(entry->rrName, member("rrName")->valuestring);
    for (NumberField const& number : kEntryNumbers)
        if (cJSON_IsNumber(member(number.name)))
            entry->*number.field = u32(fields, number.name);
    if (cJSON_IsObject(member("hostAddr")))
        entry->hostAddr = addrOf(member("hostAddr"));
}

constexpr RecordCodec kEntryCodec { entryToJson, entryFromJson };

// A cache entry that answers for the name: any but a pointer record.
cJSON* findCached(cJSON* cache, std::string const& name)
{
    return findEntry(cache, [&](cJSON const* item) {
        return sameName(text(item, "hostName"), name) && u32(item, "entryType") != kDnsEntryPtr;
    });
}

// What the name servers answer, kept in the cache while it has room.
bool askNameServers(State& state, std::string const& name, OpenInetAddr& addr)
{
    cJSON* dns = dnsSection(state);
    if (cJSON_GetArraySize(array(dns, "nameServers")) == 0)
        return false;
    cJSON const* answer = findEntry(array(dns, "remoteHosts"), [&](cJSON const* item) { return sameName(text(item, "name"), name); });
    if (answer == nullptr)
        return false;
    addr = addrOf(answer);
    cJSON* cache = array(dns, "cache");
    if (full(cache, dns, "maxCacheEntries") || name.size() >= sizeof(DnsDomainNameEntry::hostName))
        return true;
    DnsDomainNameEntry record {};
    cJSON const* item = nullptr;
    cJSON_ArrayForEach(item, cache)
        record.rrIndex = std::max(record.rrIndex, u32(item, "rrIndex"));
    ++record.rrIndex;
    setField(record.hostName, name.c_str());
    setField(record.rrName, text(answer, "name"));
    record.rrType = record.entryType = addr.family == kAfInet6 ? kDnsEntryIpv6Address : kDnsEntryAddress;
    record.rrClass = 1; // Internet
    record.ttl = u32(answer, "ttl");
    record.hostAddr = addr;
    Json entry = entryToJson(&record);
    cJSON_AddStringToObject(entry.get(), "vrf", "");
    cJSON_AddItemToArray(cache, entry.release());
    state.changed = true;
    return true;
}

// A name as the client resolves it: an address text answers itself; then the
// static table, then (with the client enabled) the cache and the name servers.
bool lookUp(State& state, std::string const& name, OpenInetAddr& addr)
{
    if (resolveStatic(state, name, addr))
        return true;
    cJSON* dns = dnsSection(state);
    if (u32(dns, "adminMode") != 1)
        return false;
    if (cJSON const* cached = findCached(array(dns, "cache"), name); cached != nullptr) {
        addr = addrOf(cJSON_GetObjectItemCaseSensitive(cached, "hostAddr"));
        return true;
    }
    return askNameServers(state, name, addr);
}

// ---- shared call shapes ----

// A number of the "dns" section read into the caller's variable.
int sectionNumber(char const* name, uint32_t* value, char const* member)
{
    return call(name, { out(value) }, [&](State& state) {
        if (value == nullptr)
            return kBadParam;
        *value = u32(dnsSection(state), member);
        return kOk;
    });
}

} // namespace
} // namespace sim

using namespace sim;

extern "C" {

int rpcclt_openapiDNSAdminModeSet(OpenClientHandle*, uint32_t mode)
{
    return call("rpcclt_openapiDNSAdminModeSet", { value(mode) }, [&](State& state) {
        if (mode > 1)
            return kBadParam;
        setNumber(state, dnsSection(state), "adminMode", mode);
        return kOk;
    });
}

int rpcclt_openapiDNSAdminModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sectionNumber("rpcclt_openapiDNSAdminModeGet", mode, "adminMode");
}

int rpcclt_openapiDNSDefaultDomainNameSet(OpenClientHandle*, OpenBuffDesc* name)
{
    return call("rpcclt_openapiDNSDefaultDomainNameSet", { textIn(name) }, [&](State& state) {
        std::string const domain = readText(name);
        if (!validName(dnsSection(state), domain))
            return kBadParam;
        setText(state, dnsSection(state), "defaultDomainName", domain.c_str());
        return kOk;
    });
}

int rpcclt_openapiDNSDefaultDomainNameGet(OpenClientHandle*, OpenBuffDesc* name)
{
    return call("rpcclt_openapiDNSDefaultDomainNameGet", { textOut(name) }, [&](State& state) {
        if (name == nullptr || name->pstart == nullptr)
            return kBadParam;
        writeText(name, text(dnsSection(state), "defaultDomainName"));
        return kOk;
    });
}

int rpcclt_openapiDNSDefaultDomainNameDelete(OpenClientHandle*)
{
    return call("rpcclt_openapiDNSDefaultDomainNameDelete", {}, [&](State& state) {
        setText(state, dnsSection(state), "defaultDomainName", "");
        return kOk;
    });
}

int rpcclt_openapiDNSDomainNameMaxSizeGet(OpenClientHandle*, uint32_t* size)
{
    return sectionNumber("rpcclt_openapiDNSDomainNameMaxSizeGet", size, "domainNameMaxSize");
}

int rpcclt_openapiDNSDomainLabelMaximumSizeGet(OpenClientHandle*, uint32_t* size)
{
    return sectionNumber("rpcclt_openapiDNSDomainLabelMaximumSizeGet", size, "domainLabelMaxSize");
}

// A new server goes last, with the next preference.
int rpcclt_openapiDNSIpNameServerAdd(OpenClientHandle*, OpenInetAddr* server)
{
    return call("rpcclt_openapiDNSIpNameServerAdd", { addrIn(server) }, [&](State& state) {
        cJSON* dns = dnsSection(state);
        cJSON* servers = array(dns, "nameServers");
        if (server == nullptr || !usable(*server))
            return kBadParam;
        if (findServer(servers, *server) != nullptr)
            return kExists;
        if (full(servers, dns, "maxNameServers"))
            return kFull;
        Json entry = addrJson(*server);
        cJSON_AddNumberToObject(entry.get(), "preference", cJSON_GetArraySize(servers) + 1);
        cJSON_AddItemToArray(servers, entry.release());
        state.changed = true;
        return kOk;
    });
}

// The servers after the one removed move up one preference.
int rpcclt_openapiDNSIpNameServerDelete(OpenClientHandle*, OpenInetAddr* server)
{
    return call("rpcclt_openapiDNSIpNameServerDelete", { addrIn(server) }, [&](State& state) {
        cJSON* servers = array(dnsSection(state), "nameServers");
        if (server == nullptr || (server->family != kAfInet && server->family != kAfInet6))
            return kBadParam;
        cJSON* found = findServer(servers, *server);
        if (found == nullptr)
            return kNotFound;
        uint32_t const removed = u32(found, "preference");
        removeEntries(state, servers, [&](cJSON const* item) { return item == found; });
        cJSON* item = nullptr;
        cJSON_ArrayForEach(item, servers)
            if (u32(item, "preference") > removed)
                setNumber(state, item, "preference", u32(item, "preference") - 1);
        return kOk;
    });
}

int rpcclt_openapiDNSIpNameServersNextGet(OpenClientHandle*, OpenInetAddr* server)
{
    return call("rpcclt_openapiDNSIpNameServersNextGet", { addrOut(server) }, [&](State& state) {
        return server == nullptr ? kBadParam : nextServer(state, server, nullptr);
    });
}

// The preference passed in is not part of the cursor: the address is.
int rpcclt_openapiDNSIpNameServersWithPrefNextGet(OpenClientHandle*, OpenInetAddr* server, uint32_t* preference)
{
    return call("rpcclt_openapiDNSIpNameServersWithPrefNextGet", { addrOut(server), out(preference) },
                [&](State& state) {
                    if (server == nullptr || preference == nullptr)
                        return kBadParam;
                    return nextServer(state, server, preference);
                });
}

int rpcclt_openapiDNSIpNameServersMaxSupportedGet(OpenClientHandle*, uint32_t* count)
{
    return sectionNumber("rpcclt_openapiDNSIpNameServersMaxSupportedGet", count, "maxNameServers");
}

// One address per host name and family in the default VRF; setting it again
// replaces the address.
int rpcclt_openapiDNSStaticHostAddressMappingSet(OpenClientHandle*, OpenBuffDesc* hostName, OpenInetAddr* address)
{
    return call("rpcclt_openapiDNSStaticHostAddressMappingSet", { textIn(hostName), addrIn(address) },
                [&](State& state) {
                    cJSON* dns = dnsSection(state);
                    cJSON* hosts = array(dns, "staticHosts");
                    std::string const name = readText(hostName);
                    if (address == nullptr || !validName(dns, name) || !usable(*address))
                        return kBadParam;
                    cJSON* entry = findEntry(hosts, [&](cJSON const* item) {
                        return text(item, "vrf")[0] == '\0' && sameName(text(item, "hostname"), name)
                            && u32(item, "family") == address->family;
                    });
                    if (entry == nullptr && full(hosts, dns, "maxStaticHosts"))
                        return kFull;
                    if (entry == nullptr) {
                        entry = cJSON_CreateObject();
                        cJSON_AddStringToObject(entry, "vrf", "");
                        cJSON_AddStringToObject(entry, "hostname", name.c_str());
                        cJSON_AddItemToArray(hosts, entry);
                    }
                    setNumber(state, entry, "family", address->family);
                    setText(state, entry, "addr", addrText(*address).c_str());
                    return kOk;
                });
}

// Family 0 removes every address of the host.
int rpcclt_openapiDNSStaticHostAddressMappingDelete(OpenClientHandle*, OpenBuffDesc* vrfName, OpenBuffDesc* hostName,
                                                    uint32_t family)
{
    return call("rpcclt_openapiDNSStaticHostAddressMappingDelete", { textIn(vrfName), textIn(hostName), value(family) },
                [&](State& state) {
                    std::string const vrf = readText(vrfName);
                    std::string const name = readText(hostName);
                    if (name.empty() || family > kAfInet6)
                        return kBadParam;
                    int const removed = removeEntries(state, array(dnsSection(state), "staticHosts"), [&](cJSON const* item) {
                        return text(item, "vrf") == vrf && sameName(text(item, "hostname"), name)
                            && (family == kAfNone || u32(item, "family") == family);
                    });
                    return removed > 0 ? kOk : kNotFound;
                });
}

// The host names of the default VRF, in order.
int rpcclt_openapiDNSStaticHostNextGet(OpenClientHandle*, OpenBuffDesc* hostName)
{
    return call("rpcclt_openapiDNSStaticHostNextGet", { textOut(hostName) }, [&](State& state) {
        if (hostName == nullptr || hostName->pstart == nullptr)
            return kBadParam;
        return nextHost(state, { "", readText(hostName), {} }, compareHostNames, hostName, nullptr);
    });
}

int rpcclt_openapiDNSStaticHostIpAddrGet(OpenClientHandle*, OpenBuffDesc* hostName, OpenInetAddr* address)
{
    return call("rpcclt_openapiDNSStaticHostIpAddrGet", { textIn(hostName), addrOut(address) }, [&](State& state) {
        std::string const name = readText(hostName);
        if (address == nullptr || name.empty())
            return kBadParam;
        cJSON const* host = findHost(array(dnsSection(state), "staticHosts"), name);
        if (host == nullptr)
            return kNotFound;
        *address = addrOf(host);
        return kOk;
    });
}

// The entries of one VRF by name, then family and address.
int rpcclt_openapiDNSStaticHostAddressMappingNextGet(OpenClientHandle*, OpenBuffDesc* vrfName, OpenBuffDesc* hostName,
                                                     OpenInetAddr* address)
{
    return call("rpcclt_openapiDNSStaticHostAddressMappingNextGet",
                { textIn(vrfName), textOut(hostName), addrOut(address) }, [&](State& state) {
                    if (hostName == nullptr || hostName->pstart == nullptr || address == nullptr)
                        return kBadParam;
                    HostKey const cursor { readText(vrfName), readText(hostName), *address };
                    return nextHost(state, cursor, compareHostEntries, hostName, address);
                });
}

int rpcclt_openapiDNSClientInetNameLookup(OpenClientHandle*, OpenBuffDesc* hostName, OpenBuffDesc* address)
{
    return call("rpcclt_openapiDNSClientInetNameLookup", { textIn(hostName), textOut(address) }, [&](State& state) {
        std::string const name = readText(hostName);
        if (address == nullptr || address->pstart == nullptr || name.empty())
            return kBadParam;
        OpenInetAddr found {};
        if (!lookUp(state, name, found))
            return kNotFound;
        writeText(address, addrText(found).c_str());
        return kOk;
    });
}

// All hosts of the VRF, or the one host named; a named host that is not
// cached is not found.
int rpcclt_openapiDNSClientCacheHostClear(OpenClientHandle*, OpenBuffDesc* vrfName, uint32_t allHosts,
                                          OpenBuffDesc* hostName)
{
    return call("rpcclt_openapiDNSClientCacheHostClear", { textIn(vrfName), value(allHosts), textIn(hostName) },
                [&](State& state) {
                    std::string const vrf = readText(vrfName);
                    std::string const name = readText(hostName);
                    if (allHosts > 1 || (allHosts == 0 && name.empty()))
                        return kBadParam;
                    int const removed = removeEntries(state, array(dnsSection(state), "cache"), [&](cJSON const* item) {
                        return text(item, "vrf") == vrf && (allHosts == 1 || sameName(text(item, "hostName"), name));
                    });
                    return allHosts == 1 || removed > 0 ? kOk : kNotFound;
                });
}

// The cache by host name; past the last entry there is nothing to report.
int rpcclt_openapiDnsDomainNameEntryNextGet(OpenClientHandle*, DnsDomainNameEntry* entry)
{
    return call("rpcclt_openapiDnsDomainNameEntryNextGet", { recordOut(entry, kEntryCodec) }, [&](State& state) {
        if (entry == nullptr)
            return kBadParam;
        auto const nameOf = [](cJSON const* item) { return std::string(text(item, "hostName")); };
        auto const compare = [](std::string const& a, std::string const& b) { return strcasecmp(a.c_str(), b.c_str()); };
        cJSON const* next = nextEntry(array(dnsSection(state), "cache"), fieldText(entry->hostName), nameOf, compare);
        if (next == nullptr)
            return kNotAvailable;
        *entry = {};
        entryFromJson(entry, next);
        return kOk;
    });
}

// Address texts as the switch reads them: IPv4 or IPv6 text, or a host name
// of the static table.
int rpcclt_openapiInetAddrGet(OpenClientHandle*, OpenBuffDesc* input, OpenInetAddr* address)
{
    return call("rpcclt_openapiInetAddrGet", { textIn(input), addrOut(address) }, [&](State& state) {
        OpenInetAddr found {};
        if (address == nullptr || !resolveStatic(state, readText(input), found))
            return kBadParam;
        *address = found;
        return kOk;
    });
}

int rpcclt_openapiInetAddrMaxSizeGet(OpenClientHandle*, uint32_t* size)
{
    return call("rpcclt_openapiInetAddrMaxSizeGet", { out(size) }, [&] {
        if (size == nullptr)
            return kBadParam;
        *size = kInetAddrMaxSize;
        return kOk;
    });
}

} // extern "C"
