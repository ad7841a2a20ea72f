// The switch's "ntp" area: the NTP client's global settings, its configured
// servers with their settings and associations, the active server, the
// authentication key table, and the service's identity and counters.
#include "ntp_state.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstring>
#include <string_view>
#include <strings.h>

namespace sim {

// Factory defaults of the "ntp" section of the state file: the client off,
// no servers and no keys, as a switch leaves the factory.
extern char const kNtpDefaults[] = R"({
    "mode": 0,
    "supportedMode": 3,
    "authenticationMode": 0,
    "broadcastClientMode": 0,
    "sourceInterface": 0,
    "interfaceMax": 64,
    "version": 4,
    "time": 0,
    "serversMax": 8,
    "serverAddrLenMax": 255,
    "referenceStringLength": 16,
    "servers": [],
    "activeServer": "",
    "nextAssocId": 1,
    "authKeysMax": 32,
    "authKeys": [],
    "softwareName": "ntpd",
    "softwareVersion": "4.2.8",
    "systemType": "Linux/5.10",
    "inPkts": 0,
    "outPkts": 0,
    "badVersionPkts": 0,
    "protocolErrorPkts": 0,
    "notifiedPeers": ""
})";

namespace ntp {

cJSON* section(State& state) { return state.section("ntp"); }

cJSON* server(State& state, std::string const& address)
{
    cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, array(section(state), "servers"))
    {
        if (strcasecmp(text(entry, "address"), address.c_str()) == 0)
            return entry;
    }
    return nullptr;
}

namespace {

// A walk over the configured servers' addresses that takes one of them.
struct ServerPick {
    std::string const* named; // none: the first server
    bool after;               // the one after the named server instead
    bool passed = false;      // the named server was seen
    bool taken = false;
};

bool pickServer(std::string_view address, void* context)
{
    auto& pick = *static_cast<ServerPick*>(context);
    if (pick.taken)
        return false;
    if (pick.named == nullptr || pick.passed)
        return pick.taken = true;
    if (address.size() != pick.named->size() || strncasecmp(address.data(), pick.named->data(), address.size()) != 0)
        return false;
    pick.passed = true;
    return pick.taken = !pick.after;
}

} // namespace

std::optional<cJSON const*> serverMember(State& state, std::string const* named, bool after, char const* key)
{
    ServerPick pick { named, after };
    return state.rowMember("ntp", "servers", "address", pickServer, &pick, key);
}

cJSON* association(State& state, uint32_t id)
{
    cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, array(section(state), "servers"))
    {
        cJSON* assoc = cJSON_GetObjectItemCaseSensitive(entry, "association");
        if (assoc != nullptr && u32(assoc, "id") == id)
            return assoc;
    }
    return nullptr;
}

cJSON* activeAssociation(State& state)
{
    cJSON* const ntp = section(state);
    cJSON* const active = u32(ntp, "mode") != 0 ? server(state, text(ntp, "activeServer")) : nullptr;
    return cJSON_GetObjectItemCaseSensitive(active, "association");
}

cJSON* nextAbove(cJSON* list, uint32_t (*idOf)(cJSON const*), uint32_t after)
{
    cJSON* best = nullptr;
    cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, list)
    {
        uint32_t const id = idOf(entry);
        if (id > after && (best == nullptr || id < idOf(best)))
            best = entry;
    }
    return best;
}

int store(State& state, cJSON* entry, char const* key, uint32_t value, Range const& range)
{
    if (entry == nullptr)
        return kNotFound;
    if (value < range.min || value > range.max)
        return kBadParam;
    if (range.atMost != nullptr && value > u32(entry, range.atMost))
        return kBadParam;
    if (range.atLeast != nullptr && value < u32(entry, range.atLeast))
        return kBadParam;
    setNumber(state, entry, key, value);
    return kOk;
}

namespace {

bool isHostName(std::string const& name)
{
    size_t label = 0;
    char previous = '.';
    for (char const c : name) {
        if (c == '.') {
            if (label == 0 || previous == '-')
                return false;
            label = 0;
        } else if (isalnum(static_cast<unsigned char>(c)) || (c == '-' && label > 0)) {
            if (++label > 63)
                return false;
        } else {
            return false;
        }
        previous = c;
    }
    return label > 0 && previous != '-';
}

} // namespace

uint32_t addressType(std::string const& address)
{
    unsigned char bytes[16];
    if (address.find(':') != std::string::npos)
        return inet_pton(AF_INET6, address.c_str(), bytes) == 1 ? kAddressIpv6 : kAddressUnknown;
    if (address.find_first_not_of("0123456789.") == std::string::npos)
        return inet_pton(AF_INET, address.c_str(), bytes) == 1 ? kAddressIpv4 : kAddressUnknown;
    return isHostName(address) ? kAddressDns : kAddressUnknown;
}

} // namespace ntp
} // namespace sim
