// The NTP client's global settings, its configured servers with the settings
// kept for each, and the active server.
#include "ntp_state.h"

#include "../tools/sw_calls_ntp.h"

#include <strings.h>

#include <cstdint>

using namespace sim::ntp;

namespace {

constexpr uint32_t kModeUnicast = 1;
constexpr uint32_t kModeBroadcast = 2;
constexpr Range kFlag { 0, 1 };
constexpr Range kPoll { 4, 17 }; // log2 seconds: 16 s to 36 h
constexpr Range kServerVersion { 1, 4 };
constexpr Range kKeyIndex { 0, 65535 }; // 0: the server's packets are not authenticated
constexpr uint32_t kAssociationServer = 4;

// A newly configured server: the switch's per-server defaults, and an
// association that has not yet heard from the server.
cJSON* newServer(std::string const& address, uint32_t type, uint32_t assocId)
{
    cJSON* entry = cJSON_CreateObject();
    cJSON_AddStringToObject(entry, "address", address.c_str());
    cJSON_AddNumberToObject(entry, "addressType", type);
    cJSON_AddNumberToObject(entry, "keyIndex", 0);
    cJSON_AddNumberToObject(entry, "minPoll", 6);
    cJSON_AddNumberToObject(entry, "maxPoll", 10);
    cJSON_AddNumberToObject(entry, "prefer", 0);
    cJSON_AddNumberToObject(entry, "burst", 0);
    cJSON_AddNumberToObject(entry, "iburst", 0);
    cJSON_AddNumberToObject(entry, "version", 4);
    cJSON* assoc = cJSON_AddObjectToObject(entry, "association");
    cJSON_AddNumberToObject(assoc, "id", assocId);
    cJSON_AddStringToObject(assoc, "name", address.c_str());
    cJSON_AddStringToObject(assoc, "address", address.c_str());
    cJSON_AddNumberToObject(assoc, "addressType", type);
    cJSON_AddStringToObject(assoc, "refId", "INIT");
    cJSON_AddNumberToObject(assoc, "stratum", 16);
    cJSON_AddNumberToObject(assoc, "mode", kAssociationServer);
    for (char const* key : { "offset", "jitter", "delay", "dispersion" })
        cJSON_AddStringToObject(assoc, key, "0.000");
    for (char const* key : { "inPkts", "outPkts", "protocolErrorPkts" })
        cJSON_AddNumberToObject(assoc, key, 0);
    return entry;
}

int addServer(sim::State& state, std::string const& address)
{
    cJSON* const ntp = section(state);
    cJSON* const servers = sim::array(ntp, "servers");
    uint32_t const type = addressType(address);
    if (address.empty() || address.size() > sim::u32(ntp, "serverAddrLenMax") || type == kAddressUnknown)
        return sim::kBadParam;
    if (server(state, address) != nullptr)
        return sim::kExists;
    if (static_cast<uint32_t>(cJSON_GetArraySize(servers)) >= sim::u32(ntp, "serversMax"))
        return sim::kFull;
    uint32_t const id = sim::u32(ntp, "nextAssocId");
    cJSON_AddItemToArray(servers, newServer(address, type, id));
    sim::setNumber(state, ntp, "nextAssocId", id + 1);
    state.changed = true;
    return sim::kOk;
}

int deleteServer(sim::State& state, std::string const& address)
{
    cJSON* const ntp = section(state);
    cJSON* const entry = server(state, address);
    if (entry == nullptr)
        return sim::kNotFound;
    if (strcasecmp(sim::text(ntp, "activeServer"), address.c_str()) == 0)
        sim::setText(state, ntp, "activeServer", "");
    cJSON_Delete(cJSON_DetachItemViaPointer(sim::array(ntp, "servers"), entry));
    state.changed = true;
    return sim::kOk;
}

// A mode the switch does not carry is refused as unsupported.
int setMode(sim::State& state, uint32_t mode)
{
    cJSON* const ntp = section(state);
    if (mode != 0 && mode != kModeUnicast && mode != kModeBroadcast)
        return sim::kBadParam;
    if (mode != 0 && (sim::u32(ntp, "supportedMode") & mode) == 0)
        return sim::kUnsupported;
    sim::setNumber(state, ntp, "mode", mode);
    return sim::kOk;
}

} // namespace

extern "C" {

// ---- Global settings. ----

int rpcclt_openapiNtpTimeSet(OpenClientHandle*, uint32_t offset)
{
    return sim::call(__func__, { sim::value(offset) }, numberTo(settings(), "time", offset, { 0, UINT32_MAX }));
}

int rpcclt_openapiNtpModeSet(OpenClientHandle*, uint32_t mode)
{
    return sim::call(__func__, { sim::value(mode) }, [&](sim::State& state) { return setMode(state, mode); });
}

int rpcclt_openapiNtpModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sim::call(__func__, { sim::out(mode) }, numberOf(setting("mode"), mode));
}

int rpcclt_openapiNtpSupportedModeGet(OpenClientHandle*, uint32_t* supportedMode)
{
    return sim::call(__func__, { sim::out(supportedMode) }, numberOf(setting("supportedMode"), supportedMode));
}

int rpcclt_openapiNtpAuthenticationModeSet(OpenClientHandle*, uint32_t flag)
{
    return sim::call(__func__, { sim::value(flag) }, numberTo(settings(), "authenticationMode", flag, kFlag));
}

int rpcclt_openapiNtpAuthenticationModeGet(OpenClientHandle*, uint32_t* flag)
{
    return sim::call(__func__, { sim::out(flag) }, numberOf(setting("authenticationMode"), flag));
}

// 0 clears the source interface; others must be interfaces of the switch.
int rpcclt_openapiNtpSourceInterfaceSet(OpenClientHandle*, uint32_t intIfNum)
{
    return sim::call(__func__, { sim::value(intIfNum) }, [&](sim::State& state) {
        Range const interfaces { 0, sim::u32(section(state), "interfaceMax") };
        return store(state, section(state), "sourceInterface", intIfNum, interfaces);
    });
}

int rpcclt_openapiNtpSourceInterfaceGet(OpenClientHandle*, uint32_t* intIfNum)
{
    return sim::call(__func__, { sim::out(intIfNum) }, numberOf(setting("sourceInterface"), intIfNum));
}

int rpcclt_openapiNtpBroadcastClientModeSet(OpenClientHandle*, uint32_t flag)
{
    return sim::call(__func__, { sim::value(flag) }, numberTo(settings(), "broadcastClientMode", flag, kFlag));
}

int rpcclt_openapiNtpBroadcastClientModeGet(OpenClientHandle*, uint32_t* flag)
{
    return sim::call(__func__, { sim::out(flag) }, numberOf(setting("broadcastClientMode"), flag));
}

int rpcclt_openapiNtpVersionGet(OpenClientHandle*, uint32_t* version)
{
    return sim::call(__func__, { sim::out(version) }, numberOf(setting("version"), version));
}

// ---- Configured servers. ----

int rpcclt_openapiNtpServerAdd(OpenClientHandle*, OpenBuffDesc* server)
{
    return sim::call(
        __func__, { sim::textIn(server) }, [&](sim::State& state) { return addServer(state, sim::readText(server)); });
}

int rpcclt_openapiNtpServerDelete(OpenClientHandle*, OpenBuffDesc* server)
{
    return sim::call(__func__, { sim::textIn(server) },
        [&](sim::State& state) { return deleteServer(state, sim::readText(server)); });
}

int rpcclt_openapiNtpServersMaxSupportedGet(OpenClientHandle*, uint32_t* count)
{
    return sim::call(__func__, { sim::out(count) }, numberOf(setting("serversMax"), count));
}

int rpcclt_openapiNtpServerMaxAddrLenGet(OpenClientHandle*, uint32_t* length)
{
    return sim::call(__func__, { sim::out(length) }, numberOf(setting("serverAddrLenMax"), length));
}

int rpcclt_openapiNtpServerFirstGet(OpenClientHandle*, OpenBuffDesc* first)
{
    return sim::call(__func__, { sim::textOut(first) },
        textOf([](sim::State& state) { return serverMember(state, nullptr, false, "address"); }, first));
}

int rpcclt_openapiNtpServerNextGet(OpenClientHandle*, OpenBuffDesc* server, OpenBuffDesc* next)
{
    // The server after the one named, in the order they were configured;
    // none past the last or for an address not configured.
    return sim::call(__func__, { sim::textIn(server), sim::textOut(next) },
        textOf(serverSetting(server, "address", true), next));
}

int rpcclt_openapiNtpServerAddressTypeGet(OpenClientHandle*, OpenBuffDesc* server, uint32_t* type)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::out(type) }, numberOf(serverSetting(server, "addressType"), type));
}

int rpcclt_openapiNtpServerCurrentEntriesGet(OpenClientHandle*, uint32_t* count)
{
    return sim::call(__func__, { sim::out(count) }, [&](sim::State& state) {
        if (count == nullptr)
            return sim::kBadParam;
        *count = static_cast<uint32_t>(cJSON_GetArraySize(sim::array(section(state), "servers")));
        return sim::kOk;
    });
}

int rpcclt_openapiNtpServerReferenceStringLengthGet(OpenClientHandle*, uint32_t* length)
{
    return sim::call(__func__, { sim::out(length) }, numberOf(setting("referenceStringLength"), length));
}

// ---- The active server: the one the clock is synchronised with. ----

int rpcclt_openapiActiveNtpServerAddressTypeGet(OpenClientHandle*, uint32_t* type)
{
    return sim::call(__func__, { sim::out(type) }, numberOf(memberOf(active(), "addressType"), type));
}

int rpcclt_openapiActiveNtpServerIpAddressGet(OpenClientHandle*, OpenBuffDesc* address)
{
    return sim::call(__func__, { sim::textOut(address) }, textOf(memberOf(active(), "address"), address));
}

int rpcclt_openapiActiveNtpServerStratumGet(OpenClientHandle*, uint32_t* stratum)
{
    return sim::call(__func__, { sim::out(stratum) }, numberOf(memberOf(active(), "stratum"), stratum));
}

int rpcclt_openapiActiveNtpServerReferenceIdGet(OpenClientHandle*, OpenBuffDesc* reference)
{
    return sim::call(__func__, { sim::textOut(reference) }, textOf(memberOf(active(), "refId"), reference));
}

int rpcclt_openapiActiveNtpServerModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sim::call(__func__, { sim::out(mode) }, numberOf(memberOf(active(), "mode"), mode));
}

// ---- Settings kept per configured server; an unknown server is refused. ----

int rpcclt_openapiNtpServerTableAuthKeySet(OpenClientHandle*, OpenBuffDesc* server, uint32_t keyIndex)
{
    return sim::call(__func__, { sim::textIn(server), sim::value(keyIndex) },
        numberTo(serverNamed(server), "keyIndex", keyIndex, kKeyIndex));
}

int rpcclt_openapiNtpServerTableAuthKeyGet(OpenClientHandle*, OpenBuffDesc* server, uint32_t* keyIndex)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::out(keyIndex) }, numberOf(serverSetting(server, "keyIndex"), keyIndex));
}

int rpcclt_openapiNtpServerTableMaxPollSet(OpenClientHandle*, OpenBuffDesc* server, uint16_t interval)
{
    Range const range { kPoll.min, kPoll.max, nullptr, "minPoll" };
    return sim::call(__func__, { sim::textIn(server), sim::value(interval) },
        numberTo(serverNamed(server), "maxPoll", interval, range));
}

int rpcclt_openapiNtpServerTableMaxPollGet(OpenClientHandle*, OpenBuffDesc* server, uint16_t* interval)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::out(interval) }, numberOf(serverSetting(server, "maxPoll"), interval));
}

int rpcclt_openapiNtpServerTableMinPollSet(OpenClientHandle*, OpenBuffDesc* server, uint16_t interval)
{
    Range const range { kPoll.min, kPoll.max, "maxPoll", nullptr };
    return sim::call(__func__, { sim::textIn(server), sim::value(interval) },
        numberTo(serverNamed(server), "minPoll", interval, range));
}

int rpcclt_openapiNtpServerTableMinPollGet(OpenClientHandle*, OpenBuffDesc* server, uint16_t* interval)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::out(interval) }, numberOf(serverSetting(server, "minPoll"), interval));
}

int rpcclt_openapiNtpServerTablePreferSet(OpenClientHandle*, OpenBuffDesc* server, uint32_t flag)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::value(flag) }, numberTo(serverNamed(server), "prefer", flag, kFlag));
}

int rpcclt_openapiNtpServerTablePreferGet(OpenClientHandle*, OpenBuffDesc* server, uint32_t* flag)
{
    return sim::call(__func__, { sim::textIn(server), sim::out(flag) }, numberOf(serverSetting(server, "prefer"), flag));
}

int rpcclt_openapiNtpServerTableBurstSet(OpenClientHandle*, OpenBuffDesc* server, uint32_t flag)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::value(flag) }, numberTo(serverNamed(server), "burst", flag, kFlag));
}

int rpcclt_openapiNtpServerTableBurstGet(OpenClientHandle*, OpenBuffDesc* server, uint32_t* flag)
{
    return sim::call(__func__, { sim::textIn(server), sim::out(flag) }, numberOf(serverSetting(server, "burst"), flag));
}

int rpcclt_openapiNtpServerTableIBurstSet(OpenClientHandle*, OpenBuffDesc* server, uint32_t flag)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::value(flag) }, numberTo(serverNamed(server), "iburst", flag, kFlag));
}

int rpcclt_openapiNtpServerTableIBurstGet(OpenClientHandle*, OpenBuffDesc* server, uint32_t* flag)
{
    return sim::call(__func__, { sim::textIn(server), sim::out(flag) }, numberOf(serverSetting(server, "iburst"), flag));
}

int rpcclt_openapiNtpServerTableVersionSet(OpenClientHandle*, OpenBuffDesc* server, uint16_t version)
{
    return sim::call(__func__, { sim::textIn(server), sim::value(version) },
        numberTo(serverNamed(server), "version", version, kServerVersion));
}

int rpcclt_openapiNtpServerTableVersionGet(OpenClientHandle*, OpenBuffDesc* server, uint16_t* version)
{
    return sim::call(
        __func__, { sim::textIn(server), sim::out(version) }, numberOf(serverSetting(server, "version"), version));
}

} // extern "C"
